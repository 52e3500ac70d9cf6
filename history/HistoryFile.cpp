#include "history/HistoryFile.h"

#include "settings/SettingsLocation.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// Checks (and tightens) one entry that must be the user's own: Folder a directory, else a regular file.
bool OwnEntry(const fs::path& Path, bool Folder, std::string& Problem) {
    struct stat info {};
    if (::lstat(Path.c_str(), &info) != 0) {
        Problem = Path.string() + ": " + std::strerror(errno);
        return false;
    }
    const bool kindOk = Folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode);
    if (!kindOk || info.st_uid != ::geteuid()) {
        Problem = Path.string() + (S_ISLNK(info.st_mode) ? " is a symbolic link"
                                   : !kindOk             ? (Folder ? " is no folder" : " is no regular file")
                                                         : " belongs to another user");
        return false;
    }
    const mode_t wanted = Folder ? 0700 : 0600;
    if ((info.st_mode & 0777) != wanted && ::chmod(Path.c_str(), wanted) != 0) {
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
        const fs::path folder = File.parent_path();
        std::error_code error;
        fs::create_directories(folder.parent_path(), error);
        if (::mkdir(folder.c_str(), 0700) != 0 && errno != EEXIST) {
            Problem = folder.string() + ": " + std::strerror(errno);
            return false;
        }
        if (!OwnEntry(folder, true, Problem)) {
            return false;
        }
        const int fd = ::open(File.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
        if (fd >= 0) {
            ::close(fd);
        } else if (errno != EEXIST) {
            Problem = File.string() + ": " + std::strerror(errno);
            return false;
        }
        return OwnEntry(File, false, Problem);
    } catch (...) {
        Problem = "out of memory";
        return false;
    }
}

bool MoveDamagedAside(const fs::path& File, std::string& Problem) noexcept {
    try {
        const std::string aside = File.string() + ".damaged";
        for (const char* suffix : {"-wal", "-shm"}) {
            const std::string from = File.string() + suffix;
            if (::rename(from.c_str(), (aside + suffix).c_str()) != 0 && errno != ENOENT) {
                ::unlink(from.c_str());
            }
        }
        if (::rename(File.c_str(), aside.c_str()) != 0) {
            Problem = "cannot move " + File.string() + " aside: " + std::strerror(errno);
            return false;
        }
        return true;
    } catch (...) {
        Problem = "out of memory";
        return false;
    }
}
