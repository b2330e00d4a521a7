#include "pages/logic/ioh_list.h"

#include "card/polled_values.h"
#include "pages/logic/io_scaling.h"

namespace page_logic {

ioh_values ioh_values_from(const polled_values& polled)
{
    ioh_values v;
    v.inputs = polled.inputs;
    v.outputs = polled.outputs;
    for (int n = 0; n < 4; ++n)
        v.analog_inputs[n] = polled.analog_inputs[n];
    for (int n = 0; n < 2; ++n) {
        v.analog_outputs[n] = polled.analog_outputs[n];
        v.pwm_frequencies[n] = polled.pwm_frequencies[n];
        v.pwm_duties[n] = polled.pwm_duties[n];
    }
    v.counter = static_cast<int32_t>(polled.counter.load());
    v.encoder = static_cast<int32_t>(polled.encoder.load());
    return v;
}

const std::vector<list_column>& ioh_list::columns()
{
    constexpr auto L = alignment::left;
    constexpr auto R = alignment::right;
    static const std::vector<list_column> table = {
        {"输入端", 55, R},
        {"输入值", 55, L},
        {"输出端", 55, R},
        {"输出值", 55, L},
        {"模拟量", 80, R},
        {"模拟值", 60, L, {cell_format::u16, cell_format::u32}},
        {"模拟值(换算)", 95, L, {cell_format::volts_12bit, cell_format::hertz, cell_format::duty}},
        {"计数器", 60, R},
        {"计数值", 90, L, {cell_format::s32}},
    };
    return table;
}

std::vector<list_label> ioh_list::labels()
{
    std::vector<list_label> labels;
    add_numbered_labels(labels, 0, "IN", 0, shown_bits);
    add_numbered_labels(labels, 2, "OUT", 0, shown_bits);
    const char* analog[rows] = {
        "AD0:", "AD1:", "AD2:", "AD3:", "DA0:", "DA1:", "PWM0freq:", "PWM1freq:", "PWM0prop:", "PWM1prop:"};
    for (int row = 0; row < rows; ++row)
        labels.push_back({row, 4, analog[row]});
    labels.push_back({0, 7, "CNT1:"});
    labels.push_back({1, 7, "ENC:"});
    return labels;
}

cell_updates ioh_list::refresh(const ioh_values& now)
{
    cell_updates cells;
    if (take_change(now.inputs, shown_.inputs))
        add_bit_images(cells, now.inputs, 0, shown_bits, 1);
    if (take_change(now.outputs, shown_.outputs))
        add_bit_images(cells, now.outputs, 0, shown_bits, 3);
    auto analog = [&](uint16_t value, uint16_t& shown, int row) {
        if (!take_change(value, shown))
            return;
        add_text(cells, row, 5, decimal_text(value));
        add_text(cells, row, 6, volts_12bit_text(value));
    };
    for (int n = 0; n < 4; ++n)
        analog(now.analog_inputs[n], shown_.analog_inputs[n], n);
    for (int n = 0; n < 2; ++n) {
        analog(now.analog_outputs[n], shown_.analog_outputs[n], 4 + n);
        if (take_change(now.pwm_frequencies[n], shown_.pwm_frequencies[n])) {
            add_text(cells, 6 + n, 5, pwm_frequency_raw_text(now.pwm_frequencies[n]));
            add_text(cells, 6 + n, 6, pwm_frequency_text(now.pwm_frequencies[n]));
        }
        if (take_change(now.pwm_duties[n], shown_.pwm_duties[n])) {
            add_text(cells, 8 + n, 5, decimal_text(now.pwm_duties[n]));
            add_text(cells, 8 + n, 6, duty_text(now.pwm_duties[n]));
        }
    }
    if (take_change(now.counter, shown_.counter))
        add_text(cells, 0, 8, decimal_text(now.counter));
    if (take_change(now.encoder, shown_.encoder))
        add_text(cells, 1, 8, decimal_text(now.encoder));
    return cells;
}

} // namespace page_logic
