// POSIX implementation of the platform layer (Linux: /proc/self/exe).
#include "platform/platform.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <fcntl.h>
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
// the host may have to find them too, up to 5 ms), and where memory is fragmented it
// compacts memory first, so a search touching a fresh table at random once waited up to a
// second before its first iteration. So the search never meets an advised stretch that is
// not in yet: a helper thread takes the stretches one by one. One the search has not been
// to is advised and touched in place. One it has (a first search reaches every stretch of
// a large table within a millisecond) keeps its small pages until the thread that searches
// takes in a large page the helper has cleared elsewhere: a copy of 2 MB and two moves of
// page tables, about a quarter of a millisecond. (Gathering the small pages in place,
// MADV_COLLAPSE, holds the address space's lock while it copies: a search faulting meanwhile
// waited, up to most of a second on a busy machine.) Nothing is advised when the kernel has
// too few free 2 MB blocks: compacting would only burn time.
inline constexpr uint64_t largePageBytes = uint64_t(2) << 20;
inline constexpr uint64_t smallPageBytes = 4096;

inline uint64_t wholeStretches(uint64_t bytes) {
    return (bytes + largePageBytes - 1) & ~(largePageBytes - 1);
}

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

// Fresh zero pages, bytes of them (whole stretches) from a 2 MB boundary; null on failure.
char* mapStretches(uint64_t bytes) {
    void* const got = mmap(nullptr, bytes + largePageBytes, PROT_READ | PROT_WRITE,
                           MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (got == MAP_FAILED)
        return nullptr;
    char* const block = static_cast<char*>(got);
    char* const start = reinterpret_cast<char*>((reinterpret_cast<uintptr_t>(block) + largePageBytes - 1) &
                                                ~(largePageBytes - 1));
    if (start > block)
        munmap(block, size_t(start - block));
    char* const end = start + bytes;
    char* const blockEnd = block + bytes + largePageBytes;
    if (blockEnd > end)
        munmap(end, size_t(blockEnd - end));
    return start;
}

// How many of the small pages of the 2 MB at stretch are in.
int pagesIn(char* stretch) {
    unsigned char in[largePageBytes / smallPageBytes];
    if (mincore(stretch, largePageBytes, in) != 0)
        return 1;  // cannot tell: as if the search had been there
    int count = 0;
    for (unsigned char page : in)
        count += page & 1;
    return count;
}
inline constexpr int pagesPerStretch = int(largePageBytes / smallPageBytes);

void touchPages(char* from, char* to) {
    for (char* page = from; page < to; page += smallPageBytes)
        __atomic_fetch_or(page, char(0), __ATOMIC_RELAXED);
}

// Advises the 2 MB at stretch and touches it once: true when that brought in a large page
// (all of its small pages are in at once), false when the kernel had none to give or the
// search was there first.
bool bringLargePageIn(char* stretch) {
    madvise(stretch, largePageBytes, MADV_HUGEPAGE);
    touchPages(stretch, stretch + 1);
    return pagesIn(stretch) == pagesPerStretch;
}

// A stretch of a table the search had written, with what the thread that searches needs to
// put a large page in its place: the page, cleared, and 2 MB reserved where the stretch's
// small pages go, for the helper to free. Each pointer is null once nothing of ours is there.
struct PageSwap {
    char* stretch;
    char* fresh;
    char* grave;
};
inline constexpr unsigned swapSlots = 8;

struct PageHelper {
    char*             start = nullptr;  // null: the slot is free
    uint64_t          bytes = 0;
    pthread_t         thread{};
    std::atomic<bool> stop{false};
    int64_t           startAt = 0;   // microseconds: when the thread may start
    bool              running = false;  // the thread has been started
    std::atomic<bool> done{false};   // every stretch seen to, every swap taken in
    PageSwap          swaps[swapSlots];
    // Swaps are posted by the helper and taken in by the thread that searches, in turn;
    // the helper frees what the taken ones leave. Counters, a slot each modulo swapSlots.
    std::atomic<unsigned> posted{0};
    std::atomic<unsigned> taken{0};
    unsigned              freed = 0;
};
PageHelper pageHelpers[4];  // the transposition table and the evaluation cache

// Frees what the swaps from freed up to end left behind (for a swap not taken in: its page).
void freeSwaps(PageHelper& helper, unsigned end) {
    for (; helper.freed != end; ++helper.freed) {
        PageSwap& swap = helper.swaps[helper.freed % swapSlots];
        if (swap.fresh)
            munmap(swap.fresh, largePageBytes);
        if (swap.grave)
            munmap(swap.grave, largePageBytes);
    }
}

// The process's page map (-1: none to be had): a word per small page, telling whether it
// is in memory (bit 63) or swapped out (bit 62).
int pageMap = -2;

// Copies the 2 MB at from to the fresh (zero) 2 MB at to: only the small pages the search
// has been to, when the page map tells which; reading the others would fault each in.
void copyStretch(char* to, char* from) {
    if (pageMap == -2)
        pageMap = open("/proc/self/pagemap", O_RDONLY | O_CLOEXEC);
    uint64_t entries[pagesPerStretch];
    const off_t at = off_t(reinterpret_cast<uintptr_t>(from) / smallPageBytes * sizeof(uint64_t));
    if (pageMap < 0 || pread(pageMap, entries, sizeof entries, at) != ssize_t(sizeof entries)) {
        std::memcpy(to, from, largePageBytes);
        return;
    }
    for (int page = 0; page < pagesPerStretch; ++page)
        if (entries[page] >> 62)
            std::memcpy(to + page * smallPageBytes, from + page * smallPageBytes, smallPageBytes);
}

void takeIn(PageSwap& swap) {
    copyStretch(swap.fresh, swap.stretch);
    // The small pages move to the grave first, leaving the stretch empty, so that putting
    // the large page in its place frees nothing here: the helper frees them. Where the
    // kernel cannot (before Linux 5.7), the large page goes straight in, and the kernel
    // frees the small ones now, a quarter of a millisecond.
    const int moveTo = MREMAP_MAYMOVE | MREMAP_FIXED;
    bool buried = false;
#ifdef MREMAP_DONTUNMAP
    buried = mremap(swap.stretch, largePageBytes, largePageBytes, moveTo | MREMAP_DONTUNMAP, swap.grave) !=
             MAP_FAILED;
#endif
    if (mremap(swap.fresh, largePageBytes, largePageBytes, moveTo, swap.stretch) != MAP_FAILED) {
        swap.fresh = nullptr;
        return;
    }
    // Out of map slots: the stretch gets its own pages back, and stays small.
    if (buried && mremap(swap.grave, largePageBytes, largePageBytes, moveTo, swap.stretch) != MAP_FAILED)
        swap.grave = nullptr;
}

// The helper thread starts only this long after its table is made: the handshake (or the
// resize) and a first iteration finish first, still in a program of one thread. A second
// thread makes the C library lock a file for every byte read (the book at a search's
// start) and the kernel interrupt the other processor for many changes of the memory map,
// and its first calls contend with theirs for the kernel's lock on the address space.
inline constexpr int64_t helperDelayMicroseconds = 10000;

// The stretches of a table that have a large page in place, a bit each (tables of up to 8 GB;
// any beyond count as large).
struct StretchSet {
    uint64_t words[64] = {};
    bool has(uint64_t stretch) const { return stretch >= 4096 || (words[stretch >> 6] >> (stretch & 63) & 1); }
    void add(uint64_t stretch) {
        if (stretch < 4096)
            words[stretch >> 6] |= uint64_t(1) << (stretch & 63);
    }
};

inline int64_t microseconds() {
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

// A large page cleared away from the tables, with 2 MB reserved beside it where a stretch's
// small pages will go; null, with nothing reserved, when the kernel has none to give.
char* clearedLargePage(char*& grave) {
    char* const fresh = mapStretches(largePageBytes);
    grave = fresh ? mapStretches(largePageBytes) : nullptr;
    if (grave && bringLargePageIn(fresh))
        return fresh;
    if (fresh)
        munmap(fresh, largePageBytes);
    if (grave)
        munmap(grave, largePageBytes);
    return grave = nullptr;
}

void* bringPagesIn(void* slot) {
    PageHelper& helper = *static_cast<PageHelper*>(slot);
    const auto stopped = [&] { return helper.stop.load(std::memory_order_relaxed); };
    const uint64_t stretches = helper.bytes / largePageBytes;
    auto stretchAt = [&](uint64_t i) { return helper.start + i * largePageBytes; };
    // A first large page tells how dear they are. Where they are cheap, a fifth of a
    // millisecond, all of a 256 MB table's come in within the first iterations of a search
    // that reached its stretches first. Where the host of a virtual machine has to find the
    // memory anew, one takes 5 ms and the table waits most of a second for all; the small
    // pages of the stretches the search has been to are brought in first then, quicker
    // there, which the search then need not fault in itself. (Where pages are cheap, that
    // would only contend with the search's own faults and halve its early speed.)
    char* grave = nullptr;
    const int64_t trialBegun = microseconds();
    char* fresh = clearedLargePage(grave);
    const bool cheap = fresh && microseconds() - trialBegun < 1000;
    StretchSet large;
    for (uint64_t i = 0; i < stretches && !stopped(); ++i) {
        char* const at = stretchAt(i);
        if (pagesIn(at) == 0 && bringLargePageIn(at))
            large.add(i);
        else if (!cheap)
            touchPages(at, at + largePageBytes);
    }
    // Then each of the others gets a large page cleared elsewhere, to be taken in.
    unsigned posted = 0;
    for (uint64_t i = 0; i < stretches && fresh && !stopped(); ++i) {
        if (large.has(i))
            continue;
        while (posted - helper.taken.load(std::memory_order_acquire) == swapSlots && !stopped())
            sleepMs(1);
        freeSwaps(helper, helper.taken.load(std::memory_order_acquire));  // the slot's last swap too
        helper.swaps[posted % swapSlots] = PageSwap{stretchAt(i), fresh, grave};
        helper.posted.store(++posted, std::memory_order_release);
        fresh = clearedLargePage(grave);  // null: the kernel has no more to give
    }
    if (fresh) {
        munmap(fresh, largePageBytes);
        munmap(grave, largePageBytes);
    }
    while (helper.taken.load(std::memory_order_acquire) != posted && !stopped())
        sleepMs(1);
    freeSwaps(helper, helper.taken.load(std::memory_order_acquire));
    helper.done.store(true, std::memory_order_release);
    return nullptr;
}

// Starts a helper's thread, if the kernel has the large pages at hand. Without one the
// pages come in as the searches touch them.
void startHelper(PageHelper& helper) {
    if (!largePagesAtHand(helper.bytes)) {
        helper.start = nullptr;
        return;
    }
    helper.running = true;
    // A small stack: the helper needs next to none, and an address-space limit counts the
    // default 8 MB.
    pthread_attr_t attributes;
    pthread_attr_init(&attributes);
    pthread_attr_setstacksize(&attributes, 64 * 1024);
    if (pthread_create(&helper.thread, &attributes, bringPagesIn, &helper) != 0) {
        helper.running = false;
        helper.start = nullptr;
    }
    pthread_attr_destroy(&attributes);
}

// Joins a helper, if it was started, and frees all its swaps left, taken in or not.
void endHelper(PageHelper& helper) {
    if (helper.running)
        pthread_join(helper.thread, nullptr);
    freeSwaps(helper, helper.posted.load(std::memory_order_acquire));
    helper.running = false;
    helper.start = nullptr;
}

}  // namespace

void* allocateTable(uint64_t bytes) {
    const uint64_t span = wholeStretches(bytes);
    char* const table = span ? mapStretches(span) : nullptr;
    if (!table)
        return nullptr;
    for (PageHelper& helper : pageHelpers) {
        if (helper.start)
            continue;
        helper.start = table;
        helper.bytes = span;
        helper.startAt = microseconds() + helperDelayMicroseconds;
        helper.running = false;
        helper.stop.store(false);
        helper.done.store(false);
        helper.posted.store(0);
        helper.taken.store(0);
        helper.freed = 0;
        break;
    }
    return table;
}

void freeTable(void* table, uint64_t bytes) {
    if (!table)
        return;
    for (PageHelper& helper : pageHelpers) {
        if (helper.start != table)
            continue;
        helper.stop.store(true);
        endHelper(helper);
    }
    munmap(table, wholeStretches(bytes));
}

bool adoptTablePages() {
    bool more = false;
    for (PageHelper& helper : pageHelpers) {
        if (!helper.start || helper.done.load(std::memory_order_acquire))
            continue;
        more = true;
        if (!helper.running) {
            if (microseconds() >= helper.startAt)
                startHelper(helper);
            continue;
        }
        unsigned taken = helper.taken.load(std::memory_order_relaxed);
        const unsigned posted = helper.posted.load(std::memory_order_acquire);
        if (taken == posted)
            continue;
        for (; taken != posted; ++taken)
            takeIn(helper.swaps[taken % swapSlots]);
        helper.taken.store(taken, std::memory_order_release);
    }
    return more;
}

void awaitTablePages() {
    for (PageHelper& helper : pageHelpers)
        helper.startAt = 0;
    while (adoptTablePages())
        sleepMs(1);
    for (PageHelper& helper : pageHelpers)
        if (helper.start)
            endHelper(helper);
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
