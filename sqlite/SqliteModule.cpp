// The SQLite module: the one part of Kovrin that links libsqlite3, loaded by history/SqliteApi when a history
// is first opened.

#include "history/SqliteApi.h"

#include <type_traits>

extern "C" __attribute__((visibility("default"))) const TSqliteApi* KovrinSqliteApiV1() {
    // Named, so that two functions of one type cannot change places unseen.
    static const TSqliteApi api{
        .OpenV2 = sqlite3_open_v2,
        .Close = sqlite3_close,
        .Errmsg = sqlite3_errmsg,
        .Errstr = sqlite3_errstr,
        .ExtendedResultCodes = sqlite3_extended_result_codes,
        .Exec = sqlite3_exec,
        .BusyTimeout = sqlite3_busy_timeout,
        .PrepareV3 = sqlite3_prepare_v3,
        .Finalize = sqlite3_finalize,
        .Reset = sqlite3_reset,
        .ClearBindings = sqlite3_clear_bindings,
        .BindInt64 = sqlite3_bind_int64,
        .BindDouble = sqlite3_bind_double,
        .BindText64 = sqlite3_bind_text64,
        .BindNull = sqlite3_bind_null,
        .Step = sqlite3_step,
        .Sql = sqlite3_sql,
        .ColumnInt64 = sqlite3_column_int64,
        .ColumnDouble = sqlite3_column_double,
        .ColumnType = sqlite3_column_type,
        .ColumnText = sqlite3_column_text,
        .ColumnBytes = sqlite3_column_bytes,
    };
    return &api;
}
static_assert(std::is_same_v<decltype(&KovrinSqliteApiV1), TSqliteApiEntry>,
              "the entry is what the loader calls");
