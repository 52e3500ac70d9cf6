#pragma once
// The rate history on disk: one SQLite file (WAL, so the window and a kovrin-cli watch may write at once)
// holding the followed pairs and their points. Every call is one short transaction; a damaged file is moved
// aside and a new one started, so the program never stops over its history.
//
// Schema (PRAGMA user_version 2; a version 1 file is moved on to it when opened, keeping every point):
//   pair(id INTEGER PRIMARY KEY, service TEXT, give TEXT, get TEXT, give_code TEXT, get_code TEXT,
//        chosen_ms INTEGER, UNIQUE(service, give, get))
//   point(pair, time_ms, writer, level, rate, low, high, median, offers, eid, exchanger, reserve, span_ms,
//         PRIMARY KEY(pair, time_ms, writer)) WITHOUT ROWID
//   point_chart: an index on point(pair, time_ms, level, rate, low, high, median, span_ms), what the chart
//   reads rollup(level INTEGER PRIMARY KEY, done_ms INTEGER): how far each roll-up has gone
// (service: the rates service the points came from, ServiceKey of its address; version 1's points all came
// from the build's service. writer: a random number per open store, so two writers recording in the
// same millisecond keep both points; 0 for roll-ups. low and high are NULL on points of one refresh.)

#include "history/RatePoint.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

class TSqliteDb;

// A pair's point of one refresh, as Record takes it.
struct TPairPoint {
    THistoryPair Pair;
    TRatePoint Point;
};

// Where a problem with the history is told (a damaged file moved aside, a file that cannot be used).
using THistoryProblemSink = std::function<void(const std::string& Line)>;

// Writes "kovrin: history: LINE" on stderr.
void HistoryProblemToStderr(const std::string& Line);

// What a store does on finding its file damaged.
enum class THistoryDamage {
    MoveAside, // a writer's choice: keep the file as File.damaged (.damaged.1, ...) and start a new one
    Report     // a reader's: tell the sink, fail the call and leave the user's file as it is
};

class THistoryStore final {
  public:
    // Opens File (made when missing, after PrepareHistoryFile's checks). nullptr when it cannot be used (a
    // symbolic link, another user's, a schema newer than this program's, a folder that cannot be made, or
    // damaged under THistoryDamage::Report); each problem goes to Sink. Never throws.
    static std::unique_ptr<THistoryStore> Open(const std::filesystem::path& File,
                                               THistoryProblemSink Sink = HistoryProblemToStderr,
                                               THistoryDamage OnDamage = THistoryDamage::MoveAside) noexcept;
    ~THistoryStore();
    THistoryStore(const THistoryStore&) = delete;
    THistoryStore& operator=(const THistoryStore&) = delete;

    // The service whose pairs the calls below record, read and find (ServiceKey of its address; at first the
    // build's service). Roll-ups cover every service's points.
    void SetService(std::string Service);
    const std::string& Service() const { return FService; }

    // Records Points in one transaction, then rolls up what NowMs has made old (in the same transaction).
    // False when it could not be written (told to the sink). Never throws.
    bool Record(const std::vector<TPairPoint>& Points, std::int64_t NowMs) noexcept;

    // Pair's points from SinceMs on, oldest first: every level, Low and High filled. With Full false only
    // the fields a chart draws (time, rates, median, span; not the level) are read. Empty on failure. Never
    // throws.
    std::vector<TRatePoint> Read(const THistoryPair& Pair, std::int64_t SinceMs, bool Full = true) noexcept;
    // The same points handed to Each one at a time, none of them kept: for a reader that writes them out.
    // False (told to the sink) on failure, also when Each throws. Never throws.
    bool ReadEach(const THistoryPair& Pair, std::int64_t SinceMs, bool Full,
                  const std::function<void(const TRatePoint& Point)>& Each) noexcept;

    // The pairs recorded for the current service, in the order first recorded; nullopt (told to the sink)
    // when they cannot be read. Never throws.
    std::optional<std::vector<THistoryPair>> Pairs() noexcept;

    // Notes that the user chose Pair at NowMs (the followed-pairs rule keeps recent choices). Never throws.
    bool NoteChosen(const THistoryPair& Pair, std::int64_t NowMs) noexcept;
    // The pairs chosen at SinceMs or later, the latest choice first. Never throws.
    std::vector<THistoryPair> ChosenSince(std::int64_t SinceMs) noexcept;

  private:
    struct TStatements;
    THistoryStore(std::filesystem::path File, THistoryProblemSink Sink, THistoryDamage OnDamage);
    // Opens the connection and makes the schema; throws ESqlite.
    void Connect();
    // Runs Work; a damaged file is moved aside, a new store started and Work run once more on it (under
    // THistoryDamage::Report: nothing moved, the call fails). False (told to the sink) when it still fails.
    bool Guarded(std::string_view What, const std::function<void()>& Work) noexcept;
    std::int64_t PairId(const THistoryPair& Pair);
    // The id of Pair of the current service, nullopt when it has none; adds none.
    std::optional<std::int64_t> FoundPairId(const THistoryPair& Pair);
    void RollUpOld(std::int64_t NowMs);
    void RollUpLevel(TPointLevel Level, std::int64_t FromMs, std::int64_t CutoffMs, std::int64_t BucketMs);

    std::filesystem::path FFile;
    THistoryProblemSink FSink;
    THistoryDamage FOnDamage;
    std::int64_t FWriter = 0;
    std::string FService;
    std::unique_ptr<TSqliteDb> FDb;
    std::unique_ptr<TStatements> FSql;
};
