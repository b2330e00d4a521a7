// The check groups and the runner against a fake card: a clean card passes every check its
// model has, and each fault fails exactly one check, which names the channel.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>

#include <gtest/gtest.h>

#include "check/default_plan.h"
#include "check_run/card_checks.h"
#include "check_run/check_runner.h"
#include "fake_card_port.h"

namespace {

using checktest::fake_card_port;
using checktest::fake_faults;

struct finished_run {
    std::unique_ptr<check::card_port> port; // kept, so that the card can be looked at afterwards
    check::card_outcome outcome;
    std::vector<check::check_result> failed;
};

finished_run run(std::unique_ptr<fake_card_port> port, const check::check_plan& plan,
                 const std::string& expected_serial = {}, const std::atomic<bool>* stop = nullptr)
{
    check::card_under_test card{2, std::move(port)};
    check::run_settings settings;
    settings.plan = &plan;
    settings.expected_serial = expected_serial;
    settings.stop = stop;
    finished_run result;
    result.outcome = check::run_card(card, settings, [](const check::card_result&, const check::check_result&) {});
    for (const check::check_result& c : result.outcome.result.checks)
        if (c.verdict == check::verdict::fail)
            result.failed.push_back(c);
    result.port = std::move(card.port);
    return result;
}

bool has_check(const check::card_result& card, const std::string& name)
{
    for (const check::check_result& c : card.checks)
        if (c.name == name)
            return true;
    return false;
}

TEST(check_groups, a_clean_card_of_each_model_passes_every_check_its_model_has)
{
    struct model_case {
        const char* model;
        std::vector<std::string> present, absent;
    };
    const model_case cases[] = {
        {"ZEIO",
         {"digital.out7_in7", "analog.da1_ad1.noise", "motion.comparator1", "serial.loopback",
          "modbus.holding_register", "settings.read"},
         {"can.echo", "motion.pwm0", "motion.counter"}},
        {"KOVA-H",
         {"digital.out8_in8", "analog.da1_ad3", "motion.counter", "motion.pwm1", "can.echo"},
         {"settings.read", "motion.comparator0"}},
        {"KOVA-16IO", {"digital.out15_in15", "analog.da0_ad1"}, {"motion.encoder", "serial.loopback"}},
        {"KOVA-AD", {"analog.da3_ad15", "motion.comparator0", "settings.read"}, {"modbus.holding_register"}},
    };
    const check::check_plan plan = check::built_in_plan();
    for (const model_case& c : cases) {
        finished_run done = run(std::make_unique<fake_card_port>(c.model), plan);
        EXPECT_TRUE(done.outcome.tested && done.outcome.complete) << c.model;
        for (const check::check_result& failed : done.failed)
            ADD_FAILURE() << c.model << ": " << failed.name << " " << failed.detail;
        for (const std::string& name : c.present)
            EXPECT_TRUE(has_check(done.outcome.result, name)) << c.model << " " << name;
        for (const std::string& name : c.absent)
            EXPECT_FALSE(has_check(done.outcome.result, name)) << c.model << " " << name;
    }
}

TEST(check_groups, each_fault_fails_exactly_the_check_that_catches_it_and_names_the_channel)
{
    struct fault_case {
        const char* what;
        const char* model;
        fake_faults faults;
        std::function<void(check::model_plan&)> plan_change;
        std::string expected_serial;
        const char* check;
        const char* detail;
    };
    auto faults = [](std::function<void(fake_faults&)> set) {
        fake_faults f;
        set(f);
        return f;
    };
    const fault_case cases[] = {
        {"input stuck low",
         "KOVA-H",
         faults([](fake_faults& f) { f.stuck_input = 3; }),
         {},
         {},
         "digital.out3_in3",
         "in3 stays low"},
        {"input stuck high",
         "KOVA-16IO",
         faults([](fake_faults& f) { f.stuck_input = 12, f.stuck_high = true; }),
         {},
         {},
         "digital.out12_in12",
         "in12 stays high"},
        {"short to the neighbour",
         "ZEIO",
         faults([](fake_faults& f) { f.short_a = 4, f.short_b = 5; }),
         {},
         {},
         "digital.shorts",
         "in4-in5 shorted"},
        {"input also fed by the neighbour's output",
         "KOVA-H",
         faults([](fake_faults& f) { f.short_a = 7, f.short_b = 8, f.one_way = true; }),
         {},
         {},
         "digital.shorts",
         "in8-out7 shorted"},
        {"AD offset",
         "KOVA-H",
         faults([](fake_faults& f) { f.ad_channel = 3, f.ad_offset_v = 0.15; }),
         {},
         {},
         "analog.da1_ad3",
         "worst at"},
        {"AD offset on a latched input",
         "ZEIO",
         faults([](fake_faults& f) { f.ad_channel = 0, f.ad_offset_v = 0.3; }),
         {},
         {},
         "analog.da0_ad0",
         "worst at"},
        {"AD gain",
         "KOVA-AD",
         faults([](fake_faults& f) { f.ad_channel = 9, f.ad_gain = 1.03; }),
         {},
         {},
         "analog.da1_ad9",
         "worst at 9.5 V"},
        {"AD noise",
         "ZEIO",
         faults([](fake_faults& f) { f.ad_channel = 1, f.ad_noise_v = 0.05; }),
         {},
         {},
         "analog.da1_ad1.noise",
         "largest spread"},
        {"encoder still",
         "ZEIO",
         faults([](fake_faults& f) { f.encoder_still = true; }),
         {},
         {},
         "motion.encoder",
         "within 200 ms"},
        {"comparator dead",
         "KOVA-AD",
         faults([](fake_faults& f) { f.comparator_dead = 1; }),
         {},
         {},
         "motion.comparator1",
         "low at 4 V"},
        {"silent serial port",
         "ZEIO",
         faults([](fake_faults& f) { f.serial_dead = true; }),
         {},
         {},
         "serial.loopback",
         "9600 Bd: 0 of 64 bytes back"},
        {"Modbus slave silent",
         "KOVA-H",
         faults([](fake_faults& f) { f.modbus_dead = true; }),
         {},
         {},
         "modbus.holding_register",
         "timed out"},
        {"no CAN echo",
         "KOVA-H",
         faults([](fake_faults& f) { f.can_dead = true; }),
         {},
         {},
         "can.echo",
         "0x456 FD 64: no echo"},
        {"scanned serial differs",
         "ZEIO",
         {},
         {},
         "2025060100010002",
         "identity.serial",
         "expected '2025060100010002'"},
        {"software too old",
         "ZEIO",
         {},
         [](check::model_plan& p) { p.identity.minimum_software = "V2.10.0"; },
         {},
         "identity.software_version",
         "at least V2.10.0"},
    };
    for (const fault_case& c : cases) {
        check::check_plan plan = check::built_in_plan();
        if (c.plan_change)
            for (check::model_plan& model : plan.models)
                c.plan_change(model);
        finished_run done = run(std::make_unique<fake_card_port>(c.model, c.faults), plan, c.expected_serial);
        ASSERT_EQ(done.failed.size(), 1u) << c.what << ": first " << (done.failed.empty() ? "" : done.failed[0].name);
        EXPECT_EQ(done.failed[0].name, c.check) << c.what;
        EXPECT_NE(done.failed[0].detail.find(c.detail), std::string::npos) << c.what << ": " << done.failed[0].detail;
    }
}

TEST(check_groups, settings_differing_from_the_reference_file_name_the_key)
{
    const std::string path = testing::TempDir() + "reference_settings.ini";
    std::ofstream(path) << "[AD_Mode]\r\nAD01_Mode=1\r\n[CMP0]\r\nEnable=0\r\n";
    check::check_plan plan = check::built_in_plan();
    for (check::model_plan& model : plan.models)
        model.settings.reference_ini = path;
    finished_run done = run(std::make_unique<fake_card_port>("KOVA-AD"), plan);
    ASSERT_EQ(done.failed.size(), 1u);
    EXPECT_EQ(done.failed[0].name, "settings.reference");
    EXPECT_EQ(done.failed[0].detail, "2 keys compared; differ: CMP0.Enable 1 (file 0)");
    std::filesystem::remove(path);
}

TEST(check_groups, a_stop_ends_the_card_after_the_step_under_way_with_its_outputs_safe)
{
    std::atomic<bool> stop{false};
    auto port = std::make_unique<fake_card_port>("KOVA-H");
    fake_card_port* card = port.get();
    int writes = 0;
    card->on_write_outputs = [&] {
        if (++writes == 5)
            stop = true;
    };
    finished_run done = run(std::move(port), check::built_in_plan(), {}, &stop);
    EXPECT_TRUE(done.outcome.tested);
    EXPECT_FALSE(done.outcome.complete);
    EXPECT_FALSE(has_check(done.outcome.result, "analog.da0_ad0")); // no group after the stop
    EXPECT_EQ(card->outputs, 0u);
    EXPECT_GE(card->make_safe_calls, 1);
}

TEST(check_groups, a_card_of_no_known_model_or_with_refused_outputs_is_reported_as_such)
{
    finished_run unknown = run(std::make_unique<fake_card_port>("KOVA-X"), check::built_in_plan());
    EXPECT_FALSE(unknown.outcome.tested);
    EXPECT_EQ(unknown.outcome.problem, "unknown model 'KOVA-X'");

    fake_faults refusing;
    refusing.outputs_refused = true;
    finished_run refused = run(std::make_unique<fake_card_port>("KOVA-16IO", refusing), check::built_in_plan());
    ASSERT_EQ(refused.failed.size(), 1u);
    EXPECT_EQ(refused.failed[0].name, "digital.transfer");
    EXPECT_EQ(refused.failed[0].detail, "0x2300:00 failed (-5)");
}

} // namespace
