#include "engine/FeedAnswer.h"

#include "engine/Protocol.h"
#include "net/PumpedDispatcher.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TOData Answered(std::string Body) {
    TOData output;
    output.ResultCode = 200;
    output.Body = std::move(Body);
    return output;
}

const std::string kAnswerRates = "1;usd;eur;1;0.9;1000\n2;usd;eur;1;0.95;50\n";
const std::string kAnswerNames = "usd;US Dollar;$\neur;Euro;E\n";

TEST(FeedAnswer, TheWorkersCutGivesTheTablesAndTextTheCompletionsUsedToMakeAndRefusesBeyondTheBounds) {
    const TFeedAnswer rates = PrepareFeed(TFeed::Rates, Answered(kAnswerRates));
    ASSERT_TRUE(rates.Usable());
    EXPECT_EQ(rates.Table, FeedTable(kFeedRates, kAnswerRates));
    EXPECT_EQ(*rates.Body, kAnswerRates); // kept as received
    EXPECT_EQ(PrepareFeed(TFeed::Names, Answered(kAnswerNames)).Table, FeedTable(kFeedNames, kAnswerNames));
    EXPECT_EQ(PrepareFeed(TFeed::News, Answered(" \r\nnews\n\n")).News, "news");

    // A failed exchange is carried, never cut.
    TOData failed = Answered(kAnswerRates);
    failed.ResultCode = 503;
    const TFeedAnswer refusedByServer = PrepareFeed(TFeed::Rates, failed);
    EXPECT_FALSE(refusedByServer.Usable());
    EXPECT_TRUE(refusedByServer.Table.empty());
    EXPECT_FALSE(refusedByServer.Refused);

    // News beyond what a person reads, and a names feed of a few hundred thousand rows: failed as too large.
    const TFeedAnswer news = PrepareFeed(TFeed::News, Answered(std::string(kNewsBodyLimit + 1, 'n')));
    EXPECT_TRUE(news.Refused);
    EXPECT_FALSE(news.Usable());
    EXPECT_EQ(news.Output.Failure, TExchangeFailure::TooLarge);
    EXPECT_TRUE(news.News.empty());
    EXPECT_TRUE(PrepareFeed(TFeed::News, Answered(std::string(kNewsBodyLimit, 'n'))).Usable());
    std::string names;
    for (int row = 0; names.size() < 4 * kNamesTableBudget; ++row) {
        names += "c" + std::to_string(row) + ";Currency " + std::to_string(row) + ";x\n";
    }
    EXPECT_TRUE(PrepareFeed(TFeed::Names, Answered(names)).Refused);

    // Through a job: the completion gets the finished table.
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", kAnswerRates)));
    TPumpedDispatcher dispatcher;
    TThreadCtrl control(dispatcher.Dispatcher());
    TStringMatrix got;
    bool done = false;
    AddFeedJob(control, TFeed::Rates, MakeFeedRequest(server.Url(""), kFeedRates, "{guid}"),
               [&](TFeedAnswer& Answer) {
                   got = std::move(Answer.Table);
                   done = true;
               });
    dispatcher.PumpUntil([&] { return done; });
    EXPECT_EQ(got, FeedTable(kFeedRates, kAnswerRates));
}

} // namespace
