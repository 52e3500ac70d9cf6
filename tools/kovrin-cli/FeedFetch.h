#pragma once
// Feed bodies for kovrin-cli: fetched from the service side by side through the job runner, or read from
// files.

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Where the feeds come from.
struct TFeedSource {
    std::string ServiceBase;             // scheme and host of the service, no trailing slash
    std::optional<std::string> FeedsDir; // when set: DIR/news.txt, DIR/rates.txt, ... instead of the service
};

// A feed that could not be had; what() is the whole message, e.g. could not fetch feed "rates" from URL:
// connection refused.
class EFeedUnavailable : public std::runtime_error {
  public:
    EFeedUnavailable(const std::string& Message, bool FromService)
        : std::runtime_error(Message), FFromService(FromService) {}
    // True when the service could not be reached or did not answer 200; false for a feed file.
    bool FromService() const { return FFromService; }

  private:
    bool FFromService;
};

// The body bytes of each feed in Feeds, in that order. From the service, every request runs at once on its
// own worker thread (TThreadCtrl) and the completions are pumped on the calling thread; an exchange that does
// not bring a whole 200 answer fails. Throws EFeedUnavailable naming the first feed that failed and why.
std::vector<std::string> FetchFeeds(const TFeedSource& Source, const std::vector<std::string_view>& Feeds);
