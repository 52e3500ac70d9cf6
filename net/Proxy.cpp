#include "net/Proxy.h"

#include "text/Ascii.h"

#include <arpa/inet.h>

#include <algorithm>
#include <array>
#include <charconv>
#include <cstdint>
#include <cstdlib>

namespace {

std::string FirstSet(const std::function<const char*(const char*)>& Lookup,
                     std::initializer_list<const char*> Names) {
    for (const char* name : Names)
        if (const char* value = Lookup(name); value != nullptr && *value != '\0')
            return value;
    return {};
}

int HexValue(char C) {
    if (C >= '0' && C <= '9')
        return C - '0';
    const char lower = AsciiLower(C);
    return lower >= 'a' && lower <= 'f' ? lower - 'a' + 10 : -1;
}

std::string PercentDecode(std::string_view Text) {
    std::string result;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        if (Text[i] == '%' && i + 2 < Text.size() && HexValue(Text[i + 1]) >= 0 &&
            HexValue(Text[i + 2]) >= 0) {
            result += static_cast<char>(HexValue(Text[i + 1]) * 16 + HexValue(Text[i + 2]));
            i += 2;
        } else {
            result += Text[i];
        }
    }
    return result;
}

// Splits "host[:port]" or "[v6][:port]" into a lower-case host without brackets and a port (empty: none).
void SplitHostPort(std::string_view Text, std::string& Host, std::string& Port) {
    Port.clear();
    if (!Text.empty() && Text.front() == '[') {
        const std::size_t close = Text.find(']');
        Host =
            LowerAscii(Text.substr(1, close == std::string_view::npos ? std::string_view::npos : close - 1));
        if (close != std::string_view::npos && close + 1 < Text.size() && Text[close + 1] == ':')
            Port = std::string(Text.substr(close + 2));
        return;
    }
    const std::size_t colon = Text.rfind(':');
    // More than one colon without brackets: an IPv6 literal without a port.
    if (colon != std::string_view::npos && Text.find(':') == colon) {
        Port = std::string(Text.substr(colon + 1));
        Text = Text.substr(0, colon);
    }
    Host = LowerAscii(Text);
}

// The bytes of an IP literal: 4 of them for IPv4, 16 for IPv6.
struct TIpLiteral {
    std::array<unsigned char, 16> Bytes{};
    std::size_t Size = 0;
};

std::optional<TIpLiteral> ParseIpLiteral(std::string_view Text) {
    const std::string text(Text);
    TIpLiteral address;
    if (inet_pton(AF_INET, text.c_str(), address.Bytes.data()) == 1)
        address.Size = 4;
    else if (inet_pton(AF_INET6, text.c_str(), address.Bytes.data()) == 1)
        address.Size = 16;
    else
        return std::nullopt;
    return address;
}

// True when Entry, "address" or "address/bits" of Host's family, holds Host: their first bits bits agree
// (every bit without "/bits").
bool InAddressRange(const TIpLiteral& Host, std::string_view Entry) {
    const std::size_t slash = Entry.find('/');
    const std::optional<TIpLiteral> network = ParseIpLiteral(Entry.substr(0, slash));
    if (!network || network->Size != Host.Size)
        return false;
    std::size_t bits = Host.Size * 8;
    if (slash != std::string_view::npos) {
        const std::string_view text = Entry.substr(slash + 1);
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), bits);
        if (text.empty() || error != std::errc() || end != text.data() + text.size() || bits > Host.Size * 8)
            return false;
    }
    const std::size_t whole = bits / 8;
    if (!std::equal(Host.Bytes.begin(), Host.Bytes.begin() + static_cast<std::ptrdiff_t>(whole),
                    network->Bytes.begin()))
        return false;
    const unsigned mask = 0xFFu << (8 - bits % 8) & 0xFFu;
    return bits % 8 == 0 || ((Host.Bytes[whole] ^ network->Bytes[whole]) & mask) == 0;
}

} // namespace

TProxySettings ReadProxySettings(const std::function<const char*(const char*)>& Lookup) {
    TProxySettings settings;
    // curl takes http_proxy in lower case only: a CGI program's HTTP_PROXY comes from a request header.
    settings.HttpProxy = FirstSet(Lookup, {"http_proxy"});
    settings.HttpsProxy = FirstSet(Lookup, {"https_proxy", "HTTPS_PROXY"});
    settings.AllProxy = FirstSet(Lookup, {"all_proxy", "ALL_PROXY"});
    settings.NoProxy = FirstSet(Lookup, {"no_proxy", "NO_PROXY"});
    return settings;
}

std::shared_ptr<const TProxySettings> ProxiesFromEnvironment() {
    return std::make_shared<const TProxySettings>(
        ReadProxySettings([](const char* Name) { return std::getenv(Name); }));
}

bool BypassesProxy(std::string_view NoProxy, std::string_view Host, std::string_view Port) {
    const std::string host = LowerAscii(Host);
    // As curl does, an IP literal is matched against the entries as an address, a range ("10.0.0.0/8")
    // included, and a name is never resolved for it.
    const std::optional<TIpLiteral> address = ParseIpLiteral(host);
    std::size_t start = 0;
    while (start <= NoProxy.size()) {
        std::size_t end = NoProxy.find_first_of(", \t", start);
        if (end == std::string_view::npos)
            end = NoProxy.size();
        const std::string_view entry = Trim(NoProxy.substr(start, end - start));
        start = end + 1;
        if (entry.empty())
            continue;
        if (entry == "*")
            return true;
        std::string name;
        std::string port;
        SplitHostPort(entry, name, port);
        if (!port.empty() && port != Port)
            continue;
        while (!name.empty() && name.back() == '.')
            name.pop_back();
        if (address) {
            if (InAddressRange(*address, name))
                return true;
            continue;
        }
        const bool domain = !name.empty() && name.front() == '.';
        if (domain)
            name.erase(0, 1);
        if (name.empty())
            continue;
        if (host == name)
            return true;
        if (host.size() > name.size() && host.compare(host.size() - name.size(), name.size(), name) == 0 &&
            host[host.size() - name.size() - 1] == '.')
            return true;
    }
    return false;
}

std::optional<TProxy> ParseProxyUrl(std::string_view Url) {
    TProxy proxy;
    Url = Trim(Url);
    if (const std::size_t scheme = Url.find("://"); scheme != std::string_view::npos) {
        proxy.Scheme = LowerAscii(Url.substr(0, scheme));
        Url = Url.substr(scheme + 3);
    }
    Url = Url.substr(0, Url.find_first_of("/?#"));
    if (const std::size_t at = Url.rfind('@'); at != std::string_view::npos) {
        const std::string_view user = Url.substr(0, at);
        Url = Url.substr(at + 1);
        const std::size_t colon = user.find(':');
        const std::string credentials =
            PercentDecode(user.substr(0, colon)) + ":" +
            (colon == std::string_view::npos ? std::string() : PercentDecode(user.substr(colon + 1)));
        proxy.Authorization = "Basic " + Base64Encode(credentials);
    }
    std::string port;
    SplitHostPort(Url, proxy.Host, port);
    if (proxy.Host.empty())
        return std::nullopt;
    if (!port.empty())
        proxy.Port = port;
    return proxy;
}

std::optional<TProxy> ProxyFor(const TProxySettings& Settings, std::string_view Scheme, std::string_view Host,
                               std::string_view Port) {
    const std::string& own = Scheme == "https" ? Settings.HttpsProxy : Settings.HttpProxy;
    const std::string& url = own.empty() ? Settings.AllProxy : own;
    if (url.empty() || BypassesProxy(Settings.NoProxy, Host, Port))
        return std::nullopt;
    return ParseProxyUrl(url);
}

std::string Base64Encode(std::string_view Bytes) {
    static constexpr char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((Bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < Bytes.size(); i += 3) {
        const std::size_t count = std::min<std::size_t>(3, Bytes.size() - i);
        std::uint32_t group = 0;
        for (std::size_t k = 0; k < 3; ++k)
            group = group << 8 | (k < count ? static_cast<unsigned char>(Bytes[i + k]) : 0u);
        for (std::size_t k = 0; k < 4; ++k)
            text += k <= count ? kAlphabet[group >> (18 - 6 * k) & 0x3F] : '=';
    }
    return text;
}
