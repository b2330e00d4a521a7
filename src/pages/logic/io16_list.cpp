#include "pages/logic/io16_list.h"

#include "card/polled_values.h"
#include "pages/logic/io_scaling.h"

namespace page_logic {

io16_values io16_values_from(const polled_values& polled)
{
    io16_values v;
    v.inputs = polled.inputs;
    v.outputs = polled.outputs;
    v.analog_inputs[0] = polled.analog_inputs[0];
    v.analog_inputs[1] = polled.analog_inputs[1];
    v.analog_output = polled.analog_outputs[0];
    return v;
}

const std::vector<list_column>& io16_list::columns()
{
    constexpr auto L = alignment::left;
    constexpr auto R = alignment::right;
    static const std::vector<list_column> table = {
        {"输入端", 55, R},
        {"输入值", 55, L},
        {"输入端", 55, R},
        {"输入值", 55, L},
        {"输出端", 55, R},
        {"输出值", 55, L},
        {"输出端", 55, R},
        {"输出值", 55, L},
        {"模拟量", 80, R},
        {"模拟值(数值)", 95, L, {cell_format::u16}},
        {"模拟值(V)", 90, L, {cell_format::volts_12bit}},
    };
    return table;
}

std::vector<list_label> io16_list::labels()
{
    std::vector<list_label> labels;
    add_numbered_labels(labels, 0, "IN", 0, rows);
    add_numbered_labels(labels, 2, "IN", 8, rows);
    add_numbered_labels(labels, 4, "OUT", 0, rows);
    add_numbered_labels(labels, 6, "OUT", 8, rows);
    labels.push_back({0, 8, "AD1:"});
    labels.push_back({1, 8, "AD2:"});
    labels.push_back({2, 8, "DA1:"});
    return labels;
}

cell_updates io16_list::refresh(const io16_values& now)
{
    cell_updates cells;
    if (take_change(now.inputs, shown_.inputs)) {
        add_bit_images(cells, now.inputs, 0, rows, 1);
        add_bit_images(cells, now.inputs, rows, rows, 3);
    }
    if (take_change(now.outputs, shown_.outputs)) {
        add_bit_images(cells, now.outputs, 0, rows, 5);
        add_bit_images(cells, now.outputs, rows, rows, 7);
    }
    auto analog = [&](uint16_t value, uint16_t& shown, int row) {
        if (!take_change(value, shown))
            return;
        add_text(cells, row, 9, decimal_text(value));
        add_text(cells, row, 10, volts_12bit_text(value));
    };
    analog(now.analog_inputs[0], shown_.analog_inputs[0], 0);
    analog(now.analog_inputs[1], shown_.analog_inputs[1], 1);
    analog(now.analog_output, shown_.analog_output, 2);
    return cells;
}

} // namespace page_logic
