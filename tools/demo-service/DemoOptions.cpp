#include "tools/demo-service/DemoOptions.h"

#include "tools/demo-service/DemoFeeds.h"

#include <algorithm>
#include <charconv>
#include <iterator>

namespace {

// The options that take a value; every other word starting with "-" but --help, -h and --version is unknown.
constexpr std::string_view kValueOptions[] = {"--bind",       "--port",        "--seed",      "--rates-rows",
                                              "--latency-ms", "--fault",       "--tls-cert",  "--tls-key",
                                              "--feeds",      "--write-feeds", "--trickle-ms"};

std::uint64_t ReadNumber(std::string_view option, std::string_view text, std::uint64_t most) {
    std::uint64_t value = 0;
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || ec != std::errc() || end != text.data() + text.size() || value > most)
        throw EDemoUsage(std::string(option) + " needs a whole number from 0 to " + std::to_string(most) +
                         ", not \"" + std::string(text) + "\"");
    return value;
}

} // namespace

std::string DemoUsage() {
    return "usage: kovrin-demo-service [--bind ADDR] [--port N] [--seed N] [--rates-rows N] [--latency-ms "
           "N]\n"
           "                           [--fault SPEC]... [--trickle-ms N] [--drift] [--feeds DIR | "
           "--write-feeds "
           "DIR]\n"
           "                           [--tls-cert FILE --tls-key FILE]\n"
           "  --bind ADDR        address to listen on (default 127.0.0.1)\n"
           "  --port N           port to listen on, 0 for any free one (default 8765)\n"
           "  --seed N           seed of the generated data (default " +
           std::to_string(kDefaultDemoSeed) +
           ")\n"
           "  --rates-rows N     rates rows to generate, at most " +
           std::to_string(kMaxRatesRows) + " (default " + std::to_string(kDefaultRatesRows) +
           ")\n"
           "  --latency-ms N     wait this long before answering a feed request\n"
           "  --fault SPEC       misbehave on POST /callback: MODE for every feed, or "
           "FEED=MODE[,FEED=MODE...];\n"
           "                     modes: none, empty-body, garbage-body, status-500, redirect-loop, stall,\n"
           "                     close-mid-body, trickle. POST /control with the form field fault=SPEC "
           "changes\n"
           "                     it while running (loopback clients only)\n"
           "  --trickle-ms N     pause before each byte in the trickle mode (default 200)\n"
           "  --drift            let quotes move a little on every rates request (by the seed and the count "
           "of\n"
           "                     rates requests, so the same requests always see the same quotes)\n"
           "  --feeds DIR        serve news.txt, rates.txt, names.txt, exchangers.txt from DIR (read per "
           "request)\n"
           "  --write-feeds DIR  write the generated four files into DIR and exit\n"
           "  --tls-cert FILE    with --tls-key: serve https, with this certificate chain (PEM)\n"
           "  --tls-key FILE     the certificate's private key (PEM)\n"
           "  --help             this text\n"
           "  --version          the version\n";
}

TDemoOptions ParseDemoOptions(const std::vector<std::string_view>& Args) {
    TDemoOptions options;
    options.Seed = kDefaultDemoSeed;
    options.RatesRows = kDefaultRatesRows;
    for (std::size_t i = 0; i < Args.size(); ++i) {
        const auto option = Args[i];
        if (option == "--help" || option == "-h") {
            options.Help = true;
            continue;
        }
        if (option == "--version") {
            options.Version = true;
            continue;
        }
        if (option == "--drift") {
            options.Drift = true;
            continue;
        }
        if (!option.starts_with("-") || option == "-")
            throw EDemoUsage("unexpected argument \"" + std::string(option) + "\"");
        if (std::find(std::begin(kValueOptions), std::end(kValueOptions), option) == std::end(kValueOptions))
            throw EDemoUsage("unknown option " + std::string(option));
        if (i + 1 >= Args.size())
            throw EDemoUsage(std::string(option) + " needs a value");
        const auto value = Args[++i];
        if (option == "--bind") {
            if (value.empty())
                throw EDemoUsage("--bind needs an address");
            options.Bind = value;
        } else if (option == "--port") {
            options.Port = static_cast<int>(ReadNumber(option, value, 65535));
        } else if (option == "--seed") {
            options.Seed = ReadNumber(option, value, UINT64_MAX);
        } else if (option == "--rates-rows") {
            options.RatesRows = ReadNumber(option, value, kMaxRatesRows);
        } else if (option == "--latency-ms") {
            options.LatencyMs = static_cast<int>(ReadNumber(option, value, 600000));
        } else if (option == "--fault") {
            try {
                options.Faults.Apply(value);
            } catch (const std::invalid_argument& error) {
                throw EDemoUsage("--fault: " + std::string(error.what()));
            }
        } else if (option == "--trickle-ms") {
            options.TrickleMs = static_cast<int>(ReadNumber(option, value, 60000));
        } else if (option == "--feeds") {
            options.FeedsDir = std::string(value);
        } else if (option == "--write-feeds") {
            options.WriteDir = std::string(value);
        } else if (option == "--tls-cert" || option == "--tls-key") {
            if (value.empty())
                throw EDemoUsage(std::string(option) + " needs a file");
            (option == "--tls-cert" ? options.TlsCert : options.TlsKey) = std::string(value);
        } else {
            throw EDemoUsage("unknown option " + std::string(option));
        }
    }
    if (options.FeedsDir && options.WriteDir)
        throw EDemoUsage("--feeds and --write-feeds cannot be used together");
    if (options.TlsCert.empty() != options.TlsKey.empty())
        throw EDemoUsage("--tls-cert and --tls-key go together");
    return options;
}
