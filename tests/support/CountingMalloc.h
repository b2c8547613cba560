#pragma once
// Counts heap allocations of the whole process, so a test can show that a code path makes none. Defines the C
// allocation functions: include it in exactly one source file of a test executable. Off under the sanitizers,
// which bring their own allocator (MNX_COUNT_MALLOC is then 0).

#include <atomic>
#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
#define MNX_COUNT_MALLOC 0
#else
#define MNX_COUNT_MALLOC 1
inline std::atomic<long> g_allocations{0};
extern "C" void* __libc_malloc(std::size_t);
extern "C" void* __libc_calloc(std::size_t, std::size_t);
extern "C" void* __libc_realloc(void*, std::size_t);
extern "C" void* malloc(std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_malloc(n);
}
extern "C" void* calloc(std::size_t n, std::size_t size) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_calloc(n, size);
}
extern "C" void* realloc(void* p, std::size_t n) {
    g_allocations.fetch_add(1, std::memory_order_relaxed);
    return __libc_realloc(p, n);
}
#endif
