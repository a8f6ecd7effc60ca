// The engine run as a Windows front end runs it: CreateProcess, with anonymous pipes that
// this process owns on its standard handles, and no console window.
#define WIN32_LEAN_AND_MEAN
#include "tests/e2e/engineprocess.h"

#include <windows.h>

namespace e2e {

static HANDLE handle(intptr_t value) {
    return reinterpret_cast<HANDLE>(value);
}

static std::wstring wide(const std::string& utf8) {
    std::wstring text(utf8.size() + 1, L'\0');
    const int length = MultiByteToWideChar(CP_UTF8, 0, utf8.c_str(), -1, &text[0], int(text.size()));
    text.resize(length > 0 ? size_t(length - 1) : 0);
    return text;
}

std::string builtEnginePath() {
    // The build puts the test programs beside quorvex.exe.
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof *path));
    std::wstring folder(path, length);
    folder = folder.substr(0, folder.find_last_of(L'\\') + 1) + L"quorvex.exe";
    char utf8[4 * 32768];
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, folder.c_str(), -1, utf8, sizeof utf8,
                                          nullptr, nullptr);
    return bytes > 0 ? utf8 : "";
}

bool Engine::canLimitAddressSpace() {
    return false;  // a job object could, but Wine does not enforce its memory limits
}

// A file holding text for the engine to read as its input: inheritable, gone once closed.
static HANDLE inputFile(const std::string& text) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"qx", 0, name);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    DWORD written = 0;
    WriteFile(file, text.data(), DWORD(text.size()), &written, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return file;
}

Engine::Engine(const EngineStart& how) {
    const std::wstring exe = wide(how.exePath.empty() ? builtEnginePath() : how.exePath);
    // Only the child's ends are inheritable, so that closing ours ends its input.
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE childIn = INVALID_HANDLE_VALUE, childOut = nullptr, ourIn = nullptr, ourOut = nullptr;
    switch (how.input) {
    case EngineStart::pipe:
        if (!CreatePipe(&childIn, &ourIn, &inherit, 1 << 16))
            return;
        SetHandleInformation(ourIn, HANDLE_FLAG_INHERIT, 0);
        toEngine_ = reinterpret_cast<intptr_t>(ourIn);
        break;
    case EngineStart::file: childIn = inputFile(how.fileText); break;
    case EngineStart::nullDevice:
        childIn = CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
        break;
    case EngineStart::unreadable: break;  // INVALID_HANDLE_VALUE
    }
    if (!CreatePipe(&ourOut, &childOut, &inherit, 1 << 16))
        return;
    SetHandleInformation(ourOut, HANDLE_FLAG_INHERIT, 0);
    fromEngine_ = reinterpret_cast<intptr_t>(ourOut);

    STARTUPINFOW startup{};
    startup.cb         = sizeof startup;
    startup.dwFlags    = STARTF_USESTDHANDLES;
    startup.hStdInput  = childIn;
    startup.hStdOutput = childOut;
    startup.hStdError  = childOut;
    std::wstring commandLine = L"\"" + exe + L"\"";
    PROCESS_INFORMATION info{};
    if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                       nullptr, nullptr, &startup, &info)) {
        process_ = reinterpret_cast<intptr_t>(info.hProcess);
        CloseHandle(info.hThread);
    }
    if (childIn != INVALID_HANDLE_VALUE)
        CloseHandle(childIn);
    CloseHandle(childOut);
}

Engine::~Engine() {
    closeInput();
    closeOutput();
    if (process_ != -1) {
        if (running()) {
            TerminateProcess(handle(process_), 99);
            WaitForSingleObject(handle(process_), 5000);
        }
        CloseHandle(handle(process_));
    }
}

bool Engine::started() const {
    return process_ != -1;
}

void Engine::send(const std::string& bytes) {
    size_t done = 0;
    while (toEngine_ != -1 && done < bytes.size()) {
        DWORD written = 0;
        if (!WriteFile(handle(toEngine_), bytes.data() + done, DWORD(bytes.size() - done), &written,
                       nullptr))
            return;
        done += written;
    }
}

void Engine::closeInput() {
    if (toEngine_ != -1)
        CloseHandle(handle(toEngine_));
    toEngine_ = -1;
}

void Engine::closeOutput() {
    if (fromEngine_ != -1)
        CloseHandle(handle(fromEngine_));
    fromEngine_   = -1;
    outputClosed_ = true;
}

void Engine::readSome(int timeoutMs) {
    // An anonymous pipe cannot be waited on: look into it every millisecond.
    const auto start = Clock::now();
    for (;;) {
        DWORD waiting = 0;
        if (!PeekNamedPipe(handle(fromEngine_), nullptr, 0, nullptr, &waiting, nullptr)) {
            outputClosed_ = true;  // the engine has ended and everything has been read
            return;
        }
        if (waiting > 0) {
            char  chunk[4096];
            DWORD got = 0;
            if (ReadFile(handle(fromEngine_), chunk, waiting < sizeof chunk ? waiting : sizeof chunk,
                         &got, nullptr))
                output_.append(chunk, got);
            return;
        }
        if (Clock::now() - start >= std::chrono::milliseconds(timeoutMs))
            return;
        Sleep(1);
    }
}

int Engine::exitStatus(int timeoutMs) {
    if (WaitForSingleObject(handle(process_), DWORD(timeoutMs * waitScale)) != WAIT_OBJECT_0)
        return -1;
    DWORD code = 0;
    GetExitCodeProcess(handle(process_), &code);
    exited_ = true;
    return int(code);
}

bool Engine::running() {
    return WaitForSingleObject(handle(process_), 0) == WAIT_TIMEOUT;
}

}  // namespace e2e
