// The SII image a description turns into, and reading it through the ESC's SII interface.
#include <gtest/gtest.h>

#include <map>

#include "bus_driver.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/sii_image.h"

using namespace simtest;

namespace {

struct category {
    uint16_t type;
    std::vector<uint16_t> words;
};

// walks the categories from word 0x40 the way a master does
std::vector<category> categories_of(const std::vector<uint16_t>& image)
{
    std::vector<category> found;
    size_t at = 0x40;
    while (at + 1 < image.size() && image[at] != 0xFFFF) {
        size_t size = image[at + 1];
        found.push_back(
            {image[at], std::vector<uint16_t>(image.begin() + long(at + 2), image.begin() + long(at + 2 + size))});
        at += 2 + size;
    }
    EXPECT_LT(at, image.size()) << "no end marker";
    return found;
}

std::vector<uint8_t> bytes_of(const std::vector<uint16_t>& words)
{
    std::vector<uint8_t> bytes;
    for (uint16_t w : words) {
        bytes.push_back(uint8_t(w));
        bytes.push_back(uint8_t(w >> 8));
    }
    return bytes;
}

} // namespace

TEST(sii_image, header_holds_identity_mailboxes_protocols_and_size)
{
    std::vector<uint16_t> image = sim::build_sii_image(sim::generic_coe_slave(77));
    EXPECT_EQ(image[0x08] | image[0x09] << 16, sim::generic_identity::vendor_id);
    EXPECT_EQ(uint32_t(image[0x0A] | image[0x0B] << 16), sim::generic_identity::coe_product);
    EXPECT_EQ(image[0x0E], 77);
    const uint16_t mailboxes[] = {0x1000, 128, 0x1080, 128, 0x1000, 128, 0x1080, 128};
    for (size_t i = 0; i < 8; ++i)
        EXPECT_EQ(image[0x14 + i], mailboxes[i]) << "word " << 0x14 + i;
    EXPECT_EQ(image[0x1C], 0x0004); // CoE
    EXPECT_EQ(image[0x3F], 1);
    EXPECT_EQ(image.size(), size_t(image[0x3E] + 1) * 64);
}

TEST(sii_image, categories_describe_strings_general_sync_managers_and_pdos)
{
    std::vector<uint16_t> image = sim::build_sii_image(sim::generic_coe_slave());
    std::map<uint16_t, std::vector<uint8_t>> by_type;
    for (const category& c : categories_of(image))
        by_type[c.type] = bytes_of(c.words);
    ASSERT_EQ(by_type.size(), 5u);

    const std::vector<uint8_t>& strings = by_type[10];
    std::vector<std::string> texts;
    for (size_t at = 1, n = 0; n < strings[0]; ++n) {
        texts.emplace_back(strings.begin() + long(at + 1), strings.begin() + long(at + 1 + strings[at]));
        at += 1 + strings[at];
    }
    const std::vector<uint8_t>& general = by_type[30];
    ASSERT_EQ(general.size(), 32u);
    ASSERT_GE(general[3], 1);
    EXPECT_EQ(texts[general[3] - 1], "Generic CoE slave");
    EXPECT_EQ(general[5] & 0x01, 0x01); // SDO supported

    const std::vector<uint8_t>& sms = by_type[41];
    ASSERT_EQ(sms.size(), 4u * 8);
    const uint8_t expected_sm2[] = {0x00, 0x11, 0x02, 0x00, 0x64, 0x00, 0x01, 0x03};
    EXPECT_TRUE(std::equal(std::begin(expected_sm2), std::end(expected_sm2), sms.begin() + 16));
    EXPECT_EQ(sms[4], 0x26);
    EXPECT_EQ(sms[12], 0x22);

    // RxPDO 0x1600 on SM2 with one entry 0x7000:01, 16 bit
    const std::vector<uint8_t>& rx = by_type[51];
    ASSERT_EQ(rx.size(), 16u);
    EXPECT_EQ(u16(rx, 0), 0x1600);
    EXPECT_EQ(rx[2], 1);
    EXPECT_EQ(rx[3], 2);
    EXPECT_EQ(u16(rx, 8), 0x7000);
    EXPECT_EQ(rx[10], 1);
    EXPECT_EQ(rx[13], 16);
    EXPECT_EQ(u16(by_type[50], 0), 0x1A00);
}

TEST(sii_image, slave_without_mailbox_declares_no_mailbox)
{
    std::vector<uint16_t> image = sim::build_sii_image(sim::slave_without_mailbox());
    for (size_t word = 0x14; word <= 0x1C; ++word)
        EXPECT_EQ(image[word], 0) << "word " << word;
}

struct sii_reading : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(sim::generic_coe_slave(5));
        driver.assign_addresses(1);
    }
    void start_read(uint16_t address)
    {
        driver.fpwr(0x1001, 0x0502, {0x80, 0x01, uint8_t(address), uint8_t(address >> 8)});
    }
    uint8_t status_high() { return driver.fprd(0x1001, 0x0502, 10).data[1]; }

    sim::bus segment;
    bus_driver driver{segment};
};

TEST_F(sii_reading, stays_busy_for_the_configured_polls_then_delivers_two_words)
{
    segment.set_sii_busy_polls(0, 3);
    start_read(0x000E);
    for (int poll = 0; poll < 3; ++poll)
        EXPECT_EQ(status_high() & 0x81, 0x81) << "poll " << poll;
    datagram done = driver.fprd(0x1001, 0x0502, 10);
    EXPECT_EQ(done.data[1] & 0xA1, 0);
    EXPECT_EQ(u32(done.data, 6), 5u); // serial number, words 0x0E and 0x0F
}

TEST_F(sii_reading, a_command_written_while_busy_is_ignored)
{
    segment.set_sii_busy_polls(0, 1);
    start_read(0x0008);
    start_read(0x000E);
    EXPECT_EQ(status_high() & 0x80, 0x80);
    EXPECT_EQ(u32(driver.fprd(0x1001, 0x0502, 10).data, 6), sim::generic_identity::vendor_id);
}

TEST_F(sii_reading, an_injected_failure_ends_with_the_command_error_bit_and_the_next_read_works)
{
    segment.inject_sii_command_errors(0, 1);
    start_read(0x0008);
    EXPECT_EQ(status_high() & 0xA1, 0x20);
    EXPECT_EQ(driver.sii_word(0x1001, 0x0008), uint16_t(sim::generic_identity::vendor_id));
}

TEST_F(sii_reading, invalid_commands_and_writes_without_enable_are_flagged)
{
    driver.fpwr(0x1001, 0x0502, {0x00, 0x03, 0, 0});
    EXPECT_EQ(status_high() & 0x20, 0x20);
    driver.fpwr(0x1001, 0x0508, {0x34, 0x12});
    driver.fpwr(0x1001, 0x0502, {0x00, 0x02, 0x04, 0x00});
    EXPECT_EQ(status_high() & 0x40, 0x40);
    EXPECT_EQ(driver.sii_word(0x1001, 0x0004), 0x0000);
}

TEST_F(sii_reading, the_whole_image_reads_back_as_built)
{
    std::vector<uint16_t> expected = sim::build_sii_image(sim::generic_coe_slave(5));
    for (uint16_t address = 0; address < expected.size(); address += 2) {
        start_read(address);
        std::vector<uint8_t> data = driver.fprd(0x1001, 0x0502, 10).data;
        ASSERT_EQ(u16(data, 6), expected[address]) << "word " << address;
        if (address + 1u < expected.size()) {
            ASSERT_EQ(u16(data, 8), expected[address + 1]) << "word " << address + 1;
        }
    }
    EXPECT_EQ(driver.sii_word(0x1001, uint16_t(expected.size())), 0xFFFF);
}
