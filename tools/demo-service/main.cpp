// kovrin-demo-service: a deterministic feed service for demos and end-to-end tests.

#include "tools/demo-service/DemoFeeds.h"
#include "tools/demo-service/DemoOptions.h"
#include "tools/demo-service/DemoServer.h"

#include <atomic>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <pthread.h>
#include <thread>

namespace {

int WriteFeeds(const TDemoOptions& options) {
    const auto feeds = GenerateDemoFeeds(options.Seed, options.RatesRows);
    const std::filesystem::path dir(*options.WriteDir);
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    for (const char* action : {"news", "rates", "names", "exchangers"}) {
        const auto path = dir / (std::string(action) + ".txt");
        std::ofstream out(path, std::ios::binary | std::ios::trunc);
        out << *DemoFeedBody(feeds, action);
        out.close();
        if (!out) {
            std::cerr << "kovrin-demo-service: cannot write " << path.string() << "\n";
            return 1;
        }
    }
    return 0;
}

// Signals are taken by one thread with sigwait, so stopping the server never runs inside a signal handler.
int Serve(const TDemoOptions& options) {
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGINT);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    // A client that goes away mid-answer must not end the service.
    std::signal(SIGPIPE, SIG_IGN);

    TDemoServer server(options);
    const int port = server.Bind();
    std::cout << "listening on " << DemoServiceUrl(options.Bind, port, !options.TlsCert.empty()) << std::endl;

    std::atomic<bool> served{false};
    std::thread stopper([&] {
        int signal = 0;
        sigwait(&stopSignals, &signal);
        // A signal that came before the loop began would otherwise be lost: repeat until Serve has returned.
        while (!served.load()) {
            server.Stop();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    });
    const bool ok = server.Serve();
    served.store(true);
    // Wakes the stopper when serving ended by itself; a stopper already past sigwait ignores it.
    pthread_kill(stopper.native_handle(), SIGTERM);
    stopper.join();
    std::cerr << "kovrin-demo-service: stopped\n";
    return ok ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    TDemoOptions options;
    try {
        options = ParseDemoOptions(std::vector<std::string_view>(argv + 1, argv + argc));
    } catch (const EDemoUsage& error) {
        std::cerr << "kovrin-demo-service: " << error.what() << "\n" << DemoUsage();
        return 2;
    }
    if (options.Help) {
        std::cout << DemoUsage();
        return 0;
    }
    if (options.Version) {
        std::cout << "kovrin-demo-service " << KOVRIN_VERSION << "\n";
        return 0;
    }
    try {
        return options.WriteDir ? WriteFeeds(options) : Serve(options);
    } catch (const std::exception& error) {
        std::cerr << "kovrin-demo-service: " << error.what() << "\n";
        return 1;
    }
}
