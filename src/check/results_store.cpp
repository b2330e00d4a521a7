#include "check/results_store.h"

#include <filesystem>
#include <sqlite3.h>

#include "check/sqlite_statement.h"
#include "check/record_text.h"

namespace check {

namespace {

const char* const schema_steps[results_store::schema_version] = {
    // 1: runs, cards, checks
    "CREATE TABLE runs(id INTEGER PRIMARY KEY, station TEXT NOT NULL, operator TEXT NOT NULL,"
    " started TEXT NOT NULL, ended TEXT, tool_version TEXT NOT NULL, plan_digest TEXT NOT NULL,"
    " plan_source TEXT NOT NULL);"
    "CREATE TABLE cards(id INTEGER PRIMARY KEY, run_id INTEGER NOT NULL REFERENCES runs(id),"
    " position INTEGER NOT NULL, model TEXT NOT NULL, serial TEXT NOT NULL, vendor_id INTEGER NOT NULL,"
    " product_code INTEGER NOT NULL, hardware_name TEXT NOT NULL, software_version TEXT NOT NULL,"
    " card_date TEXT NOT NULL, verdict TEXT NOT NULL CHECK(verdict IN ('pass', 'fail')));"
    "CREATE TABLE checks(id INTEGER PRIMARY KEY, card_id INTEGER NOT NULL REFERENCES cards(id),"
    " name TEXT NOT NULL CHECK(length(name) > 0), verdict TEXT NOT NULL CHECK(verdict IN ('pass', 'fail')),"
    " value REAL, low REAL, high REAL, unit TEXT NOT NULL, detail TEXT NOT NULL, duration_ms REAL NOT NULL);",
    // 2: history by serial, and a card's checks, without a full scan
    "CREATE INDEX cards_by_serial ON cards(serial);"
    "CREATE INDEX checks_by_card ON checks(card_id);",
};

constexpr int busy_timeout_ms = 10000;

// Rolls back unless committed, so that an early return leaves nothing half written.
class write_transaction {
public:
    explicit write_transaction(sqlite3* db) : db_(db), open_(sqlite_exec(db, "BEGIN IMMEDIATE")) { }
    ~write_transaction()
    {
        if (open_)
            sqlite_exec(db_, "ROLLBACK");
    }
    bool open() const { return open_; }
    bool commit()
    {
        open_ = !sqlite_exec(db_, "COMMIT");
        return !open_;
    }

private:
    sqlite3* db_;
    bool open_;
};

int read_schema_version(sqlite3* db)
{
    sqlite_statement table(db, "SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name = 'schema_version'");
    if (table.step() != SQLITE_ROW || table.integer(0) == 0)
        return 0;
    sqlite_statement version(db, "SELECT max(version) FROM schema_version");
    return version.step() == SQLITE_ROW ? int(version.integer(0)) : 0;
}

} // namespace

const char* results_store::schema_step(int version)
{
    return version >= 1 && version <= schema_version ? schema_steps[version - 1] : nullptr;
}

std::unique_ptr<results_store> results_store::open(const std::string& path, std::string& error)
{
    std::error_code ignored;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (!folder.empty())
        std::filesystem::create_directories(folder, ignored);
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.c_str(), &db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        error = path + ": " + (db ? sqlite3_errmsg(db) : "cannot be opened");
        sqlite3_close(db);
        return nullptr;
    }
    std::unique_ptr<results_store> store(new results_store(db));
    sqlite3_busy_timeout(db, busy_timeout_ms);
    if (!sqlite_exec(db, "PRAGMA journal_mode = WAL; PRAGMA foreign_keys = ON;") || !store->upgrade_schema(error)) {
        if (error.empty())
            error = store->last_error();
        error = path + ": " + error;
        return nullptr;
    }
    return store;
}

results_store::~results_store()
{
    sqlite3_close(db_);
}

std::string results_store::last_error() const
{
    return sqlite3_errmsg(db_);
}

bool results_store::upgrade_schema(std::string& error)
{
    // read and upgrade in one write transaction, so that two tools opening a new file do not
    // both create it
    write_transaction transaction(db_);
    if (!transaction.open())
        return false;
    int version = read_schema_version(db_);
    if (version > schema_version) {
        error = "written by a newer kestio-cli (schema " + std::to_string(version) + ", this one knows "
            + std::to_string(schema_version) + ")";
        return false;
    }
    if (version == schema_version)
        return transaction.commit();
    if (version == 0 && !sqlite_exec(db_, "CREATE TABLE schema_version(version INTEGER NOT NULL)"))
        return false;
    for (int step = version + 1; step <= schema_version; ++step)
        if (!sqlite_exec(db_, schema_step(step)))
            return false;
    if (!sqlite_exec(db_, "DELETE FROM schema_version"))
        return false;
    sqlite_statement insert(db_, "INSERT INTO schema_version(version) VALUES (?1)");
    insert.bind(1, int64_t(schema_version));
    return insert.step() == SQLITE_DONE && transaction.commit();
}

int64_t results_store::begin_run(const run_record& run, std::string& error)
{
    sqlite_statement insert(db_,
                            "INSERT INTO runs(station, operator, started, tool_version, plan_digest, plan_source)"
                            " VALUES (?1, ?2, ?3, ?4, ?5, ?6)");
    insert.bind(1, run.station);
    insert.bind(2, run.operator_name);
    insert.bind(3, iso8601_utc(run.started));
    insert.bind(4, run.tool_version);
    insert.bind(5, run.plan_digest);
    insert.bind(6, run.plan_source);
    if (insert.step() != SQLITE_DONE) {
        error = last_error();
        return -1;
    }
    return sqlite3_last_insert_rowid(db_);
}

bool results_store::add_card(int64_t run_id, const card_result& card, std::string& error)
{
    write_transaction transaction(db_);
    sqlite_statement insert_card(db_,
                                 "INSERT INTO cards(run_id, position, model, serial, vendor_id, product_code,"
                                 " hardware_name, software_version, card_date, verdict)"
                                 " VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9, ?10)");
    const card_identity& id = card.identity;
    insert_card.bind(1, run_id);
    insert_card.bind(2, int64_t(card.position));
    insert_card.bind(3, card.model);
    insert_card.bind(4, id.serial);
    insert_card.bind(5, int64_t(id.vendor_id));
    insert_card.bind(6, int64_t(id.product_code));
    insert_card.bind(7, id.hardware_name);
    insert_card.bind(8, id.software_version);
    insert_card.bind(9, id.date);
    insert_card.bind(10, std::string(verdict_text(card_verdict(card))));
    if (!transaction.open() || insert_card.step() != SQLITE_DONE) {
        error = last_error();
        return false;
    }
    const int64_t card_id = sqlite3_last_insert_rowid(db_);
    sqlite_statement insert_check(db_,
                                  "INSERT INTO checks(card_id, name, verdict, value, low, high, unit, detail,"
                                  " duration_ms) VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)");
    for (const check_result& c : card.checks) {
        insert_check.bind(1, card_id);
        insert_check.bind(2, c.name);
        insert_check.bind(3, std::string(verdict_text(c.verdict)));
        insert_check.bind(4, c.value);
        insert_check.bind(5, c.low);
        insert_check.bind(6, c.high);
        insert_check.bind(7, c.unit);
        insert_check.bind(8, c.detail);
        insert_check.bind(9, std::optional<double>(c.duration_ms));
        if (insert_check.step() != SQLITE_DONE) {
            error = last_error();
            return false;
        }
        insert_check.reset();
    }
    if (!transaction.commit()) {
        error = last_error();
        return false;
    }
    return true;
}

bool results_store::end_run(int64_t run_id, std::chrono::system_clock::time_point ended, std::string& error)
{
    sqlite_statement update(db_, "UPDATE runs SET ended = ?1 WHERE id = ?2");
    update.bind(1, iso8601_utc(ended));
    update.bind(2, run_id);
    if (update.step() != SQLITE_DONE) {
        error = last_error();
        return false;
    }
    return true;
}

bool results_store::store_run(const run_record& run, std::string& error)
{
    int64_t run_id = begin_run(run, error);
    if (run_id < 0)
        return false;
    for (const card_result& card : run.cards)
        if (!add_card(run_id, card, error))
            return false;
    return end_run(run_id, run.ended, error);
}

std::vector<history_row> results_store::history(const history_filter& filter, std::string& error)
{
    sqlite_statement query(db_,
                           "SELECT r.id, r.started, r.ended, r.station, r.operator, c.position, c.model,"
                           " c.serial, c.verdict, (SELECT group_concat(k.name, ', ') FROM checks k"
                           " WHERE k.card_id = c.id AND k.verdict = 'fail')"
                           " FROM cards c JOIN runs r ON r.id = c.run_id"
                           " WHERE (?1 = '' OR c.serial = ?1) AND (?2 = 0 OR c.verdict = 'fail')"
                           " ORDER BY c.id DESC LIMIT ?3");
    query.bind(1, filter.serial);
    query.bind(2, int64_t(filter.failed_only));
    query.bind(3, int64_t(filter.last > 0 ? filter.last : -1));
    std::vector<history_row> rows;
    int status;
    while ((status = query.step()) == SQLITE_ROW) {
        history_row row;
        row.run_id = query.integer(0);
        row.started = query.text(1);
        row.ended = query.text(2);
        row.station = query.text(3);
        row.operator_name = query.text(4);
        row.position = int(query.integer(5));
        row.model = query.text(6);
        row.serial = query.text(7);
        row.verdict = query.text(8);
        row.failed_checks = query.text(9);
        rows.push_back(row);
    }
    if (status != SQLITE_DONE)
        error = last_error();
    return rows;
}

} // namespace check
