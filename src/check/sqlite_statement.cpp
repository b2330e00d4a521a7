#include "check/sqlite_statement.h"

#include <sqlite3.h>

namespace check {

sqlite_statement::sqlite_statement(sqlite3* db, const char* sql)
{
    if (sqlite3_prepare_v2(db, sql, -1, &statement_, nullptr) != SQLITE_OK)
        statement_ = nullptr;
}

sqlite_statement::~sqlite_statement()
{
    sqlite3_finalize(statement_);
}

void sqlite_statement::bind(int n, int64_t value)
{
    sqlite3_bind_int64(statement_, n, value);
}

void sqlite_statement::bind(int n, const std::string& text)
{
    sqlite3_bind_text(statement_, n, text.data(), int(text.size()), SQLITE_TRANSIENT);
}

void sqlite_statement::bind(int n, const std::optional<double>& value)
{
    if (value)
        sqlite3_bind_double(statement_, n, *value);
    else
        sqlite3_bind_null(statement_, n);
}

int sqlite_statement::step()
{
    return statement_ ? sqlite3_step(statement_) : SQLITE_MISUSE;
}

void sqlite_statement::reset()
{
    sqlite3_reset(statement_);
    sqlite3_clear_bindings(statement_);
}

int64_t sqlite_statement::integer(int column) const
{
    return sqlite3_column_int64(statement_, column);
}

std::string sqlite_statement::text(int column) const
{
    const unsigned char* text = sqlite3_column_text(statement_, column);
    return text ? std::string(reinterpret_cast<const char*>(text), size_t(sqlite3_column_bytes(statement_, column)))
                : std::string();
}

bool sqlite_exec(sqlite3* db, const char* sql)
{
    return sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK;
}

} // namespace check
