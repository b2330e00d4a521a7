// The interrupt-driven firmware beside the standard firmware on one bus, driven by hand-built
// frames: both must serve mailbox after mailbox on the ESC's events, and answer a repeat request.
#include <numeric>

#include <gtest/gtest.h>

#include "interrupt_slave.h"
#include "sdo_client.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

constexpr uint16_t standard_station = 0x1001;
constexpr uint16_t interrupt_station = 0x1002;

struct two_firmwares : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(sim::generic_coe_slave());
        segment.add_slave(make_interrupt_slave());
        driver.assign_addresses(2);
        ASSERT_TRUE(driver.bring_to_preop(standard_station));
        ASSERT_TRUE(driver.bring_to_preop(interrupt_station));
    }

    sim::bus segment;
    bus_driver driver{segment};
};

} // namespace

TEST_F(two_firmwares, the_interrupt_driven_firmware_serves_every_mailbox_not_just_the_first)
{
    sdo_client client(driver, interrupt_station);
    for (uint32_t round = 0; round < 20; ++round) {
        ASSERT_TRUE(client.download(interrupt_slave::word_index, 1, le32(0xAB000000 + round)).completed) << round;
        sdo_result word = client.upload(interrupt_slave::word_index, 1);
        ASSERT_TRUE(word.completed) << round;
        EXPECT_EQ(u32(word.data), 0xAB000000 + round);
    }
    std::string name = interrupt_slave::name;
    EXPECT_EQ(client.upload(interrupt_slave::name_index, 0).data, std::vector<uint8_t>(name.begin(), name.end()));

    std::vector<uint8_t> block(300);
    std::iota(block.begin(), block.end(), uint8_t{7});
    ASSERT_TRUE(client.download(interrupt_slave::block_index, 0, block).completed);
    EXPECT_EQ(client.segments(), 2u);
    sdo_result back = client.upload(interrupt_slave::block_index, 0);
    EXPECT_EQ(back.data, block);
    EXPECT_GE(client.segments(), 2u);
}

TEST_F(two_firmwares, each_answers_from_its_own_dictionary)
{
    sdo_client standard(driver, standard_station);
    sdo_client interrupt(driver, interrupt_station);
    EXPECT_EQ(standard.upload(interrupt_slave::word_index, 1).abort_code, 0x06020000u);
    EXPECT_EQ(interrupt.upload(0x5000, 2).abort_code, 0x06020000u);
    EXPECT_EQ(standard.upload(0x5000, 2).data, le16(0x2222));
    EXPECT_EQ(u32(interrupt.upload(interrupt_slave::word_index, 1).data), 0xC0DE0001u);
}

namespace {

struct repeat_case {
    uint16_t station;
    uint16_t index;
};

// The master's side of the repeat handshake: toggle SM1's repeat request, wait for the acknowledge.
bool request_repeat(bus_driver& driver, uint16_t station)
{
    uint8_t activate = driver.fprd(station, 0x080E, 1).data[0];
    uint8_t toggled = activate ^ 0x02;
    if (driver.fpwr(station, 0x080E, {toggled}).working_counter != 1)
        return false;
    for (int poll = 0; poll < 10; ++poll)
        if ((driver.fprd(station, 0x080F, 1).data[0] & 0x02) == (toggled & 0x02))
            return true;
    return false;
}

struct repeat_requests : two_firmwares, ::testing::WithParamInterface<repeat_case> {
    std::vector<uint8_t> ask(uint8_t subindex)
    {
        EXPECT_EQ(
            driver.mailbox_write(GetParam().station, mailbox_message(sdo_request(0x40, GetParam().index, subindex))),
            1);
        return driver.mailbox_read(GetParam().station).value_or(std::vector<uint8_t>{});
    }
};

} // namespace

TEST_P(repeat_requests, a_lost_reply_comes_again_and_again)
{
    uint16_t station = GetParam().station;
    std::vector<uint8_t> lost = ask(2);
    ASSERT_FALSE(lost.empty());
    for (int time = 0; time < 2; ++time) {
        ASSERT_TRUE(request_repeat(driver, station)) << "repeat " << time;
        EXPECT_EQ(driver.mailbox_read(station), lost) << "repeat " << time;
    }
    EXPECT_FALSE(driver.send_mailbox_full(station));
    EXPECT_FALSE(ask(1).empty()) << "the mailbox goes on as before";
}

TEST_P(repeat_requests, a_newer_reply_waits_behind_the_repeated_one)
{
    uint16_t station = GetParam().station;
    std::vector<uint8_t> lost = ask(2);
    ASSERT_FALSE(lost.empty());
    ASSERT_EQ(driver.mailbox_write(station, mailbox_message(sdo_request(0x40, GetParam().index, 1))), 1);
    ASSERT_TRUE(driver.send_mailbox_full(station)) << "the newer reply is in SM1";

    ASSERT_TRUE(request_repeat(driver, station));
    EXPECT_EQ(driver.mailbox_read(station), lost);
    auto newer = driver.mailbox_read(station);
    ASSERT_TRUE(newer);
    EXPECT_EQ((*newer)[6 + 5], 1) << "the reply to the second request follows";
    EXPECT_NE((*newer)[5] >> 4, lost[5] >> 4);
    EXPECT_FALSE(driver.send_mailbox_full(station));
}

INSTANTIATE_TEST_SUITE_P(both_firmwares, repeat_requests,
                         ::testing::Values(repeat_case{standard_station, 0x5000},
                                           repeat_case{interrupt_station, interrupt_slave::word_index}),
                         [](const auto& info) {
                             return info.param.station == standard_station ? "standard" : "interrupt_driven";
                         });
