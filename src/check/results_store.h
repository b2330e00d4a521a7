#pragma once
#include <chrono>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "check/check_record.h"

struct sqlite3;

namespace check {

struct history_filter {
    std::string serial; // empty: every card
    int last = 0;       // the newest this many card results; 0: all
    bool failed_only = false;
};

// One card of one run, newest first.
struct history_row {
    int64_t run_id = 0;
    std::string started;
    std::string ended; // empty for a run that never ended
    std::string station;
    std::string operator_name;
    int position = 0;
    std::string model;
    std::string serial;
    std::string verdict;
    std::string failed_checks; // names, comma separated
};

// The results database (SQLite, WAL, busy time-out of 10 s, so that two check commands on
// one file both land). Each card goes in with its checks in one transaction: a run cut
// short leaves its finished cards and no part of the one under way.
class results_store {
public:
    static constexpr int schema_version = 2;

    // The schema step that brings version n-1 to n, for n from 1 to schema_version.
    static const char* schema_step(int version);

    // Opens or creates the file (and its folder) and creates or upgrades the schema. Null
    // with a message when the file cannot be opened or was written by a newer schema.
    static std::unique_ptr<results_store> open(const std::string& path, std::string& error);
    ~results_store();
    results_store(const results_store&) = delete;
    results_store& operator=(const results_store&) = delete;

    // The run's row, ended left empty; its id, or -1.
    int64_t begin_run(const run_record& run, std::string& error);
    bool add_card(int64_t run_id, const card_result& card, std::string& error);
    bool end_run(int64_t run_id, std::chrono::system_clock::time_point ended, std::string& error);
    // begin_run, every card, end_run
    bool store_run(const run_record& run, std::string& error);

    std::vector<history_row> history(const history_filter& filter, std::string& error);

private:
    explicit results_store(sqlite3* db) : db_(db) { }
    bool upgrade_schema(std::string& error);
    std::string last_error() const;

    sqlite3* db_;
};

} // namespace check
