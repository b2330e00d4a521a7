// The slave firmware's AL state machine as the master sees it through AL control and status.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "sim/description/generic_slaves.h"
#include "sim/description/slave_builder.h"

using namespace simtest;

namespace {

struct al_states : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(sim::generic_coe_slave());
        segment.add_slave(sim::slave_without_mailbox());
        driver.assign_addresses(2);
    }
    void configure_process_data()
    {
        driver.fpwr(coe, 0x0810, {0x00, 0x11, 2, 0, 0x64, 0, 1, 0, 0x80, 0x11, 2, 0, 0x20, 0, 1, 0});
    }

    static constexpr uint16_t coe = 0x1001;
    static constexpr uint16_t plain = 0x1002;
    sim::bus segment;
    bus_driver driver{segment};
};

} // namespace

TEST_F(al_states, preop_is_refused_with_0x0016_until_the_mailbox_sync_managers_are_right)
{
    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.al_status(coe), 0x11);
    EXPECT_EQ(driver.al_status_code(coe), 0x0016);

    // the error must be acknowledged; a new request alone is ignored
    driver.configure_mailbox(coe);
    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.al_status(coe), 0x11);
    driver.request_state(coe, 0x11);
    EXPECT_EQ(driver.al_status(coe), 0x01);
    EXPECT_EQ(driver.al_status_code(coe), 0x0000);

    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.al_status(coe), 0x02);
}

TEST_F(al_states, every_part_of_the_mailbox_configuration_is_checked)
{
    const struct {
        size_t byte;
        uint8_t value;
    } spoilers[] = {{1, 0x12}, {2, 0x40}, {4, 0x24}, {6, 0x00}, {12, 0x26}, {14, 0x00}};
    for (const auto& spoiler : spoilers) {
        std::vector<uint8_t> sms = {0x00, 0x10, 0x80, 0, 0x26, 0, 1, 0, 0x80, 0x10, 0x80, 0, 0x22, 0, 1, 0};
        sms[spoiler.byte] = spoiler.value;
        driver.fpwr(coe, 0x0800, sms);
        driver.request_state(coe, 0x12);
        EXPECT_EQ(driver.al_status(coe), 0x11) << "byte " << spoiler.byte;
        EXPECT_EQ(driver.al_status_code(coe), 0x0016);
        driver.request_state(coe, 0x11);
    }
}

TEST_F(al_states, only_transitions_of_the_state_graph_are_taken)
{
    driver.request_state(coe, 0x08);
    EXPECT_EQ(driver.al_status(coe), 0x11);
    EXPECT_EQ(driver.al_status_code(coe), 0x0011);
    driver.request_state(coe, 0x15);
    EXPECT_EQ(driver.al_status(coe), 0x11);
    EXPECT_EQ(driver.al_status_code(coe), 0x0012);
    driver.request_state(coe, 0x11);

    ASSERT_TRUE(driver.bring_to_preop(coe));
    driver.request_state(coe, 0x04);
    EXPECT_EQ(driver.al_status(coe), 0x12);        // refused: stays in PREOP with the error flag
    EXPECT_EQ(driver.al_status_code(coe), 0x001D); // outputs sync manager not set up
    // stepping down is obeyed even before the error is acknowledged
    driver.request_state(coe, 0x01);
    EXPECT_EQ(driver.al_status(coe), 0x11);
    driver.request_state(coe, 0x11);

    ASSERT_TRUE(driver.bring_to_preop(coe));
    configure_process_data();
    driver.request_state(coe, 0x04);
    EXPECT_EQ(driver.al_status(coe), 0x04);
    driver.request_state(coe, 0x08);
    EXPECT_EQ(driver.al_status(coe), 0x08);
    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.al_status(coe), 0x02);
}

TEST_F(al_states, boot_needs_the_boot_mailbox_and_leads_only_back_to_init)
{
    driver.request_state(plain, 0x03);
    EXPECT_EQ(driver.al_status(plain), 0x11);
    EXPECT_EQ(driver.al_status_code(plain), 0x0013);

    driver.request_state(coe, 0x03);
    EXPECT_EQ(driver.al_status_code(coe), 0x0015);
    driver.request_state(coe, 0x11);
    driver.configure_mailbox(coe);
    driver.request_state(coe, 0x03);
    EXPECT_EQ(driver.al_status(coe), 0x03);
    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.al_status(coe), 0x13);
    EXPECT_EQ(driver.al_status_code(coe), 0x0011);
}

TEST_F(al_states, a_slave_without_mailbox_reaches_preop_at_once)
{
    driver.request_state(plain, 0x02);
    EXPECT_EQ(driver.al_status(plain), 0x02);
}

TEST(al_states_without_process_data, safeop_is_refused_with_no_inputs_and_outputs)
{
    sim::bus segment;
    sim::slave_builder builder("mailbox only");
    builder.identity(1, 2, 3, 4).mailbox({0x1000, 64}, {0x1040, 64});
    segment.add_slave(builder.build());
    bus_driver driver(segment);
    driver.assign_addresses(1);
    driver.configure_mailbox(0x1001, 0x1000, 0x1040, 64);
    driver.request_state(0x1001, 0x02);
    ASSERT_EQ(driver.al_status(0x1001), 0x02);
    driver.request_state(0x1001, 0x04);
    EXPECT_EQ(driver.al_status(0x1001), 0x12);
    EXPECT_EQ(driver.al_status_code(0x1001), 0x002B);
}

TEST_F(al_states, refusals_and_errors_on_demand_carry_the_given_code_until_acknowledged)
{
    segment.refuse_state(0, 0x02, 0x0026);
    driver.request_state(coe, 0x02); // refused even though the mailbox is not even set up
    EXPECT_EQ(driver.al_status(coe), 0x11);
    EXPECT_EQ(driver.al_status_code(coe), 0x0026);
    driver.request_state(coe, 0x11);
    segment.refuse_state(0, 0, 0);
    ASSERT_TRUE(driver.bring_to_preop(coe));

    segment.raise_al_error(0, 0x001A);
    EXPECT_EQ(driver.al_status(coe), 0x12);
    EXPECT_EQ(driver.al_status_code(coe), 0x001A);
    driver.request_state(coe, 0x12);
    EXPECT_EQ(driver.al_status(coe), 0x02);
}

TEST_F(al_states, the_mailbox_is_held_back_in_init)
{
    driver.configure_mailbox(coe);
    // sync manager switched off by the firmware: the write lands in plain memory, nothing answers
    EXPECT_EQ(driver.mailbox_write(coe, {10, 0, 0, 0, 0, 3, 0x00, 0x20, 0x40, 0x00, 0x50, 0x01, 0, 0, 0, 0}), 1);
    EXPECT_FALSE(driver.send_mailbox_full(coe));
    EXPECT_EQ(driver.fprd(coe, 0x0807, 1).data[0] & 0x01, 0x01);
    driver.request_state(coe, 0x02);
    EXPECT_EQ(driver.fprd(coe, 0x0807, 1).data[0] & 0x01, 0x00);
}

namespace {

// Firmware that obeys every request unchecked: only the PDI contract holds it to the chip.
struct obliging_firmware : sim::slave_application {
    void run(sim::pdi& chip) override
    {
        if (chip.event_request() & 0x01)
            chip.write16(0x0130, chip.read16(0x0120) & 0x0F);
    }
};

} // namespace

TEST(other_firmware, runs_on_the_same_chip_through_the_pdi_alone)
{
    sim::bus segment;
    segment.add_slave(
        std::make_unique<sim::slave>(sim::generic_coe_slave(), [](const sim::slave_description&, sim::slave_faults&) {
            return std::unique_ptr<sim::slave_application>(new obliging_firmware);
        }));
    bus_driver driver(segment);
    driver.assign_addresses(1);
    driver.request_state(0x1001, 0x08);
    EXPECT_EQ(driver.al_status(0x1001), 0x08);
    // reading AL control took the event: nothing changes until the master writes again
    EXPECT_EQ(driver.fprd(0x1001, 0x0220, 1).data[0] & 0x01, 0);
}
