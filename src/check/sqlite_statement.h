#pragma once
#include <cstdint>
#include <optional>
#include <string>

struct sqlite3;
struct sqlite3_stmt;

namespace check {

// One prepared statement, finalized with its owner. Binding counts parameters from 1.
class sqlite_statement {
public:
    sqlite_statement(sqlite3* db, const char* sql);
    ~sqlite_statement();
    sqlite_statement(const sqlite_statement&) = delete;
    sqlite_statement& operator=(const sqlite_statement&) = delete;

    bool prepared() const { return statement_ != nullptr; }
    void bind(int n, int64_t value);
    void bind(int n, const std::string& text);
    void bind(int n, const std::optional<double>& value); // empty binds NULL
    // SQLITE_ROW, SQLITE_DONE or an error code
    int step();
    // ready to bind and step again
    void reset();
    int64_t integer(int column) const;
    std::string text(int column) const; // NULL reads as empty

private:
    sqlite3_stmt* statement_ = nullptr;
};

// Runs statements that take no parameters; false on the first failure.
bool sqlite_exec(sqlite3* db, const char* sql);

} // namespace check
