// The Modbus page without widgets: the list's layout, cell formats and change detection,
// the bit-count refill rule, the strict edit fields and the status tooltip.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "protocol/modbus_status.h"
#include "card/polled_values.h"
#include "pages/logic/modbus_list.h"
#include "pages/logic/modbus_settings.h"

namespace {

using namespace page_logic;

std::set<std::pair<int, int>> positions(const cell_updates& updates)
{
    std::set<std::pair<int, int>> set;
    for (const cell_update& c : updates)
        set.insert({c.row, c.column});
    return set;
}

std::map<std::pair<int, int>, std::string> texts(const cell_updates& updates)
{
    std::map<std::pair<int, int>, std::string> map;
    for (const cell_update& c : updates)
        map[{c.row, c.column}] = c.text;
    return map;
}

TEST(modbus_list, has_the_rx_rows_above_the_tx_rows_and_starts_from_zeros)
{
    ASSERT_EQ(modbus_list::columns().size(), 10u);
    int width = 0;
    for (const list_column& c : modbus_list::columns()) {
        width += c.width;
        EXPECT_EQ(c.align, alignment::right) << c.header;
    }
    EXPECT_EQ(width, 821);
    EXPECT_STREQ(modbus_list::columns()[9].header, "Timeout Cnt(7)");
    std::map<std::pair<int, int>, std::string> labels;
    for (const list_label& l : modbus_list::labels())
        labels[{l.row, l.column}] = l.text;
    EXPECT_EQ(labels.size(), 32u);
    EXPECT_EQ((labels[{0, 0}]), "Rx(0x3020)");
    EXPECT_EQ((labels[{7, 0}]), "Rx(0x3027)");
    EXPECT_EQ((labels[{8, 0}]), "Tx(0x3000)");
    EXPECT_EQ((labels[{15, 0}]), "Tx(0x3007)");
    EXPECT_EQ((labels[{15, 1}]), "7");

    modbus_list list;
    auto first = texts(list.draw_all());
    EXPECT_EQ(first.size(), 16u * 8);
    EXPECT_EQ((first[{3, 5}]), "无");
    EXPECT_EQ((first[{3, 7}]), "0(禁用)");
    EXPECT_EQ((first[{12, 8}]), "0x0000");
    EXPECT_EQ((first[{12, 9}]), "0");
    EXPECT_TRUE(list.refresh(modbus_rows{}).empty()) << "the zeros are already drawn";
}

TEST(modbus_list, redraws_only_the_cells_whose_values_changed)
{
    polled_values polled{};
    polled.modbus_rx[2].data = 0xFFFFFFFE;
    polled.modbus_rx[2].register_type = 4;
    polled.modbus_tx[5].status = uint16_t(protocol::modbus_status::exception_status(2));
    polled.modbus_tx[5].run = 1;
    polled.modbus_tx[5].address = 65535;
    polled.modbus_tx[5].timeout_count = 300;
    modbus_list list;
    cell_updates cells = list.refresh(modbus_rows_from(polled));
    EXPECT_EQ(positions(cells), (std::set<std::pair<int, int>>{{2, 5}, {2, 6}, {13, 3}, {13, 7}, {13, 8}, {13, 9}}));
    auto text = texts(cells);
    EXPECT_EQ((text[{2, 6}]), "-2") << "the data word reads as a signed number";
    EXPECT_EQ((text[{2, 5}]), "保持寄存器");
    EXPECT_EQ((text[{13, 3}]), "65535");
    EXPECT_EQ((text[{13, 7}]), "1(启用)");
    EXPECT_EQ((text[{13, 8}]), "0x0204");
    EXPECT_EQ((text[{13, 9}]), "300");
    EXPECT_TRUE(list.refresh(modbus_rows_from(polled)).empty());

    polled.modbus_rx[2].register_type = 3;
    polled.modbus_rx[2].slave_id = 247;
    text = texts(list.refresh(modbus_rows_from(polled)));
    EXPECT_EQ(text.size(), 2u);
    EXPECT_EQ((text[{2, 5}]), "输入寄存器");
    EXPECT_EQ((text[{2, 2}]), "247");
}

TEST(modbus_list, cell_formats)
{
    const char* names[] = {"无", "线圈", "离散输入", "输入寄存器", "保持寄存器", "无", "无", "无"};
    for (uint8_t type = 0; type < 8; ++type)
        EXPECT_EQ(register_type_text(type), names[type]) << int(type);
    EXPECT_EQ(register_type_text(255), "无");
    EXPECT_EQ(run_text(0), "0(禁用)");
    EXPECT_EQ(run_text(2), "2(启用)");
    EXPECT_EQ(status_text(0xABC), "0x0ABC");
}

TEST(modbus_status_tooltip, names_the_known_states_and_leaves_other_bits_unnamed)
{
    std::string exception = status_tooltip(protocol::modbus_status::exception_status(0x0B));
    EXPECT_EQ(exception.substr(0, exception.find("\n\n")), "状态字 0x0B04：\n异常响应（高字节为异常码），异常码 11");
    EXPECT_NE(exception.find("\n0x0002 超时"), std::string::npos) << "the table follows";
    std::string timed_out = status_tooltip(protocol::modbus_status::timed_out | 0x0100);
    EXPECT_EQ(timed_out.substr(0, timed_out.find("\n\n")), "状态字 0x0102：\n超时\n0x0100 含义未知")
        << "without the exception bit the high byte means nothing known";
    std::string none = status_tooltip(0);
    EXPECT_EQ(none.substr(0, none.find("\n\n")), "状态字 0x0000：\n无");
    std::string odd = status_tooltip(0x00E0);
    EXPECT_EQ(odd.substr(0, odd.find("\n\n")), "状态字 0x00E0：\n0x00E0 含义未知");
}

TEST(modbus_settings, the_bit_count_list_is_refilled_only_between_bits_and_registers)
{
    EXPECT_EQ(bit_count_choices(0).size(), 32u);
    EXPECT_EQ(bit_count_choices(1).front(), 1);
    EXPECT_EQ(bit_count_choices(1).back(), 32);
    EXPECT_EQ(bit_count_choices(2), (std::vector<int>{16, 32}));
    EXPECT_FALSE(bit_count_refill(0, 1)) << "coil to discrete input keeps 1..32";
    EXPECT_FALSE(bit_count_refill(2, 3));
    EXPECT_EQ(bit_count_refill(0, 3), (std::vector<int>{16, 32}));
    EXPECT_EQ(bit_count_refill(1, 2), (std::vector<int>{16, 32}));
    EXPECT_EQ(bit_count_refill(3, 1)->size(), 32u);
}

} // namespace
