// Scanning simulated slaves through the real cycle: addresses, SII, PDOs, topology, AL.
#include "support/sim_bus_fixture.h"
#include "ecat/fsm/al_texts.h"
#include "ecat/slave_info.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/slave_builder.h"
#include "support/master_test_access.h"

using testsupport::inside;

using namespace ecat;

namespace {

class scan : public testsupport::bus_fixture { };

void expect_scanned_once(ecat::master& owner, size_t count)
{
    ecat::master_core& m = inside(owner);
    EXPECT_EQ(m.scans_started, 1u);
    ecat::mutex_lock lock(m.master_lock);
    ASSERT_EQ(m.slave_count, count);
    for (unsigned i = 0; i < count; ++i) {
        const slave& s = m.slaves[i];
        EXPECT_EQ(s.station_address, i + 1);
        EXPECT_EQ(s.current_al_state, al_state_preop) << "slave " << i;
        EXPECT_EQ(s.error_flag, 0) << "slave " << i;
        EXPECT_EQ(s.serial_number, i + 1);
    }
}

TEST_F(scan, one_three_and_sixteen_slaves_reach_preop_after_one_scan)
{
    for (size_t count : {1u, 3u, 16u}) {
        SCOPED_TRACE(count);
        bus = std::make_shared<sim::bus>(3);
        m = std::make_unique<ecat::master>();
        for (uint32_t serial = 1; serial <= count; ++serial)
            bus->add_slave(sim::generic_coe_slave(serial));
        start();
        ASSERT_TRUE(wait_ready(static_cast<unsigned>(count)));
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        expect_scanned_once(*m, count);
        for (size_t id = 0; id < count; ++id)
            EXPECT_EQ(sim_al_state(id), al_state_preop);
        stop();
    }
}

TEST_F(scan, the_sii_fills_identity_strings_general_and_sync_managers)
{
    bus->add_slave(sim::generic_coe_slave(42));
    start();
    ASSERT_TRUE(wait_ready(1));
    slave_info info;
    ASSERT_EQ(master_get_slave_info(*m, 0, info), 0);
    EXPECT_STREQ(info.name, "Generic CoE slave");
    EXPECT_EQ(info.serial_number, 42u);
    EXPECT_EQ(info.vendor_id, sim::generic_coe_slave(42).vendor_id);
    EXPECT_EQ(info.product_code, sim::generic_coe_slave(42).product_code);

    std::lock_guard lock(inside(*m).master_lock);
    const slave& s = inside(*m).slaves[0];
    EXPECT_TRUE(s.general_present);
    EXPECT_EQ(s.group, "Simulated");
    EXPECT_EQ(s.order, "SIM-COE");
    EXPECT_EQ(s.mailbox_protocols & mailbox_protocol_coe, mailbox_protocol_coe);
    EXPECT_EQ(s.std_rx_mailbox_size, 128);
    EXPECT_EQ(s.configured_rx_mailbox_offset, 0x1000);
    EXPECT_EQ(s.configured_tx_mailbox_offset, 0x1080);
    ASSERT_EQ(s.sync_managers.size(), 4u);
    EXPECT_EQ(s.sync_managers[2].physical_start, 0x1100);
}

sim::slave_description slave_with_assignment(uint8_t input_count, bool gap)
{
    namespace data_type = sim::data_type;
    sim::slave_builder b("assigned");
    b.identity(0x4B49, 0x20001, 1, 1)
        .names("Assigned PDOs", "Simulated", "SIM-PDO")
        .chip(sim::esc_config{})
        .mailbox({0x1000, 128}, {0x1080, 128})
        .sync_manager({0x1100, 2, 0x64, 0x01, sim::sync_manager_use::outputs})
        .sync_manager({0x1180, 4, 0x20, 0x01, sim::sync_manager_use::inputs})
        .rx_pdo({0x1600, 2, "Outputs", {{0x7000, 1, 16, data_type::unsigned16, "Out"}}});
    sim::pdo_description inputs{0x1A00, 3, "Inputs", {{0x6000, 1, 16, data_type::unsigned16, "In"}}};
    if (gap)
        inputs.entries.push_back({0, 0, 16, 0, ""});
    b.tx_pdo(inputs)
        .number(0x6000, 0, data_type::unsigned8, sim::object_access::read_only, 1)
        .number(0x6000, 1, data_type::unsigned16, sim::object_access::read_only, 0)
        .number(0x7000, 0, data_type::unsigned8, sim::object_access::read_only, 1)
        .number(0x7000, 1, data_type::unsigned16, sim::object_access::read_write, 0);
    sim::slave_description description = b.build();
    for (auto& entry : description.objects)
        if (entry.index == 0x1C13 && entry.subindex == 0)
            entry.value = {input_count};
    return description;
}

TEST_F(scan, pdo_assignment_read_over_coe_replaces_the_sii_lists)
{
    bus->add_slave(slave_with_assignment(1, true));
    start();
    ASSERT_TRUE(wait_ready(1));
    std::lock_guard lock(inside(*m).master_lock);
    const slave& s = inside(*m).slaves[0];
    ASSERT_EQ(s.sync_managers.size(), 4u);
    ASSERT_EQ(s.sync_managers[3].pdos.size(), 1u);
    const pdo& inputs = *s.sync_managers[3].pdos[0];
    EXPECT_EQ(inputs.index, 0x1A00);
    ASSERT_EQ(inputs.entries.size(), 2u);
    EXPECT_EQ(inputs.entries[0].index, 0x6000);
    EXPECT_EQ(inputs.entries[1].index, 0);
    EXPECT_EQ(inputs.entries[1].bit_length, 16);
    EXPECT_EQ(inputs.entries[1].name, "Gap");
    ASSERT_EQ(s.sync_managers[2].pdos.size(), 1u);
    EXPECT_EQ(s.sync_managers[2].pdos[0]->index, 0x1600);
}

TEST_F(scan, an_assignment_count_of_zero_clears_the_list)
{
    bus->add_slave(slave_with_assignment(0, false));
    start();
    ASSERT_TRUE(wait_ready(1));
    std::lock_guard lock(inside(*m).master_lock);
    EXPECT_TRUE(inside(*m).slaves[0].sync_managers[3].pdos.empty());
    EXPECT_EQ(inside(*m).slaves[0].sync_managers[2].pdos.size(), 1u);
}

TEST_F(scan, topology_of_a_line_of_three)
{
    for (uint32_t serial = 1; serial <= 3; ++serial)
        bus->add_slave(sim::generic_coe_slave(serial));
    start();
    ASSERT_TRUE(wait_ready(3));
    slave_info info[3];
    for (uint16_t i = 0; i < 3; ++i)
        ASSERT_EQ(master_get_slave_info(*m, i, info[i]), 0);
    EXPECT_EQ(info[0].ports[0].next_slave, 0xFFFF);
    EXPECT_EQ(info[0].ports[1].next_slave, 1);
    EXPECT_EQ(info[1].ports[0].next_slave, 0);
    EXPECT_EQ(info[1].ports[1].next_slave, 2);
    EXPECT_EQ(info[2].ports[0].next_slave, 1);
    EXPECT_EQ(info[2].ports[1].next_slave, 0xFFFF);
    EXPECT_EQ(info[0].ports[1].link_up, 1);
    EXPECT_EQ(info[2].ports[1].loop_closed, 1);

    std::lock_guard lock(inside(*m).master_lock);
    EXPECT_EQ(inside(*m).dc_reference_clock, &inside(*m).slaves[0]);
    EXPECT_EQ(inside(*m).slaves[0].transmission_delay, 0u);
    EXPECT_GT(inside(*m).slaves[1].transmission_delay, 0u);
    EXPECT_GT(inside(*m).slaves[2].transmission_delay, inside(*m).slaves[1].transmission_delay);
}

TEST_F(scan, a_slave_with_ports_three_and_one_open_feeds_port_three_first)
{
    sim::slave_description junction = sim::generic_coe_slave(1);
    junction.esc.ports = {sim::port_kind::mii, sim::port_kind::mii, sim::port_kind::mii, sim::port_kind::mii};
    size_t root = bus->add_slave(junction);
    bus->attach_slave(sim::generic_coe_slave(2), root, 3); // branch behind port 3
    bus->attach_slave(sim::generic_coe_slave(3), root, 1); // then port 1
    start();
    ASSERT_TRUE(wait_ready(3));
    slave_info root_info;
    ASSERT_EQ(master_get_slave_info(*m, 0, root_info), 0);
    EXPECT_EQ(root_info.ports[3].next_slave, 1);
    EXPECT_EQ(root_info.ports[1].next_slave, 2);
    std::lock_guard lock(inside(*m).master_lock);
    EXPECT_EQ(inside(*m).slaves[1].serial_number, 2u) << "ring order follows port 3 before port 1";
    EXPECT_EQ(inside(*m).slaves[2].serial_number, 3u);
}

TEST_F(scan, an_al_error_is_acknowledged_and_the_slave_brought_back)
{
    bus->add_slave(sim::generic_coe_slave(1));
    start();
    ASSERT_TRUE(wait_ready(1));
    bus->raise_al_error(0, 0x001B);
    EXPECT_TRUE(wait_for([&] {
        std::lock_guard lock(inside(*m).master_lock);
        return inside(*m).slave_count == 1 && inside(*m).slaves[0].al_status_code == 0x001B;
    })) << "the status code was read before the acknowledge";
    EXPECT_TRUE(wait_for([&] { return sim_al_state(0) == al_state_preop; }));
}

TEST_F(scan, a_refused_change_stores_the_status_code_and_marks_the_slave)
{
    bus->add_slave(sim::generic_coe_slave(1));
    bus->refuse_state(0, al_state_preop, 0x0016);
    start();
    ASSERT_TRUE(wait_for([&] {
        std::lock_guard lock(inside(*m).master_lock);
        return inside(*m).slave_count == 1 && inside(*m).slaves[0].error_flag && !inside(*m).scan_busy;
    }));
    std::lock_guard lock(inside(*m).master_lock);
    EXPECT_EQ(inside(*m).slaves[0].al_status_code, 0x0016);
    EXPECT_STREQ(al_status_text(0x0016), "Invalid mailbox configuration");
}

} // namespace
