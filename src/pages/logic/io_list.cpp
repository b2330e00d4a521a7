#include "pages/logic/io_list.h"

#include "card/polled_values.h"
#include "pages/logic/io_scaling.h"

namespace page_logic {

namespace {

constexpr auto L = alignment::left;
constexpr auto R = alignment::right;

template <typename T, size_t N> void copy(const polled<T> (&from)[N], T (&to)[N])
{
    for (size_t i = 0; i < N; ++i)
        to[i] = from[i].load();
}

template <typename T, size_t N> void fill(T (&values)[N], T value)
{
    for (T& v : values)
        v = value;
}

} // namespace

io_values io_values_from(const polled_values& polled)
{
    io_values v;
    v.inputs = polled.inputs;
    v.outputs = polled.outputs;
    v.encoder = static_cast<int32_t>(polled.encoder.load());
    copy(polled.analog_outputs, v.analog_outputs);
    copy(polled.ain24_inputs, v.ad);
    copy(polled.ain24_latches, v.ad_latches);
    // the IO poll keeps the analog inputs apart from those of the other cards
    copy(polled.comparator_inputs, v.comparator_inputs);
    copy(polled.comparator_latches, v.comparator_latches);
    copy(polled.comparator_states, v.comparator_states);
    copy(polled.comparator_thresholds, v.comparator_thresholds);
    v.crc_errors = polled.crc_errors;
    return v;
}

uint16_t comparator_single_ended_bit(int comparator)
{
    return comparator == 0 ? 0x04 : 0x10;
}

const std::vector<list_column>& io_list::columns()
{
    constexpr auto hex = cell_format::hex32;
    constexpr auto v24 = cell_format::volts_24bit;
    constexpr auto v12 = cell_format::volts_12bit;
    constexpr auto u16 = cell_format::u16;
    static const std::vector<list_column> table = {
        {"输入端", 55, R},
        {"输入值", 55, L},
        {"输出端", 55, R},
        {"输出值", 55, L},
        {"模拟量", 55, R},
        {"模拟值(Hex)", 80, L, {hex}},
        {"模拟值(转换)", 85, L, {v24}},
        {"模拟量", 55, R},
        {"模拟值(Hex)", 80, L, {hex}},
        {"模拟值(转换)", 85, L, {v24}},
        {"模拟量", 80, R},
        {"模拟值", 80, L, {u16}},
        {"模拟值(转换)", 85, L, {v12}},
        {"模拟量", 100, R},
        {"模拟值", 80, L, {u16}},
        {"模拟值(转换)", 85, L, {v12}},
        {"编码器", 55, R},
        {"状态值", 80, L, {cell_format::s32}},
        {"模拟量", 80, R},
        {"模拟值(Hex)", 80, L, {hex}},
        {"模拟值(转换)", 85, L, {v24}},
        {"模拟量", 80, R},
        {"模拟值(Hex)", 80, L, {hex}},
        {"模拟值(转换)", 85, L, {v24}},
    };
    return table;
}

std::vector<list_label> io_list::labels()
{
    std::vector<list_label> labels;
    add_numbered_labels(labels, 0, "IN", 0, rows);
    add_numbered_labels(labels, 2, "OUT", 0, rows);
    add_numbered_labels(labels, 4, "AD", 0, rows);
    add_numbered_labels(labels, 7, "AD", 8, rows);
    const char* analog[rows] = {"CMP0N_AD:", "CMP0P_AD:", "CMP1N_AD:", "CMP1P_AD:", "DA0:", "DA1:", "DA2:", "DA3:"};
    const char* comparator[rows] = {
        "CMP0N_AD_LAT:", "CMP0P_AD_LAT:", "CMP1N_AD_LAT:", "CMP1P_AD_LAT:", "CMP0:", "CMP1:", "CMP0_DA:", "CMP1_DA:"};
    for (int row = 0; row < rows; ++row) {
        labels.push_back({row, 10, analog[row]});
        labels.push_back({row, 13, comparator[row]});
    }
    labels.push_back({0, 16, "ENC:"});
    add_numbered_labels(labels, 18, "AD_LAT", 0, rows);
    add_numbered_labels(labels, 21, "AD_LAT", 8, rows);
    return labels;
}

io_values io_list::initially_shown()
{
    io_values v;
    v.inputs = v.outputs = 1;
    v.encoder = 1;
    fill(v.analog_outputs, uint16_t{1});
    fill(v.ad, 1u);
    fill(v.ad_latches, 1u);
    // these rows stay empty until a polled value differs from 0
    fill(v.comparator_inputs, uint16_t{0});
    fill(v.comparator_latches, uint16_t{1});
    fill(v.comparator_states, uint16_t{1});
    fill(v.comparator_thresholds, uint16_t{1});
    return v;
}

cell_updates io_list::refresh(const io_values& now)
{
    cell_updates cells;
    if (take_change(now.inputs, shown_.inputs))
        add_bit_images(cells, now.inputs, 0, rows, 1);
    if (take_change(now.outputs, shown_.outputs))
        add_bit_images(cells, now.outputs, 0, rows, 3);
    for (int n = 0; n < 16; ++n) {
        int column = n < rows ? 5 : 8;
        if (take_change(now.ad[n], shown_.ad[n])) {
            add_text(cells, n % rows, column, hex_text(now.ad[n]));
            add_text(cells, n % rows, column + 1, volts_24bit_text(now.ad[n]));
        }
        if (take_change(now.ad_latches[n], shown_.ad_latches[n])) {
            add_text(cells, n % rows, column + 14, hex_text(now.ad_latches[n]));
            add_text(cells, n % rows, column + 15, volts_24bit_text(now.ad_latches[n]));
        }
    }
    auto analog_12bit = [&](uint16_t value, uint16_t& shown, int row, int column) {
        if (!take_change(value, shown))
            return;
        add_text(cells, row, column, decimal_text(value));
        add_text(cells, row, column + 1, volts_12bit_text(value));
    };
    for (int n = 0; n < 4; ++n) {
        analog_12bit(now.comparator_inputs[n], shown_.comparator_inputs[n], n, 11);
        analog_12bit(now.analog_outputs[n], shown_.analog_outputs[n], 4 + n, 11);
        analog_12bit(now.comparator_latches[n], shown_.comparator_latches[n], n, 14);
    }
    for (int n = 0; n < 2; ++n) {
        if (take_change(now.comparator_states[n], shown_.comparator_states[n]))
            add_text(cells, 4 + n, 14, decimal_text(now.comparator_states[n]));
        analog_12bit(now.comparator_thresholds[n], shown_.comparator_thresholds[n], 6 + n, 14);
    }
    if (take_change(now.encoder, shown_.encoder))
        add_text(cells, 0, 17, decimal_text(now.encoder));
    return cells;
}

} // namespace page_logic
