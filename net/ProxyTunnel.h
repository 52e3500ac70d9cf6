#pragma once
// Through a proxy: the request head in absolute form for a plain http request, and a CONNECT tunnel for an
// https one.

#include "net/ExchangeFailure.h"
#include "net/Proxy.h"
#include "net/Stream.h"

#include <string>
#include <string_view>

// "host[:port]" as a Host line or CONNECT target writes it (IPv6 in brackets); the port only when it is not
// DefaultPort.
std::string HostAndPort(const std::string& Host, const std::string& Port, std::string_view DefaultPort);

// Turns a request head made for the origin into one for Proxy: the request target in absolute form
// ("http://host[:port]/path") and, when the proxy has credentials, a Proxy-Authorization line before the
// blank line. Never throws but for memory.
std::string ProxiedHead(std::string Head, const std::string& Host, const std::string& Port,
                        const TProxy& Proxy);

// Asks the proxy at the other end of Stream for a tunnel to Host:Port and reads its answer. True on a 2xx
// answer; otherwise false with Failure ProxyRefused (Detail: the status code) or ProxyUnreachable. Never
// throws but for memory.
bool OpenTunnel(TStream& Stream, const std::string& Host, const std::string& Port, const TProxy& Proxy,
                int TimeoutMs, TClock::time_point Deadline, TExchangeFailure& Failure, std::string& Detail);
