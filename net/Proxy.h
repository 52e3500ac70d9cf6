#pragma once
// Proxies as curl reads them from the environment: which proxy, if any, a request URL goes through, and the
// proxy's address and Basic credentials.

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

// One proxy: where it listens and, when its URL named a user, the Basic credentials for it.
struct TProxy {
    std::string Scheme = "http"; // only "http" proxies are spoken to
    std::string Host;            // without brackets around an IPv6 literal
    std::string Port = "1080";   // curl's default when the URL names none
    std::string Authorization;   // "Basic <base64 of user:password>"; empty without a user
};

// The proxy variables of one environment, read once.
struct TProxySettings {
    std::string HttpProxy;  // http_proxy (lower case only, as curl)
    std::string HttpsProxy; // https_proxy, else HTTPS_PROXY
    std::string AllProxy;   // all_proxy, else ALL_PROXY: for a scheme without its own variable
    std::string NoProxy;    // no_proxy, else NO_PROXY
};

// Reads the variables through Lookup (null: not set). Never throws but for memory.
TProxySettings ReadProxySettings(const std::function<const char*(const char*)>& Lookup);

// The settings of this process's environment, read at the call. Never throws but for memory.
std::shared_ptr<const TProxySettings> ProxiesFromEnvironment();

// True when NoProxy (comma- or space-separated entries: "*" for every host, "name", ".domain", an IP address
// or range "10.0.0.0/8" / "fd00::/8", each with an optional ":port") says that Host on Port is reached
// directly. A name matches itself and its subdomains; an IP literal Host matches only addresses and ranges.
bool BypassesProxy(std::string_view NoProxy, std::string_view Host, std::string_view Port);

// Reads a proxy URL ("[scheme://][user[:password]@]host[:port][/]"); nullopt when it names no host.
std::optional<TProxy> ParseProxyUrl(std::string_view Url);

// The proxy a request to Scheme://Host:Port goes through under Settings; nullopt for a direct connection.
std::optional<TProxy> ProxyFor(const TProxySettings& Settings, std::string_view Scheme, std::string_view Host,
                               std::string_view Port);

// Standard base64 with padding.
std::string Base64Encode(std::string_view Bytes);
