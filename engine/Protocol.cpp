#include "engine/Protocol.h"

#include "net/Proxy.h"
#include "text/Ascii.h"
#include "text/Utf8.h"

#include <stdexcept>
#include <string>
#include <utility>

#ifndef KOVRIN_SERVICE_BASE
#error "KOVRIN_SERVICE_BASE must be defined by the build"
#endif

const std::string ServiceBase = KOVRIN_SERVICE_BASE;

TIData MakeFeedRequest(std::string_view Base, std::string_view Feed, const std::string& Guid) {
    TIData request;
    request.Timeout = kFeedTimeout;
    request.URL = std::string(Base) + "/callback";
    request.PostParams.push_back({"action", std::string(Feed)});
    request.Cookies.push_back({"appguid", Guid});
    request.Cookies.push_back({"version", std::string(kProtocolVersion)});
    request.Proxies = ProxiesFromEnvironment();
    return request;
}

std::string DecodeFeedBody(std::string_view BodyBytes) {
    return DecodeUtf8Lenient(BodyBytes);
}

std::string NewsText(std::string_view BodyBytes) {
    return std::string(Trim(DecodeFeedBody(BodyBytes)));
}

namespace {

// The record pattern of a data feed. Throws std::invalid_argument for another feed.
std::string_view FeedPattern(std::string_view Feed) {
    if (Feed == kFeedRates) {
        return kRatesPattern;
    }
    if (Feed == kFeedNames) {
        return kNamesPattern;
    }
    if (Feed == kFeedExchangers) {
        return kExchangersPattern;
    }
    throw std::invalid_argument("no table is cut from the feed \"" + std::string(Feed) + "\"");
}

} // namespace

// RegexMatchAll decodes leniently itself, and only when the bytes need it.
TStringMatrix FeedTable(std::string_view Feed, std::string_view BodyBytes, std::size_t Budget) {
    return RegexMatchAll(BodyBytes, FeedPattern(Feed), Budget);
}

TStringMatrix FeedTableShared(std::string_view Feed, TSharedText BodyBytes, std::size_t Budget) {
    return RegexMatchAllShared(std::move(BodyBytes), FeedPattern(Feed), Budget);
}

std::string ExchangerPageUrl(std::string_view Base, std::int32_t EID) {
    return std::string(Base) + "/click/" + std::to_string(EID);
}
