// Replaces the global operator new and delete of the benchmark program (never of the product) so
// that every allocation is counted by its usable size.
#include "HeapCounter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace ostrel::bench::heap {

namespace {

std::atomic<std::int64_t> g_Live{0};
std::atomic<std::int64_t> g_Peak{0};
std::atomic<std::int64_t> g_Count{0};

} // namespace

void* Allocate(std::size_t size, std::size_t alignment) {
    if (size == 0) {
        size = 1;
    }
    void* p = nullptr;
    if (alignment <= alignof(std::max_align_t)) {
        p = std::malloc(size);
    } else if (posix_memalign(&p, alignment, size) != 0) {
        p = nullptr;
    }
    if (p == nullptr) {
        return nullptr;
    }
    const auto usable = static_cast<std::int64_t>(malloc_usable_size(p));
    const std::int64_t live = g_Live.fetch_add(usable, std::memory_order_relaxed) + usable;
    std::int64_t peak = g_Peak.load(std::memory_order_relaxed);
    while (live > peak && !g_Peak.compare_exchange_weak(peak, live, std::memory_order_relaxed)) {
    }
    g_Count.fetch_add(1, std::memory_order_relaxed);
    return p;
}

void Release(void* p) noexcept {
    if (p == nullptr) {
        return;
    }
    g_Live.fetch_sub(static_cast<std::int64_t>(malloc_usable_size(p)), std::memory_order_relaxed);
    std::free(p);
}

void* AllocateOrThrow(std::size_t size, std::size_t alignment) {
    void* p = Allocate(size, alignment);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

std::int64_t LiveBytes() {
    return g_Live.load(std::memory_order_relaxed);
}
std::int64_t PeakBytes() {
    return g_Peak.load(std::memory_order_relaxed);
}
std::int64_t Allocations() {
    return g_Count.load(std::memory_order_relaxed);
}
void ResetPeak() {
    g_Peak.store(g_Live.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

} // namespace ostrel::bench::heap

using ostrel::bench::heap::Allocate;
using ostrel::bench::heap::AllocateOrThrow;
using ostrel::bench::heap::Release;

void* operator new(std::size_t size) {
    return AllocateOrThrow(size, 0);
}
void* operator new[](std::size_t size) {
    return AllocateOrThrow(size, 0);
}
void* operator new(std::size_t size, std::align_val_t a) {
    return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new[](std::size_t size, std::align_val_t a) {
    return AllocateOrThrow(size, static_cast<std::size_t>(a));
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, 0);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size, 0);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::align_val_t) noexcept {
    Release(p);
}
void operator delete(void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept {
    Release(p);
}
