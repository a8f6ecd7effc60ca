#pragma once
// The operating-system layer: everything the engine needs from the machine, and the only
// code that calls the operating system. The build compiles exactly one implementation:
// posix.cpp or win32.cpp.
#include <cstdint>
#include <cstdio>

// The separator between folders in a path on this system ('/' or '\\').
extern const char pathSeparator;

// One-time set-up before the first line is printed: a front end that vanishes must not
// kill the engine in the middle of a write, and every line goes out as written.
void initPlatform();

// Whether a read of fd would return at once: bytes are waiting, or the input has ended
// (or failed), which a read then reports. Never waits. Works for a terminal (a typed
// line), a pipe, and a plain file (always readable).
bool inputPending(int fd);

// Reads whatever is waiting on fd, at most size bytes; call it only after inputPending.
// Returns the number of bytes read, 0 at the end of the input (or on a failure that will
// not go away), and -1 when nothing was read this time but the input goes on.
int readInput(int fd, char* dest, int size);

// A table for the search, which touches it at random: zero-filled, at least bytes long, on
// Linux from a 2 MB boundary (null when the memory cannot be had). Where a first touch of
// a page is dear (Windows, and Wine above all), every page is brought in now, so that the
// faults fall here (at the handshake or a resize) and not inside a search. On Linux the
// table gets large pages when the kernel has them free (a search on small ones misses the
// address cache on nearly every probe): a helper thread, started by adoptTablePages 10 ms
// later, brings them in while the engine goes on, and the call returns at once.
void* allocateTable(uint64_t bytes);
// Frees a table from allocateTable, ending the helper's work on it; bytes as asked for.
void freeTable(void* table, uint64_t bytes);
// Takes in the large pages the helper has made ready for stretches of a table that a search
// had already written: each one's contents are copied over and the page put in the
// stretch's place, a fraction of a millisecond each. Call it only from the thread that reads
// and writes the tables, between two of its accesses; the engine calls it while it idles
// and as a search goes. True while more are to come.
bool adoptTablePages();
// Waits until the helpers' work on every table is done, taking their pages in meanwhile.
void awaitTablePages();

// The next byte of a file that one thread reads, or EOF. Once a program has a second thread
// (the page helper), the C library locks a file for every getc, which made reading the book
// at a search's start most of a millisecond slower; this reads without the lock.
inline int readFileByte(FILE* file) {
#ifdef _WIN32
    return std::getc(file);  // no helper thread there
#else
    return getc_unlocked(file);
#endif
}

// Wall-clock milliseconds: seconds since the epoch * 1000 + milliseconds.
int64_t wallClockMs();
// Milliseconds from a steady clock with an arbitrary origin, never going back: search
// time is measured with it, so that a change of the time of day can neither end nor
// stretch a search.
int64_t monotonicMs();
// A test that plays the clock sets this: monotonicMs then returns what it returns. The
// engine never sets it; it is read only where the clock is (not per node).
inline int64_t (*monotonicMsOverride)() = nullptr;
// Milliseconds from a steady clock with an arbitrary origin, wrapping at 32 bits; for
// seeding and intervals, never for the time of day.
uint32_t tickCountMs();
void sleepMs(int ms);

// Puts the file at from (a path in UTF-8) in place of the one at to, which may exist: a
// reader of to finds either the old file or the new one, never a part. False on failure.
bool replaceFile(const char* from, const char* to);

// Full path of the running executable in dest as UTF-8 (zero-terminated, at most size - 1
// bytes). Returns false, with dest empty, when the path cannot be found or is too long.
bool executablePath(char* dest, int size);
