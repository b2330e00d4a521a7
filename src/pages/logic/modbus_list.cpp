#include "pages/logic/modbus_list.h"

#include <cstdio>

#include "card/polled_values.h"
#include "protocol/modbus.h"

namespace page_logic {

namespace {

enum column {
    slave_id_column = 2,
    address_column,
    bit_count_column,
    type_column,
    data_column,
    run_column,
    status_column,
    timeout_column
};
static_assert(status_column == modbus_list::status_column);

modbus_row row_from(const modbus_channel_values& c)
{
    return {c.slave_id, c.address, c.bit_count, c.register_type, c.data, c.run, c.status, c.timeout_count};
}

// The cells of one row whose values differ between shown and current (all of them when
// everything is asked for); shown takes the current values.
void row_cells(cell_updates& cells, int row, const modbus_row& current, modbus_row& shown, bool everything)
{
    auto cell = [&](auto value, auto& last, int column, std::string text) {
        if (take_change(value, last) || everything)
            add_text(cells, row, column, std::move(text));
    };
    cell(current.slave_id, shown.slave_id, slave_id_column, std::to_string(current.slave_id));
    cell(current.address, shown.address, address_column, std::to_string(current.address));
    cell(current.bit_count, shown.bit_count, bit_count_column, std::to_string(current.bit_count));
    cell(current.register_type, shown.register_type, type_column, register_type_text(current.register_type));
    // the data word shows as a signed number
    cell(current.data, shown.data, data_column, std::to_string(static_cast<int32_t>(current.data)));
    cell(current.run, shown.run, run_column, run_text(current.run));
    cell(current.status, shown.status, status_column, status_text(current.status));
    cell(current.timeout_count, shown.timeout_count, timeout_column, std::to_string(current.timeout_count));
}

} // namespace

modbus_rows modbus_rows_from(const polled_values& polled)
{
    modbus_rows rows;
    for (int n = 0; n < 8; ++n) {
        rows[size_t(n)] = row_from(polled.modbus_rx[n]);
        rows[size_t(8 + n)] = row_from(polled.modbus_tx[n]);
    }
    return rows;
}

std::string register_type_text(uint8_t type)
{
    static const char* const names[] = {"无", "线圈", "离散输入", "输入寄存器", "保持寄存器"};
    return type < std::size(names) ? names[type] : names[0];
}

std::string run_text(uint8_t run)
{
    return std::to_string(run) + (run ? "(启用)" : "(禁用)");
}

std::string status_text(uint16_t status)
{
    char text[8];
    std::snprintf(text, sizeof text, "0x%04X", unsigned(status));
    return text;
}

std::string status_tooltip(uint16_t status)
{
    std::string text = "状态字 " + status_text(status) + "：";
    uint16_t known = 0;
    for (const protocol::modbus_status::state& state : protocol::modbus_status::states) {
        if (!(status & state.bit))
            continue;
        known |= state.bit;
        text += std::string("\n") + state.name;
        if (state.bit == protocol::modbus_status::exception) {
            known |= protocol::modbus_status::exception_code_mask;
            text += "，异常码 " + std::to_string(status >> protocol::modbus_status::exception_code_shift);
        }
    }
    if (uint16_t unknown = status & ~known)
        text += "\n" + status_text(unknown) + " 含义未知";
    if (status == 0)
        text += "\n无";
    text += "\n\n模拟卡的状态位：";
    for (const protocol::modbus_status::state& state : protocol::modbus_status::states)
        text += "\n" + status_text(state.bit) + " " + state.name;
    return text;
}

const std::vector<list_column>& modbus_list::columns()
{
    constexpr auto R = alignment::right;
    static const std::vector<list_column> table = {
        {"操作类型", 78, R},    {"Reg ID", 65, R},          {"Slave ID(4)", 80, R}, {"Reg Addr(2)", 80, R},
        {"Reg Bit(3)", 78, R},  {"Reg type(5)", 85, R},     {"Reg Data", 95, R},    {"Reg Run(6)", 80, R},
        {"Reg stat(1)", 80, R}, {"Timeout Cnt(7)", 100, R},
    };
    return table;
}

std::vector<list_label> modbus_list::labels()
{
    std::vector<list_label> labels;
    for (int n = 0; n < protocol::modbus::channel_count; ++n) {
        char rx[16], tx[16];
        std::snprintf(rx, sizeof rx, "Rx(0x%04X)", unsigned(protocol::modbus::rx_channel(n).index));
        std::snprintf(tx, sizeof tx, "Tx(0x%04X)", unsigned(protocol::modbus::tx_channel(n).index));
        labels.push_back({n, 0, rx});
        labels.push_back({8 + n, 0, tx});
        labels.push_back({n, 1, std::to_string(n)});
        labels.push_back({8 + n, 1, std::to_string(n)});
    }
    return labels;
}

cell_updates modbus_list::draw_all() const
{
    cell_updates cells;
    modbus_rows shown = shown_;
    for (int row = 0; row < rows; ++row)
        row_cells(cells, row, shown[size_t(row)], shown[size_t(row)], true);
    return cells;
}

cell_updates modbus_list::refresh(const modbus_rows& current)
{
    cell_updates cells;
    for (int row = 0; row < rows; ++row)
        row_cells(cells, row, current[size_t(row)], shown_[size_t(row)], false);
    return cells;
}

} // namespace page_logic
