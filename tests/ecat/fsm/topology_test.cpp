#include "ecat/topology.h"

#include <memory>

#include "ecat/master.h"
#include "ecat/slave.h"
#include <gtest/gtest.h>
#include "support/master_test_access.h"

using testsupport::inside;

namespace {

// A slave table whose ports are all closed until a test opens them.
class topology_test : public ::testing::Test {
protected:
    void make_slaves(unsigned count)
    {
        inside(*m).slaves.reset(new ecat::slave[count]);
        for (unsigned i = 0; i < count; ++i) {
            ecat::slave_init(inside(*m).slaves[i], inside(*m), 0, static_cast<uint16_t>(i),
                             static_cast<uint16_t>(i + 1));
            for (auto& port : inside(*m).slaves[i].ports)
                port.loop_closed = 1;
        }
        inside(*m).slave_count = count;
    }
    ecat::slave& slave(unsigned i) { return inside(*m).slaves[i]; }
    void open(unsigned i, int port) { slave(i).ports[port].loop_closed = 0; }
    ecat::slave* behind(unsigned i, int port) { return slave(i).ports[port].next_slave; }
    void dc(unsigned i, std::initializer_list<uint32_t> receive_times)
    {
        slave(i).dc_supported = slave(i).has_dc_system_time = 1;
        int port = 0;
        for (uint32_t t : receive_times)
            slave(i).ports[port++].receive_time = t;
    }

    std::unique_ptr<ecat::master> m = std::make_unique<ecat::master>();
};

TEST_F(topology_test, line_of_three)
{
    make_slaves(3);
    open(0, 1), open(1, 1);
    ASSERT_EQ(ecat::master_compute_topology(inside(*m)), 0);
    EXPECT_EQ(behind(0, 0), nullptr);
    EXPECT_EQ(behind(0, 1), &slave(1));
    EXPECT_EQ(behind(1, 0), &slave(0));
    EXPECT_EQ(behind(1, 1), &slave(2));
    EXPECT_EQ(behind(2, 0), &slave(1));
    EXPECT_EQ(behind(2, 1), nullptr);
    EXPECT_EQ(behind(0, 2), nullptr);
    EXPECT_EQ(behind(0, 3), nullptr);
}

TEST_F(topology_test, port_three_branch_is_followed_to_its_end_before_port_one)
{
    make_slaves(4);
    open(0, 3), open(0, 1), open(1, 1);
    ASSERT_EQ(ecat::master_compute_topology(inside(*m)), 0);
    EXPECT_EQ(behind(0, 3), &slave(1));
    EXPECT_EQ(behind(1, 1), &slave(2));
    EXPECT_EQ(behind(0, 1), &slave(3));
    EXPECT_EQ(behind(3, 0), &slave(0));
    EXPECT_EQ(behind(2, 0), &slave(1));
}

TEST_F(topology_test, more_open_ports_than_slaves_stops_with_an_error)
{
    make_slaves(2);
    open(0, 1), open(1, 1);
    EXPECT_EQ(ecat::master_compute_topology(inside(*m)), -1);
    EXPECT_EQ(behind(0, 1), &slave(1)); // earlier assignments stay
    EXPECT_EQ(behind(1, 0), &slave(0));
}

TEST_F(topology_test, reference_clock_is_the_first_slave_with_system_time)
{
    make_slaves(3);
    open(0, 1), open(1, 1);
    ecat::master_choose_reference_clock(inside(*m));
    EXPECT_EQ(inside(*m).dc_reference_clock, nullptr);
    EXPECT_EQ(ecat::read_u16(inside(*m).ref_sync_datagram.address), 0xFFFF);
    EXPECT_EQ(ecat::read_u16(inside(*m).sync_datagram.address), 0xFFFF);

    slave(1).dc_supported = 1; // no system time: not a candidate
    dc(2, {0});
    ecat::master_choose_reference_clock(inside(*m));
    EXPECT_EQ(inside(*m).dc_reference_clock, &slave(2));
    EXPECT_EQ(inside(*m).ref_sync_datagram.type, ecat::datagram_type::FPWR);
    EXPECT_EQ(ecat::read_u16(inside(*m).ref_sync_datagram.address), 3);
    EXPECT_EQ(ecat::read_u16(inside(*m).ref_sync_datagram.address + 2), 0x0910);
    EXPECT_EQ(inside(*m).ref_sync_datagram.data_size, 4u);
    EXPECT_EQ(inside(*m).sync_datagram.type, ecat::datagram_type::FRMW);
    EXPECT_EQ(ecat::read_u16(inside(*m).sync_datagram.address), 3);
}

TEST_F(topology_test, single_dc_slave_has_no_delay)
{
    make_slaves(1);
    dc(0, {500});
    ecat::master_choose_reference_clock(inside(*m));
    ASSERT_EQ(ecat::master_compute_topology(inside(*m)), 0);
    ecat::master_compute_delays(inside(*m));
    EXPECT_EQ(inside(*m).dc_reference_clock, &slave(0));
    EXPECT_EQ(slave(0).transmission_delay, 0u);
}

TEST_F(topology_test, delays_accumulate_along_a_line)
{
    // Receive times of the frame: entering at port 0, returning at port 1.
    make_slaves(3);
    open(0, 1), open(1, 1);
    dc(0, {1000, 1300});
    dc(1, {1050, 1250});
    dc(2, {1100});
    ecat::master_choose_reference_clock(inside(*m));
    ASSERT_EQ(ecat::master_compute_topology(inside(*m)), 0);
    ecat::master_compute_delays(inside(*m));
    EXPECT_EQ(slave(0).ports[1].delay_to_next_dc, 50u);  // (300 - 200) / 2
    EXPECT_EQ(slave(1).ports[1].delay_to_next_dc, 100u); // 200 / 2
    EXPECT_EQ(slave(2).ports[0].delay_to_next_dc, 100u);
    EXPECT_EQ(slave(0).transmission_delay, 0u);
    EXPECT_EQ(slave(1).transmission_delay, 50u);
    EXPECT_EQ(slave(2).transmission_delay, 150u);
}

TEST_F(topology_test, delay_skips_a_slave_without_dc)
{
    make_slaves(3);
    open(0, 1), open(1, 1);
    dc(0, {1000, 1300});
    slave(1).ports[0].receive_time = 1050, slave(1).ports[1].receive_time = 1250; // no DC
    dc(2, {1100});
    ecat::master_choose_reference_clock(inside(*m));
    ASSERT_EQ(ecat::master_compute_topology(inside(*m)), 0);
    ecat::master_compute_delays(inside(*m));
    EXPECT_EQ(slave(0).ports[1].delay_to_next_dc, 150u); // the whole 300 to slave 2 and back
    EXPECT_EQ(slave(2).transmission_delay, 150u);
}

} // namespace
