// Ring order, DL status and DC receive times for lines and trees, and unplugging slaves.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

constexpr uint32_t processing = 500; // the generic chip's delays
constexpr uint32_t forwarding = 100;
constexpr uint32_t cable = 10;

uint16_t link_bits(unsigned port)
{
    return uint16_t(1u << (4 + port) | 1u << (9 + 2 * port));
}
uint16_t closed_bit(unsigned port)
{
    return uint16_t(1u << (8 + 2 * port));
}

std::vector<uint32_t> receive_times(bus_driver& driver, uint16_t station)
{
    datagram times = driver.fprd(station, 0x0900, 16);
    EXPECT_EQ(times.working_counter, 1);
    return {u32(times.data, 0), u32(times.data, 4), u32(times.data, 8), u32(times.data, 12)};
}

sim::slave_description four_port_slave(uint32_t serial)
{
    sim::slave_description d = sim::generic_coe_slave(serial);
    d.esc.ports = {sim::port_kind::mii, sim::port_kind::mii, sim::port_kind::ebus, sim::port_kind::ebus};
    return d;
}

} // namespace

TEST(line_of_three, dl_status_shows_links_towards_neighbours_and_closed_ports_elsewhere)
{
    sim::bus segment;
    for (uint32_t serial = 1; serial <= 3; ++serial)
        segment.add_slave(sim::generic_coe_slave(serial));
    bus_driver driver(segment);
    driver.assign_addresses(3);

    for (uint16_t station : {0x1001, 0x1002}) {
        uint16_t status = u16(driver.fprd(station, 0x0110, 2).data);
        EXPECT_EQ(status & 0xFFF0, link_bits(0) | link_bits(1) | closed_bit(2) | closed_bit(3)) << station;
        EXPECT_EQ(status & 0x0001, 0x0001); // PDI operational: the EEPROM was loaded
    }
    uint16_t last = u16(driver.fprd(0x1003, 0x0110, 2).data);
    EXPECT_EQ(last & 0xFFF0, link_bits(0) | closed_bit(1) | closed_bit(2) | closed_bit(3));
}

TEST(line_of_three, receive_times_latched_by_one_write_follow_the_frame_around_the_line)
{
    sim::bus segment;
    for (uint32_t serial = 1; serial <= 3; ++serial)
        segment.add_slave(sim::generic_coe_slave(serial));
    bus_driver driver(segment);
    driver.assign_addresses(3);
    ASSERT_EQ(driver.bwr(0x0900, {0}).working_counter, 3);

    std::vector<uint32_t> first = receive_times(driver, 0x1001);
    std::vector<uint32_t> middle = receive_times(driver, 0x1002);
    std::vector<uint32_t> last = receive_times(driver, 0x1003);
    // behind the last slave: its own processing; behind the middle one: that plus two cables
    EXPECT_EQ(middle[1] - middle[0], 2 * processing + 2 * cable);
    EXPECT_EQ(first[1] - first[0], 3 * processing + 4 * cable + forwarding);
    EXPECT_EQ(last[1], 0u); // a closed port latches nothing

    // each chip counts its own local time, so absolute values differ from slave to slave
    EXPECT_NE(first[0] + processing + cable, middle[0]);

    // a later latch moves every port by the same amount
    driver.bwr(0x0900, {0});
    std::vector<uint32_t> again = receive_times(driver, 0x1002);
    EXPECT_EQ(again[1] - again[0], middle[1] - middle[0]);
    EXPECT_NE(again[0], middle[0]);
}

TEST(tree, a_slave_with_ports_3_and_1_open_serves_the_branch_behind_port_3_first)
{
    sim::bus segment;
    size_t hub = segment.add_slave(four_port_slave(1));
    segment.attach_slave(sim::generic_coe_slave(2), hub, 1);
    segment.attach_slave(sim::generic_coe_slave(3), hub, 3);
    bus_driver driver(segment);
    driver.assign_addresses(3);

    // ring order: the hub, then the slave behind port 3, then the one behind port 1
    EXPECT_EQ(driver.sii_word(0x1002, 0x000E), 3);
    EXPECT_EQ(driver.sii_word(0x1003, 0x000E), 2);

    uint16_t status = u16(driver.fprd(0x1001, 0x0110, 2).data);
    EXPECT_EQ(status & 0xFFF0, link_bits(0) | link_bits(1) | closed_bit(2) | link_bits(3));

    driver.bwr(0x0900, {0});
    std::vector<uint32_t> hub_times = receive_times(driver, 0x1001);
    EXPECT_EQ(hub_times[3] - hub_times[0], processing + 2 * cable + processing);
    EXPECT_EQ(hub_times[1] - hub_times[3], forwarding + 2 * cable + processing);
}

TEST(dc, only_slaves_with_a_distributed_clock_answer_the_system_time)
{
    sim::bus segment;
    segment.add_slave(sim::generic_coe_slave());
    segment.add_slave(sim::slave_without_mailbox());
    bus_driver driver(segment);
    driver.assign_addresses(2);

    EXPECT_EQ(driver.fprd(0x1001, 0x0008, 2).data[0] & 0x0C, 0x0C);
    EXPECT_EQ(driver.fprd(0x1002, 0x0008, 2).data[0] & 0x0C, 0x00);
    datagram clock = driver.fprd(0x1001, 0x0910, 8);
    EXPECT_EQ(clock.working_counter, 1);
    EXPECT_EQ(driver.fprd(0x1002, 0x0910, 4).working_counter, 0);
    EXPECT_EQ(driver.brd(0x0910, 4).working_counter, 1);
    // the clock runs on between frames and follows the offset written to 0x0920
    uint64_t before = u32(clock.data, 0) | uint64_t(u32(clock.data, 4)) << 32;
    datagram later = driver.fprd(0x1001, 0x0910, 8);
    uint64_t after = u32(later.data, 0) | uint64_t(u32(later.data, 4)) << 32;
    EXPECT_GT(after, before);
    driver.fpwr(0x1001, 0x0920, {0, 0, 0, 0, 0, 0, 0, 0x10});
    datagram shifted = driver.fprd(0x1001, 0x0910, 8);
    EXPECT_EQ(shifted.data[7] & 0xF0, 0x10);
}

TEST(unplugging, cuts_the_ring_behind_the_break_until_replugged)
{
    sim::bus segment;
    for (uint32_t serial = 1; serial <= 3; ++serial)
        segment.add_slave(sim::generic_coe_slave(serial));
    bus_driver driver(segment);
    driver.assign_addresses(3);

    segment.unplug(1);
    EXPECT_EQ(driver.brd(0x0130, 2).working_counter, 1);
    EXPECT_EQ(u16(driver.fprd(0x1001, 0x0110, 2).data) & (link_bits(1) | closed_bit(1)), closed_bit(1));
    segment.replug(1);
    EXPECT_EQ(driver.brd(0x0130, 2).working_counter, 3);
    EXPECT_EQ(u16(driver.fprd(0x1003, 0x0010, 2).data), 0x1003);

    segment.unplug(0);
    EXPECT_FALSE(driver.exchange(std::vector<datagram>{physical(BRD, 0, 0x0130, {0, 0})}));
}
