#pragma once
// The SQLite functions the history calls, as one table that the module kovrin-sqlite.so hands over: the
// programs link no libsqlite3 and map it only when a history is first opened (kovrin-cli offers never does).

#include <sqlite3.h>

struct TSqliteApi {
    decltype(&sqlite3_open_v2) OpenV2;
    decltype(&sqlite3_close) Close;
    decltype(&sqlite3_errmsg) Errmsg;
    decltype(&sqlite3_errstr) Errstr;
    decltype(&sqlite3_extended_result_codes) ExtendedResultCodes;
    decltype(&sqlite3_exec) Exec;
    decltype(&sqlite3_busy_timeout) BusyTimeout;
    decltype(&sqlite3_prepare_v3) PrepareV3;
    decltype(&sqlite3_finalize) Finalize;
    decltype(&sqlite3_reset) Reset;
    decltype(&sqlite3_clear_bindings) ClearBindings;
    decltype(&sqlite3_bind_int64) BindInt64;
    decltype(&sqlite3_bind_double) BindDouble;
    decltype(&sqlite3_bind_text64) BindText64;
    decltype(&sqlite3_bind_null) BindNull;
    decltype(&sqlite3_step) Step;
    decltype(&sqlite3_sql) Sql;
    decltype(&sqlite3_column_int64) ColumnInt64;
    decltype(&sqlite3_column_double) ColumnDouble;
    decltype(&sqlite3_column_type) ColumnType;
    decltype(&sqlite3_column_text) ColumnText;
    decltype(&sqlite3_column_bytes) ColumnBytes;
};

// The module's one entry; the name carries the version of the table, so a module built for another one is
// refused when loaded instead of being called wrongly.
using TSqliteApiEntry = const TSqliteApi* (*)();
inline constexpr const char* kSqliteApiSymbol = "KovrinSqliteApiV1";
inline constexpr const char* kSqliteModuleName = "kovrin-sqlite.so";

// The table, loaded on first use (from any thread, once). Throws ESqlite (SQLITE_CANTOPEN, "SQLite
// unavailable: <the loader's words>") when the module cannot be loaded.
const TSqliteApi& SqliteApi();
