#pragma once
// A loopback listener that serves each connection on a thread of its own, and the byte relay that the TLS
// front and the stub proxy build on. Every wait is bounded; the destructor ends and joins everything.

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

struct ssl_st;

class TRelayServer {
  public:
    TRelayServer();
    virtual ~TRelayServer();
    TRelayServer(const TRelayServer&) = delete;
    TRelayServer& operator=(const TRelayServer&) = delete;

    std::uint16_t Port() const { return FPort; }

  protected:
    // Starts accepting; a derived class calls it last in its constructor.
    void Start();
    // Stops accepting and joins every connection; a derived class calls it first in its destructor.
    void Stop();
    // Serves one accepted connection (closed afterwards by the caller).
    virtual void Serve(int Client) = 0;
    bool Stopping() const { return FStopping; }

    // Connects to 127.0.0.1:Port (or Host:Port); -1 when it cannot.
    static int ConnectTo(const std::string& Host, const std::string& Port);
    // Copies bytes both ways until either side closes or the server stops; A speaks TLS when ASsl is set.
    void Relay(int A, ssl_st* ASsl, int B);

  private:
    int FListen = -1;
    std::uint16_t FPort = 0;
    std::atomic<bool> FStopping{false};
    std::mutex FLock;
    std::vector<std::thread> FThreads;
    std::thread FAcceptThread;
};
