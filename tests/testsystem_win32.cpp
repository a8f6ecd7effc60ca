#define WIN32_LEAN_AND_MEAN
#include "tests/testsystem.h"

#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdlib>

// An anonymous pipe, as a Windows front end creates for the engine's standard input.
bool openTestPipe(TestPipe& tp) {
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    // Room for a test's largest write, which nobody reads while it is written.
    if (!CreatePipe(&readEnd, &writeEnd, nullptr, 1 << 16))
        return false;
    tp.readFd = _open_osfhandle(reinterpret_cast<intptr_t>(readEnd), _O_RDONLY | _O_BINARY);
    tp.writer = reinterpret_cast<intptr_t>(writeEnd);
    return tp.readFd >= 0;
}

static HANDLE writeHandle(const TestPipe& tp) {
    return reinterpret_cast<HANDLE>(tp.writer);
}

bool writeTestPipe(TestPipe& tp, const std::string& bytes) {
    DWORD written = 0;
    return WriteFile(writeHandle(tp), bytes.data(), DWORD(bytes.size()), &written, nullptr) &&
           written == bytes.size();
}

void closeTestPipeWriter(TestPipe& tp) {
    if (tp.writer != -1)
        CloseHandle(writeHandle(tp));
    tp.writer = -1;
}

void closeTestPipe(TestPipe& tp) {
    closeTestPipeWriter(tp);
    if (tp.readFd >= 0)
        _close(tp.readFd);
}

int unreadInTestPipe(const TestPipe& tp) {
    DWORD waiting = 0;
    PeekNamedPipe(reinterpret_cast<HANDLE>(_get_osfhandle(tp.readFd)), nullptr, 0, nullptr,
                  &waiting, nullptr);
    return int(waiting);
}

std::string runningProgramPath() {
    // The C run-time's own record of the program's wide path.
    const wchar_t* wide = _wpgmptr;
    char           path[4 * MAX_PATH];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide, -1, path, sizeof path, nullptr, nullptr);
    return bytes > 0 ? path : "";
}

int exitCodeOf(int pcloseStatus) {
    return pcloseStatus;  // _pclose gives the exit code itself
}
