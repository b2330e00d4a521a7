// The settings transfers: the objects and their order, stopping at the first failure, no
// commit to flash after a failed write, and no change from a failed read.
#include <gtest/gtest.h>

#include "pages/logic/settings_transfer.h"

namespace {

using namespace page_logic;

struct fake_card {
    std::vector<std::pair<object_address, uint16_t>> writes;
    std::vector<object_address> reads;
    object_address failing{0xFFFF, 0xFF};

    word_reader reader()
    {
        return [this](object_address object, uint16_t& value) {
            reads.push_back(object);
            if (object == failing)
                return false;
            value = uint16_t(object.index ^ object.subindex);
            return true;
        };
    }
    word_writer writer()
    {
        return [this](object_address object, uint16_t value) {
            writes.push_back({object, value});
            return !(object == failing);
        };
    }
};

settings_config numbered()
{
    settings_config config{0x5554, 21, 0x3F, 1};
    for (size_t n = 0; n < 16; ++n)
        config.ad_latch[n] = uint16_t(0x100 + n);
    for (size_t n = 0; n < 4; ++n)
        config.comparator_latch[n] = uint16_t(0x200 + n);
    return config;
}

TEST(settings_transfer, object_texts)
{
    EXPECT_EQ(object_text({0x3031, 0}), "0x3031:00");
    EXPECT_EQ(object_text({0x3036, 0x10}), "0x3036:10");
    EXPECT_EQ(object_text({0x600A, 0xFF}), "0x600A:FF");
}

TEST(settings_transfer, read_takes_twenty_four_objects_in_order)
{
    fake_card card;
    settings_config config;
    EXPECT_EQ(read_settings(card.reader(), config), std::nullopt);
    ASSERT_EQ(card.reads.size(), 24u);
    EXPECT_EQ(card.reads[0], (object_address{0x3029, 1}));
    EXPECT_EQ(card.reads[1], (object_address{0x3029, 2}));
    EXPECT_EQ(card.reads[2], (object_address{0x3031, 0}));
    EXPECT_EQ(card.reads[3], (object_address{0x3034, 0}));
    EXPECT_EQ(card.reads[4], (object_address{0x3036, 1}));
    EXPECT_EQ(card.reads[19], (object_address{0x3036, 16}));
    EXPECT_EQ(card.reads[20], (object_address{0x3038, 1}));
    EXPECT_EQ(card.reads[23], (object_address{0x3038, 4}));
    EXPECT_EQ(config.ad_mode, 0x3029 ^ 1);
    EXPECT_EQ(config.encoder_flag, 0x3034);
    EXPECT_EQ(config.ad_latch[15], 0x3036 ^ 16);
    EXPECT_EQ(config.comparator_latch[3], 0x3038 ^ 4);
}

TEST(settings_transfer, a_failed_read_stops_and_changes_nothing)
{
    fake_card card;
    card.failing = {0x3036, 7};
    settings_config config = numbered();
    EXPECT_EQ(read_settings(card.reader(), config), (object_address{0x3036, 7}));
    EXPECT_EQ(config, numbered());
    EXPECT_EQ(card.reads.size(), 4u + 7);
}

TEST(settings_transfer, save_writes_the_configuration_then_commits_it)
{
    fake_card card;
    EXPECT_EQ(save_settings(card.writer(), numbered()), std::nullopt);
    ASSERT_EQ(card.writes.size(), 25u);
    using write = std::pair<object_address, uint16_t>;
    EXPECT_EQ(card.writes[0], (write{{0x6001, 1}, 0x5554}));
    EXPECT_EQ(card.writes[1], (write{{0x6001, 2}, 21}));
    EXPECT_EQ(card.writes[2], (write{{0x6005, 0}, 0x3F}));
    EXPECT_EQ(card.writes[3], (write{{0x6003, 0}, 1}));
    for (size_t n = 0; n < 16; ++n)
        EXPECT_EQ(card.writes[4 + n], (write{{0x3036, uint8_t(n + 1)}, uint16_t(0x100 + n)}));
    for (size_t n = 0; n < 4; ++n)
        EXPECT_EQ(card.writes[20 + n], (write{{0x3038, uint8_t(n + 1)}, uint16_t(0x200 + n)}));
    EXPECT_EQ(card.writes[24], (write{{0x6100, 0}, 10}));
}

TEST(settings_transfer, a_failed_write_stops_before_the_commit)
{
    for (object_address failing :
         {object_address{0x6001, 1}, object_address{0x6001, 2}, object_address{0x3036, 9}, object_address{0x3038, 4}}) {
        fake_card card;
        card.failing = failing;
        EXPECT_EQ(save_settings(card.writer(), numbered()), failing);
        EXPECT_EQ(card.writes.back().first, failing);
        for (const auto& [object, value] : card.writes)
            EXPECT_NE(object.index, 0x6100) << object_text(failing);
    }
    fake_card card;
    card.failing = {0x6100, 0};
    EXPECT_EQ(save_settings(card.writer(), numbered()), (object_address{0x6100, 0}));
}

TEST(settings_transfer, restart_writes_255_to_0x6000)
{
    fake_card card;
    EXPECT_EQ(restart_card(card.writer()), std::nullopt);
    ASSERT_EQ(card.writes.size(), 1u);
    EXPECT_EQ(card.writes[0], (std::pair<object_address, uint16_t>{{0x6000, 0}, 255}));
    card.failing = {0x6000, 0};
    EXPECT_EQ(restart_card(card.writer()), (object_address{0x6000, 0}));
}

} // namespace
