#include "engine/Protocol.h"
#include "engine/ServiceAddress.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TEST(Protocol, FeedRequestCarriesActionAndBothCookiesInOrder) {
    const std::string guid = "{01234567-89AB-4CDE-8F01-23456789ABCD}";
    const TIData request = MakeFeedRequest("http://host:8080", kFeedExchangers, guid);
    EXPECT_EQ(request.Timeout, 30000);
    EXPECT_EQ(request.URL, "http://host:8080/callback");
    EXPECT_TRUE(request.UserAgent.empty());
    EXPECT_TRUE(request.Header.empty());
    EXPECT_TRUE(request.GetParams.empty());
    ASSERT_EQ(request.PostParams.size(), 1u);
    EXPECT_EQ(request.PostParams[0].Key, "action");
    EXPECT_EQ(request.PostParams[0].Value, "exchangers");
    ASSERT_EQ(request.Cookies.size(), 2u);
    EXPECT_EQ(request.Cookies[0].Key, "appguid");
    EXPECT_EQ(request.Cookies[0].Value, guid);
    EXPECT_EQ(request.Cookies[1].Key, "version");
    EXPECT_EQ(request.Cookies[1].Value, "1.0.1");
}

TEST(Protocol, ServiceBaseAndExchangerPage) {
    ASSERT_FALSE(ServiceBase.empty());
    EXPECT_NE(ServiceBase.back(), '/');
    // The build's address passes the check a typed one must pass (http or https, host, optional port).
    EXPECT_EQ(ServiceBaseProblem(ServiceBase), "");
    EXPECT_EQ(ExchangerPageUrl("http://rates.example", 42), "http://rates.example/click/42");
    EXPECT_EQ(ExchangerPageUrl(ServiceBase, 7), ServiceBase + "/click/7");
}

TEST(Protocol, FeedBodiesBecomeTables) {
    struct TCase {
        std::string_view Feed;
        std::string Body;
        TStringMatrix Expected;
    };
    const TCase cases[] = {
        // Codes keep their case as written.
        {kFeedRates,
         "12;abc;def;1;30.5;1000\n13;ABC;DEF;2;61;50\n",
         {{"12", "abc", "def", "1", "30.5", "1000"}, {"13", "ABC", "DEF", "2", "61", "50"}}},
        // A seventh field is skipped; a heading line takes no part.
        {kFeedRates, "id;from;to\r\n1;wmz;wmr;1;30;500;extra\r\n", {{"1", "wmz", "wmr", "1", "30", "500"}}},
        // Digits and dots that are not a number still match.
        {kFeedRates, "1;a;b;1.2.3;.;9\n", {{"1", "a", "b", "1.2.3", ".", "9"}}},
        {kFeedExchangers, "5;Some Name;;\n", {{"5", "Some Name", "", ""}}},
        {kFeedExchangers, "5;Name;3;7\n6;Other;;1\n", {{"5", "Name", "3", "7"}, {"6", "Other", "", "1"}}},
        // A ";" in a display name cuts it; the rest goes to the last column, a CR included.
        {kFeedNames, "wmz;Web;Money;USD\r\n", {{"wmz", "Web", "Money;USD\r"}}},
        {kFeedNames,
         "wmz;WebMoney WMZ;usd\nyandex rub;\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81;rub\n",
         {{"wmz", "WebMoney WMZ", "usd"},
          {"yandex rub", "\xD0\xAF\xD0\xBD\xD0\xB4\xD0\xB5\xD0\xBA\xD1\x81", "rub"}}},
        {kFeedRates, "Service temporarily unavailable\n", {}},
        {kFeedNames, "", {}},
        {kFeedExchangers, "<html><body>502 Bad Gateway</body></html>", {}},
    };
    for (const TCase& c : cases) {
        EXPECT_EQ(FeedTable(c.Feed, c.Body), c.Expected) << c.Feed << ": " << testing::PrintToString(c.Body);
    }
    EXPECT_THROW(FeedTable(kFeedNews, "x"), std::invalid_argument);
}

TEST(Protocol, NewsIsTrimmedDecodedText) {
    EXPECT_EQ(NewsText(" \r\n\t \r\n"), "");
    EXPECT_EQ(NewsText(""), "");
    EXPECT_EQ(NewsText("\r\n  First line\r\nSecond\t\r\n\r\n"), "First line\r\nSecond");
    EXPECT_EQ(NewsText("ok\xC3"), "ok\xEF\xBF\xBD"); // a truncated last character is replaced, not dropped
    EXPECT_EQ(DecodeFeedBody("\xD0\x9F\x80"), "\xD0\x9F\xEF\xBF\xBD");
}

} // namespace
