#include "tools/demo-service/DemoFaultReply.h"

#include <httplib.h>

#include <memory>

namespace {

// A stalled request holds one of the server's threads; after this long it lets go even if nobody heals it.
constexpr std::chrono::minutes kLongestStall{10};

} // namespace

TDemoFault TDemoFaultState::For(std::string_view Action) const {
    std::lock_guard lock(FLock);
    return FPlan.For(Action);
}

std::string TDemoFaultState::Apply(std::string_view Request) {
    std::string text;
    {
        std::lock_guard lock(FLock);
        FPlan.Apply(Request);
        ++FGeneration;
        text = FPlan.Text();
    }
    FChanged.notify_all();
    return text;
}

void TDemoFaultState::Stop() {
    {
        std::lock_guard lock(FLock);
        FStopped = true;
    }
    FChanged.notify_all();
}

bool TDemoFaultState::WaitForChange(std::chrono::milliseconds Limit) {
    std::unique_lock lock(FLock);
    const std::uint64_t generation = FGeneration;
    FChanged.wait_for(lock, Limit, [&] { return FStopped || FGeneration != generation; });
    return !FStopped;
}

bool TDemoFaultState::TricklePause() {
    std::unique_lock lock(FLock);
    FChanged.wait_for(lock, std::chrono::milliseconds(FTrickleMs), [&] { return FStopped; });
    return !FStopped;
}

void AnswerWithFault(TDemoFaultState& State, TDemoFault Fault, const httplib::Request& Request,
                     const std::string& Body, httplib::Response& Response) {
    switch (Fault) {
    case TDemoFault::None:
        Response.set_content(Body, kDemoTextType);
        return;
    case TDemoFault::EmptyBody:
        Response.set_content("", kDemoTextType);
        return;
    case TDemoFault::GarbageBody:
        Response.set_content(DemoGarbageBody(), "application/octet-stream");
        return;
    case TDemoFault::Status500:
        Response.status = 500;
        Response.set_content("<html><body><h1>500 Internal Server Error</h1></body></html>\n",
                             "text/html; charset=utf-8");
        return;
    case TDemoFault::RedirectLoop:
        // Absolute, as the client uses a Location value as it stands; the same address every time.
        Response.status = 302;
        Response.set_header("Location", "http://" + Request.get_header_value("Host") + "/callback");
        return;
    case TDemoFault::Stall:
        State.WaitForChange(kLongestStall);
        Response.status = 503;
        return;
    case TDemoFault::CloseMidBody: {
        auto body = std::make_shared<const std::string>(Body);
        Response.set_content_provider(body->size(), kDemoTextType,
                                      [body](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                                          const std::size_t half = body->size() / 2;
                                          // Returning false makes the server drop the connection with the
                                          // rest unsent.
                                          if (offset >= half)
                                              return false;
                                          return sink.write(body->data() + offset, half - offset);
                                      });
        return;
    }
    case TDemoFault::Trickle: {
        auto body = std::make_shared<const std::string>(Body);
        Response.set_content_provider(
            body->size(), kDemoTextType,
            [body, &State](std::size_t offset, std::size_t, httplib::DataSink& sink) {
                return State.TricklePause() && sink.write(body->data() + offset, 1);
            });
        return;
    }
    }
}

bool IsLoopbackPeer(const httplib::Request& Request) {
    const std::string& peer = Request.remote_addr;
    return peer.starts_with("127.") || peer == "::1" || peer.starts_with("::ffff:127.");
}
