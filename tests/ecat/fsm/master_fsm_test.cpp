#include "ecat/fsm/master_fsm.h"

#include <memory>

#include "ecat/master.h"
#include "support/fake_esc.h"
#include "support/master_test_access.h"

using testsupport::inside;

namespace {

using namespace fsmtest;
using ecat::datagram_type;

class master_fsm_test : public ::testing::Test {
protected:
    void SetUp() override
    {
        static const uint8_t mac[6] = {0x02, 0, 0, 0, 0, 1};
        ASSERT_EQ(ecat::master_init(inside(*m), 0, mac), 0);
        inside(*m).main_device.link = 1;
    }
    void TearDown() override { ecat::master_clear(inside(*m)); }

    void add_slaves(int count, uint8_t al_state)
    {
        for (int i = 0; i < count; ++i) {
            fake_slave& e = bus.slaves.emplace_back();
            e.reg[0x130] = al_state;
            write_u16(e.reg + esc::station_address, static_cast<uint16_t>(0x100 + i)); // an old address
            e.sii = sii_builder().identity(0x0E11, 0x100u + i, 1, 0).end().image();
        }
    }

    // Runs master cycles: one step, then the bus answers the datagram.
    void cycles(int count)
    {
        for (int i = 0; i < count; ++i) {
            ecat::master_fsm_exec(inside(*m).fsm);
            bus.answer(inside(*m).fsm_datagram);
        }
    }

    size_t scans() const { return bus.count(datagram_type::BWR, esc::station_address); }

    // Values written to a station's AL Control, in order.
    std::vector<uint16_t> control_writes(uint16_t station) const
    {
        std::vector<uint16_t> values;
        for (const auto& e : bus.log)
            if (e.type == datagram_type::FPWR && e.offset == esc::al_control && e.address == station)
                values.push_back(e.value());
        return values;
    }

    // A scan has started and ended since the last look.
    bool scan_done_signalled()
    {
        unsigned started = inside(*m).scans_started;
        bool ended = started != scans_seen && inside(*m).scan_busy == 0;
        if (ended)
            scans_seen = started;
        return ended;
    }
    unsigned scans_seen = 0;

    std::unique_ptr<ecat::master> m = std::make_unique<ecat::master>();
    fake_bus bus;
};

TEST_F(master_fsm_test, new_bus_is_scanned_once_and_every_slave_configured_once)
{
    add_slaves(3, 0x02); // already in PREOP
    cycles(1);
    EXPECT_EQ(inside(*m).scan_busy, 0); // the first step only sends the broadcast
    cycles(1);
    EXPECT_EQ(inside(*m).scan_busy, 1);
    cycles(1500);

    EXPECT_EQ(scans(), 1u);
    EXPECT_EQ(inside(*m).scan_busy, 0);
    EXPECT_TRUE(scan_done_signalled());
    ASSERT_EQ(inside(*m).slave_count, 3u);
    for (uint16_t i = 0; i < 3; ++i) {
        const ecat::slave& s = inside(*m).slaves[i];
        EXPECT_EQ(s.ring_position, i);
        EXPECT_EQ(s.station_address, i + 1);
        EXPECT_EQ(bus.slaves[i].station(), i + 1);
        EXPECT_EQ(s.product_code, 0x100u + i);
        EXPECT_EQ(s.force_config, 0);
        EXPECT_EQ(s.error_flag, 0);
        EXPECT_EQ(control_writes(i + 1), (std::vector<uint16_t>{0x01, 0x02})) << "slave " << i;
        EXPECT_TRUE(ecat::slave_request_is_ready(s.request_machine));
        EXPECT_EQ(s.current_al_state, s.requested_al_state) << "configured, slave " << i;
    }
}

TEST_F(master_fsm_test, unplugging_one_slave_rescans_once_and_all_empties_the_table)
{
    add_slaves(3, 0x02);
    cycles(1500);
    ASSERT_TRUE(scan_done_signalled());

    bus.slaves[2].present = false;
    cycles(1500);
    EXPECT_EQ(scans(), 2u);
    EXPECT_EQ(inside(*m).slave_count, 2u);
    EXPECT_TRUE(scan_done_signalled());

    bus.slaves[0].present = bus.slaves[1].present = false;
    cycles(50);
    EXPECT_EQ(inside(*m).slave_count, 0u);
    EXPECT_EQ(inside(*m).slaves.get(), nullptr);
    EXPECT_EQ(inside(*m).scan_busy, 0);
    EXPECT_TRUE(scan_done_signalled());
    EXPECT_EQ(scans(), 2u); // nothing to address
}

TEST_F(master_fsm_test, link_loss_empties_the_table_though_the_counter_stayed)
{
    add_slaves(2, 0x02);
    cycles(1500);
    ASSERT_EQ(inside(*m).slave_count, 2u);

    inside(*m).main_device.link = 0;
    int steps = 0;
    while (inside(*m).slave_count != 0 && steps++ < 50) {
        ecat::master_fsm_exec(inside(*m).fsm);
        bus.answer(inside(*m).fsm_datagram);
    }
    EXPECT_EQ(inside(*m).slave_count, 0u);
    EXPECT_EQ(bus.log.back().type, datagram_type::BRD); // answered by both slaves
    EXPECT_EQ(scans(), 1u);

    inside(*m).main_device.link = 1; // back: the slaves are found again
    cycles(1500);
    EXPECT_EQ(scans(), 2u);
    EXPECT_EQ(inside(*m).slave_count, 2u);
}

TEST_F(master_fsm_test, al_error_is_acknowledged_before_the_slave_is_configured)
{
    add_slaves(1, 0x12);
    write_u16(bus.slaves[0].reg + esc::al_status_code, 0x001B);
    cycles(1500);
    EXPECT_EQ(control_writes(1), (std::vector<uint16_t>{0x12, 0x01, 0x02}));
    const ecat::slave& s = inside(*m).slaves[0];
    EXPECT_EQ(s.al_status_code, 0x001B);
    EXPECT_EQ(s.current_al_state, 0x02);
    EXPECT_EQ(s.error_flag, 0);
}

TEST_F(master_fsm_test, slave_that_stops_answering_is_marked_and_forces_a_rescan)
{
    add_slaves(2, 0x02);
    cycles(1500);
    // the slave keeps answering broadcasts but no longer its station address
    write_u16(bus.slaves[1].reg + esc::station_address, 0x0777);
    int steps = 0;
    while (!inside(*m).slaves[1].error_flag && steps++ < 50)
        cycles(1);
    EXPECT_EQ(inside(*m).slaves[1].error_flag, 1);
    cycles(1500);
    EXPECT_EQ(scans(), 2u);
    EXPECT_EQ(inside(*m).slaves[1].error_flag, 0); // a fresh record
}

TEST_F(master_fsm_test, a_broadcast_claiming_more_slaves_than_answer_costs_one_short_scan)
{
    // A broken slave's reply claims 40000 slaves once. Scanning every claimed position
    // would take the master minutes; it must stop at the first empty one and count again.
    add_slaves(2, 0x02);
    ecat::master_fsm_exec(inside(*m).fsm);
    bus.answer(inside(*m).fsm_datagram);
    inside(*m).fsm_datagram.working_counter = 40000;
    cycles(1500);

    EXPECT_EQ(scans(), 2u);
    ASSERT_EQ(inside(*m).slave_count, 2u);
    EXPECT_EQ(inside(*m).scan_busy, 0);
    EXPECT_FALSE(inside(*m).fsm.recount_required);
    for (uint16_t i = 0; i < 2; ++i) {
        EXPECT_EQ(inside(*m).slaves[i].error_flag, 0);
        EXPECT_TRUE(ecat::slave_request_is_ready(inside(*m).slaves[i].request_machine)) << "slave " << i;
    }
    EXPECT_LT(bus.count(datagram_type::APWR, esc::station_address), 10u) << "the claimed positions were addressed";
}

TEST_F(master_fsm_test, a_slave_position_that_does_not_answer_its_address_starts_a_recount)
{
    // The second slave's reply to its address write comes back with counter 0, as if
    // nobody were there, though the broadcasts count it: only the recount rescans.
    add_slaves(2, 0x02);
    bool lied = false;
    for (int i = 0; i < 500 && !lied; ++i) {
        ecat::master_fsm_exec(inside(*m).fsm);
        bus.answer(inside(*m).fsm_datagram);
        const ecat::datagram& d = inside(*m).fsm_datagram;
        if (d.type == datagram_type::APWR && read_u16(d.address) == 0xFFFF
            && read_u16(d.address + 2) == esc::station_address) {
            inside(*m).fsm_datagram.working_counter = 0;
            lied = true;
        }
    }
    ASSERT_TRUE(lied);
    ecat::master_fsm_exec(inside(*m).fsm); // ends the scan and sends the broadcast that counts again
    ASSERT_TRUE(inside(*m).fsm.recount_required);
    EXPECT_EQ(inside(*m).scan_busy, 0);
    EXPECT_TRUE(scan_done_signalled());

    // broadcasts lost for a moment count nothing
    for (int i = 0; i < 5; ++i) {
        inside(*m).fsm_datagram.state = ecat::datagram_state::timed_out;
        ecat::master_fsm_exec(inside(*m).fsm);
    }
    EXPECT_TRUE(inside(*m).fsm.recount_required);
    EXPECT_EQ(scans(), 1u);
    cycles(1500);
    EXPECT_EQ(scans(), 2u);
    ASSERT_EQ(inside(*m).slave_count, 2u);
    EXPECT_EQ(inside(*m).slaves[1].error_flag, 0);
    EXPECT_TRUE(ecat::slave_request_is_ready(inside(*m).slaves[1].request_machine));
}

} // namespace
