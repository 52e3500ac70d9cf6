#include "tools/kovrin-cli/FeedFile.h"

#include "text/Eintr.h"
#include "tools/kovrin-cli/Commands.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <stdexcept>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// What a file of unknown length is first read into.
constexpr std::size_t kFirstReadBytes = 64 * 1024;

// Closes a file descriptor when it goes.
struct TFileHandle {
    int Descriptor;
    ~TFileHandle() { close(Descriptor); }
};

// A mapping of a whole file, unmapped when the last table over it goes.
class TMapping {
  public:
    TMapping(void* Address, std::size_t Length) : FAddress(Address), FLength(Length) {}
    ~TMapping() { munmap(FAddress, FLength); }
    TMapping(const TMapping&) = delete;
    TMapping& operator=(const TMapping&) = delete;

  private:
    void* FAddress;
    std::size_t FLength;
};

// Touching a page of a mapped file that was truncated after mapping raises SIGBUS.
void OnFileCutShort(int) {
    static constexpr char kMessage[] = "kovrin-cli: a feed file was cut short while it was being read\n";
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kMessage, sizeof kMessage - 1);
    _exit(kExitFailed);
}

void GuardMappedFiles() {
    static std::once_flag installed;
    std::call_once(installed, [] {
        struct sigaction action {};
        action.sa_handler = OnFileCutShort;
        sigemptyset(&action.sa_mask);
        sigaction(SIGBUS, &action, nullptr);
    });
}

std::string ReadWhole(int Descriptor) {
    std::string body(kFirstReadBytes, '\0');
    std::size_t size = 0;
    for (;;) {
        if (size == body.size()) {
            body.resize(body.size() * 2);
        }
        const ssize_t got =
            HandleEINTR([&] { return read(Descriptor, body.data() + size, body.size() - size); });
        if (got < 0) {
            throw std::runtime_error("read error");
        }
        if (got == 0) {
            break;
        }
        size += static_cast<std::size_t>(got);
    }
    body.resize(size);
    return body;
}

} // namespace

TSharedText ReadFeedFile(const std::string& Path) {
    const TFileHandle file{HandleEINTR([&] { return open(Path.c_str(), O_RDONLY | O_CLOEXEC); })};
    if (file.Descriptor < 0) {
        throw std::runtime_error(std::strerror(errno));
    }
    struct stat status {};
    if (fstat(file.Descriptor, &status) == 0 && S_ISREG(status.st_mode) && status.st_size > 0) {
        const auto length = static_cast<std::size_t>(status.st_size);
        GuardMappedFiles();
        // Populated at once: one call maps every page the page cache holds instead of a fault per page.
        void* address = mmap(nullptr, length, PROT_READ, MAP_PRIVATE | MAP_POPULATE, file.Descriptor, 0);
        if (address != MAP_FAILED) {
            auto mapping = std::make_shared<const TMapping>(address, length);
            return TSharedText(std::move(mapping),
                               std::string_view(static_cast<const char*>(address), length));
        }
    }
    return std::make_shared<const std::string>(ReadWhole(file.Descriptor));
}
