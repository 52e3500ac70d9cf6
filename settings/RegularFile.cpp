#include "settings/RegularFile.h"

#include "text/Eintr.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

const char* KindOf(mode_t Mode) {
    if (S_ISFIFO(Mode))
        return "a FIFO";
    if (S_ISDIR(Mode))
        return "a folder";
    if (S_ISSOCK(Mode))
        return "a socket";
    if (S_ISCHR(Mode) || S_ISBLK(Mode))
        return "a device";
    return "not a regular file";
}

TFileRead Fail(int Fd, std::string& Error) {
    Error = std::strerror(errno);
    if (Fd >= 0)
        ::close(Fd);
    return TFileRead::Failed;
}

} // namespace

TFileRead ReadRegularFile(const std::filesystem::path& Path, std::string& Bytes, std::string& Error,
                          std::size_t MaxBytes, bool Private) {
    Bytes.clear();
    Error.clear();
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer, for good.
    const int fd =
        ::open(Path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY | (Private ? O_NOFOLLOW : 0));
    if (fd < 0 && Private && errno == ELOOP) {
        Error = "a symbolic link";
        return TFileRead::NotRegular;
    }
    if (fd < 0)
        return errno == ENOENT || errno == ENOTDIR ? TFileRead::Missing : Fail(-1, Error);
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return Fail(fd, Error);
    if (Private && info.st_uid != ::geteuid()) {
        Error = "owned by another user";
        ::close(fd);
        return TFileRead::Failed;
    }
    if (!S_ISREG(info.st_mode)) {
        Error = KindOf(info.st_mode);
        ::close(fd);
        return TFileRead::NotRegular;
    }
    if (static_cast<std::uintmax_t>(info.st_size) > MaxBytes) {
        Error = "too large";
        ::close(fd);
        return TFileRead::Failed;
    }
    Bytes.reserve(static_cast<std::size_t>(info.st_size));
    char buffer[65536];
    for (;;) {
        const ssize_t got = HandleEINTR([&] { return ::read(fd, buffer, sizeof buffer); });
        if (got == 0)
            break;
        if (got < 0) {
            Bytes.clear();
            return Fail(fd, Error);
        }
        // The file may grow while it is read.
        if (static_cast<std::size_t>(got) > MaxBytes - Bytes.size()) {
            Bytes.clear();
            Error = "too large";
            ::close(fd);
            return TFileRead::Failed;
        }
        Bytes.append(buffer, static_cast<std::size_t>(got));
    }
    ::close(fd);
    return TFileRead::Read;
}
