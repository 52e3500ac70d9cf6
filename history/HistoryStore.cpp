#include "history/HistoryStore.h"

#include "engine/Protocol.h"
#include "engine/ServiceAddress.h"
#include "history/HistoryFile.h"
#include "history/RollUp.h"
#include "history/Sqlite.h"

#include <iostream>
#include <limits>
#include <random>

namespace {

constexpr int kSchemaVersion = 2;
// Long enough for the other writer's transaction (a refresh's points and, once an hour, a roll-up); the
// window writes from a worker, so the wait never holds the GUI thread.
constexpr int kBusyTimeoutMs = 5000;
constexpr std::int64_t kNever = std::numeric_limits<std::int64_t>::min() / 4;

// The chart reads a year of one pair's points through point_chart alone: its entries hold every column the
// chart draws, a third of a point's whole row, in time order.
#define KOVRIN_PAIR_TABLE(NAME)                                                                              \
    "CREATE TABLE " NAME "(id INTEGER PRIMARY KEY, service TEXT NOT NULL DEFAULT '', give TEXT NOT NULL, "   \
    "get TEXT NOT NULL, give_code TEXT NOT NULL DEFAULT '', get_code TEXT NOT NULL DEFAULT '', "             \
    "chosen_ms INTEGER, UNIQUE(service, give, get));"
#define KOVRIN_CHART_INDEX                                                                                   \
    "CREATE INDEX point_chart ON point(pair, time_ms, rate, low, high, median, span_ms);"

constexpr const char* kSchema = KOVRIN_PAIR_TABLE("pair") R"sql(
CREATE TABLE point(pair INTEGER NOT NULL, time_ms INTEGER NOT NULL, writer INTEGER NOT NULL,
                   level INTEGER NOT NULL, rate REAL NOT NULL, low REAL, high REAL, median REAL NOT NULL,
                   offers INTEGER NOT NULL, eid INTEGER NOT NULL, exchanger TEXT NOT NULL,
                   reserve REAL NOT NULL, span_ms INTEGER NOT NULL,
                   PRIMARY KEY(pair, time_ms, writer)) WITHOUT ROWID;
CREATE TABLE rollup(level INTEGER PRIMARY KEY, done_ms INTEGER NOT NULL);
)sql" KOVRIN_CHART_INDEX "PRAGMA user_version = 2;";

// Version 1 knew one service: its pairs become the build's service's, keeping their ids and so their points.
constexpr const char* kFromVersion1Table = KOVRIN_PAIR_TABLE("pair_v2");
constexpr const char* kFromVersion1Copy =
    "INSERT INTO pair_v2(id, service, give, get, give_code, get_code, "
    "chosen_ms) SELECT id, ?, give, get, give_code, get_code, chosen_ms "
    "FROM pair";
constexpr const char* kFromVersion1Done =
    "DROP TABLE pair; ALTER TABLE pair_v2 RENAME TO pair; " KOVRIN_CHART_INDEX "PRAGMA user_version = 2;";

// A refresh's point keeps low and high NULL: they read as its rate (PointFrom).
#define KOVRIN_CHART_COLUMNS "time_ms, rate, low, high, median, span_ms"
#define KOVRIN_POINT_COLUMNS KOVRIN_CHART_COLUMNS ", level, offers, eid, exchanger, reserve"

// A newer program's file: left as it is, and no history this run.
class ENewerSchema final : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Rolls back unless committed.
class TTransaction final {
  public:
    explicit TTransaction(TSqliteDb& Db) : FDb(Db) { FDb.Exec("BEGIN IMMEDIATE"); }
    ~TTransaction() {
        if (!FDone) {
            try {
                FDb.Exec("ROLLBACK");
            } catch (const ESqlite&) {
                // SQLite may have rolled back already on the error that brought us here.
            }
        }
    }
    void Commit() {
        FDb.Exec("COMMIT");
        FDone = true;
    }

  private:
    TSqliteDb& FDb;
    bool FDone = false;
};

// Columns 0..5 are what a chart needs (KOVRIN_CHART_COLUMNS); Full reads the rest too. Filled in place: a
// year of points is read per chart.
void PointFrom(const TStatement& Row, bool Full, TRatePoint& point) {
    point.TimeMs = Row.Int(0);
    point.Rate = Row.Real(1);
    // Low and high are NULL together (Record): a refresh's point, its range its rate. Two calls fewer per
    // point than reading both.
    if (Row.IsNull(2)) {
        point.Low = point.High = point.Rate;
    } else {
        point.Low = Row.Real(2);
        point.High = Row.Real(3);
    }
    point.Median = Row.Real(4);
    point.SpanMs = Row.Int(5);
    if (Full) {
        point.Level = static_cast<TPointLevel>(Row.Int(6));
        point.Offers = static_cast<std::int32_t>(Row.Int(7));
        point.EID = static_cast<std::int32_t>(Row.Int(8));
        point.Exchanger = Row.Text(9);
        point.Reserve = Row.Real(10);
    }
}

THistoryPair PairFrom(const TStatement& Row) {
    return {Row.Text(0), Row.Text(1), Row.Text(2), Row.Text(3)};
}

} // namespace

struct THistoryStore::TStatements {
    explicit TStatements(TSqliteDb& Db)
        : InsertPoint(Db,
                      "INSERT OR REPLACE INTO point(pair, time_ms, writer, level, rate, low, high, median, "
                      "offers, eid, exchanger, reserve, span_ms) VALUES(?,?,?,?,?,?,?,?,?,?,?,?,?)"),
          UpsertPair(Db, "INSERT INTO pair(service, give, get, give_code, get_code) VALUES(?,?,?,?,?) "
                         "ON CONFLICT(service, give, get) DO UPDATE SET "
                         "give_code = iif(excluded.give_code <> '', excluded.give_code, give_code), "
                         "get_code = iif(excluded.get_code <> '', excluded.get_code, get_code) RETURNING id"),
          FindByName(Db, "SELECT give, get, give_code, get_code, id FROM pair "
                         "WHERE service = ?1 AND give = ?2 AND get = ?3"),
          AllOfService(Db, "SELECT give, get, give_code, get_code FROM pair WHERE service = ? ORDER BY id"),
          ReadPoints(Db, "SELECT " KOVRIN_POINT_COLUMNS " FROM point WHERE pair = ? AND time_ms >= ? "
                         "ORDER BY time_ms"),
          ReadChart(Db, "SELECT " KOVRIN_CHART_COLUMNS " FROM point INDEXED BY point_chart "
                        "WHERE pair = ? AND time_ms >= ? "
                        "ORDER BY time_ms"),
          RangePoints(Db, "SELECT " KOVRIN_POINT_COLUMNS " FROM point "
                          "WHERE pair = ? AND time_ms >= ? AND time_ms < ? AND level <= ? ORDER BY time_ms"),
          DeleteRange(Db, "DELETE FROM point WHERE pair = ? AND time_ms >= ? AND time_ms < ? AND level <= ?"),
          AllPairs(Db, "SELECT id FROM pair"), RollUpDone(Db, "SELECT done_ms FROM rollup WHERE level = ?"),
          SetRollUpDone(Db, "INSERT OR REPLACE INTO rollup(level, done_ms) VALUES(?, ?)"),
          SetChosen(Db, "UPDATE pair SET chosen_ms = ? WHERE id = ?"),
          Chosen(Db, "SELECT give, get, give_code, get_code FROM pair WHERE service = ? AND chosen_ms >= ? "
                     "ORDER BY chosen_ms DESC, id") {}

    TStatement InsertPoint, UpsertPair, FindByName, AllOfService, ReadPoints, ReadChart, RangePoints,
        DeleteRange, AllPairs, RollUpDone, SetRollUpDone, SetChosen, Chosen;
};

void HistoryProblemToStderr(const std::string& Line) {
    std::cerr << "kovrin: history: " << Line << "\n";
}

THistoryStore::THistoryStore(std::filesystem::path File, THistoryProblemSink Sink, THistoryDamage OnDamage)
    : FFile(std::move(File)), FSink(std::move(Sink)), FOnDamage(OnDamage), FService(ServiceKey(ServiceBase)) {
    std::random_device random;
    FWriter = 1 + static_cast<std::int64_t>(random() % 0x7FFFFFFEu);
}

THistoryStore::~THistoryStore() = default;

std::unique_ptr<THistoryStore> THistoryStore::Open(const std::filesystem::path& File,
                                                   THistoryProblemSink Sink,
                                                   THistoryDamage OnDamage) noexcept {
    try {
        std::unique_ptr<THistoryStore> store(new THistoryStore(File, std::move(Sink), OnDamage));
        std::string problem;
        if (!PrepareHistoryFile(File, problem)) {
            store->FSink(problem + "; no history is kept");
            return nullptr;
        }
        if (!store->Guarded("open", [&] { store->Connect(); })) {
            return nullptr;
        }
        return store;
    } catch (...) {
        return nullptr;
    }
}

void THistoryStore::Connect() {
    FSql.reset();
    FDb = std::make_unique<TSqliteDb>(HistoryOpenPath(FFile));
    FDb->BusyTimeout(kBusyTimeoutMs);
    const auto version = [this] {
        TStatement read(*FDb, "PRAGMA user_version");
        return read.Step() ? read.Int(0) : 0;
    };
    if (version() > kSchemaVersion) {
        throw ENewerSchema(FFile.string() + " was written by a newer Kovrin; no history is kept");
    }
    // Reads of a year of points go through the file mapped, not copied page by page into a small cache.
    FDb->Exec("PRAGMA journal_mode = WAL; PRAGMA synchronous = NORMAL; PRAGMA mmap_size = 268435456");
    if (version() < kSchemaVersion) {
        TTransaction transaction(*FDb);
        // The other writer may have made or moved on the schema while this one waited for the lock.
        if (const std::int64_t found = version(); found == 0) {
            FDb->Exec(kSchema);
        } else if (found == 1) {
            FDb->Exec(kFromVersion1Table);
            TStatement(*FDb, kFromVersion1Copy).Bind(std::string_view(ServiceKey(ServiceBase))).Run();
            FDb->Exec(kFromVersion1Done);
        }
        transaction.Commit();
    }
    FSql = std::make_unique<TStatements>(*FDb);
}

bool THistoryStore::Guarded(std::string_view What, const std::function<void()>& Work) noexcept {
    try {
        try {
            if (!FDb) {
                Connect();
            }
            Work();
            return true;
        } catch (const ESqlite& error) {
            if (!error.Damaged()) {
                throw;
            }
            FSql.reset();
            FDb.reset();
            if (FOnDamage == THistoryDamage::Report) {
                FSink(FFile.string() + " is damaged (" + error.what() + "); it is left as it is");
                return false;
            }
            std::string problem;
            std::filesystem::path aside;
            if (!MoveDamagedAside(FFile, aside, problem)) {
                FSink(problem);
                return false;
            }
            FSink(FFile.string() + " is damaged (" + error.what() + "); moved aside as " + aside.string() +
                  ", a new history starts");
            if (!PrepareHistoryFile(FFile, problem)) {
                FSink(problem);
                return false;
            }
            Connect();
            Work();
            return true;
        }
    } catch (const std::exception& error) {
        FSink(std::string(What) + ": " + error.what());
    } catch (...) {
        FSink(std::string(What) + ": failed");
    }
    // A connection in an unknown state is opened afresh next time.
    FSql.reset();
    FDb.reset();
    return false;
}

std::int64_t THistoryStore::PairId(const THistoryPair& Pair) {
    TStatement& upsert = FSql->UpsertPair.Reset();
    upsert.Bind(std::string_view(FService))
        .Bind(Pair.Give)
        .Bind(Pair.Get)
        .Bind(Pair.GiveCode)
        .Bind(Pair.GetCode);
    if (!upsert.Step()) {
        FDb->Fail(0, "pair");
    }
    const std::int64_t id = upsert.Int(0);
    upsert.Run();
    return id;
}

bool THistoryStore::Record(const std::vector<TPairPoint>& Points, std::int64_t NowMs) noexcept {
    return Guarded("record", [&] {
        TTransaction transaction(*FDb);
        for (const TPairPoint& item : Points) {
            const TRatePoint& point = item.Point;
            TStatement& insert = FSql->InsertPoint.Reset();
            insert.Bind(PairId(item.Pair)).Bind(point.TimeMs).Bind(FWriter);
            insert.Bind(static_cast<std::int64_t>(point.Level)).Bind(point.Rate);
            // A refresh's own point keeps no range: its low and high are its rate.
            if (point.Low == point.Rate && point.High == point.Rate) {
                insert.BindNull().BindNull();
            } else {
                insert.Bind(point.Low).Bind(point.High);
            }
            insert.Bind(point.Median).Bind(std::int64_t{point.Offers}).Bind(std::int64_t{point.EID});
            insert.Bind(std::string_view(point.Exchanger)).Bind(point.Reserve).Bind(point.SpanMs);
            insert.Run();
        }
        RollUpOld(NowMs);
        transaction.Commit();
    });
}

void THistoryStore::RollUpOld(std::int64_t NowMs) {
    const TRollUpCutoffs cutoffs = RollUpCutoffs(NowMs);
    const struct {
        TPointLevel Level;
        std::int64_t Cutoff;
        std::int64_t Bucket;
    } passes[] = {{TPointLevel::Hour, cutoffs.HourCutoffMs, kHourMs},
                  {TPointLevel::Day, cutoffs.DayCutoffMs, kDayMs}};
    for (const auto& pass : passes) {
        TStatement& done = FSql->RollUpDone.Reset().Bind(static_cast<std::int64_t>(pass.Level));
        const std::int64_t doneMs = done.Step() ? done.Int(0) : kNever;
        done.Run();
        if (pass.Cutoff <= doneMs) {
            continue;
        }
        // A day back from where the last pass stopped: points a writer with a late clock added are rolled in.
        RollUpLevel(pass.Level, doneMs - kDayMs, pass.Cutoff, pass.Bucket);
        FSql->SetRollUpDone.Reset().Bind(static_cast<std::int64_t>(pass.Level)).Bind(pass.Cutoff).Run();
    }
}

void THistoryStore::RollUpLevel(TPointLevel Level, std::int64_t FromMs, std::int64_t CutoffMs,
                                std::int64_t BucketMs) {
    std::vector<std::int64_t> pairs;
    for (TStatement& all = FSql->AllPairs.Reset(); all.Step();) {
        pairs.push_back(all.Int(0));
    }
    const auto level = static_cast<std::int64_t>(Level);
    for (const std::int64_t pair : pairs) {
        std::vector<TRatePoint> points;
        for (TStatement& range = FSql->RangePoints.Reset().Bind(pair).Bind(FromMs).Bind(CutoffMs).Bind(level);
             range.Step();) {
            PointFrom(range, true, points.emplace_back());
        }
        if (points.empty()) {
            continue;
        }
        FSql->DeleteRange.Reset().Bind(pair).Bind(FromMs).Bind(CutoffMs).Bind(level).Run();
        for (const TRatePoint& point : RollUp(points, BucketMs, Level)) {
            TStatement& insert = FSql->InsertPoint.Reset();
            insert.Bind(pair).Bind(point.TimeMs).Bind(std::int64_t{0}).Bind(level).Bind(point.Rate);
            insert.Bind(point.Low).Bind(point.High).Bind(point.Median).Bind(std::int64_t{point.Offers});
            insert.Bind(std::int64_t{point.EID}).Bind(std::string_view(point.Exchanger)).Bind(point.Reserve);
            insert.Bind(point.SpanMs).Run();
        }
    }
}

std::vector<TRatePoint> THistoryStore::Read(const THistoryPair& Pair, std::int64_t SinceMs,
                                            bool Full) noexcept {
    std::vector<TRatePoint> points;
    Guarded("read", [&] {
        points.clear();
        const std::optional<std::int64_t> id = FoundPairId(Pair);
        if (!id) {
            return;
        }
        TStatement& read = (Full ? FSql->ReadPoints : FSql->ReadChart).Reset().Bind(*id).Bind(SinceMs);
        while (read.Step()) {
            PointFrom(read, Full, points.emplace_back());
        }
        read.Reset();
    });
    return points;
}

bool THistoryStore::ReadEach(const THistoryPair& Pair, std::int64_t SinceMs, bool Full,
                             const std::function<void(const TRatePoint& Point)>& Each) noexcept {
    return Guarded("read", [&] {
        const std::optional<std::int64_t> id = FoundPairId(Pair);
        if (!id) {
            return;
        }
        TRatePoint point;
        TStatement& read = (Full ? FSql->ReadPoints : FSql->ReadChart).Reset().Bind(*id).Bind(SinceMs);
        while (read.Step()) {
            PointFrom(read, Full, point);
            Each(point);
        }
        read.Reset();
    });
}

std::optional<std::int64_t> THistoryStore::FoundPairId(const THistoryPair& Pair) {
    TStatement& find =
        FSql->FindByName.Reset().Bind(std::string_view(FService)).Bind(Pair.Give).Bind(Pair.Get);
    const std::optional<std::int64_t> id = find.Step() ? std::optional(find.Int(4)) : std::nullopt;
    find.Run();
    return id;
}

void THistoryStore::SetService(std::string Service) {
    FService = std::move(Service);
}

std::optional<std::vector<THistoryPair>> THistoryStore::Pairs() noexcept {
    std::vector<THistoryPair> pairs;
    const bool read = Guarded("read", [&] {
        pairs.clear();
        for (TStatement& all = FSql->AllOfService.Reset().Bind(std::string_view(FService)); all.Step();) {
            pairs.push_back(PairFrom(all));
        }
    });
    return read ? std::optional(std::move(pairs)) : std::nullopt;
}

bool THistoryStore::NoteChosen(const THistoryPair& Pair, std::int64_t NowMs) noexcept {
    return Guarded("record", [&] {
        TTransaction transaction(*FDb);
        FSql->SetChosen.Reset().Bind(NowMs).Bind(PairId(Pair)).Run();
        transaction.Commit();
    });
}

std::vector<THistoryPair> THistoryStore::ChosenSince(std::int64_t SinceMs) noexcept {
    std::vector<THistoryPair> pairs;
    Guarded("read", [&] {
        pairs.clear();
        for (TStatement& chosen = FSql->Chosen.Reset().Bind(std::string_view(FService)).Bind(SinceMs);
             chosen.Step();) {
            pairs.push_back(PairFrom(chosen));
        }
    });
    return pairs;
}
