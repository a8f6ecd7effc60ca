// Win32 implementation of the platform layer. A front end starts the engine with anonymous
// pipes on its standard handles; a person runs it in a console window. Standard input is
// looked at as whichever of the two it is on every call, so a reader on another handle
// (a test's pipe, a file) works the same way.
#define WIN32_LEAN_AND_MEAN
#define NOMINMAX
#include "platform/platform.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <io.h>
#include <iterator>
#include <string>
#include <windows.h>

const char pathSeparator = '\\';

// The console hands a typed line to reads in one or more pieces; after a piece that did
// not end the line, the rest is already waiting.
static bool consoleLineOpen = false;

// Room to look at the console's pending events: a key is two events (down and up).
static INPUT_RECORD consoleEvents[4096];

// The console mode found at start-up, put back when the engine ends, since the console
// belongs to the shell that started the engine.
static HANDLE consoleInput = nullptr;
static DWORD  consoleModeAtStart = 0;

static void restoreConsoleMode() {
    SetConsoleMode(consoleInput, consoleModeAtStart);
}

static HANDLE handleOf(int fd) {
    // The handle the starting process gave as standard input, even when the C runtime
    // found none to attach to descriptor 0.
    if (fd == 0)
        return GetStdHandle(STD_INPUT_HANDLE);
    return reinterpret_cast<HANDLE>(_get_osfhandle(fd));
}

static bool isConsole(HANDLE h) {
    DWORD mode = 0;
    return GetConsoleMode(h, &mode) != 0;
}

// Whether a whole line has been typed: a pressed Enter among the pending input events. The
// events are only looked at, never taken, so a half-typed line stays with the console and
// a search goes on while the user types.
static bool consoleLineTyped(HANDLE h) {
    // The handle is signalled while input events wait. Asking also makes Wine's console
    // start taking keys from its terminal, which it otherwise leaves until a read.
    if (WaitForSingleObject(h, 0) != WAIT_OBJECT_0)
        return false;
    DWORD pending = 0;
    if (!GetNumberOfConsoleInputEvents(h, &pending) || pending == 0)
        return false;
    DWORD seen = 0;
    if (!PeekConsoleInputW(h, consoleEvents, DWORD(std::size(consoleEvents)), &seen))
        return false;
    for (DWORD i = 0; i < seen; ++i) {
        if (consoleEvents[i].EventType != KEY_EVENT)
            continue;
        const KEY_EVENT_RECORD& key = consoleEvents[i].Event.KeyEvent;
        if (key.bKeyDown && (key.wVirtualKeyCode == VK_RETURN || key.uChar.UnicodeChar == L'\r'))
            return true;
    }
    // Thousands of keys without an Enter: a line longer than any command. Reading now
    // waits for its end, but never loses it.
    return seen == std::size(consoleEvents);
}

void initPlatform() {
    // Lines end in a bare line feed, as on every other system: front ends accept it, and
    // the engine's output stays byte for byte the same everywhere.
    _setmode(_fileno(stdout), _O_BINARY);
    // A crash must end the process, not leave a dialog box that the front end waits on.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);

    HANDLE in = GetStdHandle(STD_INPUT_HANDLE);
    if (GetConsoleMode(in, &consoleModeAtStart)) {
        // Whole lines, echoed as typed, with Ctrl+C ending the run; window and mouse
        // events would only fill the input buffer.
        consoleInput = in;
        DWORD mode = consoleModeAtStart | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                     ENABLE_PROCESSED_INPUT;
        SetConsoleMode(in, mode & ~DWORD(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
        std::atexit(restoreConsoleMode);
    }
}

bool inputPending(int fd) {
    HANDLE h = handleOf(fd);
    if (isConsole(h))
        return consoleLineOpen || consoleLineTyped(h);
    DWORD waiting = 0;
    if (PeekNamedPipe(h, nullptr, 0, nullptr, &waiting, nullptr))
        return waiting > 0;
    // Not a pipe that can be looked into: a file (always readable), a pipe whose writer has
    // gone or an invalid handle (the read reports the end), or under Wine a Unix pipe,
    // which a read waits on.
    return true;
}

int readInput(int fd, char* dest, int size) {
    if (size <= 0)
        return -1;
    HANDLE h = handleOf(fd);
    const bool console = isConsole(h);
    DWORD got = 0;
    if (!ReadFile(h, dest, DWORD(size), &got, nullptr)) {
        // A broken pipe (the front end has gone), a closed or invalid handle: nothing more
        // will come. Only a read cut short may be tried again.
        return GetLastError() == ERROR_OPERATION_ABORTED ? -1 : 0;
    }
    if (console) {
        // Nothing read from a console is Ctrl+Z typed at the start of a line: the end.
        consoleLineOpen = got > 0 && dest[got - 1] != '\n';
        return int(got);
    }
    if (got > 0)
        return int(got);
    // A live Windows pipe reports an empty write as an empty read; the end of a file, or
    // of a Unix pipe under Wine, reads as empty too, and there the peek fails.
    DWORD waiting = 0;
    return PeekNamedPipe(h, nullptr, 0, nullptr, &waiting, nullptr) ? -1 : 0;
}

void* allocateTable(uint64_t bytes) {
    // Windows gives large pages only to an allocation that asks for them, and only with a
    // privilege that an engine started by a front end does not hold. Left to fault one small
    // page at a time, the first search after a start runs slowly for seconds and looks at
    // its input late; so every page is written once now. (VirtualAlloc's blocks start on a
    // 64 KB boundary, which is all a small page wants.)
    void* const table = bytes ? VirtualAlloc(nullptr, SIZE_T(bytes), MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE)
                              : nullptr;
    if (!table)
        return nullptr;
    SYSTEM_INFO system{};
    GetSystemInfo(&system);
    volatile char* const bytesAt = static_cast<char*>(table);
    for (uint64_t at = 0; at < bytes; at += system.dwPageSize)
        bytesAt[at] = 0;
    return table;
}

void freeTable(void* table, uint64_t) {
    if (table)
        VirtualFree(table, 0, MEM_RELEASE);
}

bool adoptTablePages() {
    return false;  // allocateTable has brought every page in
}

void awaitTablePages() {}

int64_t wallClockMs() {
    FILETIME ft{};
    GetSystemTimeAsFileTime(&ft);
    // 100-nanosecond units since 1601-01-01; the Unix epoch is 11644473600 s later.
    const int64_t units = int64_t(uint64_t(ft.dwHighDateTime) << 32 | ft.dwLowDateTime);
    return (units - 116444736000000000LL) / 10000;
}

int64_t monotonicMs() {
    if (monotonicMsOverride)
        return monotonicMsOverride();
    // The performance counter rather than the tick count, whose steps of 15.6 ms would show
    // in the reported times.
    LARGE_INTEGER count{}, frequency{};
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const int64_t perSecond = frequency.QuadPart;
    return count.QuadPart / perSecond * 1000 + count.QuadPart % perSecond * 1000 / perSecond;
}

uint32_t tickCountMs() {
    return GetTickCount();
}

void sleepMs(int ms) {
    Sleep(ms > 0 ? DWORD(ms) : 0);
}

// A UTF-8 path as the wide characters Windows takes, with its terminator; empty when the
// text is not UTF-8.
static std::wstring widePath(const char* utf8) {
    const int length = MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, nullptr, 0);
    std::wstring wide(length > 0 ? size_t(length) : 0, L'\0');
    if (length > 0)
        MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, utf8, -1, &wide[0], length);
    return wide;
}

bool replaceFile(const char* from, const char* to) {
    // rename() here refuses to replace a file that exists.
    const std::wstring wideFrom = widePath(from), wideTo = widePath(to);
    return !wideFrom.empty() && !wideTo.empty() &&
           MoveFileExW(wideFrom.c_str(), wideTo.c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH);
}

bool executablePath(char* dest, int size) {
    if (size <= 0)
        return false;
    dest[0] = '\0';
    // Wide characters, so that a folder named in any script still leads to the book; a
    // long-path system allows 32767 of them.
    wchar_t wide[32768];
    const DWORD length = GetModuleFileNameW(nullptr, wide, DWORD(std::size(wide)));
    if (length == 0 || length >= std::size(wide))
        return false;  // no path, or one cut short
    const int bytes =
        WideCharToMultiByte(CP_UTF8, 0, wide, int(length), dest, size - 1, nullptr, nullptr);
    if (bytes <= 0) {
        dest[0] = '\0';
        return false;  // too long for dest once in UTF-8
    }
    dest[bytes] = '\0';
    return true;
}
