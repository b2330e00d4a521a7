#include <gtest/gtest.h>

#include "check/default_plan.h"
#include "check/plan_loader.h"
#include "check/plan_printer.h"

namespace {

using namespace check;

TEST(check_plan, printed_plan_of_every_model_loads_back_the_same)
{
    const check_plan built_in = built_in_plan();
    for (const model_plan& model : built_in.models) {
        SCOPED_TRACE(model.model);
        plan_load_result loaded = load_plan_text(plan_file_text(model), "printed.toml");
        ASSERT_TRUE(loaded.ok()) << loaded.errors.front();
        EXPECT_EQ(*loaded.plan.find(model.model), model);
    }
}

TEST(check_plan, changed_values_survive_the_round_trip)
{
    model_plan changed = *built_in_plan().find("KOVA-H");
    changed.identity.minimum_software = "V1.3.0";
    changed.identity.hardware_name = "KOVA-H \"rev B\"\\x";
    changed.digital.wiring = {{15, 8}, {0, 0}};
    changed.analog.voltages = {0.1, 1.0 / 3.0, 10.0};
    changed.analog.tolerance_v = 0.05;
    changed.motion.pwm_duty = 0.125;
    changed.can.frames = {{0x1FFFFFFF, true, 48}};
    changed.serial.baud_rates = {4800};
    plan_load_result loaded = load_plan_text(plan_toml(changed), "changed.toml");
    ASSERT_TRUE(loaded.ok()) << loaded.errors.front();
    EXPECT_EQ(*loaded.plan.find("KOVA-H"), changed);
    // and the other models keep the built-in plan
    EXPECT_EQ(*loaded.plan.find("ZEIO"), *built_in_plan().find("ZEIO"));
}

TEST(check_plan, digest_follows_the_meaning_not_the_text)
{
    const std::string built_in = plan_digest(built_in_plan());
    EXPECT_EQ(built_in.rfind("fnv1a64:", 0), 0u);
    EXPECT_EQ(built_in.size(), 8u + 16u);
    // same values written another way: only some keys, another order, an integer for a float
    plan_load_result same = load_plan_text("[ZEIO.analog]\nsamples = 10\ntolerance_v = 0.1\nvoltages = "
                                           "[0.5, 2.5, 5, 7.5, 9.5]\n",
                                           "same.toml");
    ASSERT_TRUE(same.ok());
    EXPECT_EQ(plan_digest(same.plan), built_in);
    plan_load_result other = load_plan_text("[ZEIO.analog]\nsamples = 11\n", "other.toml");
    ASSERT_TRUE(other.ok());
    EXPECT_NE(plan_digest(other.plan), built_in);
}

TEST(check_plan, relative_reference_ini_is_taken_from_the_plan_folder)
{
    plan_load_result loaded =
        load_plan_text("[KOVA-AD.settings]\nreference_ini = \"ref/card.ini\"\n", "/plans/line.toml", "/plans");
    ASSERT_TRUE(loaded.ok());
    EXPECT_EQ(loaded.plan.find("KOVA-AD")->settings.reference_ini, "/plans/ref/card.ini");
}

struct bad_plan {
    const char* text;
    const char* expected; // the whole error line but the file name
};

TEST(check_plan, refused_plans_name_file_line_and_key)
{
    const bad_plan cases[] = {
        {"[ZEIO.analog]\n\ntolerance_v = 0\n", ":3: ZEIO.analog.tolerance_v: 0 is out of range (0.001 to 10)"},
        {"[ZEIO.analog]\nsamples = \"ten\"\n", ":2: ZEIO.analog.samples: expected an integer, found string"},
        {"[ZEIO.analog]\nvoltages = [1.0, 12.0]\n", ":2: ZEIO.analog.voltages[1]: 12 is out of range (0 to 10)"},
        {"[ZEIO.analog]\nwiring = [[4, 0]]\n", ":2: ZEIO.analog.wiring[0]: 4 is out of range (0 to 3)"},
        {"[ZEIO.analog]\ntollerance_v = 0.1\n", ":2: ZEIO.analog.tollerance_v: unknown key"},
        {"[ZEIO.digital]\nwiring = [[0, 1], [2, 1]]\n", ":2: ZEIO.digital.wiring[1]: input 1 is fed twice"},
        {"[ZEIO.digital]\nwiring = [[0, 1, 2]]\n", ":2: ZEIO.digital.wiring[0]: expected a pair [from, to]"},
        {"[ZEIO.can]\nenabled = true\n", ":1: ZEIO.can: ZEIO has no CAN port"},
        {"[KOVA-16IO.motion]\npwm = true\n",
         ":1: KOVA-16IO.motion: KOVA-16IO has no counter, encoder, PWM or comparators"},
        {"[KOVA-H.motion]\ncomparators = true\n", ":2: KOVA-H.motion.comparators: KOVA-H has no comparators"},
        {"[KOVA-H.can]\nnominal_bit_rate = 300000\n",
         ":2: KOVA-H.can.nominal_bit_rate: 300000 is no bit rate of the card"},
        {"[KOVA-H.can]\nframes = [{ id = 1, fd = false, length = 12 }]\n",
         ":2: KOVA-H.can.frames[0].length: 12 is over 8 for a classic frame"},
        {"[KOVA-H.can]\nframes = [{ id = 1, fd = true, length = 9 }]\n",
         ":2: KOVA-H.can.frames[0].length: 9 is no CAN FD payload size"},
        {"[KOVA-H.modbus]\nslave_id = 0\n", ":2: KOVA-H.modbus.slave_id: 0 is out of range (1 to 247)"},
        {"[ZEIO.identity]\nminimum_software = \"new\"\n",
         ":2: ZEIO.identity.minimum_software: 'new' is no version such as \"V1.2.0\""},
        {"[ZEIO.identity]\nvendor_id = -1\n", ":2: ZEIO.identity.vendor_id: -1 is out of range (0 to 4294967295)"},
        {"[ZEIO.identity]\nenabled = 1\n", ":2: ZEIO.identity.enabled: expected true or false, found integer"},
        {"[ZEIO]\n[ZIEO.digital]\nenabled = true\n", ":2: ZIEO: unknown model (ZEIO, KOVA-H, KOVA-16IO, KOVA-AD)"},
        {"ZEIO = 1\n", ":1: ZEIO: expected a table"},
        {"[ZEIO.analog]\nsamples = \n", ":2: Error while parsing"},
    };
    for (const bad_plan& c : cases) {
        SCOPED_TRACE(c.text);
        plan_load_result loaded = load_plan_text(c.text, "bad.toml");
        ASSERT_EQ(loaded.errors.size(), 1u);
        EXPECT_EQ(loaded.errors[0].rfind(std::string("bad.toml") + c.expected, 0), 0u) << loaded.errors[0];
    }
}

TEST(check_plan, every_error_of_a_file_is_reported)
{
    plan_load_result loaded = load_plan_text("[ZEIO.analog]\nsamples = 0\nsettle_ms = -1\n", "bad.toml");
    EXPECT_EQ(loaded.errors.size(), 2u);
}

TEST(check_plan, missing_file_is_an_error_naming_it)
{
    plan_load_result loaded = load_plan_file("/nonexistent/plan.toml");
    ASSERT_EQ(loaded.errors.size(), 1u);
    EXPECT_EQ(loaded.errors[0], "/nonexistent/plan.toml: cannot be read");
}

} // namespace
