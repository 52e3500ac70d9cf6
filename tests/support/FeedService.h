#pragma once
// A loopback feed service for end-to-end tests: answers POST /callback by its "action" field, each feed with
// its own body, delay, or no answer at all (held until the client or the server goes).

#include "tests/support/ScriptedServer.h"

#include <algorithm>
#include <chrono>
#include <map>
#include <mutex>
#include <string>
#include <vector>

class TFeedService final {
  public:
    // How one feed is answered.
    struct TReply {
        std::string Body;
        std::chrono::milliseconds Delay{0};
        bool Hold = false; // never answer
        int Pieces = 1;    // the answer sent in this many pieces, a few milliseconds apart
    };

    TFeedService() {
        FServer.SetResponder([this](const std::string& Request) {
            std::lock_guard<std::mutex> lock(FMutex);
            const auto reply = FReplies.find(Action(Request));
            if (reply == FReplies.end()) {
                return TScript().Send(HttpResponseText("404 Not Found", ""));
            }
            TScript script;
            if (reply->second.Hold) {
                return script.Hold();
            }
            if (reply->second.Delay.count() > 0) {
                script.Wait(reply->second.Delay);
            }
            const std::string answer = HttpResponseText("200 OK", reply->second.Body);
            const std::size_t piece =
                answer.size() / static_cast<std::size_t>(std::max(reply->second.Pieces, 1)) + 1;
            for (std::size_t at = 0; at < answer.size(); at += piece) {
                script.Send(answer.substr(at, piece))
                    .Wait(std::chrono::milliseconds(at + piece < answer.size() ? 3 : 0));
            }
            return script;
        });
    }

    // Sets how Feed is answered from the next request on.
    void Answer(const std::string& Feed, TReply Reply) {
        std::lock_guard<std::mutex> lock(FMutex);
        FReplies[Feed] = std::move(Reply);
    }

    // "http://127.0.0.1:PORT", no trailing slash.
    std::string Base() const { return FServer.Url(""); }
    std::size_t Requests() const { return FServer.ConnectionCount(); }
    // Every request's bytes so far.
    std::vector<std::string> Received() const {
        std::vector<std::string> all;
        for (std::size_t i = 0; i < FServer.ConnectionCount(); ++i) {
            all.push_back(FServer.Received(i));
        }
        return all;
    }
    bool WaitForRequests(std::size_t Count) const { return FServer.WaitForConnections(Count); }

    // The form field "action" of a request's body ("" when there is none).
    static std::string Action(const std::string& Request) {
        const std::size_t body = Request.find("\r\n\r\n");
        if (body == std::string::npos || Request.compare(body + 4, 7, "action=") != 0) {
            return {};
        }
        const std::size_t start = body + 11;
        return Request.substr(start, Request.find('&', start) - start);
    }

  private:
    std::mutex FMutex;
    std::map<std::string, TReply> FReplies;
    TScriptedServer FServer; // last: its threads stop before the replies go
};
