#pragma once
// A deterministic rates feed body for the benchmarks: lines like "1234;wmz;yandex rub;1;30.5123;123456.78".

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// The currency codes the generated feeds use.
inline const std::vector<std::string>& BenchCodes() {
    static const std::vector<std::string> codes = {"wmz",
                                                   "wmr",
                                                   "wme",
                                                   "yandex rub",
                                                   "qiwi rub",
                                                   "sberbank rub",
                                                   "tinkoff rub",
                                                   "alfa-bank rub",
                                                   "btc",
                                                   "eth",
                                                   "ltc",
                                                   "usdt trc20",
                                                   "usdt erc20",
                                                   "perfect usd",
                                                   "payeer usd",
                                                   "payeer rub",
                                                   "advcash usd",
                                                   "visa rub",
                                                   "mastercard usd",
                                                   "cash usd",
                                                   "cash rub",
                                                   "monero",
                                                   "ripple"};
    return codes;
}

// Lines lines of rates text, about 44 bytes each.
inline std::string MakeRatesBody(int Lines) {
    const std::vector<std::string>& codes = BenchCodes();
    const int count = static_cast<int>(codes.size());
    std::string body;
    body.reserve(static_cast<std::size_t>(Lines) * 46);
    char line[160];
    for (int i = 0; i < Lines; ++i) {
        const int pair = i % (count * (count - 1));
        const int src = pair / (count - 1);
        int dst = pair % (count - 1);
        if (dst >= src) {
            ++dst;
        }
        const int id = 1 + (i * 7919) % 400;
        const double get = 1 + (i % 9973) * 0.0137;
        const double reserve = (i * 7877) % 100000000 + 0.78;
        std::snprintf(line, sizeof line, "%d;%s;%s;1;%.4f;%.2f\n", id, codes[src].c_str(), codes[dst].c_str(),
                      get, reserve);
        body += line;
    }
    return body;
}

// The body a comparison script wrote (path in KOVRIN_REGEX_BODY), else a generated one of Lines lines.
inline std::string BenchRatesBody(int Lines) {
    if (const char* path = std::getenv("KOVRIN_REGEX_BODY"); path != nullptr && *path != '\0') {
        std::ifstream in(path, std::ios::binary);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }
    return MakeRatesBody(Lines);
}
