// The demo service's fault modes met by the HTTP exchange: each mode gives the outcome its failure calls for,
// and POST /control switches the running service between faulty and healthy.

#include "tools/demo-service/DemoFaults.h"
#include "engine/Protocol.h"
#include "net/HttpResponse.h"
#include "net/TCP.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/TempDir.h"
#include "tests/tools/ToolPaths.h"
#include "tools/demo-service/DemoOptions.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <thread>

namespace {

constexpr std::int32_t kShortTimeout = 300;

class TFaultyService final {
  public:
    explicit TFaultyService(std::vector<std::string> extra) {
        std::vector<std::string> args = {"--port", "0", "--rates-rows", "10000"};
        args.insert(args.end(), extra.begin(), extra.end());
        FChild = std::make_unique<TBackgroundChild>(kService, args);
        const auto line = FChild->ReadOutLine(std::chrono::seconds(10));
        const std::string prefix = "listening on ";
        if (line && line->starts_with(prefix))
            FUrl = line->substr(prefix.size());
    }
    const std::string& Url() const { return FUrl; }
    TBackgroundChild& Child() { return *FChild; }

    TOData Feed(std::string_view feed, std::int32_t timeout = kShortTimeout) const {
        TIData request = MakeFeedRequest(FUrl, feed, "{00000000-0000-4000-8000-000000000000}");
        request.Timeout = timeout;
        TOData response;
        HttpRequest(request, response);
        return response;
    }

    // Posts fault=Plan to /control; the answer's body.
    TOData Control(const std::string& plan) const {
        TIData request;
        request.Timeout = 5000;
        request.URL = FUrl + "/control";
        request.PostParams = {{"fault", plan}};
        TOData response;
        HttpRequest(request, response);
        return response;
    }

  private:
    std::unique_ptr<TBackgroundChild> FChild;
    std::string FUrl;
};

bool HeaderBlockComplete(const TOData& response) {
    return response.Headers.starts_with("HTTP/") && response.Headers.ends_with("\r\n\r\n");
}

void ExpectNoResponse(const TOData& response) {
    EXPECT_EQ(response.ResultCode, 0);
    EXPECT_EQ(response.ResultString, "");
    EXPECT_EQ(response.Headers, "");
    EXPECT_EQ(response.Body, "");
}

} // namespace

TEST(DemoFaultPlan, ParsesModesFeedByFeedAndKeepsItselfOnErrors) {
    TDemoFaultPlan plan;
    EXPECT_EQ(plan.For("rates"), TDemoFault::None);
    plan.Apply("stall");
    EXPECT_EQ(plan.For("news"), TDemoFault::Stall);
    plan.Apply("rates=trickle,news=none");
    EXPECT_EQ(plan.For("rates"), TDemoFault::Trickle);
    EXPECT_EQ(plan.For("news"), TDemoFault::None);
    EXPECT_EQ(plan.For("names"), TDemoFault::Stall);
    EXPECT_EQ(plan.Text(), "stall,news=none,rates=trickle");

    for (const char* bad : {"sleep", "rates=", "weather=stall", "rates=stall,,", "rates=stall,news"}) {
        EXPECT_THROW(plan.Apply(bad), std::invalid_argument) << bad;
        EXPECT_EQ(plan.Text(), "stall,news=none,rates=trickle") << bad << " changed the plan";
    }
    plan.Apply("none");
    EXPECT_EQ(plan.Text(), "none");

    const auto options =
        ParseDemoOptions({"--fault", "status-500", "--fault", "names=empty-body", "--trickle-ms", "15"});
    EXPECT_EQ(options.Faults.Text(), "status-500,names=empty-body");
    EXPECT_EQ(options.TrickleMs, 15);
    EXPECT_THROW(ParseDemoOptions({"--fault", "names=nap"}), EDemoUsage);
}

TEST(DemoFaults, BodiesAndStatusesThatCarryNoRecords) {
    TFaultyService service(
        {"--fault", "rates=empty-body,names=garbage-body,exchangers=status-500,news=redirect-loop"});
    ASSERT_FALSE(service.Url().empty());

    const TOData empty = service.Feed(kFeedRates);
    EXPECT_EQ(empty.ResultCode, 200);
    EXPECT_EQ(empty.ResultString, "OK");
    EXPECT_TRUE(HeaderBlockComplete(empty)) << empty.Headers;
    EXPECT_EQ(empty.Body, "");

    const TOData garbage = service.Feed(kFeedNames);
    EXPECT_EQ(garbage.ResultCode, 200);
    EXPECT_EQ(garbage.Body, DemoGarbageBody()) << "the body arrives byte for byte";
    for (const auto feed : {kFeedRates, kFeedNames, kFeedExchangers})
        EXPECT_TRUE(FeedTable(feed, garbage.Body).empty()) << feed;

    const TOData error = service.Feed(kFeedExchangers);
    EXPECT_EQ(error.ResultCode, 500);
    EXPECT_EQ(error.ResultString, "Internal Server Error");
    EXPECT_NE(error.Body.find("500"), std::string::npos);
    EXPECT_TRUE(FeedTable(kFeedExchangers, error.Body).empty());

    // The loop is followed a bounded number of times; the last 302 stands.
    const TOData loop = service.Feed(kFeedNews);
    EXPECT_EQ(loop.ResultCode, 302);
    EXPECT_NE(loop.Headers.find("Location: " + service.Url() + "/callback\r\n"), std::string::npos)
        << loop.Headers;
    EXPECT_EQ(loop.Body, "");
    const std::string line = "POST /callback action=news appguid={00000000-0000-4000-8000-000000000000} "
                             "version=1.0.1 status=302 bytes=0";
    const auto log = service.Child().ReadErrUntil(
        [&](const std::vector<std::string>& lines) {
            return std::count(lines.begin(), lines.end(), line) >= kMaxRedirectPasses;
        },
        std::chrono::seconds(5));
    EXPECT_EQ(std::count(log.begin(), log.end(), line), kMaxRedirectPasses);
}

TEST(DemoFaults, StallIsAResponseThatNeverComesAndControlHealsIt) {
    TFaultyService service({"--fault", "stall"});
    ASSERT_FALSE(service.Url().empty());
    const auto start = std::chrono::steady_clock::now();
    ExpectNoResponse(service.Feed(kFeedRates));
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_GE(waited, std::chrono::milliseconds(kShortTimeout));
    EXPECT_LT(waited, std::chrono::seconds(5));

    // Three refreshes of four feeds each, all stalled: more requests than a small server has threads, and the
    // service must still take the call that heals them.
    for (int refresh = 0; refresh < 3; ++refresh) {
        std::vector<TOData> answers(4);
        std::vector<std::thread> feeds;
        for (auto& answer : answers)
            feeds.emplace_back([&service, &answer] { answer = service.Feed(kFeedNames); });
        for (auto& thread : feeds)
            thread.join();
        for (const auto& answer : answers)
            ExpectNoResponse(answer);
    }

    const TOData healed = service.Control("none");
    EXPECT_EQ(healed.ResultCode, 200);
    EXPECT_EQ(healed.Body, "fault=none\n");
    const TOData rates = service.Feed(kFeedRates);
    EXPECT_EQ(rates.ResultCode, 200);
    EXPECT_GT(FeedTable(kFeedRates, rates.Body).size(), 9000u);

    // Back to faulty for one feed only; a bad fault request changes nothing.
    EXPECT_EQ(service.Control("rates=stall").Body, "fault=none,rates=stall\n");
    EXPECT_EQ(service.Control("rates=doze").ResultCode, 400);
    ExpectNoResponse(service.Feed(kFeedRates));
    EXPECT_EQ(service.Feed(kFeedNames).ResultCode, 200);
    EXPECT_EQ(service.Child().Stop(), 0) << "a stalled request does not keep the service from stopping";
}

TEST(DemoFaults, CloseMidBodyKeepsOnlyWholePiecesBeforeTheBreak) {
    TFaultyService service({});
    ASSERT_FALSE(service.Url().empty());
    const std::string whole = service.Feed(kFeedRates, 5000).Body;
    ASSERT_GT(whole.size(), 2 * kBodyPiece)
        << "the feed must be long enough for a whole piece before the break";

    ASSERT_EQ(service.Control("close-mid-body").ResultCode, 200);
    const TOData cut = service.Feed(kFeedRates, 5000);
    EXPECT_EQ(cut.ResultCode, 200);
    EXPECT_TRUE(HeaderBlockComplete(cut));
    EXPECT_NE(cut.Headers.find("Content-Length: " + std::to_string(whole.size()) + "\r\n"),
              std::string::npos);
    const std::size_t kept = whole.size() / 2 / kBodyPiece * kBodyPiece;
    EXPECT_EQ(cut.Body.size(), kept);
    EXPECT_TRUE(whole.starts_with(cut.Body)) << "the kept pieces are the start of the feed";
}

TEST(DemoFaults, TrickleArrivesWholeWithinEachWaitAndBreaksWhenAWaitExpires) {
    TTempDir feeds;
    WriteFileBytes(feeds / "rates.txt", "7;WMZ;WMR;1;30.5;900\n");

    TFaultyService patient({"--feeds", feeds.Path().string(), "--fault", "trickle", "--trickle-ms", "20"});
    ASSERT_FALSE(patient.Url().empty());
    const TOData slow = patient.Feed(kFeedRates, 2000);
    EXPECT_EQ(slow.ResultCode, 200);
    EXPECT_EQ(slow.Body, "7;WMZ;WMR;1;30.5;900\n");

    TFaultyService sluggish({"--feeds", feeds.Path().string(), "--fault", "trickle", "--trickle-ms", "1500"});
    ASSERT_FALSE(sluggish.Url().empty());
    const TOData broken = sluggish.Feed(kFeedRates, kShortTimeout);
    EXPECT_EQ(broken.ResultCode, 200);
    EXPECT_TRUE(HeaderBlockComplete(broken)) << broken.Headers;
    EXPECT_EQ(broken.Body, "") << "a piece cut short is not kept";
    EXPECT_EQ(sluggish.Child().Stop(), 0);
}
