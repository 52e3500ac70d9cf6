// The settings file's folder, and replacing a file without ever leaving a half-written one behind.

#include "settings/SettingsLocation.h"

#include "settings/LeftoverTemporaries.h"
#include "text/Eintr.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <random>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr const char* kSettingsFileName = "settings.xml";

bool WriteAll(int Fd, std::string_view Bytes) {
    std::size_t done = 0;
    while (done < Bytes.size()) {
        const ssize_t written =
            HandleEINTR([&] { return ::write(Fd, Bytes.data() + done, Bytes.size() - done); });
        if (written < 0) {
            return false;
        }
        done += static_cast<std::size_t>(written);
    }
    return true;
}

// Opens a new, unique file beside Target; -1 when none can be made. O_EXCL keeps an existing file safe (and
// follows no link); a Mode of 0666 lets the umask decide the permissions as for any new file.
int CreateTemporary(const fs::path& Target, fs::path& Created, mode_t Mode) {
    static std::atomic<unsigned> counter{0};
    std::random_device random;
    for (int attempt = 0; attempt < 16; ++attempt) {
        Created = Target.parent_path() / TemporaryName(Target, ::getpid(), counter++, random());
        const int fd = ::open(Created.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, Mode);
        if (fd >= 0 || errno != EEXIST) {
            return fd;
        }
    }
    return -1;
}

void SyncFolder(const fs::path& Folder) {
    const int fd = ::open(Folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        // Only makes the rename durable; some file systems refuse it, and the new file is in place either
        // way.
        ::fsync(fd);
        ::close(fd);
    }
}

bool FolderIsWritable(const fs::path& Folder) {
    std::error_code error;
    return fs::is_directory(Folder, error) && ::access(Folder.c_str(), W_OK | X_OK) == 0;
}

// $Variable when it is set and absolute (the XDG rule: a relative one is ignored), else Fallback under the
// home folder.
fs::path XdgHome(const char* Variable, const char* Fallback) {
    const char* xdg = std::getenv(Variable);
    if (xdg != nullptr && fs::path(xdg).is_absolute()) {
        return fs::path(xdg);
    }
    const char* home = std::getenv("HOME");
    if (home != nullptr && *home != '\0') {
        return fs::path(home) / Fallback;
    }
    if (const passwd* entry = ::getpwuid(::getuid()); entry != nullptr && entry->pw_dir != nullptr) {
        return fs::path(entry->pw_dir) / Fallback;
    }
    return fs::path(Fallback);
}

// The folders of installed software: a copy there belongs to the system, whoever may write into it.
bool UnderSystemFolder(const fs::path& Folder) {
    std::error_code error;
    fs::path real = fs::weakly_canonical(Folder, error);
    if (error) {
        real = Folder.lexically_normal();
    }
    for (const char* system : {"/usr", "/opt"}) {
        const fs::path root(system);
        const auto [rootEnd, realAt] = std::mismatch(root.begin(), root.end(), real.begin(), real.end());
        if (rootEnd == root.end()) {
            return true;
        }
    }
    return false;
}

} // namespace

bool IsPortableFolder(const fs::path& Folder) {
    struct stat info {};
    return FolderIsWritable(Folder) && ::stat(Folder.c_str(), &info) == 0 && info.st_uid == ::geteuid() &&
           !UnderSystemFolder(Folder);
}

fs::path ConfigHome() {
    return XdgHome("XDG_CONFIG_HOME", ".config");
}

fs::path CacheHome() {
    return XdgHome("XDG_CACHE_HOME", ".cache");
}

fs::path DataHome() {
    return XdgHome("XDG_DATA_HOME", ".local/share");
}

fs::path SettingsFilePath(const fs::path& ExeDir) {
    if (IsPortableFolder(ExeDir)) {
        return ExeDir / kSettingsFileName;
    }
    const fs::path folder = ConfigHome() / "kovrin";
    std::error_code ignored;
    // A folder that cannot be made shows up later as a failed save, which is reported there.
    fs::create_directories(folder, ignored);
    return folder / kSettingsFileName;
}

fs::path SettingsSeedFile(const fs::path& ExeDir, const fs::path& SettingsFile) {
    const fs::path seed = ExeDir / kSettingsFileName;
    std::error_code error;
    if (seed == SettingsFile || fs::symlink_status(SettingsFile, error).type() != fs::file_type::not_found) {
        return {};
    }
    const auto trusted = [](const fs::path& Path, bool Folder) {
        struct stat info {};
        // The file itself is never reached through a link; the folder may be.
        return (Folder ? ::stat(Path.c_str(), &info) : ::lstat(Path.c_str(), &info)) == 0 &&
               (Folder ? S_ISDIR(info.st_mode) : S_ISREG(info.st_mode)) &&
               (info.st_uid == ::geteuid() || info.st_uid == 0) && (info.st_mode & (S_IWGRP | S_IWOTH)) == 0;
    };
    return trusted(ExeDir, true) && trusted(seed, false) ? seed : fs::path();
}

fs::path LinkedFile(const fs::path& File) {
    fs::path file = File;
    std::error_code error;
    for (int hop = 0; hop < 40 && fs::is_symlink(file, error); ++hop) {
        const fs::path to = fs::read_symlink(file, error);
        if (error) {
            return File;
        }
        file = to.is_absolute() ? to : file.parent_path() / to;
    }
    const fs::path resolved = fs::weakly_canonical(file, error);
    return error ? file : resolved;
}

bool AtomicWriteFile(const fs::path& Target, const std::string& Bytes) {
    const std::string_view pieces[] = {Bytes};
    return AtomicWriteFile(Target, pieces);
}

bool AtomicWriteFile(const fs::path& Target, std::span<const std::string_view> Pieces, int Mode) {
    const fs::path target = Target.has_parent_path() ? Target : fs::path(".") / Target;
    fs::path temporary;
    const int fd = CreateTemporary(target, temporary, Mode >= 0 ? static_cast<mode_t>(Mode) : 0666);
    if (fd < 0) {
        return false;
    }
    bool ok = true;
    for (const std::string_view piece : Pieces) {
        ok = ok && WriteAll(fd, piece);
    }
    // Keep the permissions the old file had, so a save does not widen or narrow who may read it.
    struct stat old {};
    if (Mode >= 0) {
        ok = ok && ::fchmod(fd, static_cast<mode_t>(Mode)) == 0; // the umask may have taken bits away
    } else if (ok && ::stat(target.c_str(), &old) == 0) {
        ok = ::fchmod(fd, old.st_mode & 07777) == 0;
    }
    ok = ok && ::fsync(fd) == 0;
    ok = (::close(fd) == 0) && ok;
    ok = ok && ::rename(temporary.c_str(), target.c_str()) == 0;
    if (!ok) {
        ::unlink(temporary.c_str());
        return false;
    }
    SyncFolder(target.parent_path());
    RemoveLeftoverTemporaries(target);
    return true;
}
