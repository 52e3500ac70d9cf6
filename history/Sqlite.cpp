#include "history/Sqlite.h"

#include "history/SqliteApi.h"

bool ESqlite::Damaged() const {
    return FCode == SQLITE_CORRUPT || FCode == SQLITE_NOTADB;
}

TSqliteDb::TSqliteDb(const std::filesystem::path& File) : FApi(SqliteApi()) {
    const int code = FApi.OpenV2(
        File.c_str(), &FDb,
        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_NOFOLLOW | SQLITE_OPEN_NOMUTEX, nullptr);
    if (code != SQLITE_OK) {
        const std::string message = FDb != nullptr ? FApi.Errmsg(FDb) : FApi.Errstr(code);
        FApi.Close(FDb);
        throw ESqlite(code & 0xFF, "cannot open " + File.string() + ": " + message);
    }
    FApi.ExtendedResultCodes(FDb, 0);
}

TSqliteDb::~TSqliteDb() {
    FApi.Close(FDb);
}

void TSqliteDb::Exec(const char* Sql) {
    const int code = FApi.Exec(FDb, Sql, nullptr, nullptr, nullptr);
    if (code != SQLITE_OK) {
        Fail(code, Sql);
    }
}

void TSqliteDb::BusyTimeout(int Ms) {
    FApi.BusyTimeout(FDb, Ms);
}

void TSqliteDb::Fail(int Code, std::string_view What) const {
    throw ESqlite(Code & 0xFF, std::string(FApi.Errmsg(FDb)) + " (" + std::string(What.substr(0, 60)) + ")");
}

TStatement::TStatement(TSqliteDb& Db, const char* Sql) : FDb(Db), FApi(Db.Api()) {
    const int code = FApi.PrepareV3(Db.Handle(), Sql, -1, SQLITE_PREPARE_PERSISTENT, &FStmt, nullptr);
    if (code != SQLITE_OK) {
        Db.Fail(code, Sql);
    }
}

TStatement::~TStatement() {
    FApi.Finalize(FStmt);
}

TStatement& TStatement::Reset() {
    FApi.Reset(FStmt);
    FApi.ClearBindings(FStmt);
    FNext = 1;
    return *this;
}

TStatement& TStatement::Bind(std::int64_t Value) {
    FApi.BindInt64(FStmt, FNext++, Value);
    return *this;
}

TStatement& TStatement::Bind(double Value) {
    FApi.BindDouble(FStmt, FNext++, Value);
    return *this;
}

TStatement& TStatement::Bind(std::string_view Value) {
    FApi.BindText64(FStmt, FNext++, Value.data(), Value.size(), SQLITE_TRANSIENT, SQLITE_UTF8);
    return *this;
}

TStatement& TStatement::BindNull() {
    FApi.BindNull(FStmt, FNext++);
    return *this;
}

bool TStatement::Step() {
    const int code = FApi.Step(FStmt);
    if (code == SQLITE_ROW) {
        return true;
    }
    if (code == SQLITE_DONE) {
        return false;
    }
    FApi.Reset(FStmt);
    FDb.Fail(code, FApi.Sql(FStmt));
}

void TStatement::Run() {
    while (Step()) {
    }
}

std::int64_t TStatement::Int(int Column) const {
    return FApi.ColumnInt64(FStmt, Column);
}

double TStatement::Real(int Column) const {
    return FApi.ColumnDouble(FStmt, Column);
}

bool TStatement::IsNull(int Column) const {
    return FApi.ColumnType(FStmt, Column) == SQLITE_NULL;
}

std::string TStatement::Text(int Column) const {
    const auto* text = reinterpret_cast<const char*>(FApi.ColumnText(FStmt, Column));
    return text != nullptr ? std::string(text, static_cast<std::size_t>(FApi.ColumnBytes(FStmt, Column)))
                           : std::string();
}
