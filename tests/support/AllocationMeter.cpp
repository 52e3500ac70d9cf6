#include "tests/support/AllocationMeter.h"

#include <atomic>
#include <cstdlib>
#include <malloc.h>
#include <new>

namespace {

std::atomic<std::ptrdiff_t> Held{0};
std::atomic<std::ptrdiff_t> Peak{0};

void* Allocate(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr)
        throw std::bad_alloc();
    const std::ptrdiff_t now = Held += static_cast<std::ptrdiff_t>(malloc_usable_size(p));
    for (std::ptrdiff_t peak = Peak.load(); now > peak && !Peak.compare_exchange_weak(peak, now);) {
    }
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr)
        return;
    Held -= static_cast<std::ptrdiff_t>(malloc_usable_size(p));
    std::free(p);
}

} // namespace

// Every form that pairs with the plain delete is replaced, the nothrow ones too (the library's temporary
// buffers use them): a sanitizer's own nothrow new would otherwise meet this delete. The aligned forms are
// left to the library; it pairs them with its own aligned delete.
void* operator new(std::size_t Size) {
    return Allocate(Size);
}
void* operator new[](std::size_t Size) {
    return Allocate(Size);
}
void* operator new(std::size_t Size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(Size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void* operator new[](std::size_t Size, const std::nothrow_t&) noexcept {
    try {
        return Allocate(Size);
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}
void operator delete(void* P) noexcept {
    Release(P);
}
void operator delete[](void* P) noexcept {
    Release(P);
}
void operator delete(void* P, std::size_t) noexcept {
    Release(P);
}
void operator delete[](void* P, std::size_t) noexcept {
    Release(P);
}

std::size_t PeakNewBytes(const std::function<void()>& Run) {
    const std::ptrdiff_t before = Held.load();
    Peak = before;
    Run();
    return static_cast<std::size_t>(std::max<std::ptrdiff_t>(Peak.load() - before, 0));
}
