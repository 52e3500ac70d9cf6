#include "engine/Functions.h"
#include "settings/MiniReg.h"
#include "text/Eintr.h"

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <random>
#include <sys/random.h>
#include <unistd.h>

namespace {

constexpr std::size_t kGuidBytes = 16;

bool FromGetrandom(std::uint8_t* Bytes) {
    std::size_t filled = 0;
    while (filled < kGuidBytes) {
        const ssize_t got = HandleEINTR([&] { return getrandom(Bytes + filled, kGuidBytes - filled, 0); });
        if (got < 0) {
            return false;
        }
        filled += static_cast<std::size_t>(got);
    }
    return true;
}

bool FromUrandom(std::uint8_t* Bytes) {
    std::ifstream in("/dev/urandom", std::ios::binary);
    in.read(reinterpret_cast<char*>(Bytes), kGuidBytes);
    return static_cast<bool>(in);
}

// Last resort where the kernel offers no random source at all: still a GUID unlikely to be shared.
void FromClockAndPid(std::uint8_t* Bytes) {
    std::seed_seq seed{
        static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count()),
        static_cast<std::uint64_t>(std::chrono::steady_clock::now().time_since_epoch().count()),
        static_cast<std::uint64_t>(getpid()), reinterpret_cast<std::uintptr_t>(Bytes)};
    std::mt19937_64 engine(seed);
    for (std::size_t i = 0; i < kGuidBytes; ++i) {
        Bytes[i] = static_cast<std::uint8_t>(engine());
    }
}

} // namespace

std::string NewGuidText() {
    std::uint8_t b[kGuidBytes] = {};
    if (!FromGetrandom(b) && !FromUrandom(b)) {
        FromClockAndPid(b);
    }
    b[6] = static_cast<std::uint8_t>((b[6] & 0x0F) | 0x40); // version 4: random
    b[8] = static_cast<std::uint8_t>((b[8] & 0x3F) | 0x80); // variant 1
    char text[39];
    std::snprintf(text, sizeof text, "{%02X%02X%02X%02X-%02X%02X-%02X%02X-%02X%02X-%02X%02X%02X%02X%02X%02X}",
                  b[0], b[1], b[2], b[3], b[4], b[5], b[6], b[7], b[8], b[9], b[10], b[11], b[12], b[13],
                  b[14], b[15]);
    return text;
}

std::string GetAppGuid(const TRegRoot& Root) {
    const std::string path(kGuidPath);
    std::string text;
    RegReadString(Root, path, text); // a failed read leaves the text empty, which fails the check below
    if (RegexTest(kGuidPattern, text)) {
        return text;
    }
    std::string guid = NewGuidText();
    RegWriteString(Root, path, guid); // not storable: this call's GUID is still good for its request
    return guid;
}

std::string GetAppGuid() {
    return GetAppGuid(HKEY_CURRENT_USER());
}
