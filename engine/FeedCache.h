#pragma once
// The last-known feeds: each body the service answered with a whole 200, kept as received in the per-user
// cache folder with a small record of when it arrived, so that the next start can show it before the first
// refresh. One file per feed ("rates.feed"): a header line, then the body's bytes.
//
//   kovrin-feed 1 rates 1765281909 52311 9c1f0a2b3d4e5f60\n<52311 body bytes>
//
// (magic, format version, feed name, arrival time in seconds since the epoch, body length, FNV-1a 64-bit
// checksum of the body in hex). A file that does not match its header to the byte is not used.

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

// A feed body kept from an earlier run.
struct TKeptFeed {
    std::string Body;
    std::int64_t ReceivedAt = 0; // seconds since the epoch
};

// The largest body kept: what the HTTP client would hold at most.
inline constexpr std::size_t kMaxKeptBody = 256u * 1024 * 1024;

// The folder the feeds are kept in: CacheHome() / "kovrin". Never throws.
std::filesystem::path FeedCacheFolder();

// The file that keeps Feed ("news", "rates", "names" or "exchangers") in Folder.
std::filesystem::path KeptFeedFile(const std::filesystem::path& Folder, std::string_view Feed);

// The file's bytes for Body of Feed received at ReceivedAt: its header line, then Body. Never throws but for
// memory.
std::string KeptFeedHeader(std::string_view Feed, std::string_view Body, std::int64_t ReceivedAt);
std::string KeptFeedRecord(std::string_view Feed, std::string_view Body, std::int64_t ReceivedAt);

// The kept feed in Bytes when they are a whole, undamaged record of Feed; nullopt otherwise (another feed, a
// header that does not parse, a body longer or shorter than recorded, a checksum that does not match, a body
// over kMaxKeptBody). Never throws but for memory.
std::optional<TKeptFeed> ParseKeptFeed(std::string_view Feed, std::string_view Bytes);

// Keeps Body of Feed in Folder (created 0700 when missing; never a folder that is a link, another user's or
// writable by others), in a file of mode 0600 written atomically: a crash keeps the previous file, and a link
// in its place is replaced, not followed. False when it could not be written (nothing else happens). Never
// throws.
bool KeepFeed(const std::filesystem::path& Folder, std::string_view Feed, std::string_view Body,
              std::int64_t ReceivedAt) noexcept;

// The feed kept in Folder, or nullopt when there is none or it cannot be used; Problem then says why (empty
// when there simply is no file). Reads only a regular file of the user's in a folder KeepFeed would write
// to, following no link, never waiting on a FIFO. Never throws.
std::optional<TKeptFeed> LoadKeptFeed(const std::filesystem::path& Folder, std::string_view Feed,
                                      std::string* Problem = nullptr) noexcept;
