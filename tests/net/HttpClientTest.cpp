#include "net/HttpClient.h"
#include "net/Cookies.h"
#include "net/Redirect.h"

#include <gtest/gtest.h>

namespace {

TEST(HttpClient, SplitsUrls) {
    struct {
        const char* Url;
        const char* Scheme;
        const char* Host;
        const char* Port;
        const char* Target;
    } const cases[] = {
        {"http://example.org/p/q?x=1&y", "http", "example.org", "80", "/p/q?x=1&y"},
        {"http://example.org", "http", "example.org", "80", "/"},
        {"http://example.org:8080", "http", "example.org", "8080", "/"},
        {"HTTP://Example.org:80/", "http", "Example.org", "80", "/"},
        {"example.org/a%20b", "http", "example.org", "80", "/a%20b"},
        {"https://example.org/s", "https", "example.org", "443", "/s"},
        {"http://[::1]:8765/callback", "http", "::1", "8765", "/callback"},
        {"http://[::1]/", "http", "::1", "80", "/"},
        {"http:///x", "http", "localhost", "80", "/x"},
        {"http://h:/x", "http", "h", "80", "/x"},
        {"http://h?a=1&", "http", "h", "80", "/?a=1&"},
    };
    for (const auto& c : cases) {
        const TUrlParts parts = SplitUrl(c.Url);
        EXPECT_EQ(parts.Scheme, c.Scheme) << c.Url;
        EXPECT_EQ(parts.Host, c.Host) << c.Url;
        EXPECT_EQ(parts.Port, c.Port) << c.Url;
        EXPECT_EQ(parts.Target, c.Target) << c.Url;
    }
}

TEST(HttpClient, HostLineCarriesThePortOnlyWhenNot80) {
    THttpClient client;
    client.Headers = {""};
    struct {
        const char* Url;
        const char* HostLine;
    } const cases[] = {
        {"http://h.example/x", "Host: h.example\r\n"},
        {"http://h.example:80/x", "Host: h.example\r\n"},
        {"http://h.example:8080/x", "Host: h.example:8080\r\n"},
        {"http://[::1]:99/", "Host: [::1]:99\r\n"},
        {"http://[fe80::1]/", "Host: [fe80::1]\r\n"},
    };
    for (const auto& c : cases) {
        const std::string head = client.RequestHead("get", SplitUrl(c.Url));
        EXPECT_NE(head.find(c.HostLine), std::string::npos) << head;
        EXPECT_EQ(head.substr(0, 4), "GET ");
    }
}

TEST(HttpClient, RequestHeadLinesInOrder) {
    THttpClient client;
    client.UserAgent = "Kovrin/1";
    client.Cookies.Set("a", "1");
    client.Cookies.Set("b", "x y");
    client.Document = "k=v&";
    client.MimeType = "application/x-www-form-urlencoded";
    client.Headers = {"X-Extra: yes"};
    EXPECT_EQ(
        client.RequestHead("POST", SplitUrl("http://h:81/p")),
        "POST /p HTTP/1.0\r\nHost: h:81\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n"
        "Cookie: a=1; b=x y\r\nUser-Agent: Kovrin/1\r\nContent-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: 4\r\nX-Extra: yes\r\n\r\n");

    THttpClient bare;
    EXPECT_EQ(bare.RequestHead("GET", SplitUrl("http://h")),
              "GET / HTTP/1.0\r\nHost: h\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n\r\n");
}

TEST(HttpClient, CookieListKeepsOrderReplacesInPlaceAndRemovesOnEmpty) {
    TCookieList cookies;
    cookies.Set("a", "1");
    cookies.Set("B", "2");
    cookies.Set("c", "3");
    cookies.Set("b", "two"); // same name in another case: value replaced, first spelling and place kept
    EXPECT_EQ(cookies.Text(), "a=1; B=two; c=3");
    cookies.Set("A", "");
    cookies.Set("missing", "");
    EXPECT_EQ(cookies.Text(), "B=two; c=3");
    cookies.Set("a", "back");
    EXPECT_EQ(cookies.Text(), "B=two; c=3; a=back");
}

TEST(HttpClient, CookieListTakesAServersCookiesOnlyWithinItsBounds) {
    TCookieLimits limits;
    limits.MaxCount = 3;
    limits.MaxEntryBytes = 10;
    limits.MaxBytes = 32;
    TCookieList cookies;
    cookies.Set("appguid", "caller-is-trusted"); // the caller's own cookie is never refused
    EXPECT_TRUE(cookies.Take("a", "1", limits));
    EXPECT_FALSE(cookies.Take("b", "0123456789", limits)); // one cookie past its bound
    EXPECT_TRUE(cookies.Take("b", "2", limits));
    EXPECT_FALSE(cookies.Take("c", "3", limits));        // a fourth cookie
    EXPECT_TRUE(cookies.Take("A", "one", limits));       // a new value for a cookie already kept
    EXPECT_FALSE(cookies.Take("b", "22222222", limits)); // the list as a whole would pass its bound
    EXPECT_EQ(cookies.Text(), "appguid=caller-is-trusted; a=one; b=2");
    EXPECT_TRUE(cookies.Take("APPGUID", "", limits)); // a removal always goes through
    EXPECT_TRUE(cookies.Take("c", "3", limits));
    EXPECT_EQ(cookies.Text(), "a=one; b=2; c=3");
    EXPECT_EQ(cookies.Count(), 3u);
}

TEST(HttpClient, CookieListCopiesAndMovesKeepTheirOwnIndex) {
    TCookieList original;
    original.Set("a", "1");
    original.Set("b", "2");
    TCookieList copy = original;
    copy.Set("A", "changed");
    copy.Set("b", "");
    EXPECT_EQ(original.Text(), "a=1; b=2");
    EXPECT_EQ(copy.Text(), "a=changed");
    TCookieList moved = std::move(copy);
    moved.Set("a", "");
    EXPECT_TRUE(moved.Empty());
    EXPECT_TRUE(copy.Empty());
    copy = original;
    original.Clear();
    copy.Set("B", "two");
    EXPECT_EQ(copy.Text(), "a=1; b=two");
}

TEST(HttpClient, CookiesBelongToHostAndPort) {
    EXPECT_EQ(CookieOrigin(SplitUrl("http://Feeds.Example:8765/callback")),
              CookieOrigin(SplitUrl("http://feeds.example:8765/other?x")));
    EXPECT_EQ(CookieOrigin(SplitUrl("http://h/")), CookieOrigin(SplitUrl("http://h:80/")));
    EXPECT_NE(CookieOrigin(SplitUrl("http://h:8765/")), CookieOrigin(SplitUrl("http://h:8766/")));
    EXPECT_NE(CookieOrigin(SplitUrl("http://h/")), CookieOrigin(SplitUrl("http://h.evil/")));
    EXPECT_NE(CookieOrigin(SplitUrl("http://127.0.0.1/")), CookieOrigin(SplitUrl("http://localhost/")));
}

TEST(HttpClient, HeaderValueByNameWithoutCase) {
    THttpClient client;
    client.Headers = {"HTTP/1.0 302 Found: really", "X-Location: no", "location:  http://a/b ",
                      "Location: second", ""};
    std::string value;
    ASSERT_TRUE(client.HeaderValue("Location", value));
    EXPECT_EQ(value, "  http://a/b ");
    EXPECT_FALSE(client.HeaderValue("Content-Length", value));
}

TEST(HttpClient, ResolvesLocations) {
    struct {
        const char* Current;
        const char* Location;
        const char* Expected;
    } const cases[] = {
        {"http://a:1/x/y?q", "http://b/z", "http://b/z"},
        {"http://a:1/x/y?q", "//b:2/z", "http://b:2/z"},
        {"http://a:1/x/y?q", "/z?w", "http://a:1/z?w"},
        {"http://a:1/x/y?q", "?w", "http://a:1/x/y?w"},
        {"http://a:1/x/y?q", "z", "http://a:1/x/z"},
        {"http://a:1", "z", "http://a:1/z"},
        {"http://a:1?q", "/z", "http://a:1/z"},
        {"http://a/x", "next?to=http://elsewhere/", "http://a/next?to=http://elsewhere/"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveLocation(c.Current, c.Location), c.Expected) << c.Current << " + " << c.Location;
}

} // namespace
