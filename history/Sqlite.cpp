#include "history/Sqlite.h"

#include <sqlite3.h>

bool ESqlite::Damaged() const {
    return FCode == SQLITE_CORRUPT || FCode == SQLITE_NOTADB;
}

TSqliteDb::TSqliteDb(const std::filesystem::path& File) {
    const int code = sqlite3_open_v2(
        File.c_str(), &FDb,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = FDb != nullptr ? sqlite3_errmsg(FDb) : sqlite3_errstr(code);
        sqlite3_close(FDb);
        throw ESqlite(code & 0xFF, "cannot open " + File.string() + ": " + message);
    }
    sqlite3_extended_result_codes(FDb, 0);
}

TSqliteDb::~TSqliteDb() {
    sqlite3_close(FDb);
}

void TSqliteDb::Exec(const char* Sql) {
    const int code = sqlite3_exec(FDb, Sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        Fail(code, Sql);
    }
}

void TSqliteDb::BusyTimeout(int Ms) {
    sqlite3_busy_timeout(FDb, Ms);
}

void TSqliteDb::Fail(int Code, std::string_view What) const {
    throw ESqlite(Code & 0xFF,
                  std::string(sqlite3_errmsg(FDb)) + " (" + std::string(What.substr(0, 60)) + ")");
}

TStatement::TStatement(TSqliteDb& Db, const char* Sql) : FDb(Db) {
    const int code = sqlite3_prepare_v3(Db.Handle(), Sql, -1, SQLITE_PREPARE_PERSISTENT, &FStmt, nullptr);
    if (code != SQLITE_OK) {
        Db.Fail(code, Sql);
    }
}

TStatement::~TStatement() {
    sqlite3_finalize(FStmt);
}

TStatement& TStatement::Reset() {
    sqlite3_reset(FStmt);
    sqlite3_clear_bindings(FStmt);
    FNext = 1;
    return *this;
}

TStatement& TStatement::Bind(std::int64_t Value) {
    sqlite3_bind_int64(FStmt, FNext++, Value);
    return *this;
}

TStatement& TStatement::Bind(double Value) {
    sqlite3_bind_double(FStmt, FNext++, Value);
    return *this;
}

TStatement& TStatement::Bind(std::string_view Value) {
    sqlite3_bind_text64(FStmt, FNext++, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

TStatement& TStatement::BindNull() {
    sqlite3_bind_null(FStmt, FNext++);
    return *this;
}

bool TStatement::Step() {
    const int code = sqlite3_step(FStmt);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    sqlite3_reset(FStmt);
    FDb.Fail(code, sqlite3_sql(FStmt));
}

void TStatement::Run() {
    while (Step()) {
    }
}

std::int64_t TStatement::Int(int Column) const {
    return sqlite3_column_int64(FStmt, Column);
}

double TStatement::Real(int Column) const {
    return sqlite3_column_double(FStmt, Column);
}

bool TStatement::IsNull(int Column) const {
    return sqlite3_column_type(FStmt, Column) == SQLITE_NULL;
}

std::string TStatement::Text(int Column) const {
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(FStmt, Column));
    return text != nullptr ? std::string(text, static_cast<std::size_t>(sqlite3_column_bytes(FStmt, Column)))
                           : std::string();
}
