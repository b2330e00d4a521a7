// The settings page's lists as data: the start-up drawing, the rate table, the latch
// texts and the comparator controls, and that a refresh redraws only changed words.
#include <map>
#include <set>

#include <gtest/gtest.h>

#include "pages/logic/settings_display.h"

namespace {

using namespace page_logic;

struct shown_cells {
    std::map<std::pair<int, int>, std::string> cells;
    void apply(const cell_updates& updates)
    {
        for (const cell_update& c : updates)
            cells[{c.row, c.column}] = c.text;
    }
    std::string at(int row, int column) const
    {
        auto found = cells.find({row, column});
        return found == cells.end() ? "<none>" : found->second;
    }
};

std::set<std::pair<int, int>> positions(const cell_updates& updates)
{
    std::set<std::pair<int, int>> set;
    for (const cell_update& c : updates)
        set.insert({c.row, c.column});
    return set;
}

TEST(settings_display, the_first_refresh_draws_the_all_zero_configuration)
{
    settings_display display;
    settings_updates first = display.refresh(settings_config{});
    shown_cells modes, latches;
    modes.apply(first.modes);
    latches.apply(first.latches);
    EXPECT_EQ(first.modes.size(), 8u * 2 + 3);
    EXPECT_EQ(first.latches.size(), 20u * 4);
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(modes.at(row, 1), "差分");
        EXPECT_EQ(modes.at(row, 3), "差分");
    }
    EXPECT_EQ(modes.at(0, 5), "125000.00");
    EXPECT_EQ(modes.at(1, 5), "40.25us");
    EXPECT_EQ(modes.at(2, 5), "17.10bit");
    EXPECT_EQ(latches.at(3, 11), "0");
    EXPECT_EQ(latches.at(3, 12), "上升沿");
    EXPECT_EQ(latches.at(3, 13), "0");
    EXPECT_EQ(latches.at(3, 14), "IN0");
    EXPECT_EQ(latches.at(4, 11), "<none>"); // the comparator group has four rows
    ASSERT_TRUE(first.comparators);
    EXPECT_EQ(*first.comparators, (comparator_view{false, false, false, false, "差分", "差分"}));
    EXPECT_EQ(first.encoder, false);
    EXPECT_EQ(display.shown(), settings_config{});

    settings_updates again = display.refresh(settings_config{});
    EXPECT_TRUE(again.modes.empty() && again.latches.empty() && !again.comparators && !again.encoder);
}

TEST(settings_display, the_rate_table_and_its_formats)
{
    struct row {
        uint16_t code;
        const char *rate, *time, *bits;
    };
    // both sides of the change from us to ms, two-decimal rates, and both ends of the table
    for (const row& r : {row{0, "125000.00", "40.25us", "17.10bit"}, row{9, "2498.00", "400.25us", "19.26bit"},
                         row{10, "1000.00", "1.00ms", "19.97bit"}, row{12, "395.50", "2.53ms", "20.64bit"},
                         row{15, "59.87", "16.70ms", "21.97bit"}, row{22, "2.50", "400.00ms", "23.38bit"}}) {
        rate_texts texts = rate_texts_for(r.code);
        EXPECT_EQ(texts.rate, r.rate) << r.code;
        EXPECT_EQ(texts.conversion_time, r.time) << r.code;
        EXPECT_EQ(texts.resolution, r.bits) << r.code;
    }
    for (uint16_t code : {23, 24, 0xFFFF}) {
        rate_texts texts = rate_texts_for(code);
        EXPECT_EQ(texts.rate + texts.conversion_time + texts.resolution, "") << code;
    }
}

TEST(settings_display, a_rate_code_above_22_empties_the_rate_cells)
{
    settings_display display;
    display.refresh(settings_config{});
    settings_config config;
    config.rate_code = 23;
    shown_cells modes;
    modes.apply(display.refresh(config).modes);
    EXPECT_EQ(modes.at(0, 5), "");
    EXPECT_EQ(modes.at(1, 5), "");
    EXPECT_EQ(modes.at(2, 5), "");
}

TEST(settings_display, modes_follow_the_even_bit_of_each_channel_pair)
{
    settings_display display;
    display.refresh(settings_config{});
    settings_config config;
    config.ad_mode = 0x0004 | 0x0100 | 0x2000 | 0x0002; // pairs 2/3 and 8/9; odd bits mean nothing
    shown_cells modes;
    modes.apply(display.refresh(config).modes);
    const char* expected_low[8] = {"差分", "差分", "单端", "单端", "差分", "差分", "差分", "差分"};
    const char* expected_high[8] = {"单端", "单端", "差分", "差分", "差分", "差分", "差分", "差分"};
    for (int row = 0; row < 8; ++row) {
        EXPECT_EQ(modes.at(row, 1), expected_low[row]) << row;
        EXPECT_EQ(modes.at(row, 3), expected_high[row]) << row;
    }
}

TEST(settings_display, latch_words_show_enable_edge_once_and_source)
{
    settings_display display;
    display.refresh(settings_config{});
    settings_config config;
    config.ad_latch[9] = 0x0001 | 0x0002 | 0x0004 | 0x0050;
    config.comparator_latch[1] = 0x0060 | 0x0001;
    config.comparator_latch[2] = 0x0070 | 0x0002;
    settings_updates updates = display.refresh(config);
    shown_cells latches;
    latches.apply(updates.latches);
    EXPECT_EQ(positions(updates.latches).size(), 12u); // three words changed
    EXPECT_EQ(latches.at(1, 6), "1");
    EXPECT_EQ(latches.at(1, 7), "下降沿");
    EXPECT_EQ(latches.at(1, 8), "1");
    EXPECT_EQ(latches.at(1, 9), "IN5");
    EXPECT_EQ(latches.at(1, 14), "比较器0");
    EXPECT_EQ(latches.at(2, 11), "0");
    EXPECT_EQ(latches.at(2, 12), "下降沿");
    EXPECT_EQ(latches.at(2, 14), "比较器1");
    EXPECT_TRUE(updates.modes.empty());
}

TEST(settings_display, only_changed_words_are_redrawn)
{
    settings_display display;
    settings_config config;
    display.refresh(config);
    config.comparator_flags = 0x01 | 0x04 | 0x20;
    settings_updates updates = display.refresh(config);
    EXPECT_TRUE(updates.modes.empty() && updates.latches.empty() && !updates.encoder);
    ASSERT_TRUE(updates.comparators);
    EXPECT_EQ(*updates.comparators, (comparator_view{true, false, false, true, "单端", "差分"}));
    config.encoder_flag = 1;
    config.ad_latch[0] = 1;
    updates = display.refresh(config);
    EXPECT_FALSE(updates.comparators);
    EXPECT_EQ(updates.encoder, true);
    EXPECT_EQ(positions(updates.latches), (std::set<std::pair<int, int>>{{0, 1}, {0, 2}, {0, 3}, {0, 4}}));
    EXPECT_EQ(display.shown(), config);
}

} // namespace
