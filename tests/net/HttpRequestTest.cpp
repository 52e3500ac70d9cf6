#include "net/HttpClient.h"
#include "net/TCP.h"
#include "tests/support/ScriptedServer.h"
#include "tests/support/TempDir.h"

#include <gtest/gtest.h>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>

namespace {

using namespace std::chrono_literals;
using TSteady = std::chrono::steady_clock;

constexpr std::int32_t kShort = 300;

TOData Exchange(const TIData& Input) {
    TOData output;
    output.Headers = output.Body = output.ResultString = "stale";
    output.ResultCode = -1;
    HttpRequest(Input, output);
    return output;
}

TIData Request(const std::string& Url, std::int32_t Timeout = 2000) {
    TIData input;
    input.Timeout = Timeout;
    input.URL = Url;
    return input;
}

std::string Host(const TScriptedServer& Server) {
    return "Host: 127.0.0.1:" + std::to_string(Server.Port());
}

// A loopback port that nothing listens on: bound once, then released.
std::uint16_t ClosedPort() {
    const int handle = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    bind(handle, reinterpret_cast<sockaddr*>(&address), sizeof address);
    socklen_t size = sizeof address;
    getsockname(handle, reinterpret_cast<sockaddr*>(&address), &size);
    close(handle);
    return ntohs(address.sin_port);
}

void ExpectEmpty(const TOData& Output, int Code) {
    EXPECT_EQ(Output.ResultCode, Code);
    EXPECT_EQ(Output.ResultString, "");
    EXPECT_EQ(Output.Headers, "");
    EXPECT_EQ(Output.Body, "");
}

TEST(HttpRequest, FeedRequestGoesOutByteForByte) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "R|1|2\n", "X-Feed: rates\r\n")));
    TIData input = Request(server.Url("/callback"));
    input.PostParams = {{"action", "rates"}};
    input.Cookies = {{"appguid", "{0F8FAD5B-D9CB-469F-A165-70867728950E}"}, {"version", "1.0.1"}};
    const TOData output = Exchange(input);

    ASSERT_TRUE(server.WaitForConnections(1));
    EXPECT_EQ(server.Received(0),
              "POST /callback HTTP/1.0\r\n" + Host(server) +
                  "\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n"
                  "Cookie: appguid={0F8FAD5B-D9CB-469F-A165-70867728950E}; version=1.0.1\r\n"
                  "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: 13\r\n"
                  "\r\naction=rates&");
    EXPECT_EQ(output.ResultCode, 200);
    EXPECT_EQ(output.ResultString, "OK");
    EXPECT_EQ(output.Headers, "HTTP/1.0 200 OK\r\nX-Feed: rates\r\nContent-Length: 6\r\n\r\n");
    EXPECT_EQ(output.Body, "R|1|2\n");
}

TEST(HttpRequest, GetCarriesTheQueryAndNoBody) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", std::string("\0\xFF\r\n", 4))));
    TIData input = Request(server.Url("/p"));
    input.GetParams = {{"a", "1"}, {"b", "x y"}};
    input.UserAgent = "Kovrin-Test";
    input.Header = "X-Extra: 1";
    input.Cookies = {{"skip", ""}};
    const TOData output = Exchange(input);

    ASSERT_TRUE(server.WaitForConnections(1));
    EXPECT_EQ(server.Received(0),
              "GET /p?a=1&b=x%20y& HTTP/1.0\r\n" + Host(server) +
                  "\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\nUser-Agent: Kovrin-Test\r\n"
                  "X-Extra: 1\r\n\r\n");
    EXPECT_EQ(output.Body, std::string("\0\xFF\r\n", 4));
}

TEST(HttpRequest, LargeFormBodyArrivesWhole) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "")));
    TIData input = Request(server.Url("/big"));
    input.PostParams = {{"blob", std::string(100000, 'z')}};
    Exchange(input);
    ASSERT_TRUE(server.WaitForConnections(1));
    const std::string received = server.Received(0);
    EXPECT_NE(received.find("Content-Length: 100006\r\n\r\n"), std::string::npos);
    EXPECT_EQ(received.substr(received.size() - 100006), "blob=" + std::string(100000, 'z') + "&");
}

TEST(HttpRequest, RedirectCarriesServerCookiesAndTheSameForm) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(
        HttpResponseText("302 Found", "first",
                         "Set-Cookie: sid=abc; Path=/\r\nSet-Cookie: appguid=server\r\nSet-Cookie: x=1\r\n"
                         "Location: " +
                             server.Url("/second") + "\r\n")));
    server.Enqueue(TScript().Send(
        HttpResponseText("307 Temporary Redirect", "moved", "Set-Cookie: x=\r\nLocation: /third\r\n")));
    server.Enqueue(TScript().Send(HttpResponseText("404 Not Found", "last")));
    TIData input = Request(server.Url("/first"));
    input.PostParams = {{"action", "news"}};
    input.Cookies = {{"appguid", "G"}};
    const TOData output = Exchange(input);

    ASSERT_TRUE(server.WaitForConnections(3));
    EXPECT_EQ(server.ConnectionCount(), 3u);
    EXPECT_NE(server.Received(0).find("Cookie: appguid=G\r\n"), std::string::npos);
    // The caller's pair wins over the server's cookie of the same name; the server's others follow.
    EXPECT_NE(server.Received(1).find("POST /second HTTP/1.0\r\n"), std::string::npos);
    EXPECT_NE(server.Received(1).find("Cookie: appguid=G; sid=abc; x=1\r\n"), std::string::npos);
    EXPECT_NE(server.Received(1).find("\r\n\r\naction=news&"), std::string::npos);
    // A relative Location is followed from where it came from; "x=" removed that cookie.
    EXPECT_NE(server.Received(2).find("POST /third HTTP/1.0\r\n"), std::string::npos);
    EXPECT_NE(server.Received(2).find("Cookie: appguid=G; sid=abc\r\n"), std::string::npos);
    EXPECT_EQ(output.ResultCode, 404);
    EXPECT_EQ(output.ResultString, "Not Found");
    EXPECT_EQ(output.Headers, "HTTP/1.0 404 Not Found\r\nContent-Length: 4\r\n\r\n");
    EXPECT_EQ(output.Body, "last");
}

TEST(HttpRequest, OnlyRedirectStatusesAreFollowed) {
    for (const std::string status : {"200 OK", "201 Created", "300 Multiple Choices", "303 See Other"}) {
        TScriptedServer server;
        server.Enqueue(TScript().Send(HttpResponseText(status, "own body", "Location: /next\r\n")));
        server.Enqueue(TScript().Send(HttpResponseText("200 OK", "there")));
        TIData input = Request(server.Url("/"));
        input.PostParams = {{"action", "rates"}};
        const bool redirect = status[0] == '3' && status[2] == '3';
        EXPECT_EQ(Exchange(input).Body, redirect ? "there" : "own body") << status;
        // A redirect, 303 included, repeats the first pass's method and form.
        EXPECT_EQ(server.ConnectionCount(), redirect ? 2u : 1u) << status;
        if (redirect) {
            EXPECT_EQ(server.Received(1).find("POST /next HTTP/1.0\r\n"), 0u);
        }
    }
}

TEST(HttpRequest, CookiesAndTheIdStayWithTheHostAndPortTheyBelongTo) {
    TScriptedServer home;
    TScriptedServer elsewhere;
    home.Enqueue(TScript().Send(HttpResponseText(
        "302 Found", "", "Set-Cookie: sid=home\r\nLocation: " + elsewhere.Url("/away") + "\r\n")));
    home.Enqueue(TScript().Send(HttpResponseText("200 OK", "back home")));
    elsewhere.Enqueue(TScript().Send(
        HttpResponseText("302 Found", "", "Set-Cookie: other=1\r\nLocation: " + home.Url("/back") + "\r\n")));
    TIData input = Request(home.Url("/callback"));
    input.PostParams = {{"action", "rates"}};
    input.Cookies = {{"appguid", "{GUID}"}, {"version", "1.0.1"}};
    const TOData output = Exchange(input);

    ASSERT_TRUE(home.WaitForConnections(2));
    ASSERT_TRUE(elsewhere.WaitForConnections(1));
    // The other port gets the same POST and form, and no cookie of the first one's.
    EXPECT_EQ(elsewhere.Received(0), "POST /away HTTP/1.0\r\n" + Host(elsewhere) +
                                         "\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\n"
                                         "Content-Type: application/x-www-form-urlencoded\r\nContent-Length: "
                                         "13\r\n\r\naction=rates&");
    // Back home: the caller's cookies and home's own, nothing the other port set.
    EXPECT_NE(home.Received(1).find("Cookie: appguid={GUID}; version=1.0.1; sid=home\r\n"), std::string::npos)
        << home.Received(1);
    EXPECT_EQ(home.Received(1).find("other=1"), std::string::npos);
    EXPECT_EQ(output.Body, "back home");
}

TEST(HttpRequest, ACookieFloodEndsWithinTheDeadline) {
    // 50,000 distinct cookies in one header block, redirecting to itself: a jar without bounds grows the
    // request head pass by pass and takes seconds per pass.
    std::string flood = "HTTP/1.0 302 Found\r\nLocation: /again\r\n";
    for (int i = 0; i < 50000; ++i)
        flood += "Set-Cookie:c" + std::to_string(i) + "=1\r\n";
    TScriptedServer server;
    server.Enqueue(TScript().Send(flood + "Content-Length: 0\r\n\r\n"));
    const auto start = TSteady::now();
    Exchange(Request(server.Url("/"), 200));
    const auto took = TSteady::now() - start;
    EXPECT_LT(took, 5s); // the deadline is 2 s; the rest is slack for a loaded machine and the sanitizers
    ASSERT_GE(server.ConnectionCount(), 2u);
    EXPECT_LT(server.Received(1).size(), 20000u); // the cookies sent back stay within the jar's bounds
}

TEST(HttpRequest, ABodyShortOfItsLengthOrAChunkedBodyCutEarlyFails) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n0123456789"));
    server.Enqueue(TScript().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n"));
    server.Enqueue(
        TScript().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\n").Hold());
    server.Enqueue(
        TScript().Send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n5\r\nhello\r\nzz\r\n"));

    const TOData shortBody = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(shortBody.ResultCode, 200);
    EXPECT_EQ(shortBody.Body, ""); // only whole pieces are kept
    EXPECT_EQ(shortBody.Failure, TExchangeFailure::Closed);
    EXPECT_FALSE(ExchangeSucceeded(shortBody));

    const TOData closedBetweenChunks = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(closedBetweenChunks.Body, "hello");
    EXPECT_EQ(closedBetweenChunks.Failure, TExchangeFailure::Closed);
    EXPECT_FALSE(ExchangeSucceeded(closedBetweenChunks));

    const TOData silentBetweenChunks = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(silentBetweenChunks.Body, "hello");
    EXPECT_EQ(silentBetweenChunks.Failure, TExchangeFailure::Timeout);

    // A size line that is no number leaves the body's end unknown: a damaged answer, not a whole one.
    const TOData notANumber = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(notANumber.Failure, TExchangeFailure::Malformed);
    EXPECT_FALSE(ExchangeSucceeded(notANumber));
}

TEST(HttpRequest, ALocationThisClientCannotFollowOpensNoConnection) {
    TScriptedServer target;
    const std::string port = std::to_string(target.Port());
    const std::string refused[] = {
        "file:///etc/passwd",
        "gopher://127.0.0.1:" + port + "/x",
        "http://127.0.0.1:" + port + std::string("/a\0b", 4),
        "http://127.0.0.1:" + port +
            "/a\x7f"
            "b",
    };
    for (const std::string& location : refused) {
        TScriptedServer server;
        server.Enqueue(
            TScript().Send(HttpResponseText("302 Found", "stay", "Location: " + location + "\r\n")));
        const TOData output = Exchange(Request(server.Url("/")));
        EXPECT_EQ(server.ConnectionCount(), 1u) << location;
        EXPECT_EQ(output.ResultCode, 302) << location;
        EXPECT_EQ(output.Body, "stay") << location;
        EXPECT_EQ(output.Failure, TExchangeFailure::None) << location;
    }
    EXPECT_EQ(target.ConnectionCount(), 0u);
}

TEST(HttpRequest, RedirectLoopStopsAfterTenPasses) {
    TScriptedServer server;
    server.Enqueue(
        TScript().Send(HttpResponseText("302 Found", "again", "Location: " + server.Url("/loop") + "\r\n")));
    const TOData output = Exchange(Request(server.Url("/loop")));
    EXPECT_EQ(server.ConnectionCount(), static_cast<std::size_t>(kMaxRedirectPasses));
    EXPECT_EQ(output.ResultCode, 302);
    EXPECT_EQ(output.Body, "again");
}

TEST(HttpRequest, EmptyLocationIsNotFollowed) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("302 Found", "here", "Location:  \t\r\n")));
    const TOData output = Exchange(Request(server.Url("/")));
    EXPECT_EQ(server.ConnectionCount(), 1u);
    EXPECT_EQ(output.Body, "here");
}

TEST(HttpRequest, NoConnectionGives500AndNothingElse) {
    const TOData refused = Exchange(Request("http://127.0.0.1:" + std::to_string(ClosedPort()) + "/x"));
    ExpectEmpty(refused, 500);
    EXPECT_EQ(refused.Failure, TExchangeFailure::Refused);
    const TOData unknown = Exchange(Request("http://name.invalid/x"));
    ExpectEmpty(unknown, 500);
    EXPECT_EQ(unknown.Failure, TExchangeFailure::NoSuchHost);

    // "https" to a server that answers in plain HTTP: the handshake fails, and nothing of its answer is
    // taken.
    TScriptedServer server;
    server.Enqueue(TScript().NoRequest().Send(HttpResponseText("200 OK", "plain")));
    const TOData secure = Exchange(Request("https://127.0.0.1:" + std::to_string(server.Port()) + "/"));
    ExpectEmpty(secure, 500);
    EXPECT_EQ(secure.Failure, TExchangeFailure::Handshake);
    EXPECT_FALSE(ExchangeSucceeded(secure));
}

// Without its TLS module an https exchange fails as a value naming the loader's trouble, and never goes out
// as plain http; the same client speaks http as before.
TEST(HttpRequest, HttpsWithoutALoadableTlsModuleFailsBeforeConnecting) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "plain")));
    const TTempDir folder;
    WriteFileBytes(folder / "kovrin-tls.so", "not a module");
    // A folder another user may write: whatever lies in it could be theirs, and is not even opened.
    std::filesystem::create_directory(folder / "shared");
    WriteFileBytes(folder / "shared" / "kovrin-tls.so", "not a module");
    std::filesystem::permissions(folder / "shared", std::filesystem::perms::all);
    const std::pair<std::string, std::string> modules[] = {
        {(folder / "missing" / "kovrin-tls.so").string(), "No such file"},
        {(folder / "kovrin-tls.so").string(), "kovrin-tls.so"},
        {(folder / "shared" / "kovrin-tls.so").string(), "shared may be written by another user"},
    };
    for (const auto& [path, words] : modules) {
        TTlsModule module(path);
        for (int attempt = 0; attempt < 2; ++attempt) {
            THttpClient client;
            client.Timeout = 2000;
            client.Tls = &module;
            EXPECT_FALSE(client.DoRequest("GET", "https://127.0.0.1:" + std::to_string(server.Port()) + "/"));
            EXPECT_EQ(client.Failure, TExchangeFailure::TlsUnavailable) << path;
            EXPECT_NE(client.FailureDetail.find(words), std::string::npos) << client.FailureDetail;
            EXPECT_EQ(client.ResultCode, 500);
            EXPECT_TRUE(client.Document.empty());
        }
    }
    EXPECT_EQ(server.ConnectionCount(), 0u);
    TTlsModule missing(modules[0].first);
    THttpClient plain;
    plain.Tls = &missing;
    EXPECT_TRUE(plain.DoRequest("GET", server.Url("/")));
    EXPECT_EQ(plain.Document, "plain");
}

TEST(HttpRequest, SilentOrClosingServerGivesZero) {
    TScriptedServer server;
    server.Enqueue(TScript().Hold());
    server.Enqueue(TScript());
    const auto start = TSteady::now();
    const TOData silent = Exchange(Request(server.Url("/"), kShort));
    const auto took = TSteady::now() - start;
    ExpectEmpty(silent, 0);
    EXPECT_EQ(silent.Failure, TExchangeFailure::Timeout);
    EXPECT_GE(took, 250ms);
    EXPECT_LT(took, 2s);
    const TOData closing = Exchange(Request(server.Url("/"), kShort));
    ExpectEmpty(closing, 0);
    EXPECT_EQ(closing.Failure, TExchangeFailure::Closed);
}

TEST(HttpRequest, OnlyAWhole200AnswerSucceeds) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "")));
    server.Enqueue(TScript().Send(HttpResponseText("404 Not Found", "R|1|2\n")));
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\n\r\nto the close"));
    const TOData empty = Exchange(Request(server.Url("/")));
    EXPECT_EQ(empty.Failure, TExchangeFailure::None);
    EXPECT_TRUE(ExchangeSucceeded(empty)); // an empty feed is still the service's answer
    const TOData missing = Exchange(Request(server.Url("/")));
    EXPECT_EQ(missing.Failure, TExchangeFailure::None);
    EXPECT_FALSE(ExchangeSucceeded(missing));
    const TOData untilClose = Exchange(Request(server.Url("/")));
    EXPECT_EQ(untilClose.Body, "to the close");
    EXPECT_TRUE(ExchangeSucceeded(untilClose));
}

TEST(HttpRequest, FirstLineThatIsNotAStatusLineStartsTheBody) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("welcome\nrest of it"));
    const TOData output = Exchange(Request(server.Url("/")));
    EXPECT_EQ(output.ResultCode, 0);
    EXPECT_EQ(output.ResultString, "");
    EXPECT_EQ(output.Headers, "");
    EXPECT_EQ(output.Body, "welcome\r\nrest of it");
}

TEST(HttpRequest, HeaderWaitFailureKeepsTheLinesReceived) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\nX-Folded: a\r\n b\r\n").Hold());
    const TOData output = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(output.ResultCode, 200);
    EXPECT_EQ(output.ResultString, "OK");
    EXPECT_EQ(output.Headers, "HTTP/1.0 200 OK\r\nSet-Cookie: a=1\r\nX-Folded: a b\r\n");
    EXPECT_EQ(output.Body, "");
    EXPECT_EQ(output.Failure, TExchangeFailure::Timeout);
    EXPECT_FALSE(ExchangeSucceeded(output));
}

TEST(HttpRequest, DroppedBodyKeepsWholePieces) {
    TScriptedServer server;
    const std::string piece(65536, 'b');
    server.Enqueue(
        TScript().Send("HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n" + piece + piece + "tail"));
    const TOData output = Exchange(Request(server.Url("/"), kShort));
    EXPECT_EQ(output.ResultCode, 200);
    EXPECT_EQ(output.Headers, "HTTP/1.0 200 OK\r\nContent-Length: 200000\r\n\r\n");
    EXPECT_EQ(output.Body.size(), 2 * piece.size());
    EXPECT_EQ(output.Failure, TExchangeFailure::Closed);
    EXPECT_FALSE(ExchangeSucceeded(output));
}

TEST(HttpRequest, TricklingServerIsCutOffAtTheDeadline) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\n\r\n").Trickle("", 20ms));
    const auto start = TSteady::now();
    const TOData output = Exchange(Request(server.Url("/"), 100));
    const auto took = TSteady::now() - start;
    // Ten times the 100 ms time-out.
    EXPECT_GE(took, 900ms);
    EXPECT_LT(took, 3s);
    EXPECT_EQ(output.ResultCode, 200);
    EXPECT_GT(output.Body.size(), 5u);
    EXPECT_EQ(output.Body, std::string(output.Body.size(), 'x'));
    EXPECT_EQ(output.Failure, TExchangeFailure::Timeout);
}

TEST(HttpRequest, OneDeadlineCoversEveryRedirectPass) {
    // Each pass redirects only after a slow trickle: per-pass deadlines would let ten passes run ten times
    // as long as one.
    TScriptedServer server;
    server.Enqueue(TScript()
                       .Send("HTTP/1.0 302 Found\r\nLocation: " + server.Url("/again") + "\r\nX-Slow: ")
                       .Trickle("", 20ms));
    const auto start = TSteady::now();
    const TOData output = Exchange(Request(server.Url("/"), 100));
    const auto took = TSteady::now() - start;
    EXPECT_LT(took, 2500ms);
    EXPECT_LE(server.ConnectionCount(), static_cast<std::size_t>(kMaxRedirectPasses));
    EXPECT_EQ(output.Body, "");
}

TEST(HttpRequest, SpeaksToIpv6Loopback) {
    std::unique_ptr<TScriptedServer> server;
    try {
        server = std::make_unique<TScriptedServer>(true);
    } catch (const std::exception&) {
        GTEST_SKIP() << "no ::1 on this machine";
    }
    server->Enqueue(TScript().Send(HttpResponseText("200 OK", "six")));
    const TOData output = Exchange(Request(server->Url("/v6")));
    ASSERT_TRUE(server->WaitForConnections(1));
    EXPECT_NE(server->Received(0).find("Host: [::1]:" + std::to_string(server->Port()) + "\r\n"),
              std::string::npos);
    EXPECT_EQ(output.Body, "six");
}

TEST(HttpRequest, BodyPastTheClientsBoundIsTooLarge) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\n\r\n" + std::string(4096, 'b')));
    THttpClient client;
    client.Timeout = 2000;
    client.Headers = {""};
    client.Limits.MaxBody = 1000;
    EXPECT_FALSE(client.DoRequest("GET", server.Url("/")));
    EXPECT_EQ(client.ResultCode, 200);
    EXPECT_EQ(client.Failure, TExchangeFailure::TooLarge);
}

TEST(HttpRequest, WorkerShapeFillsTheOutputRecord) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "via void*")));
    TIData input = Request(server.Url("/"));
    TOData output;
    HttpRequest(static_cast<void*>(&input), static_cast<void*>(&output));
    EXPECT_EQ(output.Body, "via void*");
    EXPECT_THROW(HttpRequest(nullptr, static_cast<void*>(&output)), std::invalid_argument);
}

} // namespace
