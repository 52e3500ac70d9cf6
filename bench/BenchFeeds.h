#pragma once
// The tables the offer and route benchmarks compute from: 100,000 rates rows over 506 pairs (about 200 quotes
// per pair) and 400 exchangers listed in scrambled order.

#include "RatesBody.h"
#include "engine/Protocol.h"

struct TBenchFeeds {
    TStringMatrix Rates;
    TStringMatrix Names;
    TStringMatrix Exchangers;
};

inline const TBenchFeeds& BenchFeeds() {
    static const TBenchFeeds feeds = [] {
        TBenchFeeds f;
        f.Rates = FeedTable(kFeedRates, MakeRatesBody(100000));
        for (const std::string& code : BenchCodes()) {
            f.Names.push_back({code, "Name of " + code, "-"});
        }
        for (int i = 0; i < 400; ++i) {
            const int id = 1 + (i * 263) % 400;
            f.Exchangers.push_back({std::to_string(id), "Exchanger number " + std::to_string(id),
                                    std::to_string(i % 7), i % 3 == 0 ? "" : "1"});
        }
        return f;
    }();
    return feeds;
}
