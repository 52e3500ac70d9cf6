#pragma once
// Answering feed requests in a fault mode, and the mode the running service is in (changed by POST /control).

#include "tools/demo-service/DemoFaults.h"

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <string_view>

namespace httplib {
struct Request;
struct Response;
} // namespace httplib

// The media type of every plain-text answer the service gives.
inline constexpr const char* kDemoTextType = "text/plain; charset=utf-8";

// The running service's fault plan, shared by the threads that serve requests.
class TDemoFaultState final {
  public:
    TDemoFaultState(TDemoFaultPlan Plan, int TrickleMs) : FPlan(std::move(Plan)), FTrickleMs(TrickleMs) {}

    // The mode for a request with this "action". Never throws.
    TDemoFault For(std::string_view Action) const;
    // Applies a fault request (see TDemoFaultPlan::Apply) and wakes stalled requests; the new plan's text.
    // Throws std::invalid_argument for a bad fault request, leaving the plan unchanged.
    std::string Apply(std::string_view Request);
    // Wakes every waiting request for good; later waits end at once. Never throws.
    void Stop();

    // Waits until the plan changes or the service stops (at most Limit); false when it stopped.
    bool WaitForChange(std::chrono::milliseconds Limit);
    // Waits the trickle pause; false when the service stopped meanwhile.
    bool TricklePause();

  private:
    mutable std::mutex FLock;
    std::condition_variable FChanged;
    TDemoFaultPlan FPlan;
    std::uint64_t FGeneration = 0;
    bool FStopped = false;
    int FTrickleMs;
};

// Fills Response for a feed request in mode Fault; Body is what a healthy answer would carry. A stalled
// request returns only once the plan changes or the service stops, and its answer then goes nowhere.
void AnswerWithFault(TDemoFaultState& State, TDemoFault Fault, const httplib::Request& Request,
                     const std::string& Body, httplib::Response& Response);

// True when the peer of Request is on this machine (127.0.0.0/8, ::1, or IPv4 loopback mapped into IPv6).
bool IsLoopbackPeer(const httplib::Request& Request);
