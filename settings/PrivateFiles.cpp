#include "settings/PrivateFiles.h"

#include "settings/SettingsLocation.h"

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

constexpr mode_t kFolderMode = 0700;
constexpr int kFileMode = 0600;

// Creates Folder and its missing parents, each 0700. True when Folder exists afterwards (made here or by
// someone else meanwhile).
bool MakeFolders(const fs::path& Folder) {
    if (::mkdir(Folder.c_str(), kFolderMode) == 0 || errno == EEXIST)
        return true;
    if (errno != ENOENT || !Folder.has_parent_path() || Folder.parent_path() == Folder)
        return false;
    return MakeFolders(Folder.parent_path()) &&
           (::mkdir(Folder.c_str(), kFolderMode) == 0 || errno == EEXIST);
}

} // namespace

bool PreparePrivateFolder(const fs::path& Folder, std::string& Problem) {
    Problem.clear();
    try {
        if (!MakeFolders(Folder)) {
            Problem = Folder.string() + " cannot be made: " + std::strerror(errno);
            return false;
        }
        struct stat info {};
        if (::lstat(Folder.c_str(), &info) != 0) {
            Problem = Folder.string() + " cannot be looked at: " + std::strerror(errno);
        } else if (S_ISLNK(info.st_mode)) {
            Problem = Folder.string() + " is a symbolic link";
        } else if (!S_ISDIR(info.st_mode)) {
            Problem = Folder.string() + " is not a folder";
        } else if (info.st_uid != ::geteuid()) {
            Problem = Folder.string() + " belongs to another user";
        } else if ((info.st_mode & (S_IWGRP | S_IWOTH)) != 0) {
            Problem = Folder.string() + " may be written by other users";
        }
        return Problem.empty();
    } catch (...) {
        Problem = "out of memory";
        return false;
    }
}

TFileRead ReadPrivateFile(const fs::path& Path, std::string& Bytes, std::string& Error,
                          std::size_t MaxBytes) {
    return ReadRegularFile(Path, Bytes, Error, MaxBytes, true);
}

bool WritePrivateFile(const fs::path& Target, std::span<const std::string_view> Pieces) {
    return AtomicWriteFile(Target, Pieces, kFileMode);
}
