// POSIX implementation of the platform layer (Linux: /proc/self/exe).
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
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

void adviseLargePages(void* address, uint64_t bytes) {
#ifdef MADV_HUGEPAGE
    // madvise wants a page-aligned start; the advice covers the whole pages inside.
    const uintptr_t page = uintptr_t(sysconf(_SC_PAGESIZE));
    const uintptr_t start = (uintptr_t(address) + page - 1) & ~(page - 1);
    const uintptr_t end = uintptr_t(address) + bytes;
    if (end > start)
        madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
    (void)address;
    (void)bytes;
#endif
}

int64_t wallClockMs() {
    timespec ts{};
    clock_gettime(CLOCK_REALTIME, &ts);
    return int64_t(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int64_t monotonicMs() {
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
