#include "tools/kovrin-cli/FeedFile.h"

#include "net/HttpResponse.h"
#include "text/Eintr.h"
#include "text/Prefault.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file of unknown length is first read into.
constexpr std::size_t kFirstReadBytes = 64 * 1024;
// A feed file may be as large as an answer of the service may be, and no larger: /dev/zero or a sparse file
// of a terabyte would otherwise take all the memory there is.
const std::size_t kMaxFeedFileBytes = THttpLimits{}.MaxBody;

[[noreturn]] void ThrowTooLarge() {
    throw std::runtime_error("larger than " + std::to_string(kMaxFeedFileBytes >> 20) +
                             " MiB, more than an answer of the service may be");
}

// Closes a file descriptor when it goes.
struct TFileHandle {
    int Descriptor;
    ~TFileHandle() {
        if (Descriptor >= 0) {
            close(Descriptor);
        }
    }
};

// Reads until the end, into room for Expected bytes (a regular file's size) or, when that is unknown, room
// that doubles as bytes arrive. The room is not cleared first: the reads write every byte that is kept, and
// clearing megabytes only to overwrite them is a pass over memory for nothing.
TSharedText ReadWhole(int Descriptor, std::size_t Expected) {
    if (Expected > kMaxFeedFileBytes) {
        ThrowTooLarge();
    }
    // One byte beyond a known size, so that the read which meets the end finds room and nothing doubles.
    std::size_t room = Expected > 0 ? Expected + 1 : kFirstReadBytes;
    auto bytes = std::make_unique_for_overwrite<char[]>(room);
    PrefaultForWriting(bytes.get(), room);
    std::size_t size = 0;
    for (;;) {
        if (size == room) {
            // Never past one byte over the bound, which the next read then shows crossed.
            const std::size_t larger_room = std::min(2 * room, kMaxFeedFileBytes + 1);
            auto larger = std::make_unique_for_overwrite<char[]>(larger_room);
            std::memcpy(larger.get(), bytes.get(), size);
            bytes = std::move(larger);
            room = larger_room;
        }
        const ssize_t got = HandleEINTR([&] { return read(Descriptor, bytes.get() + size, room - size); });
        if (got < 0) {
            throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
        if (size > kMaxFeedFileBytes) {
            ThrowTooLarge();
        }
    }
    if (size < Expected) {
        throw std::runtime_error("the file was cut short while it was read");
    }
    const std::string_view text(bytes.get(), size);
    return TSharedText(std::shared_ptr<const char[]>(std::move(bytes)), text);
}

} // namespace

TSharedText ReadFeedFile(const std::string& Path) {
    const TFileHandle file{HandleEINTR([&] { return open(Path.c_str(), O_RDONLY | O_CLOEXEC); })};
    if (file.Descriptor < 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    struct stat status {};
    const bool regular = fstat(file.Descriptor, &status) == 0 && S_ISREG(status.st_mode);
    const std::size_t expected = regular && status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
    return ReadWhole(file.Descriptor, expected);
}
