#pragma once
// A thin hold on SQLite: a connection and prepared statements that free themselves, and one error type that
// carries SQLite's result code.

#include <cstdint>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

struct sqlite3;
struct sqlite3_stmt;
struct TSqliteApi;

// A call into SQLite that failed; Code() is its primary result code (SQLITE_BUSY, SQLITE_CORRUPT, ...).
class ESqlite final : public std::runtime_error {
  public:
    ESqlite(int Code, const std::string& Message) : std::runtime_error(Message), FCode(Code) {}
    int Code() const { return FCode; }
    // True when the file is damaged or is no database at all.
    bool Damaged() const;

  private:
    int FCode;
};

// One connection. Throws ESqlite when the file cannot be opened, or SQLite itself cannot be loaded
// (history/SqliteApi.h).
class TSqliteDb final {
  public:
    // Opens File for reading and writing, creating it; refuses a symbolic link anywhere in File's path.
    explicit TSqliteDb(const std::filesystem::path& File);
    ~TSqliteDb();
    TSqliteDb(const TSqliteDb&) = delete;
    TSqliteDb& operator=(const TSqliteDb&) = delete;

    // Runs SQL (one or more statements without results). Throws ESqlite.
    void Exec(const char* Sql);
    // Waits up to Ms for another connection's lock before a call fails with SQLITE_BUSY.
    void BusyTimeout(int Ms);
    sqlite3* Handle() const { return FDb; }
    const TSqliteApi& Api() const { return FApi; }
    // Throws ESqlite for Code with the connection's message, naming What.
    [[noreturn]] void Fail(int Code, std::string_view What) const;

  private:
    const TSqliteApi& FApi;
    sqlite3* FDb = nullptr;
};

// One prepared statement, reset before each run. Throws ESqlite.
class TStatement final {
  public:
    TStatement(TSqliteDb& Db, const char* Sql);
    ~TStatement();
    TStatement(const TStatement&) = delete;
    TStatement& operator=(const TStatement&) = delete;

    // Resets the statement and clears its parameters; binding starts again at parameter 1.
    TStatement& Reset();
    TStatement& Bind(std::int64_t Value);
    TStatement& Bind(double Value);
    TStatement& Bind(std::string_view Value);
    TStatement& BindNull();
    // The next row: true while there is one, false once done.
    bool Step();
    // Runs a statement that yields no rows.
    void Run();

    std::int64_t Int(int Column) const;
    double Real(int Column) const;
    bool IsNull(int Column) const;
    std::string Text(int Column) const;

  private:
    TSqliteDb& FDb;
    const TSqliteApi& FApi;
    sqlite3_stmt* FStmt = nullptr;
    int FNext = 1;
};
