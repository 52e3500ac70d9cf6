#include "engine/ServiceAddress.h"

#include "engine/LiveSettings.h"
#include "engine/Protocol.h"
#include "net/HttpClient.h"
#include "text/Ascii.h"

#include <arpa/inet.h>
#include <charconv>

namespace {

bool IsHostName(std::string_view Host) {
    if (Host.empty() || Host.size() > 253 || Host.front() == '.' || Host.front() == '-')
        return false;
    char previous = '.';
    for (const char c : Host) {
        const bool alnum = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!alnum && c != '-' && c != '.')
            return false;
        if (c == '.' && (previous == '.' || previous == '-'))
            return false;
        previous = c;
    }
    return previous != '-';
}

bool IsIpv6(std::string_view Host) {
    unsigned char address[16];
    return inet_pton(AF_INET6, std::string(Host).c_str(), address) == 1;
}

} // namespace

std::string NormalizeServiceBase(std::string_view Text) {
    Text = Trim(Text);
    // The slashes of "://" stay, so that "http://" is refused for its missing host, not for its scheme.
    while (!Text.empty() && Text.back() == '/' && !Text.ends_with("://"))
        Text.remove_suffix(1);
    return std::string(Text);
}

TServiceBaseFault ServiceBaseFault(std::string_view Text) {
    if (Text.empty())
        return TServiceBaseFault::Missing;
    const std::size_t schemeEnd = Text.find("://");
    const std::string scheme =
        schemeEnd == std::string_view::npos ? "" : LowerAscii(Text.substr(0, schemeEnd));
    if (scheme != "http" && scheme != "https")
        return TServiceBaseFault::Scheme;
    std::string_view rest = Text.substr(schemeEnd + 3);
    if (rest.find_first_of("/?#@ \t") != std::string_view::npos)
        return TServiceBaseFault::Trailing;
    std::string_view host = rest;
    std::string_view port;
    if (!rest.empty() && rest.front() == '[') {
        const std::size_t close = rest.find(']');
        if (close == std::string_view::npos || !IsIpv6(rest.substr(1, close - 1)))
            return TServiceBaseFault::Host;
        host = rest.substr(1, close - 1);
        const std::string_view after = rest.substr(close + 1);
        if (!after.empty() && after.front() != ':')
            return TServiceBaseFault::Trailing;
        port = after.empty() ? std::string_view() : after.substr(1);
        if (after.size() == 1)
            return TServiceBaseFault::Port;
    } else {
        const std::size_t colon = rest.find(':');
        if (colon != std::string_view::npos) {
            host = rest.substr(0, colon);
            port = rest.substr(colon + 1);
            if (port.empty())
                return TServiceBaseFault::Port;
        }
        if (!IsHostName(host))
            return TServiceBaseFault::Host;
    }
    if (!port.empty()) {
        unsigned value = 0;
        const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
        if (error != std::errc() || end != port.data() + port.size() || value < 1 || value > 65535)
            return TServiceBaseFault::Port;
    }
    return TServiceBaseFault::None;
}

std::string ServiceBaseProblem(std::string_view Text) {
    switch (ServiceBaseFault(Text)) {
    case TServiceBaseFault::None:
        return {};
    case TServiceBaseFault::Missing:
        return "адрес не указан";
    case TServiceBaseFault::Scheme:
        return "адрес должен начинаться с http:// или https://";
    case TServiceBaseFault::Trailing:
        return "после имени сервера и порта ничего не допускается";
    case TServiceBaseFault::Host:
        return "неверное имя сервера";
    case TServiceBaseFault::Port:
        return "порт должен быть числом от 1 до 65535";
    }
    return {};
}

std::string ReadServiceBase(const TConfigDoc& Doc) {
    try {
        std::string stored;
        if (ConfigRead(Doc, kServiceBaseKey, stored)) {
            std::string base = NormalizeServiceBase(stored);
            if (ServiceBaseProblem(base).empty())
                return base;
        }
    } catch (const std::exception&) {
        // An element holding others, or no memory for the text: the build's service stands.
    }
    return ServiceBase;
}

void WriteServiceBase(const TConfigDoc& Doc, std::string_view Base) {
    WriteUnlessDefault(Doc, kServiceBaseKey, TConfigValue(NormalizeServiceBase(Base)),
                       TConfigValue(ServiceBase));
}

std::string ServiceKey(std::string_view Base) {
    const TUrlParts parts = SplitUrl(NormalizeServiceBase(Base));
    // The port as a number, so "0080" and "80" are one service.
    std::string port = parts.Port;
    unsigned value = 0;
    const auto [end, error] = std::from_chars(port.data(), port.data() + port.size(), value);
    if (error == std::errc() && end == port.data() + port.size())
        port = std::to_string(value);
    // An IPv6 address's colons become "+", which no host name holds.
    std::string key = parts.Scheme + "_" + LowerAscii(parts.Host) + "_" + port;
    for (char& c : key)
        if (c == ':')
            c = '+';
    return key;
}

std::filesystem::path KeptFeedsFolderFor(const std::filesystem::path& Root, std::string_view Base) {
    const std::string key = ServiceKey(Base);
    if (key == ServiceKey(ServiceBase))
        return Root;
    return Root / "services" / key;
}
