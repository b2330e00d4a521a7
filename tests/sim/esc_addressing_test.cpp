// Addressing and working-counter rules of the ESC model, driven with hand-built frames.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "sim/bus/bus.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/slave_builder.h"

using namespace simtest;

namespace {

struct three_slaves : ::testing::Test {
    void SetUp() override
    {
        for (uint32_t serial = 1; serial <= 3; ++serial)
            segment.add_slave(sim::generic_coe_slave(serial));
        driver.assign_addresses(3);
    }
    sim::bus segment;
    bus_driver driver{segment};
};

} // namespace

TEST_F(three_slaves, broadcast_read_of_al_status_counts_every_slave_and_ors_their_states)
{
    datagram all_init = driver.brd(0x0130, 2);
    EXPECT_EQ(all_init.working_counter, 3);
    EXPECT_EQ(all_init.data[0], 0x01);

    ASSERT_TRUE(driver.bring_to_preop(0x1002));
    datagram mixed = driver.brd(0x0130, 2);
    EXPECT_EQ(mixed.working_counter, 3);
    EXPECT_EQ(mixed.data[0], 0x03);
    // the broadcast address comes back incremented once per slave
    EXPECT_EQ(mixed.position, 3);
}

TEST_F(three_slaves, auto_increment_write_reaches_exactly_the_slave_at_that_position)
{
    for (uint16_t k = 0; k < 3; ++k) {
        datagram written = driver.apwr(uint16_t(-k), 0x0010, le16(uint16_t(0x0100 + k)));
        EXPECT_EQ(written.working_counter, 1);
        EXPECT_EQ(written.position, uint16_t(-k + 3));
    }
    for (uint16_t k = 0; k < 3; ++k) {
        datagram station = driver.aprd(uint16_t(-k), 0x0010, 2);
        EXPECT_EQ(station.working_counter, 1);
        EXPECT_EQ(u16(station.data), 0x0100 + k);
    }
    // a position behind the last slave addresses nobody
    EXPECT_EQ(driver.aprd(uint16_t(-3), 0x0010, 2).working_counter, 0);
}

TEST_F(three_slaves, configured_address_read_of_an_unknown_station_is_not_counted)
{
    datagram unknown = driver.fprd(0x2222, 0x0000, 4);
    EXPECT_EQ(unknown.working_counter, 0);
    EXPECT_EQ(unknown.data, std::vector<uint8_t>(4, 0));
    EXPECT_EQ(driver.fprd(0x1003, 0x0000, 1).working_counter, 1);
}

TEST_F(three_slaves, reads_writes_and_read_writes_count_one_one_and_three)
{
    // 0x0920 (system time offset) is plain writable memory in every slave
    std::vector<uint8_t> old_value = le32(0x11111111);
    EXPECT_EQ(driver.fpwr(0x1001, 0x0920, old_value).working_counter, 1);
    EXPECT_EQ(driver.fprd(0x1001, 0x0920, 4).working_counter, 1);

    datagram swapped = driver.exchange(physical(FPRW, 0x1001, 0x0920, le32(0x22222222)));
    EXPECT_EQ(swapped.working_counter, 3);
    EXPECT_EQ(swapped.data, old_value);
    EXPECT_EQ(u32(driver.fprd(0x1001, 0x0920, 4).data), 0x22222222u);

    datagram position_swap = driver.exchange(physical(APRW, uint16_t(-1), 0x0920, le32(0x33333333)));
    EXPECT_EQ(position_swap.working_counter, 3);
    EXPECT_EQ(u32(driver.fprd(0x1002, 0x0920, 4).data), 0x33333333u);

    EXPECT_EQ(driver.bwr(0x0920, le32(0x44444444)).working_counter, 3);
    datagram broadcast_swap = driver.exchange(physical(BRW, 0, 0x0920, le32(0x00000001)));
    EXPECT_EQ(broadcast_swap.working_counter, 9);
    EXPECT_EQ(u32(broadcast_swap.data), 0x44444445u);
    // each slave stores the datagram's data as it reaches that slave
    EXPECT_EQ(u32(driver.fprd(0x1001, 0x0920, 4).data), 1u);
    EXPECT_EQ(u32(driver.fprd(0x1003, 0x0920, 4).data), 0x44444445u);
}

TEST_F(three_slaves, read_multiple_write_lets_the_addressed_slave_read_and_all_others_write)
{
    for (uint16_t k = 0; k < 3; ++k)
        driver.fpwr(uint16_t(0x1001 + k), 0x0920, le32(0xA0 + k));

    datagram armw = driver.exchange(physical(ARMW, uint16_t(-1), 0x0920, le32(0x55)));
    EXPECT_EQ(armw.working_counter, 3);
    EXPECT_EQ(u32(armw.data), 0xA1u);
    EXPECT_EQ(u32(driver.fprd(0x1001, 0x0920, 4).data), 0x55u); // before the reader: the master's data
    EXPECT_EQ(u32(driver.fprd(0x1003, 0x0920, 4).data), 0xA1u); // behind it: the value read

    datagram frmw = driver.exchange(physical(FRMW, 0x1003, 0x0920, le32(0x77)));
    EXPECT_EQ(frmw.working_counter, 3);
    EXPECT_EQ(u32(frmw.data), 0xA1u);
    EXPECT_EQ(u32(driver.fprd(0x1002, 0x0920, 4).data), 0x77u);
}

TEST_F(three_slaves, writes_to_read_only_registers_are_counted_but_change_nothing)
{
    EXPECT_EQ(driver.fpwr(0x1001, 0x0000, {0xEE, 0xEE}).working_counter, 1);
    EXPECT_EQ(driver.fprd(0x1001, 0x0000, 1).data[0], 0x11);
    EXPECT_EQ(driver.fpwr(0x1001, 0x0130, {0x08, 0x00}).working_counter, 1);
    EXPECT_EQ(driver.al_status(0x1001), 0x01);
}

TEST_F(three_slaves, several_datagrams_in_one_frame_are_each_answered)
{
    auto replies = driver.exchange(
        {physical(BRD, 0, 0x0130, {0, 0}), physical(FPRD, 0x1002, 0x0010, {0, 0}), physical(NOP, 0, 0, {1, 2, 3})});
    ASSERT_TRUE(replies);
    ASSERT_EQ(replies->size(), 3u);
    EXPECT_EQ((*replies)[0].working_counter, 3);
    EXPECT_EQ(u16((*replies)[1].data), 0x1002);
    EXPECT_EQ((*replies)[2].working_counter, 0);
    EXPECT_EQ((*replies)[2].data, (std::vector<uint8_t>{1, 2, 3}));
}

TEST(station_alias, answers_configured_addressing_only_once_dl_control_enables_the_alias)
{
    sim::bus segment;
    sim::slave_builder builder("aliased");
    builder.identity(1, 2, 3, 4).alias(0x0A0A);
    segment.add_slave(builder.build());
    bus_driver driver(segment);
    driver.assign_addresses(1);

    EXPECT_EQ(u16(driver.fprd(0x1001, 0x0012, 2).data), 0x0A0A);
    EXPECT_EQ(driver.fprd(0x0A0A, 0x0010, 2).working_counter, 0);
    driver.fpwr(0x1001, 0x0100, {0, 0, 0, 0x01});
    datagram by_alias = driver.fprd(0x0A0A, 0x0010, 2);
    EXPECT_EQ(by_alias.working_counter, 1);
    EXPECT_EQ(u16(by_alias.data), 0x1001);
}

TEST_F(three_slaves, logical_commands_count_through_the_fmmus_that_map_them)
{
    EXPECT_EQ(driver.exchange(logical(LRD, 0x00010000, {0, 0})).working_counter, 0);

    auto fmmu = [](uint32_t logical_start, uint16_t length, uint8_t start_bit, uint8_t stop_bit, uint16_t physical,
                   uint8_t type) {
        std::vector<uint8_t> entry = le32(logical_start);
        entry.insert(entry.end(),
                     {uint8_t(length), uint8_t(length >> 8), start_bit, stop_bit, uint8_t(physical),
                      uint8_t(physical >> 8), 0, type, 1, 0, 0, 0});
        return entry;
    };
    // slave 1 takes outputs at logical 0x10000, slave 2 gives inputs at 0x10002
    driver.fpwr(0x1001, 0x0600, fmmu(0x00010000, 2, 0, 7, 0x1100, 0x02));
    driver.fpwr(0x1002, 0x0600, fmmu(0x00010002, 2, 0, 7, 0x1180, 0x01));
    driver.fpwr(0x1002, 0x1180, {0x5A, 0xA5});

    datagram lrw = driver.exchange(logical(LRW, 0x00010000, {0xAA, 0xBB, 0x00, 0x00}));
    EXPECT_EQ(lrw.working_counter, 3);
    EXPECT_EQ(lrw.data, (std::vector<uint8_t>{0xAA, 0xBB, 0x5A, 0xA5}));
    EXPECT_EQ(driver.fprd(0x1001, 0x1100, 2).data, (std::vector<uint8_t>{0xAA, 0xBB}));
    EXPECT_EQ(driver.exchange(logical(LRD, 0x00010000, {0, 0, 0, 0})).working_counter, 1);
    EXPECT_EQ(driver.exchange(logical(LWR, 0x00010000, {1, 2, 3, 4})).working_counter, 1);

    // bit mapping: logical bits 4..7 of 0x20000 land in bits 2..5 of physical 0x1110
    driver.fpwr(0x1003, 0x0600, fmmu(0x00020000, 1, 4, 7, 0x1110, 0x02));
    driver.exchange(physical(FPWR, 0x1003, 0x060A, {2}));
    driver.fpwr(0x1003, 0x1110, {0xFF});
    EXPECT_EQ(driver.exchange(logical(LWR, 0x00020000, {0x5F})).working_counter, 1);
    EXPECT_EQ(driver.fprd(0x1003, 0x1110, 1).data[0], 0xD7); // 0b11_0101_11
}
