// The check run on the simulated bus with the loop-back jig: through kestio-cli, and with a
// stop in the middle of driving the outputs, read back from the simulated cards.
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "card/card_bus_fixture.h"
#include "check/default_plan.h"
#include "check/results_store.h"
#include "check_run/bus_card_port.h"
#include "check_run/check_runner.h"
#include "cli/cli.h"

namespace {

const std::string four_cards = "--simulate=ZEIO,KOVA-H,KOVA-16IO,KOVA-AD";

class check_run_files : public ::testing::Test {
protected:
    void SetUp() override
    {
        folder = std::filesystem::path(testing::TempDir()) / ("check_run_" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }
    std::string file(const std::string& name) const { return (folder / name).string(); }

    std::filesystem::path folder;
};

TEST_F(check_run_files, a_clean_four_card_bus_passes_every_card_and_writes_every_record)
{
    std::ostringstream out, err;
    int status = cli::run({four_cards, "check", "all", "--db", file("results.sqlite"), "--json", file("run.json"),
                           "--junit", file("run.xml"), "--operator", "Li", "--station", "line 2"},
                          out, err);
    ASSERT_EQ(status, 0) << err.str() << out.str();
    EXPECT_EQ(out.str().find("FAIL"), std::string::npos) << out.str();
    for (const char* row : {"0     ZEIO", "1     KOVA-H", "2     KOVA-16IO", "3     KOVA-AD"})
        EXPECT_NE(out.str().find(row), std::string::npos) << row;
    EXPECT_NE(out.str().find("back in their safe state"), std::string::npos);

    nlohmann::json run = nlohmann::json::parse(std::ifstream(file("run.json")));
    EXPECT_EQ(run["verdict"], "pass");
    EXPECT_EQ(run["station"], "line 2");
    ASSERT_EQ(run["cards"].size(), 4u);
    EXPECT_TRUE(std::filesystem::file_size(file("run.xml")) > 0);

    std::string error;
    auto store = check::results_store::open(file("results.sqlite"), error);
    ASSERT_TRUE(store) << error;
    std::vector<check::history_row> rows = store->history({}, error);
    ASSERT_EQ(rows.size(), 4u) << error;
    for (const check::history_row& row : rows) {
        EXPECT_EQ(row.verdict, "pass") << row.model;
        EXPECT_FALSE(row.ended.empty());
    }
}

TEST_F(check_run_files, a_plan_with_errors_is_refused_before_the_bus_or_the_database_is_touched)
{
    std::ofstream(file("bad.toml")) << "[KOVA-H.digital]\nsettle_ms = -1\n";
    std::ostringstream out, err;
    EXPECT_EQ(cli::run({four_cards, "check", "--plan", file("bad.toml"), "--db", file("results.sqlite")}, out, err), 2);
    EXPECT_NE(err.str().find("bad.toml:2: KOVA-H.digital.settle_ms"), std::string::npos) << err.str();
    EXPECT_EQ(out.str(), "");
    EXPECT_FALSE(std::filesystem::exists(file("results.sqlite")));
}

TEST_F(check_run_files, a_scanned_serial_that_differs_fails_the_identity_of_that_card)
{
    std::ostringstream out, err;
    EXPECT_EQ(cli::run({four_cards, "check", "2", "--expect-serial", "2025060300010009", "--db", "none"}, out, err), 1)
        << err.str();
    EXPECT_NE(out.str().find("card 2 2025060300010003  identity.serial  '2025060300010003', expected "
                             "'2025060300010009'  FAIL"),
              std::string::npos)
        << out.str();
    EXPECT_EQ(out.str().find("card 0 "), std::string::npos); // the other cards were left alone
}

TEST_F(check_run_files, settings_that_differ_from_the_plans_reference_file_fail_naming_the_key)
{
    std::ofstream(file("reference.ini")) << "[AD_Mode]\r\nAD01_Mode=1\r\n[CMP1]\r\nOpposite=1\r\n";
    std::ofstream(file("plan.toml")) << "[KOVA-AD.settings]\nreference_ini = \"reference.ini\"\n";
    std::ostringstream out, err;
    EXPECT_EQ(cli::run({four_cards, "check", "3", "--plan", file("plan.toml"), "--db", "none"}, out, err), 1)
        << err.str();
    EXPECT_NE(out.str().find("settings.reference  1 keys  [0 .. 0] keys  2 keys compared; differ: CMP1.Opposite 0 "
                             "(file 1)  FAIL"),
              std::string::npos)
        << out.str();
}

TEST_F(check_run_files, no_card_at_the_position_asked_for_cannot_be_tested)
{
    std::ostringstream out, err;
    EXPECT_EQ(cli::run({four_cards, "check", "4", "--db", "none"}, out, err), 2);
    EXPECT_EQ(err.str(), "check: no card at '4' (4 on the bus)\n");
}

class check_run_stop : public cardtest::card_bus_fixture { };

TEST_F(check_run_stop, a_stop_while_the_cards_drive_their_outputs_leaves_every_output_at_zero)
{
    start("ZEIO,KOVA-H");
    std::vector<check::card_under_test> cards;
    for (uint16_t position = 0; position < 2; ++position)
        cards.push_back({position, std::make_unique<check::bus_card_port>(*m, position)});
    const check::check_plan plan = check::built_in_plan();
    std::atomic<bool> stop{false};
    check::run_settings settings;
    settings.plan = &plan;
    settings.stop = &stop;
    int recorded = 0;
    settings.card_done = [&](const check::card_result&) { ++recorded; };
    // stop as soon as a DA output is driven: the analog group is in the middle of its sweep
    std::thread operator_hand([&] {
        ASSERT_TRUE(wait_until([&] { return card_number(0, 0x2310, 0) != 0 || card_number(1, 0x2311, 0) != 0; }));
        stop = true;
    });
    std::ostringstream out;
    std::vector<check::card_outcome> outcomes = check::run_cards(cards, settings, out);
    operator_hand.join();

    for (size_t id = 0; id < 2; ++id) {
        EXPECT_FALSE(outcomes[id].complete) << id;
        EXPECT_TRUE(outcomes[id].safe) << id;
        EXPECT_EQ(card_number(id, 0x2300, 0), 0u) << id;
        for (uint16_t da = 0; da < (id == 0 ? 4 : 2); ++da)
            EXPECT_EQ(card_number(id, uint16_t(0x2310 + da), 0), 0u) << id << " DA" << da;
    }
    EXPECT_EQ(recorded, 0); // a card cut short goes in no record
    EXPECT_EQ(out.str().find("serial.loopback"), std::string::npos);
}

} // namespace
