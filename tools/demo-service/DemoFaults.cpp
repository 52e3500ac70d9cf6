#include "tools/demo-service/DemoFaults.h"

#include <algorithm>
#include <array>
#include <stdexcept>
#include <utility>

namespace {

constexpr std::array<std::pair<TDemoFault, std::string_view>, 8> kNames = {{
    {TDemoFault::None, "none"},
    {TDemoFault::EmptyBody, "empty-body"},
    {TDemoFault::GarbageBody, "garbage-body"},
    {TDemoFault::Status500, "status-500"},
    {TDemoFault::RedirectLoop, "redirect-loop"},
    {TDemoFault::Stall, "stall"},
    {TDemoFault::CloseMidBody, "close-mid-body"},
    {TDemoFault::Trickle, "trickle"},
}};

constexpr std::array<std::string_view, 4> kFeeds = {"news", "rates", "names", "exchangers"};

TDemoFault FaultByName(std::string_view name) {
    for (const auto& [fault, text] : kNames)
        if (text == name)
            return fault;
    throw std::invalid_argument("unknown fault mode \"" + std::string(name) + "\"");
}

} // namespace

std::string_view DemoFaultName(TDemoFault Fault) {
    for (const auto& [fault, text] : kNames)
        if (fault == Fault)
            return text;
    return "none";
}

TDemoFault TDemoFaultPlan::For(std::string_view Action) const {
    const auto it = FPerFeed.find(Action);
    return it != FPerFeed.end() ? it->second : FAll;
}

void TDemoFaultPlan::Apply(std::string_view Request) {
    if (Request.find('=') == std::string_view::npos) {
        const TDemoFault all = FaultByName(Request);
        FAll = all;
        FPerFeed.clear();
        return;
    }
    // Checked whole before anything changes, so a bad fault request leaves the plan as it was.
    std::map<std::string, TDemoFault, std::less<>> changes;
    std::size_t start = 0;
    while (start <= Request.size()) {
        std::size_t end = Request.find(',', start);
        if (end == std::string_view::npos)
            end = Request.size();
        const std::string_view pair = Request.substr(start, end - start);
        const std::size_t equals = pair.find('=');
        if (equals == std::string_view::npos)
            throw std::invalid_argument("\"" + std::string(pair) + "\" is not FEED=MODE");
        const std::string_view feed = pair.substr(0, equals);
        if (std::find(kFeeds.begin(), kFeeds.end(), feed) == kFeeds.end())
            throw std::invalid_argument("unknown feed \"" + std::string(feed) + "\"");
        changes[std::string(feed)] = FaultByName(pair.substr(equals + 1));
        start = end + 1;
    }
    for (auto& [feed, fault] : changes)
        FPerFeed[feed] = fault;
}

std::string TDemoFaultPlan::Text() const {
    std::string text(DemoFaultName(FAll));
    for (const auto& [feed, fault] : FPerFeed)
        text += "," + feed + "=" + std::string(DemoFaultName(fault));
    return text;
}

const std::string& DemoGarbageBody() {
    static const std::string body = [] {
        std::string bytes = "<html>\x01\x02\x7F garbage \xFF\xFE\xC3\x28 \xE2\x82 12 abc, 3.5\r\n\t";
        // A longer stretch of scrambled bytes; ";" is the one byte that could start a record, so it is left
        // out.
        unsigned state = 2463534242u;
        for (int i = 0; i < 2048; ++i) {
            state ^= state << 13, state ^= state >> 17, state ^= state << 5;
            char c = static_cast<char>(state & 0xFF);
            bytes += c == ';' ? ':' : c;
        }
        return bytes;
    }();
    return body;
}
