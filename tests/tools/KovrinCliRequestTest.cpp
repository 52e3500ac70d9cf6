#include "tests/support/RunProgram.h"
#include "tests/support/ScriptedServer.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace {

TProgramResult Cli(const std::vector<std::string>& Args) {
    return RunProgram(KOVRIN_CLI_PATH, Args);
}

const std::string kBinaryBody("bin\0\xFF\r\nend", 10);

TEST(KovrinCliRequest, PrintsTheBodyBytesUnchanged) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", kBinaryBody)));
    const TProgramResult run = Cli({"request", server.Url("/p"), "--get", "q=a b", "--post=action=rates",
                                    "--cookie", "appguid=G", "--cookie", "none=", "--header", "X-Extra: 1",
                                    "--user-agent", "kovrin-cli", "--timeout", "2000"});
    EXPECT_EQ(run.ExitCode, 0) << run.Err;
    EXPECT_EQ(run.Err, "");
    EXPECT_TRUE(run.Out == kBinaryBody);
    ASSERT_TRUE(server.WaitForConnections(1));
    EXPECT_EQ(server.Received(0),
              "POST /p?q=a%20b& HTTP/1.0\r\nHost: 127.0.0.1:" + std::to_string(server.Port()) +
                  "\r\nKeep-Alive: 300\r\nConnection: keep-alive\r\nCookie: appguid=G\r\n"
                  "User-Agent: kovrin-cli\r\nContent-Type: application/x-www-form-urlencoded\r\n"
                  "Content-Length: 13\r\nX-Extra: 1\r\n\r\naction=rates&");
}

TEST(KovrinCliRequest, IncludeAndJsonForms) {
    TScriptedServer server;
    server.Enqueue(TScript().Send(
        HttpResponseText("200 D\xE9j\xE0 vu", std::string("hello\0\xFF", 7), "X-Q: \"a\\b\"\t\r\n")));
    server.Enqueue(TScript().Send(HttpResponseText("200 OK", "hello")));

    const std::string headers = "HTTP/1.0 200 D\xE9j\xE0 vu\r\nX-Q: \"a\\b\"\t\r\nContent-Length: 7\r\n\r\n";
    const TProgramResult json = Cli({"request", server.Url("/"), "--json", "--timeout", "2000"});
    EXPECT_EQ(json.ExitCode, 0) << json.Err;
    EXPECT_EQ(json.Out,
              "{\"ResultCode\": 200, \"ResultString\": \"D\xC3\xA9j\xC3\xA0 vu\", \"Headers\": "
              "\"HTTP/1.0 200 D\xC3\xA9j\xC3\xA0 vu\\r\\nX-Q: \\\"a\\\\b\\\"\\t\\r\\nContent-Length: "
              "7\\r\\n\\r\\n\", \"Body\": \"aGVsbG8A/w==\"}\n");

    const TProgramResult include = Cli({"request", server.Url("/"), "--include"});
    EXPECT_EQ(include.ExitCode, 0) << include.Err;
    EXPECT_EQ(include.Out, "HTTP/1.0 200 OK\r\nContent-Length: 5\r\n\r\nhello");
}

TEST(KovrinCliRequest, FailedExchangeStillExitsZero) {
    TScriptedServer server;
    server.Enqueue(TScript().Hold());
    const TProgramResult silent = Cli({"request", server.Url("/"), "--timeout", "200", "--json"});
    EXPECT_EQ(silent.ExitCode, 0);
    EXPECT_EQ(silent.Out, "{\"ResultCode\": 0, \"ResultString\": \"\", \"Headers\": \"\", \"Body\": \"\"}\n");
}

TEST(KovrinCliRequest, AnAnswerThatBreaksOffIsNamedAndExitsThree) {
    TScriptedServer server;
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\nContent-Length: 50\r\n\r\nshort"));
    server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n9\r\ncut"));
    const TProgramResult counted = Cli({"request", server.Url("/"), "--json", "--timeout", "2000"});
    EXPECT_EQ(counted.ExitCode, 3);
    EXPECT_TRUE(counted.Out.ends_with(", \"Failure\": \"connection closed before the answer was whole\"}\n"))
        << counted.Out;
    EXPECT_NE(counted.Err.find("connection closed before the answer was whole"), std::string::npos);
    const TProgramResult chunked = Cli({"request", server.Url("/"), "--timeout", "2000"});
    EXPECT_EQ(chunked.ExitCode, 3);
    EXPECT_NE(chunked.Err.find(server.Url("/")), std::string::npos) << chunked.Err;
}

TEST(KovrinCliRequest, BadArgumentsGiveOneUsageLineAndCode2) {
    const std::vector<std::vector<std::string>> cases = {
        {"request", "http://127.0.0.1:9/", "--bogus"},
        {"request", "http://127.0.0.1:9/", "--get", "novalue"},
        {"request", "http://127.0.0.1:9/", "--cookie"},
        {"request", "http://127.0.0.1:9/", "--timeout", "soon"},
        {"request", "http://127.0.0.1:9/", "--timeout", "0"},
        {"request", "http://127.0.0.1:9/", "--cacert", ""},
        {"request", "http://127.0.0.1:9/", "--header", "A: 1", "--header", "B: 2"},
        {"request", "http://127.0.0.1:9/", "http://127.0.0.1:9/again"},
        {"request"},
        {"nonsense"},
        {},
    };
    for (const auto& args : cases) {
        const TProgramResult run = Cli(args);
        const std::string shown = args.empty() ? "(none)" : args.back();
        EXPECT_EQ(run.ExitCode, 2) << shown;
        EXPECT_EQ(run.Out, "") << shown;
        EXPECT_EQ(std::count(run.Err.begin(), run.Err.end(), '\n'), 1) << run.Err;
        EXPECT_NE(run.Err.find("usage: kovrin-cli"), std::string::npos) << run.Err;
    }
}

TEST(KovrinCliRequest, HelpNamesEveryOption) {
    for (const auto& args :
         {std::vector<std::string>{"--help"}, std::vector<std::string>{"request", "--help"}}) {
        const TProgramResult run = Cli(args);
        EXPECT_EQ(run.ExitCode, 0);
        for (const char* option : {"--get", "--post", "--cookie", "--header", "--user-agent", "--timeout",
                                   "--include", "--json", "--help"})
            EXPECT_NE(run.Out.find(option), std::string::npos) << option;
    }
}

} // namespace
