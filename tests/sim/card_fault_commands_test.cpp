// Card faults as typed: every form read, bad forms and faults a card cannot have refused.
#include <gtest/gtest.h>

#include "sim/bus/bus_catalog.h"
#include "sim/bus/fault_commands.h"
#include "sim/cards/card_fault_commands.h"
#include "sim/cards/card_fault_set.h"

namespace {

using sim::cards::card_fault;
using kind = card_fault::kind;

TEST(card_fault_commands, every_form_is_read_into_its_fault)
{
    const struct {
        const char* line;
        kind what;
        size_t slave;
        unsigned first, second;
        double value;
    } forms[] = {
        {"stuck 1 out 3 1", kind::stuck_output, 1, 3, 1, 0}, {"stuck 0 in 15 0", kind::stuck_input, 0, 15, 0, 0},
        {" short  2 4 5 ", kind::short_outputs, 2, 4, 5, 0}, {"ad-offset 3 15 -12.5", kind::ad_offset, 3, 15, 0, -12.5},
        {"ad-gain 0 1 1.05", kind::ad_gain, 0, 1, 0, 1.05},  {"ad-noise 0x1 2 40", kind::ad_noise, 1, 2, 0, 40},
        {"serial-dead 4", kind::serial_dead, 4, 0, 0, 0},    {"can-dead 1", kind::can_dead, 1, 0, 0, 0},
        {"modbus-dead 0", kind::modbus_dead, 0, 0, 0, 0},    {"card-ok 511", kind::card_ok, 511, 0, 0, 0},
    };
    for (const auto& f : forms) {
        card_fault read;
        std::string error;
        ASSERT_TRUE(sim::cards::parse_card_fault(f.line, read, error)) << f.line << ": " << error;
        EXPECT_EQ(read.what, f.what) << f.line;
        EXPECT_EQ(read.slave, f.slave) << f.line;
        EXPECT_EQ(read.first, f.first) << f.line;
        EXPECT_EQ(read.second, f.second) << f.line;
        EXPECT_DOUBLE_EQ(read.value, f.value) << f.line;
    }
}

TEST(card_fault_commands, bad_forms_are_refused_with_the_form_they_should_have)
{
    const struct {
        const char* line;
        const char* message;
    } bad[] = {
        {"stuck 1 out 3", "use stuck N out|in BIT 0|1"},
        {"stuck 1 sideways 3 1", "use stuck N out|in BIT 0|1"},
        {"stuck 1 out 3 2", "use stuck N out|in BIT 0|1"},
        {"stuck -1 out 3 1", "use stuck N out|in BIT 0|1"},
        {"short 1 4 4", "use short N BIT1 BIT2"},
        {"short 1 4", "use short N BIT1 BIT2"},
        {"ad-offset 0 1 lots", "use ad-offset N CH MV"},
        {"ad-offset 0 1 30001", "use ad-offset N CH MV"},
        {"ad-gain 0 1 -1", "use ad-gain N CH FACTOR"},
        {"ad-gain 0 1 nan", "use ad-gain N CH FACTOR"},
        {"ad-noise 0 1 2.5", "use ad-noise N CH LSB"},
        {"serial-dead", "use serial-dead N"},
        {"card-ok 512", "use card-ok N"},
        {"can-dead 1 now", "use can-dead N"},
        {"unstick 1", "no card fault is named 'unstick'"},
    };
    for (const auto& b : bad) {
        card_fault read;
        std::string error;
        EXPECT_FALSE(sim::cards::parse_card_fault(b.line, read, error)) << b.line;
        EXPECT_EQ(error, b.message) << b.line;
    }
}

TEST(card_fault_commands, a_fault_the_card_cannot_have_is_refused_naming_what_it_has)
{
    std::string error;
    auto segment = sim::make_bus("ZEIO,KOVA-H,KOVA-16IO,KOVA-AD,generic", 1, error);
    ASSERT_TRUE(segment) << error;
    for (const char* line :
         {"stuck 0 out 7 1", "stuck 1 out 15 0", "stuck 1 in 8 1", "short 2 0 15", "ad-offset 0 15 5", "ad-gain 1 3 2",
          "ad-noise 2 1 9", "serial-dead 0", "modbus-dead 1", "can-dead 1", "card-ok 3"})
        EXPECT_TRUE(sim::cards::run_card_fault(*segment, line, error)) << line << ": " << error;

    const struct {
        const char* line;
        const char* message;
    } refused[] = {
        {"stuck 0 out 8 1", "cannot do 'stuck 0 out 8 1': the ZEIO at 0 has outputs 0 to 7"},
        {"stuck 1 in 9 1", "cannot do 'stuck 1 in 9 1': the KOVA-H at 1 has inputs 0 to 8"},
        {"short 3 7 8", "cannot do 'short 3 7 8': the KOVA-AD at 3 has outputs 0 to 7"},
        {"ad-offset 1 4 5", "cannot do 'ad-offset 1 4 5': the KOVA-H at 1 has 12-bit AD inputs 0 to 3"},
        {"ad-noise 3 16 5", "cannot do 'ad-noise 3 16 5': the KOVA-AD at 3 has 24-bit AD inputs 0 to 15"},
        {"can-dead 0", "cannot do 'can-dead 0': the ZEIO at 0 has no CAN port"},
        {"serial-dead 2", "cannot do 'serial-dead 2': the KOVA-16IO at 2 has no serial port"},
        {"modbus-dead 3", "cannot do 'modbus-dead 3': the KOVA-AD at 3 has no serial port"},
        {"card-ok 4", "cannot do 'card-ok 4': slave 4 is no IO card"},
        {"stuck 5 out 0 1", "cannot do 'stuck 5 out 0 1': the bus has 5 slaves, numbered from 0"},
    };
    for (const auto& r : refused) {
        EXPECT_FALSE(sim::cards::run_card_fault(*segment, r.line, error)) << r.line;
        EXPECT_EQ(error, r.message);
    }
}

TEST(card_fault_set, shorts_sharing_a_line_join_then_stuck_outputs_then_stuck_inputs_win)
{
    sim::cards::card_fault_set faults({16, 16, 0, false, false, false}, 1);
    faults.short_outputs(1, 2);
    faults.short_outputs(2, 3);
    EXPECT_EQ(faults.wired_inputs(0x0002), 0x000E);
    EXPECT_EQ(faults.wired_inputs(0x0008), 0x000E);
    EXPECT_EQ(faults.wired_inputs(0x0010), 0x0010);
    faults.stick_output(2, false);
    EXPECT_EQ(faults.wired_inputs(0x0002), 0x000A);
    faults.stick_input(3, false);
    faults.stick_input(3, true);
    EXPECT_EQ(faults.wired_inputs(0x0000), 0x0008) << "the last level typed for a bit holds";
    faults.clear();
    EXPECT_EQ(faults.wired_inputs(0x0002), 0x0002);
}

TEST(card_fault_commands, typed_at_a_running_bus_they_reach_the_card_or_are_refused)
{
    std::string error;
    auto segment = sim::make_bus("KOVA-H", 1, error);
    ASSERT_TRUE(segment);
    for (const char* line : {"stuck 0 out 3 1", "short 0 1 2", "ad-gain 0 0 0", "can-dead 0", "card-ok 0"})
        EXPECT_TRUE(sim::run_fault_command(line, *segment, error)) << line << ": " << error;
    EXPECT_FALSE(sim::run_fault_command("stuck 0 out 16 1", *segment, error));
    EXPECT_EQ(error, "cannot do 'stuck 0 out 16 1': the KOVA-H at 0 has outputs 0 to 15\n");
}

} // namespace
