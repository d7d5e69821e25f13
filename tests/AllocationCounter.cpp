// Replaces the global operator new and delete with counting forwarders to malloc and free.
#include "AllocationCounter.h"

#if defined(__APPLE__)
#include <malloc/malloc.h>
#else
#include <malloc.h>
#endif

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

size_t UsableSize(void* p) {
#if defined(__APPLE__)
    return malloc_size(p);
#else
    return malloc_usable_size(p);
#endif
}

std::atomic<uint64_t> g_count{0};
std::atomic<int64_t> g_inUse{0};
std::atomic<int64_t> g_peak{0};

void* Allocate(size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        return nullptr;
    }
    g_count.fetch_add(1, std::memory_order_relaxed);
    const auto usable = static_cast<int64_t>(UsableSize(p));
    const int64_t now = g_inUse.fetch_add(usable, std::memory_order_relaxed) + usable;
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (now > peak && !g_peak.compare_exchange_weak(peak, now, std::memory_order_relaxed)) {
    }
    return p;
}

void Release(void* p) {
    if (p != nullptr) {
        g_inUse.fetch_sub(static_cast<int64_t>(UsableSize(p)), std::memory_order_relaxed);
        std::free(p);
    }
}

void* AllocateOrThrow(size_t size) {
    void* p = Allocate(size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}

}  // namespace

namespace allocation {

uint64_t Count() {
    return g_count.load(std::memory_order_relaxed);
}

int64_t BytesInUse() {
    return g_inUse.load(std::memory_order_relaxed);
}

int64_t PeakBytes() {
    return g_peak.load(std::memory_order_relaxed);
}

void ResetPeak() {
    g_peak.store(g_inUse.load(std::memory_order_relaxed), std::memory_order_relaxed);
}

}  // namespace allocation

// Every non-aligned form is replaced, so memory from these never meets another delete.
void* operator new(size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    Release(p);
}
void operator delete[](void* p) noexcept {
    Release(p);
}
void operator delete(void* p, size_t) noexcept {
    Release(p);
}
void operator delete[](void* p, size_t) noexcept {
    Release(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    Release(p);
}
