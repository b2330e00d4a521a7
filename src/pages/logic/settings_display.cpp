#include "pages/logic/settings_display.h"

#include <cstdio>
#include <iterator>

namespace page_logic {

namespace {

constexpr auto L = alignment::left;
constexpr auto R = alignment::right;

struct rate_entry {
    double rate;
    double time; // in us below 1000, else in ms
    double bits;
};

// codes 0 … 22
const rate_entry rate_table[] = {
    {125000, 40.25, 17.10}, {125000, 40.25, 17.10}, {62500, 48.25, 17.34}, {62500, 48.25, 17.34}, {31250, 64.25, 17.82},
    {25000, 72.25, 17.93},  {15625, 96.25, 18.19},  {10390, 96.25, 18.14}, {4994, 200.25, 18.73}, {2498, 400.25, 19.26},
    {1000, 1000, 19.97},    {500, 2000, 20.44},     {395.5, 2530, 20.64},  {200, 5000, 21.05},    {100, 10000, 21.56},
    {59.87, 16700, 21.97},  {49.92, 20030, 22.00},  {20, 50000, 22.64},    {16.67, 60030, 22.68}, {10, 100000, 22.92},
    {5, 200000, 23.15},     {2.5, 400000, 23.38},   {2.5, 400000, 23.38},
};

std::string formatted(const char* format, double value)
{
    char text[32];
    std::snprintf(text, sizeof text, format, value);
    return text;
}

const char* mode_text(bool single_ended)
{
    return single_ended ? "单端" : "差分";
}

// Column of the first cell of a latch row's group: AD0-7, AD8-15, comparator inputs.
int latch_group_column(int group)
{
    return group * 5;
}

void add_latch_cells(cell_updates& cells, uint16_t word, int row, int group)
{
    int column = latch_group_column(group);
    add_text(cells, row, column + 1, std::to_string(word & 1));
    add_text(cells, row, column + 2, word & 2 ? "下降沿" : "上升沿");
    add_text(cells, row, column + 3, std::to_string((word >> 2) & 1));
    add_text(cells, row, column + 4, latch_source_text((word >> 4) & 7));
}

} // namespace

rate_texts rate_texts_for(uint16_t code)
{
    if (code >= std::size(rate_table))
        return {};
    const rate_entry& e = rate_table[code];
    std::string time = e.time < 1000 ? formatted("%0.02fus", e.time) : formatted("%0.02fms", e.time / 1000);
    return {formatted("%0.02f", e.rate), time, formatted("%0.02fbit", e.bits)};
}

std::string latch_source_text(unsigned source)
{
    if (source < 6)
        return "IN" + std::to_string(source);
    return source == 6 ? "比较器0" : "比较器1";
}

const std::vector<list_column>& settings_display::mode_columns()
{
    static const std::vector<list_column> table = {
        {"配置项", 60, R}, {"配置值", 80, L},  {"配置项", 60, R},
        {"配置值", 80, L}, {"配置项", 100, R}, {"配置值", 80, L},
    };
    return table;
}

std::vector<list_label> settings_display::mode_labels()
{
    std::vector<list_label> labels;
    add_numbered_labels(labels, 0, "AD", 0, rows);
    add_numbered_labels(labels, 2, "AD", 8, rows);
    labels.push_back({0, 4, "输出速率:"});
    labels.push_back({1, 4, "转换时间:"});
    labels.push_back({2, 4, "有效分辨率:"});
    return labels;
}

const std::vector<list_column>& settings_display::latch_columns()
{
    static const std::vector<list_column> table = {
        {"锁存项", 55, R}, {"使能", 55, L}, {"触发沿", 55, L}, {"锁存一次", 65, L}, {"信号源", 55, L},
        {"锁存项", 55, R}, {"使能", 55, L}, {"触发沿", 55, L}, {"锁存一次", 65, L}, {"信号源", 55, L},
        {"锁存项", 75, R}, {"使能", 55, L}, {"触发沿", 55, L}, {"锁存一次", 65, L}, {"信号源", 55, L},
    };
    return table;
}

std::vector<list_label> settings_display::latch_labels()
{
    std::vector<list_label> labels;
    add_numbered_labels(labels, latch_group_column(0), "AD", 0, rows);
    add_numbered_labels(labels, latch_group_column(1), "AD", 8, rows);
    const char* comparator_inputs[4] = {"CMP0N_AD:", "CMP0P_AD:", "CMP1N_AD:", "CMP1P_AD:"};
    for (int row = 0; row < 4; ++row)
        labels.push_back({row, latch_group_column(2), comparator_inputs[row]});
    return labels;
}

settings_updates settings_display::refresh(const settings_config& now)
{
    settings_updates updates;
    if (take_change(now.ad_mode, shown_.ad_mode))
        for (int row = 0; row < rows; ++row) {
            // a pair of channels shares the even bit of its first channel
            add_text(updates.modes, row, 1, mode_text((now.ad_mode >> (row & ~1)) & 1));
            add_text(updates.modes, row, 3, mode_text((now.ad_mode >> ((row & ~1) + 8)) & 1));
        }
    if (take_change(now.rate_code, shown_.rate_code)) {
        rate_texts rate = rate_texts_for(now.rate_code);
        add_text(updates.modes, 0, 5, rate.rate);
        add_text(updates.modes, 1, 5, rate.conversion_time);
        add_text(updates.modes, 2, 5, rate.resolution);
    }
    if (take_change(now.comparator_flags, shown_.comparator_flags)) {
        uint16_t f = now.comparator_flags;
        updates.comparators = comparator_view{bool(f & 0x01), bool(f & 0x08),      bool(f & 0x02),
                                              bool(f & 0x20), mode_text(f & 0x04), mode_text(f & 0x10)};
    }
    if (take_change(now.encoder_flag, shown_.encoder_flag))
        updates.encoder = bool(now.encoder_flag & 1);
    for (int n = 0; n < 16; ++n)
        if (take_change(now.ad_latch[size_t(n)], shown_.ad_latch[size_t(n)]))
            add_latch_cells(updates.latches, now.ad_latch[size_t(n)], n % rows, n / rows);
    for (int n = 0; n < 4; ++n)
        if (take_change(now.comparator_latch[size_t(n)], shown_.comparator_latch[size_t(n)]))
            add_latch_cells(updates.latches, now.comparator_latch[size_t(n)], n, 2);
    return updates;
}

} // namespace page_logic
