// Sync manager status bits and AL events after each access of the master (hand-built frames)
// and of the slave (PDI), as the ESC register description defines them.
#include <gtest/gtest.h>

#include "bus_driver.h"
#include "sim/bus/bus.h"
#include "sim/description/generic_slaves.h"

using namespace simtest;

namespace {

// Firmware that does nothing: the test itself plays the slave's microcontroller.
struct silent_firmware : sim::slave_application {
    void run(sim::pdi&) override { }
};

// SM0 (master writes) at 0x1000 and SM1 (master reads) at 0x1080, 16 bytes each.
struct sm_events : ::testing::Test {
    void SetUp() override
    {
        segment.add_slave(std::make_unique<sim::slave>(
            sim::generic_coe_slave(),
            [](const sim::slave_description&, sim::slave_faults&) { return std::make_unique<silent_firmware>(); }));
        driver.assign_addresses(1);
        driver.configure_mailbox(station, 0x1000, 0x1080, 16);
    }

    uint16_t master_writes(uint16_t address, size_t length)
    {
        return driver.fpwr(station, address, std::vector<uint8_t>(length, 0x5A)).working_counter;
    }
    uint16_t master_reads(uint16_t address, size_t length)
    {
        return driver.fprd(station, address, length).working_counter;
    }
    uint8_t master_sees(uint16_t address) { return driver.fprd(station, address, 1).data[0]; }

    template <typename F> auto on_chip(F&& f)
    {
        return segment.with_slave(0, [&](sim::slave& s) { return f(s.controller()); });
    }
    bool slave_reads(uint16_t address, size_t length)
    {
        std::vector<uint8_t> out(length);
        return on_chip([&](sim::esc& chip) { return chip.read(address, out.data(), length); });
    }
    bool slave_writes(uint16_t address, size_t length, uint8_t value = 0xA5)
    {
        std::vector<uint8_t> data(length, value);
        return on_chip([&](sim::esc& chip) { return chip.write(address, data.data(), length); });
    }
    uint8_t slave_sees(uint16_t address)
    {
        return on_chip([&](sim::esc& chip) { return chip.read8(address); });
    }
    // the event register as the slave reads it (reading it has no side effect)
    uint32_t events()
    {
        return on_chip([&](sim::esc& chip) {
            uint8_t bytes[4] = {};
            chip.read(0x0220, bytes, 4);
            return uint32_t(bytes[0] | bytes[1] << 8 | bytes[2] << 16 | uint32_t(bytes[3]) << 24);
        });
    }
    // the status byte must read the same on both sides
    uint8_t status(unsigned sm)
    {
        uint16_t address = uint16_t(0x0805 + 8 * sm);
        uint8_t seen_by_master = master_sees(address);
        EXPECT_EQ(slave_sees(address), seen_by_master) << "SM" << sm << " status differs between the sides";
        return seen_by_master;
    }

    static constexpr uint16_t station = 0x1001;
    static constexpr uint32_t sm0_event = 0x100;
    static constexpr uint32_t sm1_event = 0x200;
    static constexpr uint32_t activation_event = 0x10;
    sim::bus segment;
    bus_driver driver{segment};
};

} // namespace

TEST_F(sm_events, sm0_is_written_at_its_last_byte_and_its_event_taken_at_the_first_byte_read)
{
    EXPECT_EQ(master_writes(0x1000, 15), 1);
    EXPECT_EQ(status(0), 0x00);
    EXPECT_FALSE(events() & sm0_event);
    EXPECT_EQ(master_writes(0x100F, 1), 1);
    EXPECT_EQ(status(0), 0x09) << "written and full";
    EXPECT_TRUE(events() & sm0_event);
    EXPECT_TRUE(driver.fprd(station, 0x0220, 4).data[1] & 0x01) << "the master sees the event register too";

    EXPECT_EQ(slave_sees(0x0805), 0x09);
    EXPECT_TRUE(events() & sm0_event) << "reading the status byte acknowledges nothing";

    EXPECT_TRUE(slave_reads(0x1000, 1));
    EXPECT_FALSE(events() & sm0_event) << "the first byte read takes the event";
    EXPECT_EQ(status(0), 0x08) << "still full until the last byte";
    EXPECT_EQ(master_writes(0x1000, 16), 0);
    EXPECT_TRUE(slave_reads(0x1001, 14));
    EXPECT_EQ(status(0), 0x08);
    EXPECT_TRUE(slave_reads(0x100F, 1));
    EXPECT_EQ(status(0), 0x02) << "read to its last byte: empty";
    EXPECT_FALSE(events() & sm0_event);

    EXPECT_EQ(master_writes(0x1000, 1), 1);
    EXPECT_EQ(status(0), 0x00) << "the first byte written takes back the read interrupt";
    EXPECT_EQ(master_writes(0x1001, 15), 1);
    EXPECT_EQ(status(0), 0x09);
    // whole buffers in one access change the same bits
    EXPECT_TRUE(slave_reads(0x1000, 16));
    EXPECT_EQ(status(0), 0x02);
    EXPECT_FALSE(events() & sm0_event);
}

TEST_F(sm_events, sm1_interrupts_the_slave_once_read_to_its_last_byte_until_it_writes_the_first_byte)
{
    EXPECT_EQ(master_reads(0x1080, 16), 0) << "empty";
    EXPECT_TRUE(slave_writes(0x1080, 15));
    EXPECT_EQ(status(1), 0x00);
    EXPECT_TRUE(slave_writes(0x108F, 1));
    EXPECT_EQ(status(1), 0x09);
    EXPECT_FALSE(events() & sm1_event) << "the slave's own write does not interrupt it";

    EXPECT_EQ(master_reads(0x1080, 1), 1);
    EXPECT_EQ(status(1), 0x08) << "the first byte read takes the written bit";
    EXPECT_FALSE(events() & sm1_event);
    EXPECT_EQ(master_reads(0x1081, 15), 1);
    EXPECT_EQ(status(1), 0x02) << "read and empty";
    EXPECT_TRUE(events() & sm1_event);

    EXPECT_EQ(slave_sees(0x080D), 0x02);
    EXPECT_TRUE(events() & sm1_event) << "reading the status byte acknowledges nothing";
    EXPECT_TRUE(slave_writes(0x1081, 14));
    EXPECT_EQ(status(1), 0x02) << "only the first byte takes the event";
    EXPECT_TRUE(events() & sm1_event);
    EXPECT_TRUE(slave_writes(0x1080, 1));
    EXPECT_EQ(status(1), 0x00);
    EXPECT_FALSE(events() & sm1_event);
    EXPECT_EQ(master_reads(0x1080, 16), 0) << "still empty: the last byte was not written again";

    EXPECT_TRUE(slave_writes(0x1080, 16));
    EXPECT_EQ(status(1), 0x09);
    EXPECT_EQ(master_reads(0x1080, 16), 1);
    EXPECT_EQ(status(1), 0x02);
    EXPECT_TRUE(events() & sm1_event);
}

TEST_F(sm_events, of_the_pdi_control_byte_only_the_deactivate_bit_empties_a_buffer)
{
    ASSERT_EQ(master_writes(0x1000, 16), 1);
    ASSERT_TRUE(slave_writes(0x1080, 16));
    EXPECT_TRUE(slave_writes(0x0807, 1, 0x02));
    EXPECT_TRUE(slave_writes(0x080F, 1, 0x02));
    EXPECT_EQ(status(0), 0x09);
    EXPECT_EQ(status(1), 0x09);
    EXPECT_TRUE(events() & sm0_event);
    EXPECT_EQ(master_sees(0x080F), 0x02) << "the master sees the repeat acknowledge";
    EXPECT_EQ(master_writes(0x1000, 16), 0) << "SM0 still holds the mailbox";
    EXPECT_EQ(master_writes(0x080F, 1), 1);
    EXPECT_EQ(master_sees(0x080F), 0x02) << "the PDI control byte is the slave's alone";

    EXPECT_TRUE(slave_writes(0x080F, 1, 0x03));
    EXPECT_TRUE(slave_writes(0x080F, 1, 0x02));
    EXPECT_EQ(status(1), 0x00);
    EXPECT_EQ(master_reads(0x1080, 16), 0) << "SM1 was emptied";
    EXPECT_TRUE(slave_writes(0x0807, 1, 0x01));
    EXPECT_EQ(status(0), 0x00);
    EXPECT_FALSE(events() & sm0_event);
    EXPECT_TRUE(slave_writes(0x0807, 1, 0x00));
    EXPECT_EQ(master_writes(0x1000, 16), 1) << "SM0 takes a new mailbox";
}

TEST_F(sm_events, a_master_write_of_an_activation_register_raises_event_4_until_the_slave_reads_one)
{
    EXPECT_TRUE(events() & activation_event) << "the mailbox configuration wrote both";
    EXPECT_EQ(slave_sees(0x0805), 0x00);
    EXPECT_EQ(slave_sees(0x0807), 0x00);
    EXPECT_TRUE(events() & activation_event) << "status and PDI control are not the activation register";
    EXPECT_EQ(slave_sees(0x0806), 0x01);
    EXPECT_FALSE(events() & activation_event);

    ASSERT_TRUE(slave_writes(0x1080, 16));
    EXPECT_EQ(driver.fpwr(station, 0x080E, {0x03}).working_counter, 1) << "repeat request toggled";
    EXPECT_TRUE(driver.fprd(station, 0x0220, 1).data[0] & activation_event);
    EXPECT_EQ(status(1), 0x09) << "a repeat request keeps the buffer";
    EXPECT_EQ(slave_sees(0x080E), 0x03);
    EXPECT_FALSE(events() & activation_event);

    ASSERT_EQ(master_writes(0x1000, 16), 1);
    EXPECT_EQ(driver.fpwr(station, 0x0806, {0x00}).working_counter, 1);
    EXPECT_TRUE(events() & activation_event);
    EXPECT_EQ(status(0), 0x00) << "switched off: emptied";
    EXPECT_FALSE(events() & sm0_event);
    EXPECT_EQ(driver.fpwr(station, 0x0806, {0x01}).working_counter, 1);
    EXPECT_EQ(master_writes(0x1000, 16), 1);
    EXPECT_EQ(status(0), 0x09);
}
