#pragma once
// The demo service's HTTP server: cpp-httplib parses, routes and answers each request, but connections are
// accepted and served by a loop of our own, because the library's loop (Debian 12 ships 0.11.4) listens with
// a backlog of 5, serves from a fixed pool that a few dozen slow clients fill, and counts no header lines.
// Here every connection has a thread of its own (up to a bound), a request's head and body must arrive within
// a time limit, and its head within a line and byte cap. A connection that waits for a request (a new one
// that has sent nothing yet, or a kept one between requests) makes way as soon as all threads are taken, so
// a crowd of idle connections never keeps a new client waiting. A request whose length is given twice, or
// given beside chunked coding, is answered 400 and its connection closed: what follows it is never taken for
// a request of its own.

#include <httplib.h>

#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <mutex>
#include <set>
#include <string>

struct ssl_ctx_st;

struct TDemoServerLimits {
    int Backlog = 1024;                               // connections waiting to be accepted
    std::size_t MaxConnections = 1000;                // served at once; further ones wait to be accepted
    std::chrono::milliseconds RequestTime{10000};     // for a request's head and body to arrive
    std::chrono::milliseconds ReadTimeout{5000};      // for each wait for request bytes
    std::chrono::milliseconds WriteTimeout{5000};     // for each wait for room to send
    std::chrono::milliseconds KeepAliveTimeout{5000}; // for the next request on a kept connection
    std::size_t KeepAliveMaxCount = 100;              // requests on one connection
    std::size_t MaxHeadLines = 100;                   // request line, header lines and the empty line
    std::size_t MaxHeadBytes = 64 * 1024;             // the same lines, their ends included
};

class TDemoHttpServer final : public httplib::Server {
  public:
    explicit TDemoHttpServer(TDemoServerLimits Limits = {});
    ~TDemoHttpServer() override;

    // Serves https from now on, with the certificate chain in CertFile and its key in KeyFile (PEM). False,
    // with Error saying why, when they cannot be loaded or do not match. Never throws but for memory.
    bool UseTls(const std::string& CertFile, const std::string& KeyFile, std::string& Error);

    // Binds Host and Port (0: any free port) and listens with the deep backlog at once, so that a crowd
    // connecting before Serve runs is queued too. The port, or -1 when it cannot be bound. Never throws.
    int Bind(const std::string& Host, int Port);
    // Serves on the bound socket until Stop(), then ends every connection and waits for their threads. False
    // when nothing was bound. Never throws.
    bool Serve();
    // Makes Serve return (also when it has not begun yet); callable from any thread. Never throws.
    void Stop();

  private:
    void ServeConnection(int Socket);
    // Runs Wait (a wait for the next request on Socket) with Socket listed as idle, so that it can be
    // dropped while all slots are taken; false when Wait failed or the connection was dropped meanwhile.
    template <typename TWait> bool WaitIdle(int Socket, TWait&& Wait);
    // Waits for a free connection slot; false when the server stops first.
    bool WaitForSlot();
    void Release(int Socket);

    TDemoServerLimits FLimits;
    std::mutex FLock;
    std::condition_variable FChanged;
    bool FStopping = false;
    std::set<int> FConnections; // sockets being served
    std::set<int> FIdle;        // those of them waiting for a request, which may be dropped
    ssl_ctx_st* FTls = nullptr; // set: every connection speaks TLS
};
