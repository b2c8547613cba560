#pragma once
// Counts heap allocations of the whole process, so a test can show that a code path makes none. The C allocation
// functions are replaced in CountingMalloc.cpp, which a test executable links once whatever number of its files
// include this. Off under the sanitizers, which bring their own allocator, and off the GNU C library (MNX_COUNT_MALLOC
// is then 0).

#include <atomic>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__) || !defined(__GLIBC__)
#define MNX_COUNT_MALLOC 0
#else
#define MNX_COUNT_MALLOC 1
extern std::atomic<long> g_allocations;
#endif
