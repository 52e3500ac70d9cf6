#include "text/HugePages.h"

#include <algorithm>
#include <cstdint>
#include <utility>

#include <sys/mman.h>

#ifndef MADV_COLLAPSE
#define MADV_COLLAPSE 25 // Linux 6.1; headers of older C libraries do not name it
#endif

void AskHugePages(const void* Room, std::size_t Bytes) {
    const auto start = reinterpret_cast<std::uintptr_t>(Room);
    const std::uintptr_t end = start + Bytes;
    for (std::uintptr_t page = start & ~std::uintptr_t{kHugePageBytes - 1}; page < end;
         page += kHugePageBytes) {
        const std::uintptr_t from = std::max(page, start);
        const std::uintptr_t to = std::min(page + kHugePageBytes, end);
        if (to - from < kHugePageBytes / 2) {
            continue;
        }
        void* const at = reinterpret_cast<void*>(page);
        if (madvise(at, kHugePageBytes, MADV_HUGEPAGE) != 0) {
            continue; // not one mapping that may have huge pages
        }
        if (from != page || to != page + kHugePageBytes) {
            madvise(at, kHugePageBytes, MADV_COLLAPSE);
        }
    }
}

void ReserveInHugePages(std::string& Text, std::size_t Capacity, std::size_t Filled) {
    if (Capacity <= Text.capacity()) {
        return;
    }
    if (Filled < kHugePageBytes / 2) {
        Text.reserve(Capacity);
        return;
    }
    std::string grown;
    grown.reserve(Capacity);
    AskHugePages(grown.data(), std::min(Filled, Capacity));
    grown.append(Text);
    Text = std::move(grown);
}
