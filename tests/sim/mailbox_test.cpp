// Mailbox sync managers as both sides see them, and the firmware's mailbox replies.
#include <gtest/gtest.h>

#include "sdo_client.h"
#include "sim/chip/esc.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

// an ESC alone, with SM0 (master writes) at 0x1000 and SM1 (master reads) at 0x1080, 16 bytes each
struct bare_esc : ::testing::Test {
    void SetUp() override
    {
        std::vector<uint8_t> sms = {0x00, 0x10, 16, 0, 0x26, 0, 1, 0, 0x80, 0x10, 16, 0, 0x22, 0, 1, 0};
        ASSERT_TRUE(chip.ecat_write(0x0800, sms.data(), sms.size()));
    }
    bool master_writes(uint16_t address, size_t length)
    {
        std::vector<uint8_t> data(length, 0x5A);
        return chip.ecat_write(address, data.data(), length);
    }
    bool master_reads(uint16_t address, size_t length)
    {
        std::vector<uint8_t> data(length);
        return chip.ecat_read(address, data.data(), length);
    }
    bool full(unsigned sm) const { return chip.peek(uint16_t(0x0805 + 8 * sm)) & 0x08; }

    sim::esc chip{sim::esc_config{}, std::vector<uint16_t>(64, 0)};
};

} // namespace

TEST_F(bare_esc, the_receive_mailbox_takes_one_mailbox_until_the_firmware_has_read_it)
{
    EXPECT_TRUE(master_writes(0x1000, 8));
    EXPECT_FALSE(full(0)); // only the last byte hands the buffer over
    EXPECT_TRUE(master_writes(0x1008, 8));
    EXPECT_TRUE(full(0));
    EXPECT_TRUE(chip.event_request() & 0x100);
    EXPECT_FALSE(master_writes(0x1000, 16));
    EXPECT_FALSE(master_reads(0x1000, 16));

    uint8_t buffer[16];
    EXPECT_FALSE(chip.write(0x1000, buffer, 16));
    EXPECT_TRUE(chip.read(0x1000, buffer, 16));
    EXPECT_EQ(buffer[15], 0x5A);
    EXPECT_FALSE(full(0));
    EXPECT_FALSE(chip.event_request() & 0x100);
    EXPECT_FALSE(chip.read(0x1000, buffer, 16));
    EXPECT_TRUE(master_writes(0x1000, 16));
}

TEST_F(bare_esc, the_send_mailbox_is_readable_once_full_and_empties_with_its_last_byte)
{
    EXPECT_FALSE(master_reads(0x1080, 16));
    uint8_t reply[16] = {1, 2, 3};
    EXPECT_TRUE(chip.write(0x1080, reply, 16));
    EXPECT_TRUE(full(1));
    EXPECT_FALSE(chip.write(0x1080, reply, 16));
    EXPECT_FALSE(master_writes(0x1080, 16));

    EXPECT_TRUE(master_reads(0x1080, 8));
    EXPECT_TRUE(full(1));
    EXPECT_TRUE(master_reads(0x1088, 8));
    EXPECT_FALSE(full(1));
    EXPECT_TRUE(chip.event_request() & 0x200);
    EXPECT_FALSE(master_reads(0x1080, 16));
    chip.read8(0x080D); // looking at the status takes no event
    EXPECT_TRUE(chip.event_request() & 0x200);
    EXPECT_TRUE(chip.write(0x1080, reply, 1)); // writing the first byte again does
    EXPECT_FALSE(chip.event_request() & 0x200);
}

TEST_F(bare_esc, disabling_a_sync_manager_empties_it_and_frees_its_memory)
{
    EXPECT_TRUE(master_writes(0x1000, 16));
    uint8_t off = 0;
    EXPECT_TRUE(chip.ecat_write(0x0806, &off, 1));
    EXPECT_FALSE(full(0));
    EXPECT_TRUE(master_reads(0x1000, 16));
    chip.write8(0x0807, 0x01); // the firmware may hold it back as well
    uint8_t on = 1;
    chip.ecat_write(0x0806, &on, 1);
    EXPECT_TRUE(master_writes(0x1000, 16));
    EXPECT_FALSE(full(0));
}

namespace {

struct mailbox_replies : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(sim::generic_coe_slave());
        driver.assign_addresses(1);
        ASSERT_TRUE(driver.bring_to_preop(station));
    }
    std::vector<uint8_t> reply_to(const std::vector<uint8_t>& mailbox)
    {
        EXPECT_EQ(driver.mailbox_write(station, mailbox), 1);
        return driver.mailbox_read(station).value_or(std::vector<uint8_t>{});
    }
    static uint16_t error_code(const std::vector<uint8_t>& mailbox) { return mailbox[5] & 0x0F ? 0 : u16(mailbox, 8); }

    static constexpr uint16_t station = 0x1001;
    sim::bus segment;
    bus_driver driver{segment};
};

} // namespace

TEST_F(mailbox_replies, a_reply_waits_in_the_send_mailbox_until_read_and_then_the_next_follows)
{
    driver.mailbox_write(station, mailbox_message(sdo_request(0x40, 0x5000, 1)));
    EXPECT_TRUE(driver.send_mailbox_full(station));
    driver.mailbox_write(station, mailbox_message(sdo_request(0x40, 0x5000, 2)));
    auto first = driver.mailbox_read(station);
    ASSERT_TRUE(first);
    EXPECT_EQ((*first)[6 + 5], 1);
    auto second = driver.mailbox_read(station);
    ASSERT_TRUE(second);
    EXPECT_EQ((*second)[6 + 5], 2);
    EXPECT_NE((*first)[5] >> 4, (*second)[5] >> 4); // counters move on
    EXPECT_FALSE(driver.send_mailbox_full(station));
    EXPECT_EQ(driver.fprd(station, 0x1080, 128).working_counter, 0);
}

TEST_F(mailbox_replies, mailboxes_the_slave_cannot_take_get_a_mailbox_error_reply)
{
    std::vector<uint8_t> soe = mailbox_message({1, 2, 3, 4}, 5);
    std::vector<uint8_t> reply = reply_to(soe);
    ASSERT_GE(reply.size(), 10u);
    EXPECT_EQ(reply[5] & 0x0F, 0);
    EXPECT_EQ(u16(reply, 0), 4);
    EXPECT_EQ(u16(reply, 6), 0x0001);
    EXPECT_EQ(error_code(reply), 0x0002);

    std::vector<uint8_t> too_long = mailbox_message(sdo_request(0x40, 0x5000, 1));
    too_long[0] = 200;
    EXPECT_EQ(error_code(reply_to(too_long)), 0x0008);
    EXPECT_EQ(error_code(reply_to(mailbox_message({0x00, 0x80, 0, 0, 0, 0, 0, 0, 0, 0}))), 0x0004); // SDO information
    EXPECT_EQ(error_code(reply_to(mailbox_message({0x00, 0x20, 0x40}))), 0x0006);

    segment.inject_mailbox_errors(0, 1, 0x0007);
    EXPECT_EQ(error_code(reply_to(mailbox_message(sdo_request(0x40, 0x5000, 1)))), 0x0007);
    EXPECT_EQ(reply_to(mailbox_message(sdo_request(0x40, 0x5000, 1)))[5] & 0x0F, 3);
}

TEST_F(mailbox_replies, a_repeated_counter_is_served_once)
{
    std::vector<uint8_t> request = mailbox_message(sdo_request(0x40, 0x5000, 1), 3, 2);
    EXPECT_FALSE(reply_to(request).empty());
    EXPECT_EQ(driver.mailbox_write(station, request), 1);
    EXPECT_FALSE(driver.send_mailbox_full(station));
}

TEST_F(mailbox_replies, emergencies_come_on_demand_and_in_front_of_an_answer)
{
    segment.send_emergency(0, {0x8110, 0x11, {1, 2, 3, 4, 5}});
    auto emergency = driver.mailbox_read(station);
    ASSERT_TRUE(emergency);
    EXPECT_EQ(u16(*emergency), 10);
    EXPECT_EQ(std::vector<uint8_t>(emergency->begin() + 6, emergency->begin() + 16),
              (std::vector<uint8_t>{0x00, 0x10, 0x10, 0x81, 0x11, 1, 2, 3, 4, 5}));

    segment.inject_emergency_during_transfer(0, 1);
    sdo_client client(driver, station);
    EXPECT_EQ(client.upload(0x5000, 2).data, le16(0x2222));
    EXPECT_EQ(client.emergencies(), 1u);
}
