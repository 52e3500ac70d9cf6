#include "text/Prefault.h"

#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace {

// Below this, the faults are too few to be worth a system call.
constexpr std::size_t kPrefaultMinBytes = 64 * 1024;

} // namespace

void PrefaultForWriting(void* Data, std::size_t Bytes) noexcept {
#ifdef MADV_POPULATE_WRITE
    if (Data == nullptr || Bytes < kPrefaultMinBytes) {
        return;
    }
    static const auto page = static_cast<std::uintptr_t>(sysconf(_SC_PAGESIZE));
    // The call takes whole pages: the range widens to the page of the first byte, which is mapped, as the
    // request changes no byte of it.
    const auto begin = reinterpret_cast<std::uintptr_t>(Data) & ~(page - 1);
    const auto end = reinterpret_cast<std::uintptr_t>(Data) + Bytes;
    // Failure leaves the pages to come a fault at a time, as without the call.
    madvise(reinterpret_cast<void*>(begin), end - begin, MADV_POPULATE_WRITE);
#else
    (void)Data;
    (void)Bytes;
#endif
}
