// The status lists of the three IO pages: layout, start-up contents and what a refresh
// rewrites.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "card/polled_values.h"
#include "pages/logic/io16_list.h"
#include "pages/logic/io_list.h"
#include "pages/logic/ioh_list.h"

namespace {

using namespace page_logic;

// The list as a widget would show it after applying the updates.
struct shown_list {
    std::map<std::pair<int, int>, cell_update> cells;

    void apply(const cell_updates& updates)
    {
        for (const cell_update& c : updates)
            cells[{c.row, c.column}] = c;
    }
    bool has(int row, int column) const { return cells.count({row, column}) != 0; }
    std::string text(int row, int column) const { return has(row, column) ? cells.at({row, column}).text : "<none>"; }
    int image(int row, int column) const { return has(row, column) ? cells.at({row, column}).image : -2; }
};

std::set<std::pair<int, int>> positions(const cell_updates& updates)
{
    std::set<std::pair<int, int>> set;
    for (const cell_update& c : updates)
        set.insert({c.row, c.column});
    return set;
}

template <typename List> void expect_labels_and_values_apart(const cell_updates& first_refresh)
{
    int widths = 0;
    for (const list_column& c : List::columns())
        widths += c.width > 0;
    EXPECT_EQ(widths, static_cast<int>(List::columns().size()));
    std::set<std::pair<int, int>> labels;
    for (const list_label& l : List::labels()) {
        EXPECT_LT(l.row, List::rows);
        EXPECT_LT(l.column, static_cast<int>(List::columns().size()));
        EXPECT_EQ(List::columns()[l.column].align, alignment::right) << l.text;
        EXPECT_TRUE(labels.insert({l.row, l.column}).second) << "two labels in one cell: " << l.text;
    }
    for (const cell_update& c : first_refresh) {
        EXPECT_EQ(labels.count({c.row, c.column}), 0u) << "value over a label at " << c.row << "," << c.column;
        EXPECT_EQ(List::columns()[c.column].align, alignment::left);
    }
}

TEST(io_list, starts_with_zero_values_and_empty_comparator_input_rows)
{
    io_list list;
    EXPECT_EQ(io_list::columns().size(), 24u);
    EXPECT_STREQ(io_list::columns()[13].header, "模拟量");
    EXPECT_EQ(io_list::columns()[13].width, 100);
    cell_updates first = list.refresh(io_values{});
    expect_labels_and_values_apart<io_list>(first);
    shown_list shown;
    shown.apply(first);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(shown.image(row, 1), 0);
        EXPECT_EQ(shown.image(row, 3), 0);
        for (int column : {5, 8, 19, 22}) {
            EXPECT_EQ(shown.text(row, column), "0");
            EXPECT_EQ(shown.text(row, column + 1), "-25.00000000");
        }
    }
    for (int row = 0; row < 4; ++row) {
        EXPECT_FALSE(shown.has(row, 11));
        EXPECT_FALSE(shown.has(row, 12));
        EXPECT_EQ(shown.text(row, 14), "0");
        EXPECT_EQ(shown.text(row, 15), "0.000");
        EXPECT_EQ(shown.text(4 + row, 11), "0");
        EXPECT_EQ(shown.text(4 + row, 12), "0.000");
    }
    EXPECT_EQ(shown.text(4, 14), "0");
    EXPECT_FALSE(shown.has(4, 15));
    EXPECT_EQ(shown.text(6, 15), "0.000");
    EXPECT_EQ(shown.text(0, 17), "0");
    EXPECT_FALSE(shown.has(1, 17));
    EXPECT_TRUE(list.refresh(io_values{}).empty());
}

TEST(io_list, rewrites_only_the_cells_of_changed_values)
{
    io_list list;
    list.refresh(io_values{});
    io_values v;
    v.inputs = 0x0008;
    v.ad[9] = 1u << 23;
    v.ad_latches[2] = (1u << 24) - 1;
    v.comparator_inputs[1] = 2048;
    v.comparator_states[1] = 0xFFFF;
    v.comparator_thresholds[0] = 1228;
    v.analog_outputs[3] = 4095;
    v.encoder = -3;
    v.crc_errors = 7; // shown outside the list
    cell_updates cells = list.refresh(v);
    std::set<std::pair<int, int>> expected = {{1, 8},  {1, 9},  {2, 19}, {2, 20}, {1, 11}, {1, 12},
                                              {5, 14}, {6, 14}, {6, 15}, {7, 11}, {7, 12}, {0, 17}};
    for (int row = 0; row < 8; ++row)
        expected.insert({row, 1});
    EXPECT_EQ(positions(cells), expected);
    shown_list shown;
    shown.apply(cells);
    EXPECT_EQ(shown.image(3, 1), 1);
    EXPECT_EQ(shown.image(2, 1), 0);
    EXPECT_EQ(shown.text(1, 8), "800000");
    EXPECT_EQ(shown.text(1, 9), "0.00000000");
    EXPECT_EQ(shown.text(2, 19), "FFFFFF");
    EXPECT_EQ(shown.text(2, 20), "24.99999702");
    EXPECT_EQ(shown.text(1, 12), "5.000");
    EXPECT_EQ(shown.text(5, 14), "65535");
    EXPECT_EQ(shown.text(6, 15), "2.998");
    EXPECT_EQ(shown.text(7, 11), "4095");
    EXPECT_EQ(shown.text(0, 17), "-3");
    EXPECT_TRUE(list.refresh(v).empty());
}

TEST(io_list, copies_its_values_from_the_io_poll_entries)
{
    static polled_values polled;
    polled.inputs = 0x12;
    polled.comparator_inputs[2] = 111;
    polled.analog_inputs[2] = 999; // another card's poll
    polled.encoder = 0xFFFFFFFEu;
    polled.ain24_latches[15] = 0xABCDEF;
    polled.comparator_thresholds[1] = 77;
    io_values v = io_values_from(polled);
    EXPECT_EQ(v.inputs, 0x12);
    EXPECT_EQ(v.comparator_inputs[2], 111);
    EXPECT_EQ(v.encoder, -2);
    EXPECT_EQ(v.ad_latches[15], 0xABCDEFu);
    EXPECT_EQ(v.comparator_thresholds[1], 77);
    EXPECT_EQ(comparator_single_ended_bit(0), 0x04);
    EXPECT_EQ(comparator_single_ended_bit(1), 0x10);
}

TEST(io16_list, shows_sixteen_bits_in_two_column_pairs)
{
    io16_list list;
    shown_list shown;
    cell_updates first = list.refresh(io16_values{});
    expect_labels_and_values_apart<io16_list>(first);
    shown.apply(first);
    for (int row = 0; row < 3; ++row) {
        EXPECT_EQ(shown.text(row, 9), "0");
        EXPECT_EQ(shown.text(row, 10), "0.000");
    }
    EXPECT_FALSE(shown.has(3, 9));

    io16_values v;
    v.inputs = 0x0101;
    v.outputs = 0x8000;
    v.analog_output = 2048;
    shown.apply(list.refresh(v));
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(shown.image(row, 1), row == 0 ? 1 : 0) << row;
        EXPECT_EQ(shown.image(row, 3), row == 0 ? 1 : 0) << row;
        EXPECT_EQ(shown.image(row, 5), 0) << row;
        EXPECT_EQ(shown.image(row, 7), row == 7 ? 1 : 0) << row;
    }
    EXPECT_EQ(shown.text(2, 10), "5.000");
    EXPECT_EQ(list.labels().back().text, "DA1:");
}

TEST(io16_list, reads_the_analog_entries_of_its_own_poll)
{
    static polled_values polled;
    polled.analog_inputs[0] = 10;
    polled.analog_inputs[1] = 20;
    polled.comparator_inputs[0] = 99;
    polled.analog_outputs[0] = 30;
    io16_values v = io16_values_from(polled);
    EXPECT_EQ(v.analog_inputs[0], 10);
    EXPECT_EQ(v.analog_inputs[1], 20);
    EXPECT_EQ(v.analog_output, 30);
}

TEST(ioh_list, shows_nine_bits_pwm_counter_and_encoder)
{
    ioh_list list;
    shown_list shown;
    cell_updates first = list.refresh(ioh_values{});
    expect_labels_and_values_apart<ioh_list>(first);
    shown.apply(first);
    EXPECT_EQ(shown.image(8, 1), 0);
    EXPECT_FALSE(shown.has(9, 1));
    EXPECT_EQ(shown.text(9, 6), "0.000%");
    EXPECT_EQ(shown.text(7, 6), "0.000");

    static polled_values polled;
    polled.outputs = 0x1100; // bit 12 has no row
    polled.pwm_frequencies[0] = 1000u * 65536;
    polled.pwm_duties[1] = 32768;
    polled.counter = 0xFFFFFFFFu;
    polled.encoder = 5;
    polled.analog_inputs[3] = 4095;
    cell_updates cells = list.refresh(ioh_values_from(polled));
    shown.apply(cells);
    for (int row = 0; row < 9; ++row)
        EXPECT_EQ(shown.image(row, 3), row == 8 ? 1 : 0) << row;
    EXPECT_FALSE(shown.has(9, 3));
    EXPECT_EQ(shown.text(6, 5), "65536000");
    EXPECT_EQ(shown.text(6, 6), "1000.000");
    EXPECT_EQ(shown.text(9, 5), "32768");
    EXPECT_EQ(shown.text(9, 6), "50.000%");
    EXPECT_EQ(shown.text(0, 8), "-1");
    EXPECT_EQ(shown.text(1, 8), "5");
    EXPECT_EQ(shown.text(3, 6), "9.998");

    polled.outputs = 0x0100; // only the unlisted bit 12 changes: the word is rewritten
    EXPECT_EQ(positions(list.refresh(ioh_values_from(polled))).size(), 9u);
}

} // namespace
