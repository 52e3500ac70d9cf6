#pragma once
// A scripted HTTP-ish server on a loopback address for end-to-end tests.
//
//   TScriptedServer server;                       // 127.0.0.1, ephemeral port (TScriptedServer(true): ::1)
//   server.Enqueue(TScript().Send("HTTP/1.0 200 OK\r\n\r\nhello"));
//   ... point a client at server.Url("/path") ...
//   server.WaitForConnections(1); server.Received(0) // the exact bytes the first connection sent
//
// Each accepted connection first reads the request (head up to the blank line, then as many body bytes as its
// Content-Length names; at most 2 s), then plays the next queued script, then closes. When the queue runs
// dry, the last script is played again, so one script serves a redirect loop; with no script at all the
// connection is closed at once. Every loop is bounded: waits end when the server is destroyed, and a held or
// trickling connection ends when the client goes away or after 30 s.

#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

// What the server does on one connection, step by step.
class TScript final {
  public:
    // Sends Bytes at once.
    TScript& Send(std::string Bytes);
    // Does nothing for Delay.
    TScript& Wait(std::chrono::milliseconds Delay);
    // Sends Bytes one byte per Interval; with empty Bytes sends "x" per Interval until the client closes (a
    // body that never ends).
    TScript& Trickle(std::string Bytes, std::chrono::milliseconds Interval);
    // Keeps the connection open without sending until the client closes.
    TScript& Hold();
    // Skips reading the request: the script starts as soon as the connection is accepted.
    TScript& NoRequest();

    struct TStep {
        enum TKind { skSend, skWait, skTrickle, skHold } Kind;
        std::string Bytes;
        std::chrono::milliseconds Delay{0};
    };
    std::vector<TStep> Steps;
    bool ReadRequest = true;
};

// A complete response with Content-Length: "HTTP/1.0 <Status>\r\n<ExtraHeaders>Content-Length:
// N\r\n\r\n<Body>". ExtraHeaders are whole lines, each ended by CR LF.
std::string HttpResponseText(const std::string& Status, const std::string& Body,
                             const std::string& ExtraHeaders = "");

class TScriptedServer final {
  public:
    // Listens on 127.0.0.1 (or ::1 with Ipv6) on an ephemeral port. Throws std::runtime_error when it cannot.
    explicit TScriptedServer(bool Ipv6 = false);
    // Stops accepting, ends every connection's script and joins all threads.
    ~TScriptedServer();
    TScriptedServer(const TScriptedServer&) = delete;
    TScriptedServer& operator=(const TScriptedServer&) = delete;

    std::uint16_t Port() const { return FPort; }
    // "http://127.0.0.1:PORT" + Path (or "http://[::1]:PORT" + Path).
    std::string Url(const std::string& Path = "/") const;

    // Queues the script for the next connection that has none yet.
    void Enqueue(TScript Script);

    // Chooses each connection's script from the request it read instead of from the queue (for answers that
    // depend on what was asked). Called on the connection's thread; a script it returns with NoRequest set
    // changes nothing, the request has been read by then.
    using TResponder = std::function<TScript(const std::string& Request)>;
    void SetResponder(TResponder Responder);

    // Connections accepted so far.
    std::size_t ConnectionCount() const;
    // Bytes received on connection Index (0 = first) so far; empty for a connection not seen.
    std::string Received(std::size_t Index) const;
    // Waits until Count connections have finished their scripts, at most Timeout; true when they have.
    bool WaitForConnections(std::size_t Count,
                            std::chrono::milliseconds Timeout = std::chrono::seconds(5)) const;

  private:
    struct TConnection;
    void AcceptLoop();
    void Serve(std::shared_ptr<TConnection> Connection, TScript Script);
    // Sleeps for Delay unless the server stops first; false when it stopped.
    bool Pause(std::chrono::milliseconds Delay);

    int FListen = -1;
    std::uint16_t FPort = 0;
    bool FIpv6 = false;
    mutable std::mutex FMutex;
    mutable std::condition_variable FChanged;
    bool FStopping = false;
    std::vector<TScript> FQueue;
    TResponder FResponder;
    std::size_t FNextScript = 0;
    std::vector<std::shared_ptr<TConnection>> FConnections;
    std::vector<std::thread> FThreads;
    std::thread FAcceptThread;
};
