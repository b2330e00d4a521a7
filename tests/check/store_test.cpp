#include <gtest/gtest.h>

#include <filesystem>
#include <sqlite3.h>
#include <sys/wait.h>
#include <unistd.h>

#include "check/results_path.h"
#include "check/results_store.h"

namespace {

using namespace check;

check_result passed(const std::string& name)
{
    check_result c;
    c.name = name;
    c.verdict = verdict::pass;
    c.value = 5.0;
    c.low = 4.9;
    c.high = 5.1;
    c.unit = "V";
    return c;
}

card_result card(const std::string& serial, bool fails)
{
    card_result c;
    c.model = "ZEIO";
    c.identity.serial = serial;
    c.checks = {passed("analog.da0_ad0_5V"), passed("digital.walking_one.out0")};
    if (fails)
        c.checks[1].verdict = verdict::fail;
    return c;
}

run_record run_of(std::vector<card_result> cards)
{
    run_record run;
    run.station = "line-1";
    run.operator_name = "op";
    run.started = run.ended = std::chrono::system_clock::now();
    run.cards = std::move(cards);
    return run;
}

int64_t count_rows(const std::string& path, const char* table)
{
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, (std::string("SELECT count(*) FROM ") + table).c_str(), -1, &statement, nullptr);
    int64_t count = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int64(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return count;
}

class results_store_test : public testing::Test {
protected:
    void SetUp() override
    {
        folder = testing::TempDir() + "check_store_" + std::to_string(getpid()) + "_"
            + testing::UnitTest::GetInstance()->current_test_info()->name();
        std::filesystem::remove_all(folder);
        path = folder + "/sub/results.sqlite";
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    std::unique_ptr<results_store> open_store()
    {
        std::string error;
        auto store = results_store::open(path, error);
        EXPECT_TRUE(store) << error;
        return store;
    }

    std::string folder, path;
    std::string error;
};

TEST_F(results_store_test, card_tested_twice_shows_both_runs_and_filters_apply)
{
    auto store = open_store();
    ASSERT_TRUE(store->store_run(run_of({card("A1", true), card("B2", false)}), error)) << error;
    ASSERT_TRUE(store->store_run(run_of({card("A1", false)}), error)) << error;

    std::vector<history_row> a1 = store->history({"A1", 0, false}, error);
    ASSERT_EQ(a1.size(), 2u);
    EXPECT_EQ(a1[0].verdict, "pass"); // newest first
    EXPECT_EQ(a1[1].verdict, "fail");
    EXPECT_EQ(a1[1].failed_checks, "digital.walking_one.out0");
    EXPECT_NE(a1[0].run_id, a1[1].run_id);
    EXPECT_EQ(store->history({"", 0, true}, error).size(), 1u);
    ASSERT_EQ(store->history({"", 2, false}, error).size(), 2u);
    EXPECT_EQ(store->history({"", 1, false}, error)[0].serial, "A1");
    EXPECT_EQ(count_rows(path, "checks"), 6);
    EXPECT_TRUE(error.empty()) << error;
}

TEST_F(results_store_test, card_cut_short_leaves_nothing_of_itself)
{
    auto store = open_store();
    run_record run = run_of({});
    int64_t run_id = store->begin_run(run, error);
    ASSERT_GE(run_id, 0) << error;
    ASSERT_TRUE(store->add_card(run_id, card("A1", false), error));
    card_result broken = card("B2", false);
    broken.checks.push_back(passed("")); // the database refuses it after the card and two checks
    EXPECT_FALSE(store->add_card(run_id, broken, error));
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(count_rows(path, "cards"), 1);
    EXPECT_EQ(count_rows(path, "checks"), 2);
    // the connection is usable afterwards, and a run that never ended shows so
    EXPECT_TRUE(store->add_card(run_id, card("C3", false), error)) << error;
    std::vector<history_row> rows = store->history({}, error);
    ASSERT_EQ(rows.size(), 2u);
    EXPECT_EQ(rows[0].ended, "");
}

TEST_F(results_store_test, two_writers_at_once_both_land)
{
    ASSERT_TRUE(open_store());
    constexpr int runs_each = 40;
    pid_t children[2];
    for (pid_t& child : children) {
        child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            std::string child_error;
            auto store = results_store::open(path, child_error);
            bool ok = store != nullptr;
            for (int n = 0; ok && n < runs_each; ++n)
                ok = store->store_run(run_of({card("S" + std::to_string(getpid()), false)}), child_error);
            _exit(ok ? 0 : 1);
        }
    }
    for (pid_t child : children) {
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
    }
    EXPECT_EQ(count_rows(path, "runs"), 2 * runs_each);
    EXPECT_EQ(count_rows(path, "cards"), 2 * runs_each);
}

TEST_F(results_store_test, older_schema_is_upgraded_and_keeps_its_rows)
{
    std::filesystem::create_directories(folder + "/sub");
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "CREATE TABLE schema_version(version INTEGER NOT NULL);"
                           "INSERT INTO schema_version VALUES (1);",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, results_store::schema_step(1), nullptr, nullptr, nullptr), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db,
                           "INSERT INTO runs VALUES (1, 's', 'o', '2026-01-01T00:00:00Z', NULL, '0.1', 'd', 'p');"
                           "INSERT INTO cards VALUES (1, 1, 0, 'ZEIO', 'OLD1', 1, 2, 'ZEIO', 'V1', 'x', 'pass');",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);

    auto store = open_store();
    ASSERT_TRUE(store);
    EXPECT_EQ(count_rows(path, "sqlite_master WHERE type = 'index' AND name = 'cards_by_serial'"), 1);
    EXPECT_EQ(count_rows(path, "schema_version WHERE version = 2"), 1);
    EXPECT_EQ(store->history({"OLD1", 0, false}, error).size(), 1u);
}

TEST_F(results_store_test, newer_schema_is_refused)
{
    ASSERT_TRUE(open_store());
    sqlite3* db = nullptr;
    sqlite3_open(path.c_str(), &db);
    sqlite3_exec(db, "UPDATE schema_version SET version = 99", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    EXPECT_FALSE(results_store::open(path, error));
    EXPECT_NE(error.find("newer kestio-cli (schema 99"), std::string::npos) << error;
}

TEST(results_path, follows_xdg_data_home_and_falls_back_to_home)
{
    struct {
        const char* data_home; // null: unset
        const char* expected;
    } cases[] = {
        {"/data", "/data/kestio-test/results.sqlite"},
        {nullptr, "/home/op/.local/share/kestio-test/results.sqlite"},
        {"relative/data", "/home/op/.local/share/kestio-test/results.sqlite"}, // not absolute: ignored
    };
    const char* saved_home = std::getenv("HOME");
    const char* saved_data = std::getenv("XDG_DATA_HOME");
    const std::string home = saved_home ? saved_home : "", data = saved_data ? saved_data : "";
    setenv("HOME", "/home/op", 1);
    for (const auto& c : cases) {
        if (c.data_home)
            setenv("XDG_DATA_HOME", c.data_home, 1);
        else
            unsetenv("XDG_DATA_HOME");
        EXPECT_EQ(default_results_path(), c.expected);
    }
    saved_home ? setenv("HOME", home.c_str(), 1) : unsetenv("HOME");
    saved_data ? setenv("XDG_DATA_HOME", data.c_str(), 1) : unsetenv("XDG_DATA_HOME");
}

} // namespace
