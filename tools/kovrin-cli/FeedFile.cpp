#include "tools/kovrin-cli/FeedFile.h"

#include "net/HttpResponse.h"
#include "text/Eintr.h"
#include "text/Prefault.h"
#include "text/Utf8.h"

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

// What a file of unknown length is first given room for.
constexpr std::size_t kFirstRoomBytes = 64 * 1024;
// What one read asks for. The kernel writes each piece into the same small room, which stays in cache;
// copying it on into the body and checking its UTF-8 there are then the body's one pass, instead of the
// kernel's copy and a check of the whole body after it.
constexpr std::size_t kPieceBytes = 128 * 1024;
// A feed file may be as large as an answer of the service may be, and no larger: /dev/zero or a sparse file
// of a terabyte would otherwise take all the memory there is.
const std::size_t kMaxFeedFileBytes = THttpLimits{}.MaxBody;

[[noreturn]] void ThrowTooLarge() {
    throw std::runtime_error("larger than " + std::to_string(kMaxFeedFileBytes >> 20) +
                             " MiB, more than an answer of the service may be");
}

// Moves the Kept bytes of Bytes into a larger room of Larger bytes.
void GrowRoom(std::unique_ptr<char[]>& Bytes, std::size_t& Room, std::size_t Kept, std::size_t Larger) {
    auto larger = std::make_unique_for_overwrite<char[]>(Larger);
    std::memcpy(larger.get(), Bytes.get(), Kept);
    Bytes = std::move(larger);
    Room = Larger;
}

// Reads until the end, into room for Expected bytes (a regular file's size, within the bound) or, when that
// is unknown, room that doubles as bytes arrive. The room is not cleared first: the copies write every byte
// that is kept, and clearing megabytes only to overwrite them is a pass over memory for nothing. The text
// comes back marked valid UTF-8 when it is.
TSharedText ReadWhole(int Descriptor, std::size_t Expected) {
    std::size_t room = Expected > 0 ? Expected : kFirstRoomBytes;
    auto bytes = std::make_unique_for_overwrite<char[]>(room);
    PrefaultForWriting(bytes.get(), room);
    const auto piece = std::make_unique_for_overwrite<char[]>(kPieceBytes);
    TUtf8Check check;
    std::size_t size = 0;
    for (;;) {
        const ssize_t got = HandleEINTR([&] { return read(Descriptor, piece.get(), kPieceBytes); });
        if (got < 0) {
            throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        if (count > kMaxFeedFileBytes - size) {
            ThrowTooLarge();
        }
        if (size + count > room) {
            GrowRoom(bytes, room, size, std::min(std::max(2 * room, size + count), kMaxFeedFileBytes));
        }
        std::memcpy(bytes.get() + size, piece.get(), count);
        size += count;
        check.Extend(std::string_view(bytes.get(), size));
    }
    if (size < Expected) {
        throw std::runtime_error("the file was cut short while it was read");
    }
    const std::string_view text(bytes.get(), size);
    TSharedText shared(std::shared_ptr<const char[]>(std::move(bytes)), text);
    if (check.Valid(size)) {
        shared.MarkValidUtf8();
    }
    return shared;
}

// Opens Path for reading; throws std::runtime_error with the cause.
int OpenFeedFile(const std::string& Path) {
    const int descriptor = HandleEINTR([&] { return open(Path.c_str(), O_RDONLY | O_CLOEXEC); });
    if (descriptor < 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    return descriptor;
}

// Whether Descriptor is a regular file, and its size (0 for anything else): what the reads must come to.
std::size_t ExpectedSize(int Descriptor, bool& Regular) {
    struct stat status {};
    const bool regular = fstat(Descriptor, &status) == 0 && S_ISREG(status.st_mode);
    Regular = regular;
    return regular && status.st_size > 0 ? static_cast<std::size_t>(status.st_size) : 0;
}

} // namespace

TSharedText ReadFeedFile(const std::string& Path) {
    return TFeedFile(Path).ReadWhole();
}

TFeedFile::TFeedFile(const std::string& Path) : FDescriptor(OpenFeedFile(Path)) {
    FExpected = ExpectedSize(FDescriptor, FRegular);
    if (FExpected > kMaxFeedFileBytes) {
        close(FDescriptor);
        ThrowTooLarge();
    }
}

TFeedFile::~TFeedFile() {
    close(FDescriptor);
}

TSharedText TFeedFile::ReadWhole() {
    return ::ReadWhole(FDescriptor, FExpected);
}

void TFeedFile::ReadLines(std::size_t PieceBytes, const std::function<void(std::string_view)>& Lines) {
    // One room, used again for every piece: what is left after the last line end moves to its front.
    std::size_t room = std::max<std::size_t>(PieceBytes, 1);
    auto bytes = std::make_unique_for_overwrite<char[]>(room);
    std::size_t held = 0;
    std::size_t total = 0;
    for (;;) {
        if (held == room) {
            // A line longer than the room: it grows until the line fits.
            GrowRoom(bytes, room, held, std::min(2 * room, kMaxFeedFileBytes + 1));
        }
        const ssize_t got = HandleEINTR([&] { return read(FDescriptor, bytes.get() + held, room - held); });
        if (got < 0) {
            throw std::runtime_error(std::string("read error: ") + std::strerror(errno));
        }
        if (got == 0) {
            break;
        }
        const auto count = static_cast<std::size_t>(got);
        held += count;
        total += count;
        if (total > kMaxFeedFileBytes) {
            ThrowTooLarge();
        }
        // Only what just came can hold a line end: what was held before is the rest of a line.
        const std::string_view read_so_far(bytes.get(), held);
        const std::size_t new_end = read_so_far.substr(held - count).rfind('\n');
        if (new_end == std::string_view::npos) {
            continue;
        }
        const std::size_t last_end = held - count + new_end;
        Lines(read_so_far.substr(0, last_end + 1));
        held -= last_end + 1;
        std::memmove(bytes.get(), bytes.get() + last_end + 1, held);
    }
    if (total < FExpected) {
        throw std::runtime_error("the file was cut short while it was read");
    }
    if (held > 0) {
        Lines(std::string_view(bytes.get(), held));
    }
}
