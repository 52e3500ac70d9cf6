#include "tools/demo-service/DemoServer.h"

#include "tools/demo-service/DemoFaultReply.h"
#include "tools/demo-service/DemoHttpServer.h"

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <sstream>
#include <thread>

namespace {

constexpr const char* kHtmlType = "text/html; charset=utf-8";

// Whole file, or nullopt when it cannot be read.
std::optional<std::string> ReadWholeFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in)
        return std::nullopt;
    std::ostringstream out;
    out << in.rdbuf();
    if (in.bad())
        return std::nullopt;
    return out.str();
}

// The feed file Name of Dir, when it lies in Dir once every link is resolved; nullopt when a link leads out
// of Dir, so that --feeds never serves a file the operator did not put there.
std::optional<std::string> ReadFeedFile(const std::string& Dir, const std::string& Name) {
    namespace fs = std::filesystem;
    std::error_code error;
    const fs::path dir = fs::canonical(Dir, error);
    if (error)
        return std::nullopt;
    const fs::path file = fs::canonical(dir / Name, error);
    if (error)
        return std::nullopt;
    if (file.parent_path() != dir)
        return std::nullopt;
    return ReadWholeFile(file.string());
}

std::string HtmlEscape(std::string_view text) {
    std::string out;
    for (char c : text) {
        switch (c) {
        case '&':
            out += "&amp;";
            break;
        case '<':
            out += "&lt;";
            break;
        case '>':
            out += "&gt;";
            break;
        case '"':
            out += "&quot;";
            break;
        case '\'':
            out += "&#39;";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// Request values go into a one-line log: control characters and blanks would break the line or its fields.
std::string LogField(std::string_view text) {
    if (text.empty())
        return "-";
    std::string out;
    for (unsigned char c : text)
        out += (c <= 0x20 || c == 0x7F) ? '?' : static_cast<char>(c);
    return out;
}

std::string CookieValue(const httplib::Request& request, std::string_view name) {
    const auto header = request.get_header_value("Cookie");
    std::size_t start = 0;
    while (start < header.size()) {
        std::size_t end = header.find(';', start);
        if (end == std::string::npos)
            end = header.size();
        std::string_view pair(header.data() + start, end - start);
        while (!pair.empty() && pair.front() == ' ')
            pair.remove_prefix(1);
        const auto equals = pair.find('=');
        if (equals != std::string_view::npos && pair.substr(0, equals) == name)
            return std::string(pair.substr(equals + 1));
        start = end + 1;
    }
    return {};
}

} // namespace

struct TDemoServer::TImpl {
    TDemoOptions Options;
    TDemoFeeds Feeds;
    // Before Server, so that it outlives the threads serving requests.
    std::unique_ptr<TDemoFaultState> Faults;
    TDemoHttpServer Server;
    std::mutex LogLock;
    // Rates requests answered so far, for --drift.
    mutable std::atomic<std::uint64_t> RatesRequests{0};

    // The body of a feed, nullopt for an unknown action; when Failed is set, the text of the error instead (a
    // file that cannot be read).
    std::optional<std::string> Feed(const std::string& action, bool& failed) const {
        failed = false;
        if (!Options.FeedsDir) {
            const auto* body = DemoFeedBody(Feeds, action);
            return body ? std::optional<std::string>(*body) : std::nullopt;
        }
        // Only the four feed names ever reach the file system.
        if (DemoFeedBody(Feeds, action) == nullptr)
            return std::nullopt;
        auto body = ReadFeedFile(*Options.FeedsDir, action + ".txt");
        if (!body) {
            failed = true;
            return std::string("feed file " + action + ".txt cannot be read\n");
        }
        return body;
    }

    // A generated feed as the service holds it: written from that one copy, which lives as long as the
    // service, rather than copied twice per request (megabytes for a big rates feed).
    void AnswerWithHeldFeed(const std::string& action, httplib::Response& response) const {
        response.status = 200;
        const std::string* body = DemoFeedBody(Feeds, action);
        if (!body || body->empty()) {
            response.set_content("", kDemoTextType);
            return;
        }
        response.set_content_provider(
            body->size(), kDemoTextType,
            [body](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                return sink.write(body->data() + offset, length);
            });
    }

    void Callback(const httplib::Request& request, httplib::Response& response) const {
        if (Options.LatencyMs > 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(Options.LatencyMs));
        bool failed = false;
        const std::string action = request.get_param_value("action");
        const TDemoFault fault = Faults->For(action);
        if (!Options.FeedsDir && !Options.Drift && fault == TDemoFault::None) {
            AnswerWithHeldFeed(action, response);
            return;
        }
        auto body = Feed(action, failed);
        if (Options.Drift && action == "rates" && body && !failed)
            body = DriftDemoRates(*body, Options.Seed, ++RatesRequests);
        if (fault != TDemoFault::None) {
            AnswerWithFault(*Faults, fault, request, body.value_or(std::string()), response);
            return;
        }
        if (!body) {
            response.status = 200;
            response.set_content("", kDemoTextType);
            return;
        }
        response.status = failed ? 500 : 200;
        response.set_content(*body, kDemoTextType);
    }

    // Changes the fault plan of the running service; only from this machine, as it can take the service down.
    void Control(const httplib::Request& request, httplib::Response& response) const {
        if (!IsLoopbackPeer(request)) {
            response.status = 403;
            response.set_content("only loopback clients may change the fault mode\n", kDemoTextType);
            return;
        }
        if (!request.has_param("fault")) {
            response.status = 400;
            response.set_content("the form field fault=SPEC is missing\n", kDemoTextType);
            return;
        }
        try {
            response.set_content("fault=" + Faults->Apply(request.get_param_value("fault")) + "\n",
                                 kDemoTextType);
        } catch (const std::invalid_argument& error) {
            response.status = 400;
            response.set_content(std::string(error.what()) + "\n", kDemoTextType);
        }
    }

    void Click(const httplib::Request& request, httplib::Response& response) const {
        const std::string id = request.matches[1];
        std::optional<std::string> name;
        if (Options.FeedsDir) {
            if (const auto body = ReadFeedFile(*Options.FeedsDir, "exchangers.txt"))
                name = FindExchangerName(*body, id);
        } else {
            name = FindExchangerName(Feeds.Exchangers, id);
        }
        if (!name) {
            response.status = 404;
            response.set_content(
                "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\">"
                "<title>Не найдено</title></head><body><h1>Обменник не найден</h1></body></html>\n",
                kHtmlType);
            return;
        }
        response.set_content(DemoClickPage(id, *name), kHtmlType);
    }

    // A held feed is written by a content provider, which leaves the body empty and gives the length.
    static std::size_t BodyBytes(const httplib::Response& response) {
        return response.content_provider_ ? response.content_length_ : response.body.size();
    }

    void Log(const httplib::Request& request, const httplib::Response& response) {
        const std::string line = LogField(request.method) + " " + LogField(request.path) +
                                 " action=" + LogField(request.get_param_value("action")) +
                                 " appguid=" + LogField(CookieValue(request, "appguid")) +
                                 " version=" + LogField(CookieValue(request, "version")) +
                                 " status=" + std::to_string(response.status) +
                                 " bytes=" + std::to_string(BodyBytes(response)) + "\n";
        std::lock_guard lock(LogLock);
        std::fputs(line.c_str(), stderr);
        std::fflush(stderr);
    }
};

TDemoServer::TDemoServer(const TDemoOptions& Options) : FImpl(std::make_unique<TImpl>()) {
    FImpl->Options = Options;
    FImpl->Faults = std::make_unique<TDemoFaultState>(Options.Faults, Options.TrickleMs);
    if (!Options.FeedsDir)
        FImpl->Feeds = GenerateDemoFeeds(Options.Seed, Options.RatesRows);
    TImpl& impl = *FImpl;
    impl.Server.Post("/callback", [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.Callback(request, response);
    });
    impl.Server.Post("/control", [&impl](const httplib::Request& request, httplib::Response& response) {
        impl.Control(request, response);
    });
    impl.Server.Get(R"(/click/([^/]*))",
                    [&impl](const httplib::Request& request, httplib::Response& response) {
                        impl.Click(request, response);
                    });
    // Feed requests carry a few dozen bytes; nothing larger is worth reading.
    impl.Server.set_payload_max_length(64 * 1024);
    impl.Server.set_logger([&impl](const httplib::Request& request, const httplib::Response& response) {
        impl.Log(request, response);
    });
}

TDemoServer::~TDemoServer() = default;

int TDemoServer::Bind() {
    const auto& options = FImpl->Options;
    if (std::string error;
        !options.TlsCert.empty() && !FImpl->Server.UseTls(options.TlsCert, options.TlsKey, error))
        throw std::runtime_error(error);
    const int port = FImpl->Server.Bind(options.Bind, options.Port);
    if (port <= 0)
        throw std::runtime_error("cannot listen on " + DemoServiceUrl(options.Bind, options.Port));
    return port;
}

bool TDemoServer::Serve() {
    return FImpl->Server.Serve();
}

void TDemoServer::Stop() {
    // Stalled requests hold server threads that stopping waits for.
    FImpl->Faults->Stop();
    FImpl->Server.Stop();
}

std::string DemoServiceUrl(const std::string& Bind, int Port, bool Tls) {
    const bool v6 = Bind.find(':') != std::string::npos;
    return (Tls ? "https://" : "http://") + (v6 ? "[" + Bind + "]" : Bind) + ":" + std::to_string(Port);
}

std::string DemoClickPage(const std::string& Id, const std::string& Name) {
    const auto name = HtmlEscape(Name);
    return "<!DOCTYPE html>\n<html lang=\"ru\"><head><meta charset=\"utf-8\"><title>" + name +
           "</title></head>\n<body><h1>" + name + "</h1>\n<p>Обменник №" + HtmlEscape(Id) +
           " на демонстрационном сервисе Kovrin. Здесь была бы страница обмена.</p></body></html>\n";
}
