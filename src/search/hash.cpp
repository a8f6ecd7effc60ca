#include "search/hash.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "shell/report.h"

HashItem*      hshItems      = nullptr;
uint32_t       hshMask       = 0;
EvalCacheItem* evalCache     = nullptr;
uint32_t       evalCacheMask = 0;

// The blocks as the allocator returned them; the tables start at the next 64-byte boundary.
static void* hshBlock       = nullptr;
static void* evalCacheBlock = nullptr;

inline constexpr int minHashLog2  = 24;  // 16 MB: the smallest table ever asked for
inline constexpr std::size_t cacheLine = 64;

// A zero-filled block of bytes starting on a cache line. calloc hands large blocks out as
// fresh zero pages, so even a gigabyte costs nothing until it is used.
static void* allocateAligned(std::size_t bytes, void*& block) {
    block = std::calloc(1, bytes + cacheLine);
    if (!block)
        return nullptr;
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(block);
    return reinterpret_cast<void*>((address + cacheLine - 1) & ~(cacheLine - 1));
}

int allocateHashTables(int log2Bytes) {
    evalCache = static_cast<EvalCacheItem*>(
        allocateAligned(std::size_t(evalCacheSize) * sizeof(EvalCacheItem), evalCacheBlock));
    if (!evalCache) {
        printLine("info hashsize 0 MB, no memory for the evaluation cache");
        return 0;
    }
    evalCacheMask = evalCacheSize - 1;

    // Short of memory, settle for the largest power of two that can be had, down to 16 MB.
    int obtained = log2Bytes;
    for (; obtained >= minHashLog2; --obtained) {
        hshItems = static_cast<HashItem*>(allocateAligned(std::size_t(1) << obtained, hshBlock));
        if (hshItems)
            break;
    }
    if (!hshItems) {
        printLine("info hashsize 0 MB, not even %d MB could be allocated", 1 << (minHashLog2 - 20));
        freeHashTables();
        return 0;
    }
    if (obtained != log2Bytes)
        printLine("info hashsize %d MB, not enough memory for %d MB", 1 << (obtained - 20),
                  1 << (log2Bytes - 20));
    hshMask = uint32_t((std::size_t(1) << obtained) / sizeof(HashItem) - 1);

    // Aligned allocation makes this impossible; the line stays for a port that loses it.
    std::uintptr_t address = reinterpret_cast<std::uintptr_t>(hshItems);
    if (address % cacheLine != 0)
        printLine("info hshItems pointer, %d is not aligned on 64, need filler %d",
                  int(address), int(cacheLine - address % cacheLine));
    return obtained;
}

void freeHashTables() {
    std::free(hshBlock);
    std::free(evalCacheBlock);
    hshBlock       = nullptr;
    evalCacheBlock = nullptr;
    hshItems       = nullptr;
    evalCache      = nullptr;
    hshMask        = 0;
    evalCacheMask  = 0;
}
