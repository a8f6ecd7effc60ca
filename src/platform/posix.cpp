// POSIX implementation of the platform layer (Linux: /proc/self/exe).
#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <poll.h>
#include <pthread.h>
#include <sys/mman.h>
#include <unistd.h>

const char pathSeparator = '/';

void initPlatform() {
    std::signal(SIGPIPE, SIG_IGN);
}

bool inputPending(int fd) {
    pollfd pfd{};
    pfd.fd     = fd;
    pfd.events = POLLIN;
    int ready  = poll(&pfd, 1, 0);
    if (ready < 0)
        return errno != EINTR;  // a broken descriptor: let the read report the end
    // POLLHUP / POLLERR / POLLNVAL also count: the read then returns 0 or fails, which is
    // how the reader learns that the input has ended.
    return ready > 0 && pfd.revents != 0;
}

int readInput(int fd, char* dest, int size) {
    if (size <= 0)
        return -1;
    ssize_t got = read(fd, dest, size_t(size));
    if (got > 0)
        return int(got);
    if (got == 0)
        return 0;
    // Interrupted, or a non-blocking descriptor that raced empty: try again later. Any
    // other failure (closed or invalid descriptor, I/O error) ends the input for good.
    return errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK ? -1 : 0;
}

namespace {

// Large pages for the tables: a search on small ones misses the address cache on nearly
// every probe. The first touch of an advised 2 MB stretch (madvise MADV_HUGEPAGE) brings in
// a large page, but that first touch is slow: the kernel clears 2 MB (on a virtual machine
// the host may have to find them too), and where memory is fragmented it compacts memory
// first, so a search touching a fresh table at random once waited up to a second before
// its first iteration. So the search never meets an advised stretch that is not in yet: a
// helper thread takes the stretches one by one and advises and touches (an atomic "or" with
// zero, which changes nothing) each that the search has not been to. Stretches the helper
// has not reached, or that the search reached first, are small pages, quick to bring in, as
// without the helper. (Gathering the search's small pages into a large page, MADV_COLLAPSE,
// holds the address space's lock while it copies: a search faulting meanwhile waited, up to
// most of a second on a busy machine.) Nothing is advised when the kernel has too few free
// 2 MB blocks: compacting would only burn time.
inline constexpr uint64_t largePageBytes = uint64_t(2) << 20;
inline constexpr uint64_t smallPageBytes = 4096;

// Whether the kernel's free lists hold twice the 2 MB blocks a table of this size needs
// (the margin leaves room for what the rest of the machine takes meanwhile). Blocks of
// order 9 are 2 MB with 4 KB pages; each order above is twice the one below.
bool largePagesAtHand(uint64_t bytes) {
    FILE* info = std::fopen("/proc/buddyinfo", "r");
    if (!info)
        return false;
    uint64_t blocks = 0;
    char line[512];
    while (std::fgets(line, sizeof line, info)) {
        const char* zone = std::strstr(line, "zone");
        if (!zone)
            continue;
        char* at = const_cast<char*>(zone) + 4;
        while (*at == ' ') ++at;
        while (*at && *at != ' ') ++at;  // the zone's name
        for (int order = 0;; ++order) {
            char* next = nullptr;
            const unsigned long long count = std::strtoull(at, &next, 10);
            if (next == at)
                break;
            at = next;
            if (order >= 9)
                blocks += uint64_t(count) << (order - 9);
        }
    }
    std::fclose(info);
    return blocks * largePageBytes >= 2 * bytes;
}

struct PageHelper {
    char*             start = nullptr;  // null: the slot is free
    uint64_t          bytes = 0;
    pthread_t         thread{};
    std::atomic<bool> stop{false};
    std::atomic<bool> hurry{false};  // someone waits for the pages: no delay
};
PageHelper pageHelpers[4];  // the transposition table and the evaluation cache

// Whether any small page of the 2 MB at stretch is in (the search was there first).
bool anyPageIn(char* stretch) {
    unsigned char in[largePageBytes / smallPageBytes];
    if (mincore(stretch, largePageBytes, in) != 0)
        return true;
    for (unsigned char page : in)
        if (page & 1)
            return true;
    return false;
}

void touchPages(char* from, char* to) {
    for (char* page = from; page < to; page += smallPageBytes)
        __atomic_fetch_or(page, char(0), __ATOMIC_RELAXED);
}

// The helper lets the handshake (or the resize) and a first iteration finish before it
// starts: its first calls contend with theirs for the kernel's lock on the address space.
inline constexpr int helperDelayMs = 10;

void* bringPagesIn(void* slot) {
    PageHelper& helper = *static_cast<PageHelper*>(slot);
    for (int waited = 0; waited < helperDelayMs && !helper.stop.load(std::memory_order_relaxed) &&
                         !helper.hurry.load(std::memory_order_relaxed);
         ++waited)
        sleepMs(1);
    char* const end = helper.start + helper.bytes;
    for (char* at = helper.start; at < end && !helper.stop.load(std::memory_order_relaxed);) {
        // The stretch up to the next 2 MB boundary; only a whole one can be a large page.
        const uintptr_t boundary = (reinterpret_cast<uintptr_t>(at) + largePageBytes) & ~(largePageBytes - 1);
        char* const next = reinterpret_cast<char*>(boundary) < end ? reinterpret_cast<char*>(boundary) : end;
        // A fresh stretch becomes a large page at its first touch; one the search has been to
        // stays on small pages.
        if (uint64_t(next - at) == largePageBytes && !anyPageIn(at))
            madvise(at, largePageBytes, MADV_HUGEPAGE);
        touchPages(at, next);
        at = next;
    }
    return nullptr;
}

inline char* pageStart(void* address) {
    const uintptr_t at = reinterpret_cast<uintptr_t>(address);
    return reinterpret_cast<char*>((at + smallPageBytes - 1) & ~(smallPageBytes - 1));
}

}  // namespace

void prepareTablePages(void* address, uint64_t bytes) {
    // madvise wants a page-aligned start; large pages cover the whole aligned 2 MB within.
    char* const start = pageStart(address);
    char* const end = static_cast<char*>(address) + bytes;
    if (start >= end || !largePagesAtHand(uint64_t(end - start)))
        return;
    for (PageHelper& helper : pageHelpers) {
        if (helper.start)
            continue;
        helper.start = start;
        helper.bytes = uint64_t(end - start);
        helper.stop.store(false);
        helper.hurry.store(false);
        // A small stack: the helper needs next to none, and an address-space limit counts
        // the default 8 MB. Without a thread the pages come in as the searches touch them.
        pthread_attr_t attributes;
        pthread_attr_init(&attributes);
        pthread_attr_setstacksize(&attributes, 64 * 1024);
        if (pthread_create(&helper.thread, &attributes, bringPagesIn, &helper) != 0)
            helper.start = nullptr;
        pthread_attr_destroy(&attributes);
        return;
    }
}

void awaitTablePages() {
    for (PageHelper& helper : pageHelpers) {
        if (!helper.start)
            continue;
        helper.hurry.store(true);
        pthread_join(helper.thread, nullptr);
        helper.start = nullptr;
    }
}

void releaseTablePages(void* address) {
    if (!address)
        return;
    char* const start = pageStart(address);
    for (PageHelper& helper : pageHelpers) {
        if (helper.start != start)
            continue;
        helper.stop.store(true);
        pthread_join(helper.thread, nullptr);
        helper.start = nullptr;
    }
}

int64_t wallClockMs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t monotonicMs() {
    if (monotonicMsOverride)
        return monotonicMsOverride();
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

uint32_t tickCountMs() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint32_t(uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000);
}

void sleepMs(int ms) {
    timespec ts{};
    ts.tv_sec  = ms / 1000;
    ts.tv_nsec = long(ms % 1000) * 1000000;
    while (nanosleep(&ts, &ts) != 0 && errno == EINTR) {
    }
}

bool replaceFile(const char* from, const char* to) {
    return std::rename(from, to) == 0;
}

bool executablePath(char* dest, int size) {
    if (size <= 0)
        return false;
    dest[0] = '\0';
    ssize_t len = readlink("/proc/self/exe", dest, size_t(size));
    // readlink does not terminate the text; a result that fills dest may have been cut.
    if (len <= 0 || len >= size) {
        dest[0] = '\0';
        return false;
    }
    dest[len] = '\0';
    return true;
}
