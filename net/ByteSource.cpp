#include "net/ByteSource.h"

#include <algorithm>
#include <cstring>

std::ptrdiff_t TMemorySource::Read(char* Buffer, std::size_t Size) {
    if (FPos >= FBytes.size())
        return FFailAtEnd ? kReadFailed : 0;
    const std::size_t count = std::min({Size, FStep, FBytes.size() - FPos});
    std::memcpy(Buffer, FBytes.data() + FPos, count);
    FPos += count;
    return static_cast<std::ptrdiff_t>(count);
}
