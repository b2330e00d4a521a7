// The session API: a master opened on an adapter, its scan waited for, its status read.
#include "ecat/adapter.h"
#include "ecat/session.h"
#include "sim/description/generic_slaves.h"
#include "support/sim_bus_fixture.h"

using namespace ecat;

namespace {

using session = testsupport::bus_fixture;

TEST_F(session, the_status_after_the_scan_shows_every_slave_in_preop_and_the_link_up)
{
    for (uint32_t serial = 1; serial <= 3; ++serial)
        bus->add_slave(sim::generic_coe_slave(serial));
    start();
    ASSERT_TRUE(session_wait_settled(*m, 10000, 3));
    bus_status status = session_status(*m);
    EXPECT_EQ(status.slave_count, 3u);
    EXPECT_TRUE(status.settled);
    EXPECT_FALSE(status.scan_busy);
    EXPECT_TRUE(status.link);
    EXPECT_EQ(status.al_states, (std::vector<uint8_t>{0x02, 0x02, 0x02}));
    EXPECT_EQ(status.error_flags, (std::vector<bool>{false, false, false}));
    EXPECT_FALSE(session_wait_settled(*m, 200, 4)) << "a slave count that never comes times out";
}

TEST_F(session, an_empty_bus_counts_as_settled_and_a_missing_adapter_is_refused)
{
    start();
    EXPECT_TRUE(session_wait_settled(*m, 10000));
    EXPECT_EQ(session_status(*m).slave_count, 0u);
    session_close(*m);
    net_device other;
    EXPECT_EQ(session_open(*m, other, adapter_count() + 5, 1), 13);
}

TEST_F(session, a_refused_state_settles_with_the_slave_marked)
{
    bus->add_slave(sim::generic_coe_slave(1));
    bus->add_slave(sim::generic_coe_slave(2));
    bus->refuse_state(1, 0x02, 0x0016);
    start();
    ASSERT_TRUE(session_wait_settled(*m, 10000, 2)) << "a slave that refuses PREOP does not hold up the wait";
    bus_status status = session_status(*m);
    EXPECT_EQ(status.error_flags, (std::vector<bool>{false, true}));
}

} // namespace
