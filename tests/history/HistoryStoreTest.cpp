#include "history/HistoryStore.h"
#include "engine/Protocol.h"
#include "engine/ServiceAddress.h"
#include "history/Decimate.h"
#include "history/HistoryFile.h"
#include "history/HistoryRecorder.h"
#include "history/RollUp.h"
#include "history/Sqlite.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <atomic>
#include <sys/stat.h>
#include <thread>

namespace {

const THistoryPair kPair{"Bitcoin BTC", "Сбербанк RUB", "BTC", "SBERRUB"};
constexpr std::int64_t kMinute = 60 * 1000;
// A Monday, 00:00 UTC: hour and day buckets start here.
constexpr std::int64_t kStart = 1765152000LL * 1000;

TRatePoint At(std::int64_t TimeMs, double Rate, std::int64_t SpanMs = 5 * kMinute) {
    TRatePoint point;
    point.TimeMs = TimeMs;
    point.Rate = point.Low = point.High = Rate;
    point.Median = Rate - 1;
    point.Offers = 3;
    point.EID = static_cast<std::int32_t>(Rate);
    point.Exchanger = "X" + std::to_string(static_cast<int>(Rate));
    point.SpanMs = SpanMs;
    return point;
}

TEST(RatePoint, TakesTheBestAndMedianRatesFromTheQuotesNotTheirRoundedOffers) {
    THistoryPair pair{"D", "B", {}, {}}; // both rates show as 0 at four decimals
    const auto point =
        PairPoint({{"1", "d", "b", "1", "0.0000024", "9"}, {"2", "d", "b", "1", "0.0000026", "9"}},
                  {{"b", "B"}, {"d", "D"}}, {{"1", "X", "", ""}, {"2", "Y", "", ""}}, pair, kStart, 0);
    EXPECT_DOUBLE_EQ(point.value().Rate, 0.0000026);
    EXPECT_DOUBLE_EQ(point->Median, 0.0000025);
}

std::unique_ptr<THistoryStore> OpenIn(const TTempDir& Dir, std::vector<std::string>* Problems = nullptr) {
    return THistoryStore::Open(Dir / "kovrin/history.sqlite", [Problems](const std::string& Line) {
        if (Problems != nullptr)
            Problems->push_back(Line);
    });
}

} // namespace

TEST(HistoryRetention, RollUpsKeepLowHighAndLastAtTheirBoundaries) {
    TTempDir dir;
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    // Hour 0: 5, 2, 9, 4; hour 1: 7. Written when they were new.
    const double rates[] = {5, 2, 9, 4};
    for (int i = 0; i < 4; ++i)
        ASSERT_TRUE(
            store->Record({{kPair, At(kStart + i * 10 * kMinute, rates[i])}}, kStart + i * 10 * kMinute));
    ASSERT_TRUE(store->Record({{kPair, At(kStart + 70 * kMinute, 7)}}, kStart + 70 * kMinute));

    // Thirty days and 59 minutes on, hour 0 is not yet wholly past the 30 days: every point stays.
    ASSERT_TRUE(store->Record({}, kStart + kKeepEveryPointMs + 59 * kMinute));
    EXPECT_EQ(store->Read(kPair, 0).size(), 5u);

    // A minute later hour 0 rolls up into one point; hour 1 keeps its point of a refresh.
    ASSERT_TRUE(store->Record({}, kStart + kKeepEveryPointMs + 60 * kMinute));
    std::vector<TRatePoint> points = store->Read(kPair, 0);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Level, TPointLevel::Hour);
    EXPECT_EQ(points[0].TimeMs, kStart);
    EXPECT_EQ(points[0].Low, 2);
    EXPECT_EQ(points[0].High, 9);
    EXPECT_EQ(points[0].Rate, 4);
    EXPECT_EQ(points[0].Exchanger, "X4");
    EXPECT_EQ(points[0].SpanMs, kHourMs);
    EXPECT_EQ(points[1].Level, TPointLevel::Refresh);
    // The chart's read gives the same chart fields (a refresh's low and high are its rate), and nothing else
    // (not even the level: the chart draws none).
    const std::vector<TRatePoint> chart = store->Read(kPair, 0, false);
    ASSERT_EQ(chart.size(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
        EXPECT_EQ(chart[i].TimeMs, points[i].TimeMs);
        EXPECT_EQ(chart[i].Rate, points[i].Rate);
        EXPECT_EQ(chart[i].Low, points[i].Low);
        EXPECT_EQ(chart[i].High, points[i].High);
        EXPECT_EQ(chart[i].Median, points[i].Median);
        EXPECT_EQ(chart[i].SpanMs, points[i].SpanMs);
        EXPECT_EQ(chart[i].Exchanger, "");
    }
    EXPECT_EQ(chart[1].Low, 7);

    // A year on, the day's hours roll into one day point that still knows 2, 9 and the last rate, 7.
    ASSERT_TRUE(store->Record({}, kStart + kKeepHourlyMs + kDayMs));
    points = store->Read(kPair, 0);
    ASSERT_EQ(points.size(), 1u);
    EXPECT_EQ(points[0].Level, TPointLevel::Day);
    EXPECT_EQ(points[0].Low, 2);
    EXPECT_EQ(points[0].High, 9);
    EXPECT_EQ(points[0].Rate, 7);
    EXPECT_EQ(points[0].Median, 6);
}

TEST(HistoryGaps, AGapStaysAGapBeforeAndAfterRollUp) {
    // Every minute for three minutes, then nothing for ten minutes, then two more.
    std::vector<TRatePoint> points;
    for (std::int64_t minute : {0, 1, 2, 13, 14})
        points.push_back(At(kStart + minute * kMinute, 10.0 + minute, kMinute));
    const std::vector<TChartColumn> columns = DecimateToColumns(points, kStart, kStart + 15 * kMinute, 15);
    EXPECT_FALSE(columns[0].JoinsPrevious);
    EXPECT_TRUE(columns[1].JoinsPrevious);
    EXPECT_TRUE(columns[2].JoinsPrevious);
    EXPECT_FALSE(columns[3].Filled);
    EXPECT_FALSE(columns[13].JoinsPrevious);
    EXPECT_TRUE(columns[14].JoinsPrevious);

    // Hours with points join; an hour without any breaks the line of the hourly roll-up.
    std::vector<TRatePoint> refreshes;
    for (std::int64_t hour : {0, 1, 3})
        refreshes.push_back(At(kStart + hour * kHourMs + 5 * kMinute, 1, 5 * kMinute));
    const std::vector<TRatePoint> hours = RollUp(refreshes, kHourMs, TPointLevel::Hour);
    ASSERT_EQ(hours.size(), 3u);
    EXPECT_TRUE(PointsJoin(hours[0], hours[1]));
    EXPECT_FALSE(PointsJoin(hours[1], hours[2]));
    // A window that does not refresh by itself plans no next point: its points stand alone.
    EXPECT_FALSE(PointsJoin(At(kStart, 1, 0), At(kStart + 1000, 1, 0)));
}

TEST(HistoryRecovery, ADamagedFileIsMovedAsideAndANewOneStarts) {
    TTempDir dir;
    std::filesystem::create_directories(dir / "kovrin");
    const std::string garbage(8192, 'x');
    WriteFileBytes(dir / "kovrin/history.sqlite", garbage);
    std::vector<std::string> problems;
    auto store = OpenIn(dir, &problems);
    ASSERT_TRUE(store);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("history.sqlite.damaged"), std::string::npos) << problems[0];
    EXPECT_EQ(ReadFileBytes(dir / "kovrin/history.sqlite.damaged"), garbage);
    EXPECT_TRUE(store->Record({{kPair, At(kStart, 3)}}, kStart));
    EXPECT_EQ(store->Read(kPair, 0).size(), 1u);

    // A reader leaves a damaged file as it is; a second damage never replaces the first one's copy.
    store.reset();
    WriteFileBytes(dir / "kovrin/history.sqlite", garbage + "2");
    const auto sink = [&](const std::string& Line) { problems.push_back(Line); };
    EXPECT_FALSE(THistoryStore::Open(dir / "kovrin/history.sqlite", sink, THistoryDamage::Report));
    EXPECT_NE(problems.back().find("is damaged"), std::string::npos) << problems.back();
    EXPECT_EQ(ReadFileBytes(dir / "kovrin/history.sqlite"), garbage + "2");
    store = OpenIn(dir, &problems);
    ASSERT_TRUE(store);
    EXPECT_NE(problems.back().find("history.sqlite.damaged.1,"), std::string::npos) << problems.back();
    EXPECT_EQ(ReadFileBytes(dir / "kovrin/history.sqlite.damaged"), garbage);
    EXPECT_EQ(ReadFileBytes(dir / "kovrin/history.sqlite.damaged.1"), garbage + "2");

    // The folder and the file are the user's alone; a link in the file's place is refused, not followed.
    struct stat info {};
    ASSERT_EQ(::stat((dir / "kovrin").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 022, 0u);
    ASSERT_EQ(::stat((dir / "kovrin/history.sqlite").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
    store.reset();
    std::filesystem::remove(dir / "kovrin/history.sqlite");
    std::filesystem::create_symlink(dir / "elsewhere", dir / "kovrin/history.sqlite");
    EXPECT_FALSE(OpenIn(dir, &problems));
    EXPECT_FALSE(std::filesystem::exists(dir / "elsewhere"));

    // A link above the kovrin folder (/home -> var/home) is followed; one as the kovrin folder is not.
    std::filesystem::create_directory(dir / "real");
    std::filesystem::create_directory_symlink(dir / "real", dir / "linked");
    auto store2 = THistoryStore::Open(dir / "linked/kovrin/history.sqlite", sink);
    ASSERT_TRUE(store2) << problems.back();
    EXPECT_TRUE(store2->Record({{kPair, At(kStart, 3)}}, kStart));
    EXPECT_TRUE(std::filesystem::exists(dir / "real/kovrin/history.sqlite"));
    std::filesystem::create_directory_symlink(dir / "real/kovrin", dir / "real/alias");
    EXPECT_FALSE(THistoryStore::Open(dir / "real/alias/history.sqlite", sink));
}

TEST(HistoryWriters, TwoWritersAtOnceLoseNoPoint) {
    TTempDir dir;
    constexpr int kRefreshes = 150;
    const THistoryPair other{"Tether USDT", "Сбербанк RUB", "USDT", "SBERRUB"};
    // Both record the same moments: neither point may replace the other's.
    std::thread watch([&] {
        auto store = OpenIn(dir);
        ASSERT_TRUE(store);
        for (int i = 0; i < kRefreshes; ++i) {
            const std::int64_t at = kStart + i * kMinute;
            ASSERT_TRUE(store->Record({{kPair, At(at, i)}, {other, At(at, i)}}, at));
        }
    });
    std::atomic<int> written = 0;
    {
        THistoryRecorder window(dir / "kovrin/history.sqlite",
                                [](const std::string& Line) { ADD_FAILURE() << Line; });
        for (int i = 0; i < kRefreshes; ++i) {
            const std::int64_t at = kStart + i * kMinute;
            window.Post(
                [&, i, at](THistoryStore&) {
                    return std::vector<TPairPoint>{{kPair, At(at, i)}, {other, At(at, i)}};
                },
                at, [&](bool Written) { written += Written; });
        }
    } // the recorder finishes what was posted before it goes
    watch.join();
    EXPECT_EQ(written, kRefreshes);
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->Read(kPair, 0).size(), 2u * kRefreshes);
    EXPECT_EQ(store->Read(other, 0, false).size(), 2u * kRefreshes);
    EXPECT_EQ(store->Pairs().value().size(), 2u);
}

TEST(HistoryDecimation, EachColumnKeepsItsLowHighFirstAndLast) {
    std::vector<TRatePoint> points;
    const double rates[] = {5, 1, 9, 3, 6};
    for (int i = 0; i < 4; ++i)
        points.push_back(At(kStart + i * 1000, rates[i], 1000));
    points.push_back(At(kStart + 10 * 1000, rates[4], 1000));
    points[2].High = 12; // a rolled-up point brings its own range
    const std::vector<TChartColumn> columns = DecimateToColumns(points, kStart, kStart + 20 * 1000, 4);
    ASSERT_EQ(columns.size(), 4u);
    EXPECT_TRUE(columns[0].Filled);
    EXPECT_EQ(columns[0].Low, 1);
    EXPECT_EQ(columns[0].High, 12);
    EXPECT_EQ(columns[0].First, 5);
    EXPECT_EQ(columns[0].Last, 3);
    EXPECT_EQ(columns[0].MedianLow, 0);
    EXPECT_EQ(columns[0].MedianHigh, 8);
    EXPECT_FALSE(columns[1].Filled);
    EXPECT_TRUE(columns[2].Filled);
    EXPECT_FALSE(columns[2].JoinsPrevious);
    EXPECT_EQ(columns[2].Low, 6);
    EXPECT_TRUE(DecimateToColumns(points, kStart, kStart, 4).empty());

    // Ten minutes of points in a day's range: the axis starts just before them, not a day back.
    const std::int64_t end = kStart + kDayMs;
    std::vector<TRatePoint> fresh;
    for (int minute = 10; minute > 0; --minute)
        fresh.push_back(At(end - minute * kMinute, 1, kMinute));
    EXPECT_EQ(ChartStartMs(fresh, kStart, end), end - kMinChartSpanMs);
    fresh.insert(fresh.begin(), At(end - 100 * kMinute, 1, kMinute));
    EXPECT_EQ(ChartStartMs(fresh, kStart, end), end - 105 * kMinute);
    fresh.insert(fresh.begin(), At(kStart - kMinute, 1, kMinute));
    EXPECT_EQ(ChartStartMs(fresh, kStart, end), end - 105 * kMinute);
    fresh.insert(fresh.begin() + 1, At(kStart + kMinute, 1, kMinute));
    EXPECT_EQ(ChartStartMs(fresh, kStart, end), kStart);
}

TEST(HistorySchema, AVersion1FileKeepsEveryPointAndEachServiceKeepsItsOwn) {
    TTempDir dir;
    const std::filesystem::path file = dir / "kovrin/history.sqlite";
    std::string problem;
    ASSERT_TRUE(PrepareHistoryFile(file, problem)) << problem;
    {
        // What the first version wrote: one service, so no service column; a refresh and an hour's roll-up.
        TSqliteDb v1(file);
        v1.Exec(R"sql(
CREATE TABLE pair(id INTEGER PRIMARY KEY, give TEXT NOT NULL, get TEXT NOT NULL,
                  give_code TEXT NOT NULL DEFAULT '', get_code TEXT NOT NULL DEFAULT '', chosen_ms INTEGER,
                  UNIQUE(give, get));
CREATE TABLE point(pair INTEGER NOT NULL, time_ms INTEGER NOT NULL, writer INTEGER NOT NULL,
                   level INTEGER NOT NULL, rate REAL NOT NULL, low REAL, high REAL, median REAL NOT NULL,
                   offers INTEGER NOT NULL, eid INTEGER NOT NULL, exchanger TEXT NOT NULL,
                   reserve REAL NOT NULL, span_ms INTEGER NOT NULL,
                   PRIMARY KEY(pair, time_ms, writer)) WITHOUT ROWID;
CREATE TABLE rollup(level INTEGER PRIMARY KEY, done_ms INTEGER NOT NULL);
INSERT INTO pair VALUES(7, 'Bitcoin BTC', 'Сбербанк RUB', 'BTC', 'SBERRUB', 1765152000000);
INSERT INTO point VALUES(7, 1765152000000, 0, 1, 4.5, 2, 9, 6, 3, 12, 'X12', 1000.5, 3600000);
INSERT INTO point VALUES(7, 1765155600000, 42, 0, 7, NULL, NULL, 6.5, 4, 13, 'X13', 2000, 300000);
PRAGMA user_version = 1;
)sql");
    }
    auto store = OpenIn(dir);
    ASSERT_TRUE(store);
    const std::vector<TRatePoint> points = store->Read(kPair, 0);
    ASSERT_EQ(points.size(), 2u);
    EXPECT_EQ(points[0].Level, TPointLevel::Hour);
    EXPECT_EQ(points[0].Rate, 4.5);
    EXPECT_EQ(points[0].Low, 2);
    EXPECT_EQ(points[0].High, 9);
    EXPECT_EQ(points[0].Median, 6);
    EXPECT_EQ(points[0].Offers, 3);
    EXPECT_EQ(points[0].EID, 12);
    EXPECT_EQ(points[0].Exchanger, "X12");
    EXPECT_EQ(points[0].Reserve, 1000.5);
    EXPECT_EQ(points[0].SpanMs, kHourMs);
    EXPECT_EQ(points[1].Level, TPointLevel::Refresh);
    EXPECT_EQ(points[1].Low, 7);
    EXPECT_EQ(points[1].High, 7);
    EXPECT_EQ(points[1].Exchanger, "X13");
    ASSERT_EQ(store->ChosenSince(0).size(), 1u);
    EXPECT_EQ(store->Pairs().value().at(0).GiveCode, "BTC");
    {
        TSqliteDb db(file);
        TStatement version(db, "PRAGMA user_version");
        ASSERT_TRUE(version.Step());
        EXPECT_EQ(version.Int(0), 2);
    }

    // Another service has none of these points, nor the choice; what it records stays its own.
    store->SetService("https_rates.example_443");
    EXPECT_TRUE(store->Read(kPair, 0).empty());
    EXPECT_TRUE(store->Pairs().value().empty());
    EXPECT_TRUE(store->ChosenSince(0).empty());
    ASSERT_TRUE(store->Record({{kPair, At(kStart + kHourMs * 2, 99)}}, kStart + kHourMs * 2));
    ASSERT_EQ(store->Read(kPair, 0, false).size(), 1u);
    store->SetService(ServiceKey(ServiceBase));
    EXPECT_EQ(store->Read(kPair, 0, false).size(), 2u);
    EXPECT_EQ(store->Read(kPair, 0).back().Rate, 7);
}
