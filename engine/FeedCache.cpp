#include "engine/FeedCache.h"

#include "net/BodyRoom.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsLocation.h"
#include "text/Fnv1a.h"

#include <charconv>
#include <system_error>
#include <utility>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::string_view kMagic = "kovrin-feed";
constexpr std::string_view kVersion = "1";
// A header line is far shorter; anything longer is not ours.
constexpr std::size_t kMaxHeader = 200;

std::vector<std::string_view> Fields(std::string_view Line) {
    std::vector<std::string_view> fields;
    std::size_t start = 0;
    while (start <= Line.size()) {
        const std::size_t space = Line.find(' ', start);
        const std::size_t end = space == std::string_view::npos ? Line.size() : space;
        fields.push_back(Line.substr(start, end - start));
        start = end + 1;
    }
    return fields;
}

// Digits only (no sign, no blanks), the whole text.
template <typename TNumber> std::optional<TNumber> ReadNumber(std::string_view Text, int Base = 10) {
    TNumber value{};
    if (Text.empty() || Text.front() == '-' || Text.front() == '+') {
        return std::nullopt;
    }
    const auto [end, error] = std::from_chars(Text.data(), Text.data() + Text.size(), value, Base);
    if (error != std::errc() || end != Text.data() + Text.size()) {
        return std::nullopt;
    }
    return value;
}

std::string Hex64(std::uint64_t Value) {
    char text[17];
    const auto [end, error] = std::to_chars(text, text + 16, Value, 16);
    (void)error;
    std::string hex(text, end);
    return std::string(16 - hex.size(), '0') + hex;
}

} // namespace

fs::path FeedCacheFolder() {
    return CacheHome() / "kovrin";
}

fs::path KeptFeedFile(const fs::path& Folder, std::string_view Feed) {
    return Folder / (std::string(Feed) + ".feed");
}

std::string KeptFeedHeader(std::string_view Feed, std::string_view Body, std::int64_t ReceivedAt) {
    return std::string(kMagic) + " " + std::string(kVersion) + " " + std::string(Feed) + " " +
           std::to_string(ReceivedAt) + " " + std::to_string(Body.size()) + " " + Hex64(Fnv1a64(Body)) + "\n";
}

std::string KeptFeedRecord(std::string_view Feed, std::string_view Body, std::int64_t ReceivedAt) {
    return KeptFeedHeader(Feed, Body, ReceivedAt).append(Body);
}

namespace {

// Where the body starts in a kept file's Bytes and when it was received, when the file is whole and of Feed.
struct TKeptLayout {
    std::size_t BodyAt = 0;
    std::int64_t ReceivedAt = 0;
};

std::optional<TKeptLayout> KeptLayout(std::string_view Feed, std::string_view Bytes) {
    const std::size_t lineEnd = Bytes.substr(0, kMaxHeader).find('\n');
    if (lineEnd == std::string_view::npos) {
        return std::nullopt;
    }
    const std::vector<std::string_view> fields = Fields(Bytes.substr(0, lineEnd));
    if (fields.size() != 6 || fields[0] != kMagic || fields[1] != kVersion || fields[2] != Feed ||
        fields[5].size() != 16) {
        return std::nullopt;
    }
    const auto at = ReadNumber<std::int64_t>(fields[3]);
    const auto length = ReadNumber<std::uint64_t>(fields[4]);
    const auto checksum = ReadNumber<std::uint64_t>(fields[5], 16);
    const std::string_view body = Bytes.substr(lineEnd + 1);
    if (!at || !length || !checksum || *length > kMaxKeptBody || *length != body.size() ||
        Fnv1a64(body) != *checksum) {
        return std::nullopt;
    }
    return TKeptLayout{lineEnd + 1, *at};
}

} // namespace

std::optional<TKeptFeed> ParseKeptFeed(std::string_view Feed, std::string_view Bytes) {
    const std::optional<TKeptLayout> layout = KeptLayout(Feed, Bytes);
    if (!layout) {
        return std::nullopt;
    }
    return TKeptFeed{std::string(Bytes.substr(layout->BodyAt)), layout->ReceivedAt};
}

bool KeepFeed(const fs::path& Folder, std::string_view Feed, std::string_view Body,
              std::int64_t ReceivedAt) noexcept {
    try {
        if (Body.size() > kMaxKeptBody) {
            return false;
        }
        // What the service said is the user's own business: never written into a folder others may touch.
        std::string problem;
        if (!PreparePrivateFolder(Folder, problem)) {
            return false;
        }
        // Header and body go to the file one after the other: a 4 MB rates body is not copied once more.
        const std::string header = KeptFeedHeader(Feed, Body, ReceivedAt);
        const std::string_view pieces[] = {header, Body};
        return WritePrivateFile(KeptFeedFile(Folder, Feed), pieces);
    } catch (...) {
        return false;
    }
}

std::optional<TKeptFeed> LoadKeptFeed(const fs::path& Folder, std::string_view Feed,
                                      std::string* Problem) noexcept {
    try {
        if (Problem != nullptr) {
            Problem->clear();
        }
        const fs::path file = KeptFeedFile(Folder, Feed);
        // A large body is read into a body room (net/BodyRoom.h): once the refresh has replaced it, the room
        // takes the next body without fresh memory.
        std::error_code sizeError;
        const std::uintmax_t size = fs::file_size(file, sizeError);
        std::string bytes = !sizeError && size >= kKeptBodyRoomMin && size <= kMaxKeptBody + kMaxHeader
                                ? TakeBodyRoom(static_cast<std::size_t>(size))
                                : std::string();
        std::string error;
        std::string why;
        if (!PreparePrivateFolder(Folder, error)) {
            if (Problem != nullptr) {
                *Problem = file.string() + " is not used: " + error;
            }
            return std::nullopt;
        }
        switch (ReadPrivateFile(file, bytes, error, kMaxKeptBody + kMaxHeader)) {
        case TFileRead::Missing:
            return std::nullopt;
        case TFileRead::NotRegular:
            why = "it is " + error + ", not a regular file";
            break;
        case TFileRead::Failed:
            why = "it cannot be read: " + error;
            break;
        case TFileRead::Read:
            if (const std::optional<TKeptLayout> layout = KeptLayout(Feed, bytes)) {
                // The header goes from the front in place: the body is not copied into memory of its own.
                bytes.erase(0, layout->BodyAt);
                return TKeptFeed{std::move(bytes), layout->ReceivedAt};
            }
            why = "it is damaged or cut short";
            break;
        }
        if (Problem != nullptr) {
            *Problem = file.string() + " is not used: " + why;
        }
        return std::nullopt;
    } catch (...) {
        return std::nullopt;
    }
}
