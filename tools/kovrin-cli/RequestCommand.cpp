#include "net/Proxy.h"
#include "net/TCP.h"
#include "tools/kovrin-cli/Args.h"
#include "tools/kovrin-cli/Commands.h"
#include "tools/kovrin-cli/Encoding.h"
#include "tools/kovrin-cli/ExchangeText.h"

#include <chrono>
#include <cstdio>
#include <iostream>
#include <limits>

namespace {

void WriteBytes(const std::string& Bytes) {
    std::fwrite(Bytes.data(), 1, Bytes.size(), stdout);
}

void RequestHelp(std::ostream& Out) {
    Out << "Runs one HTTP exchange (HTTP/1.0, redirects followed) and prints what came back.\n"
           "\n"
           "  URL                  absolute http:// or https:// address\n"
           "  --get KEY=VALUE      add a query pair (repeatable); percent-encoded, appended as ?KEY=VALUE&\n"
           "  --post KEY=VALUE     add a form pair (repeatable); any makes the request a POST\n"
           "  --cookie KEY=VALUE   send a cookie (repeatable); an empty VALUE sends none\n"
           "  --header LINE        one extra request header line, sent as it stands\n"
           "  --user-agent TEXT    User-Agent line (default: none)\n"
           "  --timeout MS         longest single wait for data, 1..2147483647 ms (default 30000)\n"
           "  --cacert FILE        check an https server against this CA only (default: the system's)\n"
           "  --include            print the response's header text before the body\n"
           "  --json               print {\"ResultCode\", \"ResultString\", \"Headers\", \"Body\"}: header "
           "text with\n"
           "                       each byte as U+0000..U+00FF, body in base64; \"Failure\" added when the\n"
           "                       answer broke off\n"
           "  --help               this text\n"
           "\n"
           "Without --include or --json only the body bytes are printed, unchanged. A failed exchange is "
           "named\n"
           "on stderr. The exit code is 0 whenever the exchange ran (look at ResultCode: 500 no connection, "
           "0\n"
           "no status line), 3 when an answer came but broke off (a body short of its length, a chunked "
           "body\n"
           "cut short, a redirect refused), 2 for a bad command line. Proxies are taken from http_proxy,\n"
           "https_proxy, all_proxy and no_proxy as curl takes them.\n";
}

int RunRequest(const std::vector<std::string>& Args) {
    TIData input;
    input.Timeout = 30000;
    input.Proxies = ProxiesFromEnvironment();
    bool include = false;
    bool json = false;
    bool haveHeader = false;
    TArgReader args(Args);
    while (args.More()) {
        if (args.IsOption("--help")) {
            RequestHelp(std::cout);
            return 0;
        } else if (args.IsOption("--get")) {
            auto [key, value] = SplitPair(args.Value(), "--get");
            input.GetParams.push_back({key, value});
        } else if (args.IsOption("--post")) {
            auto [key, value] = SplitPair(args.Value(), "--post");
            input.PostParams.push_back({key, value});
        } else if (args.IsOption("--cookie")) {
            auto [key, value] = SplitPair(args.Value(), "--cookie");
            input.Cookies.push_back({key, value});
        } else if (args.IsOption("--header")) {
            if (haveHeader)
                throw EUsage("--header may be given once");
            haveHeader = true;
            input.Header = args.Value();
        } else if (args.IsOption("--user-agent")) {
            input.UserAgent = args.Value();
        } else if (args.IsOption("--timeout")) {
            input.Timeout = static_cast<std::int32_t>(
                ParseInteger(args.Value(), "--timeout", 1, std::numeric_limits<std::int32_t>::max()));
        } else if (args.IsOption("--cacert")) {
            input.CaFile = args.Value();
            if (input.CaFile.empty())
                throw EUsage("--cacert needs a file");
        } else if (args.IsOption("--include")) {
            include = true;
        } else if (args.IsOption("--json")) {
            json = true;
        } else if (args.AtOption()) {
            throw EUsage("unknown option " + args.Next());
        } else if (input.URL.empty()) {
            input.URL = args.Next();
        } else {
            throw EUsage("one URL only, got a second: " + args.Next());
        }
    }
    if (input.URL.empty())
        throw EUsage("the URL is missing");
    if (include && json)
        throw EUsage("--include and --json exclude each other");

    TOData output;
    const auto started = std::chrono::steady_clock::now();
    HttpRequest(input, output);
    const auto elapsed =
        std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - started);
    const std::string failure = output.Failure == TExchangeFailure::None
                                    ? std::string()
                                    : ExchangeFailureText(output, elapsed.count());
    // An answer that came but is not whole looks like a good one by its status: that one fails the run.
    const bool broken = !failure.empty() && !output.Headers.empty();
    if (!failure.empty())
        std::cerr << "kovrin-cli: " << input.URL << ": " << failure << "\n";
    if (json) {
        std::string text = "{\"ResultCode\": " + std::to_string(output.ResultCode) +
                           ", \"ResultString\": " + JsonBytesString(output.ResultString) +
                           ", \"Headers\": " + JsonBytesString(output.Headers) + ", \"Body\": \"" +
                           Base64(output.Body) + "\"";
        if (broken)
            text += ", \"Failure\": " + JsonBytesString(failure);
        text += "}\n";
        WriteBytes(text);
    } else {
        if (include)
            WriteBytes(output.Headers);
        WriteBytes(output.Body);
    }
    std::fflush(stdout);
    return broken ? 3 : 0;
}

} // namespace

const TCommand kRequestCommand{
    "request",
    "request URL [--get KEY=VALUE]... [--post KEY=VALUE]... [--cookie KEY=VALUE]... [--header LINE] "
    "[--user-agent TEXT] [--timeout MS] [--cacert FILE] [--include | --json]",
    RequestHelp, RunRequest};
