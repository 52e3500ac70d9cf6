#include "history/SqliteApi.h"

#include "history/Sqlite.h"
#include "net/PrivateModule.h"

namespace {

struct TLoadedSqlite {
    const TSqliteApi* Api = nullptr;
    std::string Error;
};

TLoadedSqlite LoadSqlite() {
    TLoadedSqlite loaded;
    const auto entry = reinterpret_cast<TSqliteApiEntry>(
        PrivateModuleEntry(kSqliteModuleName, kSqliteApiSymbol, loaded.Error));
    if (entry != nullptr)
        loaded.Api = entry();
    return loaded;
}

} // namespace

const TSqliteApi& SqliteApi() {
    static const TLoadedSqlite loaded = LoadSqlite();
    if (loaded.Api == nullptr)
        throw ESqlite(SQLITE_CANTOPEN, "SQLite unavailable: " + loaded.Error);
    return *loaded.Api;
}
