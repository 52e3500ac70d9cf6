#include "settings/LeftoverTemporaries.h"

#include <cerrno>
#include <charconv>
#include <csignal>
#include <ctime>
#include <limits>
#include <optional>
#include <string_view>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr std::time_t kQuietSeconds = 60;       // a save writes, flushes and renames well within this
constexpr std::time_t kAbandonedSeconds = 3600; // past this a live process id is one that was reused

std::string Prefix(const fs::path& Target) {
    return "." + Target.filename().string() + ".tmp-";
}

// Reads a run of digits at the start of Text up to Stop (or the end when Stop is 0); nullopt when there is
// none or something else follows.
std::optional<long long> Digits(std::string_view& Text, char Stop) {
    const std::size_t end = Stop == 0 ? Text.size() : Text.find(Stop);
    if (end == 0 || end == std::string_view::npos)
        return std::nullopt;
    const std::string_view digits = Text.substr(0, end);
    if (digits.find_first_not_of("0123456789") != std::string_view::npos)
        return std::nullopt;
    long long value = 0;
    if (std::from_chars(digits.data(), digits.data() + digits.size(), value).ec != std::errc())
        return std::nullopt;
    Text.remove_prefix(Stop == 0 ? end : end + 1);
    return value;
}

// The process id in a name made by TemporaryName for this target; nullopt for any other name.
std::optional<long long> WriterOf(std::string_view Name, const std::string& Prefix) {
    if (Name.substr(0, Prefix.size()) != Prefix)
        return std::nullopt;
    Name.remove_prefix(Prefix.size());
    const std::optional<long long> pid = Digits(Name, '-');
    if (!pid || !Digits(Name, '-') || !Digits(Name, 0) || !Name.empty())
        return std::nullopt;
    return pid;
}

bool ProcessAlive(long long Pid) {
    if (Pid <= 0 || Pid > std::numeric_limits<pid_t>::max())
        return false;
    if (Pid == ::getpid())
        return true;
    // EPERM: it exists, under another user.
    return ::kill(static_cast<pid_t>(Pid), 0) == 0 || errno != ESRCH;
}

} // namespace

std::string TemporaryName(const fs::path& Target, long long Pid, unsigned Counter, std::uint32_t Random) {
    return Prefix(Target) + std::to_string(Pid) + "-" + std::to_string(Counter) + "-" +
           std::to_string(Random);
}

void RemoveLeftoverTemporaries(const fs::path& Target) {
    try {
        const std::string prefix = Prefix(Target);
        const fs::path folder = Target.has_parent_path() ? Target.parent_path() : fs::path(".");
        const std::time_t now = std::time(nullptr);
        std::error_code error;
        for (fs::directory_iterator entry(folder, error), end; !error && entry != end;
             entry.increment(error)) {
            const std::optional<long long> pid = WriterOf(entry->path().filename().string(), prefix);
            struct stat info {};
            if (!pid || ::lstat(entry->path().c_str(), &info) != 0 || !S_ISREG(info.st_mode))
                continue;
            const std::time_t quiet = now - info.st_mtime;
            if (quiet >= kAbandonedSeconds || (quiet >= kQuietSeconds && !ProcessAlive(*pid)))
                ::unlink(entry->path().c_str());
        }
    } catch (...) {
        // Leftovers are only clutter; a save that worked must not fail over them.
    }
}
