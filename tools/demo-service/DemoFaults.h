#pragma once
// Fault modes of the demo service: how POST /callback misbehaves, for all feeds or feed by feed, so that
// tests can watch the client meet each failure of an HTTP exchange.

#include <map>
#include <string>
#include <string_view>

// One way of answering a feed request badly (None: answer normally).
enum class TDemoFault {
    None,
    EmptyBody,    // 200 with an empty body
    GarbageBody,  // 200 with bytes that hold no record of any feed
    Status500,    // 500 with a small error page
    RedirectLoop, // 302 whose Location is the same /callback address, every time
    Stall,        // accepts and never answers (until the mode changes or the service stops)
    CloseMidBody, // announces the feed's length, sends half of it, closes
    Trickle,      // the feed's body one byte at a time, a pause before each byte
};

// The mode names as the command line and POST /control spell them ("none", "empty-body", "garbage-body",
// "status-500", "redirect-loop", "stall", "close-mid-body", "trickle").
std::string_view DemoFaultName(TDemoFault Fault);

// Which fault applies to which feed.
class TDemoFaultPlan final {
  public:
    // The mode for requests with this "action" value: the feed's own mode, else the mode for every feed.
    TDemoFault For(std::string_view Action) const;
    // Adds a fault request: "MODE" (every feed; drops the per-feed modes) or "FEED=MODE[,FEED=MODE...]"
    // (those feeds; FEED is one of news, rates, names, exchangers). "none" as a mode heals. Throws
    // std::invalid_argument naming the bad part; the plan is then unchanged.
    void Apply(std::string_view Request);
    // The plan as a fault request Apply accepts: "none", "stall", "stall,rates=none", ...
    std::string Text() const;

  private:
    TDemoFault FAll = TDemoFault::None;
    std::map<std::string, TDemoFault, std::less<>> FPerFeed;
};

// The body of the garbage-body mode: fixed bytes (control characters, malformed UTF-8, text) with no ";", so
// no feed pattern finds a record in it. Never throws.
const std::string& DemoGarbageBody();
