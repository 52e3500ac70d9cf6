#include "history/HistoryFile.h"

#include "settings/DamagedCopy.h"
#include "settings/PrivateFiles.h"
#include "settings/SettingsLocation.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Checks (and tightens) a file that must be the user's own: a regular file, not a link, 0600.
bool OwnFile(const fs::path& Path, std::string& Problem) {
    struct stat info {};
    if (::lstat(Path.c_str(), &info) != 0) {
        Problem = Path.string() + ": " + std::strerror(errno);
        return false;
    }
    if (!S_ISREG(info.st_mode) || info.st_uid != ::geteuid()) {
        Problem = Path.string() + (S_ISLNK(info.st_mode)    ? " is a symbolic link"
                                   : !S_ISREG(info.st_mode) ? " is no regular file"
                                                            : " belongs to another user");
        return false;
    }
    if ((info.st_mode & 0777) != 0600 && ::chmod(Path.c_str(), 0600) != 0) {
        Problem = Path.string() + ": " + std::strerror(errno);
        return false;
    }
    return true;
}

} // namespace

fs::path HistoryFilePath() {
    return DataHome() / "kovrin" / "history.sqlite";
}

bool PrepareHistoryFile(const fs::path& File, std::string& Problem) noexcept {
    try {
        if (!PreparePrivateFolder(File.parent_path(), Problem)) {
            return false;
        }
        const int fd = ::open(File.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
        } else if (errno != EEXIST) {
            Problem = File.string() + ": " + std::strerror(errno);
            return false;
        }
        return OwnFile(File, Problem);
    } catch (...) {
        Problem = "out of memory";
        return false;
    }
}

fs::path HistoryOpenPath(const fs::path& File) {
    const fs::path folder = File.parent_path();
    const fs::path above = folder.parent_path();
    char* resolved = ::realpath(above.empty() ? "." : above.c_str(), nullptr);
    if (resolved == nullptr) {
        return File;
    }
    fs::path path(resolved);
    std::free(resolved);
    return path / folder.filename() / File.filename();
}

bool MoveDamagedAside(const fs::path& File, fs::path& Aside, std::string& Problem) noexcept {
    try {
        static constexpr std::string_view kJournals[] = {"-wal", "-shm"};
        Aside = FreeDamagedCopyName(File, kJournals);
        if (Aside.empty()) {
            Problem = "cannot move " + File.string() + " aside: every name for a copy is taken";
            return false;
        }
        for (const std::string_view suffix : kJournals) {
            const std::string from = File.string() + std::string(suffix);
            const std::string to = Aside.string() + std::string(suffix);
            if (::rename(from.c_str(), to.c_str()) != 0 && errno != ENOENT) {
                ::unlink(from.c_str());
            }
        }
        if (::rename(File.c_str(), Aside.c_str()) != 0) {
            Problem = "cannot move " + File.string() + " aside: " + std::strerror(errno);
            return false;
        }
        return true;
    } catch (...) {
        Problem = "out of memory";
        return false;
    }
}
