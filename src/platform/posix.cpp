// POSIX implementation of the platform layer (Linux: /proc/self/exe).
#include "platform/platform.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <poll.h>
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

void prepareTablePages(void*, uint64_t) {
    // Large pages (madvise MADV_HUGEPAGE) would save some TLB misses, but the kernel may
    // compact memory to find one at the first touch, synchronously: on a machine whose
    // memory is fragmented a first search stalled for up to a second before its first
    // iteration, deaf to its clock. Small pages come in at an even, small cost.
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
