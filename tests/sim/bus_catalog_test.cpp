// Slave lists and the kestio-sim command line.
#include <gtest/gtest.h>

#include "sim/bus/bus_catalog.h"
#include "sim/bus/fault_commands.h"
#include "sim/bus/sim_options.h"
#include "sim/cards/card_jig.h"

TEST(slave_lists, names_repeats_and_the_default_of_three_generic_slaves)
{
    std::vector<std::string> models;
    std::string error;
    ASSERT_TRUE(sim::parse_slave_list("", models, error));
    EXPECT_EQ(models, (std::vector<std::string>{"generic", "generic", "generic"}));
    ASSERT_TRUE(sim::parse_slave_list(" Generic*2 , NOMAILBOX", models, error));
    EXPECT_EQ(models, (std::vector<std::string>{"generic", "generic", "nomailbox"}));
}

TEST(slave_lists, malformed_specs_and_unknown_models_are_refused_with_a_reason)
{
    std::vector<std::string> models;
    std::string error;
    EXPECT_FALSE(sim::parse_slave_list("generic,ZEIO-X", models, error));
    EXPECT_NE(error.find("unknown slave model 'ZEIO-X'"), std::string::npos) << error;
    EXPECT_NE(error.find("generic"), std::string::npos);
    for (const char* bad : {"generic,,generic", "generic,", "generic*0", "generic*x", "generic*99999", "*2"}) {
        error.clear();
        EXPECT_FALSE(sim::parse_slave_list(bad, models, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

TEST(slave_lists, a_bus_gets_the_named_slaves_in_a_line_with_serials_by_position)
{
    std::string error;
    auto segment = sim::make_bus("generic,nomailbox", 1, error);
    ASSERT_TRUE(segment) << error;
    ASSERT_EQ(segment->slave_count(), 2u);
    EXPECT_EQ(segment->with_slave(1, [](sim::slave& s) { return s.description().model; }), "nomailbox");
    EXPECT_EQ(segment->with_slave(1, [](sim::slave& s) { return s.description().serial; }), 2u);
    EXPECT_FALSE(sim::make_bus("bogus", 1, error));
}

TEST(sim_options, parses_the_interface_the_bus_and_the_faults)
{
    sim::sim_options options;
    std::string error;
    ASSERT_TRUE(sim::parse_sim_options({"--iface", "veth1", "--slaves", "generic*2", "--seed", "9", "--drop", "0.25",
                                        "--delay", "3", "--sii-busy", "2", "--refuse", "1:SAFEOP:0x1D", "--al-error",
                                        "0:0x1A", "--mailbox-error", "1:2"},
                                       options, error))
        << error;
    EXPECT_EQ(options.interface, "veth1");
    EXPECT_EQ(options.seed, 9u);
    EXPECT_DOUBLE_EQ(options.drop_probability, 0.25);
    EXPECT_EQ(options.reply_delay, 3u);
    ASSERT_EQ(options.refusals.size(), 1u);
    EXPECT_EQ(options.refusals[0].state, 0x04);
    EXPECT_EQ(options.refusals[0].code, 0x1D);
    EXPECT_EQ(options.al_errors[0].code, 0x1A);

    auto segment = sim::make_bus(options.slaves, options.seed, error);
    ASSERT_TRUE(segment);
    EXPECT_TRUE(sim::apply_faults(options, *segment, error)) << error;
    options.al_errors[0].slave = 5;
    EXPECT_FALSE(sim::apply_faults(options, *segment, error));
    EXPECT_NE(error.find("no slave 5"), std::string::npos);
}

TEST(sim_options, refuses_what_it_does_not_understand)
{
    sim::sim_options options;
    std::string error;
    EXPECT_FALSE(sim::parse_sim_options({}, options, error));
    EXPECT_FALSE(sim::parse_sim_options({"--iface"}, options, error));
    EXPECT_FALSE(sim::parse_sim_options({"--iface", "x", "--drop", "2"}, options, error));
    EXPECT_FALSE(sim::parse_sim_options({"--iface", "x", "--refuse", "1:RUN"}, options, error));
    EXPECT_FALSE(sim::parse_sim_options({"--iface", "x", "--colour", "red"}, options, error));
    EXPECT_NE(error.find("--colour"), std::string::npos);
    EXPECT_TRUE(sim::parse_sim_options({"--help"}, options, error));
    EXPECT_TRUE(options.help);
}

TEST(fault_commands, lines_typed_at_a_running_bus_reach_it_and_nonsense_is_refused)
{
    std::string error;
    auto segment = sim::make_bus("generic*2", 1, error);
    ASSERT_TRUE(segment);
    for (const char* line : {"", "unplug 1", "replug 1", "link down", "link up", "drop 0.5", "delay 2", "corrupt",
                             "refuse 0 SAFEOP 0x1D", "refuse 0 none", "al-error 1 0x1A", "sii-busy 0 3", "sii-error 0",
                             "mailbox-error 1 2 3", "emergency 0 0x8110", "emergency-in-transfer 1"})
        EXPECT_TRUE(sim::run_fault_command(line, *segment, error)) << line << ": " << error;
    EXPECT_EQ(segment->with_slave(1, [](sim::slave& s) { return s.faults().mailbox_errors; }), 3u);

    segment->set_link(true);
    for (const char* line :
         {"unplug 2", "unplug", "link sideways", "drop 1.5", "refuse 0 RUN", "al-error 0", "reboot 0"}) {
        error.clear();
        EXPECT_FALSE(sim::run_fault_command(line, *segment, error)) << line;
        EXPECT_NE(error.find("cannot do"), std::string::npos) << line;
    }
}

TEST(slave_lists, firmware_items_take_the_keys_that_follow_them_and_stand_anywhere)
{
    std::vector<sim::slave_item> items;
    std::string error;
    ASSERT_TRUE(sim::parse_slave_items(
        "ZEIO, firmware=/a.so,sii=/a.bin,name=left,firmware=/b.so,name=right,sii=/b.bin, generic*2", items, error))
        << error;
    ASSERT_EQ(items.size(), 5u);
    EXPECT_EQ(items[0].model, "ZEIO");
    EXPECT_TRUE(items[1].model.empty());
    EXPECT_EQ(items[1].firmware.library, "/a.so");
    EXPECT_EQ(items[1].firmware.sii, "/a.bin");
    EXPECT_EQ(items[1].firmware.name, "left");
    EXPECT_EQ(items[2].firmware.library, "/b.so");
    EXPECT_EQ(items[2].firmware.sii, "/b.bin");
    EXPECT_EQ(items[2].firmware.name, "right");
    EXPECT_EQ(items[4].model, "generic");

    std::vector<std::string> texts;
    ASSERT_TRUE(sim::parse_slave_list("firmware=/a.so,sii=/a.bin,nomailbox", texts, error));
    EXPECT_EQ(texts, (std::vector<std::string>{"firmware=/a.so,sii=/a.bin", "nomailbox"}));
}

TEST(slave_lists, firmware_items_without_an_image_or_with_stray_keys_are_refused)
{
    std::vector<sim::slave_item> items;
    const struct {
        const char* spec;
        const char* reason;
    } bad[] = {
        {"firmware=/a.so", "needs its SII image"},
        {"firmware=/a.so,generic,sii=/a.bin", "needs its SII image"},
        {"sii=/a.bin,firmware=/a.so", "belongs right after a firmware="},
        {"firmware=/a.so,sii=/a.bin,sii=/b.bin", "sii= is given twice"},
        {"firmware=/a.so,sii=", "empty sii="},
        {"firmware=,sii=/a.bin", "empty firmware="},
        {"generic,name=x", "belongs right after a firmware="},
    };
    for (const auto& entry : bad) {
        std::string error;
        EXPECT_FALSE(sim::parse_slave_items(entry.spec, items, error)) << entry.spec;
        EXPECT_NE(error.find(entry.reason), std::string::npos) << entry.spec << ": " << error;
    }
}

TEST(sim_options, slave_items_follow_the_list_or_replace_the_default)
{
    sim::sim_options options;
    std::string error;
    ASSERT_TRUE(sim::parse_sim_options(
        {"--iface", "x", "--slave", "firmware=/a.so,sii=/a.bin", "--slaves", "ZEIO", "--slave", "generic"}, options,
        error))
        << error;
    EXPECT_EQ(sim::slave_list(options), "ZEIO,firmware=/a.so,sii=/a.bin,generic");
    ASSERT_TRUE(sim::parse_sim_options({"--iface", "x", "--slave", "firmware=/a.so,sii=/a.bin"}, options, error));
    EXPECT_EQ(sim::slave_list(options), "firmware=/a.so,sii=/a.bin");
}

TEST(sim_options, card_faults_are_read_at_start_and_put_on_their_cards)
{
    sim::sim_options options;
    std::string error;
    ASSERT_TRUE(sim::parse_sim_options(
        {"--iface", "x", "--slaves", "ZEIO", "--card-fault", "stuck 0 out 1 1", "--card-fault", "serial-dead 0"},
        options, error))
        << error;
    EXPECT_EQ(options.card_faults, (std::vector<std::string>{"stuck 0 out 1 1", "serial-dead 0"}));
    auto segment = sim::make_bus(options.slaves, options.seed, error);
    ASSERT_TRUE(segment);
    ASSERT_TRUE(sim::apply_faults(options, *segment, error)) << error;
    EXPECT_EQ(
        segment->with_slave(0, [](sim::slave& s) { return sim::cards::card_of(s)->board().faults().wired_inputs(0); }),
        0x0002);

    options.card_faults = {"can-dead 0"};
    EXPECT_FALSE(sim::apply_faults(options, *segment, error));
    EXPECT_EQ(error, "cannot do 'can-dead 0': the ZEIO at 0 has no CAN port");
    EXPECT_FALSE(sim::parse_sim_options({"--iface", "x", "--card-fault", "stuck 0 out"}, options, error));
    EXPECT_EQ(error, "--card-fault 'stuck 0 out': use stuck N out|in BIT 0|1");
}
