// The Windows engine driven as a Windows front end drives it: started with CreateProcess,
// its standard input and output on anonymous pipes that this process owns, and its answers
// read back with their timings.
#define WIN32_LEAN_AND_MEAN
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <windows.h>

#include "tests/e2e/sessions.h"

namespace {

using e2e::banner;
using e2e::Clock;
using e2e::handshake;

// The folder of this program, where the build puts quorvex.exe too.
std::wstring driverFolder() {
    wchar_t path[32768];
    const DWORD length = GetModuleFileNameW(nullptr, path, DWORD(sizeof path / sizeof *path));
    std::wstring folder(path, length);
    return folder.substr(0, folder.find_last_of(L'\\') + 1);
}

std::wstring enginePath() {
    return driverFolder() + L"quorvex.exe";
}

int msSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// One run of the engine. Its standard input is a pipe, or the handle given (a file, the
// NUL device, or none at all); its output and error go to one pipe.
class Engine {
public:
    Engine() : Engine(enginePath()) {}
    explicit Engine(const std::wstring& exe) : Engine(exe, true, nullptr) {}
    Engine(const std::wstring& exe, HANDLE input) : Engine(exe, false, input) {}

    ~Engine() {
        closeInput();
        if (fromEngine_)
            CloseHandle(fromEngine_);
        if (process_) {
            if (running()) {
                TerminateProcess(process_, 99);
                WaitForSingleObject(process_, 5000);
            }
            CloseHandle(process_);
        }
    }

    bool started() const { return process_ != nullptr; }

    void send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            DWORD written = 0;
            if (!WriteFile(toEngine_, bytes.data() + done, DWORD(bytes.size() - done), &written,
                           nullptr))
                return;  // the engine has gone; the output check will tell
            done += written;
        }
    }
    void closeInput() {
        if (toEngine_)
            CloseHandle(toEngine_);
        toEngine_ = nullptr;
    }
    // The front end goes away entirely: nobody reads what the engine writes any more.
    void closeOutput() {
        if (fromEngine_)
            CloseHandle(fromEngine_);
        fromEngine_    = nullptr;
        outputClosed_ = true;
    }

    // Reads until the output ends with tail, the engine closes its output, or time runs out.
    // Returns everything read so far in this run.
    const std::string& readUntil(const std::string& tail, int timeoutMs = 5000) {
        readWhile([&] { return !endsWith(tail); }, timeoutMs);
        return output_;
    }
    const std::string& readAll(int timeoutMs = 5000) {
        readWhile([] { return true; }, timeoutMs);
        return output_;
    }
    // Reads until a whole line starting with prefix has arrived.
    const std::string& readUntilLine(const std::string& prefix, int timeoutMs = 5000) {
        awaitLine(prefix, 0, timeoutMs);
        return output_;
    }
    // Reads until a whole line that starts with prefix has come at or after the line start
    // from; returns where it starts, or npos when none came in time.
    size_t awaitLine(const std::string& prefix, size_t from, int timeoutMs) {
        readWhile([&] { return lineStarting(prefix, from) == std::string::npos; }, timeoutMs);
        return lineStarting(prefix, from);
    }

    // The exit status, or -1 when the engine has not ended in time.
    int exitStatus(int timeoutMs = 5000) {
        if (WaitForSingleObject(process_, DWORD(timeoutMs)) != WAIT_OBJECT_0)
            return -1;
        DWORD code = 0;
        GetExitCodeProcess(process_, &code);
        return int(code);
    }
    bool running() { return WaitForSingleObject(process_, 0) == WAIT_TIMEOUT; }

private:
    Engine(const std::wstring& exe, bool inputPipe, HANDLE input) {
        // Only the child's ends are inheritable, so that closing ours ends its input.
        SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
        HANDLE childIn = input, childOut = nullptr;
        if (inputPipe) {
            if (!CreatePipe(&childIn, &toEngine_, &inherit, 1 << 16))
                return;
            SetHandleInformation(toEngine_, HANDLE_FLAG_INHERIT, 0);
        }
        if (!CreatePipe(&fromEngine_, &childOut, &inherit, 1 << 16))
            return;
        SetHandleInformation(fromEngine_, HANDLE_FLAG_INHERIT, 0);

        STARTUPINFOW startup{};
        startup.cb         = sizeof startup;
        startup.dwFlags    = STARTF_USESTDHANDLES;
        startup.hStdInput  = childIn;
        startup.hStdOutput = childOut;
        startup.hStdError  = childOut;
        std::wstring commandLine = L"\"" + exe + L"\"";
        PROCESS_INFORMATION info{};
        // No console window, as front ends start their engines.
        if (CreateProcessW(exe.c_str(), &commandLine[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                           nullptr, nullptr, &startup, &info)) {
            process_ = info.hProcess;
            CloseHandle(info.hThread);
        }
        if (inputPipe)
            CloseHandle(childIn);
        CloseHandle(childOut);
    }

    template <class Wanted>
    void readWhile(Wanted wanted, int timeoutMs) {
        // What is waiting is read even when the time is already up.
        const auto start = Clock::now();
        while (!outputClosed_ && wanted()) {
            DWORD waiting = 0;
            if (!PeekNamedPipe(fromEngine_, nullptr, 0, nullptr, &waiting, nullptr)) {
                outputClosed_ = true;  // the engine has ended and everything has been read
                break;
            }
            if (waiting == 0) {
                if (msSince(start) >= timeoutMs)
                    break;
                Sleep(1);
                continue;
            }
            char  chunk[4096];
            DWORD got = 0;
            if (ReadFile(fromEngine_, chunk, waiting < sizeof chunk ? waiting : sizeof chunk, &got,
                         nullptr))
                output_.append(chunk, got);
        }
    }

    bool endsWith(const std::string& tail) const {
        return output_.size() >= tail.size() &&
               output_.compare(output_.size() - tail.size(), tail.size(), tail) == 0;
    }

    size_t lineStarting(const std::string& prefix, size_t from) const {
        for (size_t at = from; at < output_.size();) {
            const size_t end = output_.find('\n', at);
            if (end == std::string::npos)
                break;  // a line still being written
            if (output_.compare(at, prefix.size(), prefix) == 0)
                return at;
            at = end + 1;
        }
        return std::string::npos;
    }

    HANDLE      process_      = nullptr;
    HANDLE      toEngine_     = nullptr;
    HANDLE      fromEngine_   = nullptr;
    bool        outputClosed_ = false;
    std::string output_;
};

// "bestmove" and a move in coordinates, as the whole of the last line.
bool isBestMoveLine(const std::string& text) {
    return text.size() == 14 && text.compare(0, 9, "bestmove ") == 0 && text[13] == '\n' &&
           text[9] >= 'a' && text[9] <= 'i' && text[10] >= '0' && text[10] <= '9' &&
           text[11] >= 'a' && text[11] <= 'i' && text[12] >= '0' && text[12] <= '9';
}

// A file to give the engine as its standard input, inheritable, deleted when closed.
HANDLE inputFile(const std::string& contents) {
    wchar_t folder[MAX_PATH], name[MAX_PATH];
    GetTempPathW(MAX_PATH, folder);
    GetTempFileNameW(folder, L"qx", 0, name);
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    HANDLE file = CreateFileW(name, GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_DELETE,
                              &inherit, CREATE_ALWAYS, FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    DWORD written = 0;
    WriteFile(file, contents.data(), DWORD(contents.size()), &written, nullptr);
    SetFilePointer(file, 0, nullptr, FILE_BEGIN);
    return file;
}

}  // namespace

namespace e2e {
INSTANTIATE_TYPED_TEST_SUITE_P(EngineProcess, EngineSession, Engine);
}  // namespace e2e

// A front end that closes both pipes at once: the engine's next writes fail, and it still
// reads the end of its input and leaves.
TEST(EngineProcess, FrontEndClosesBothPipes) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    engine.send("ucci\n");
    engine.readUntil("ucciok\n\n");
    engine.closeOutput();
    engine.send("isready\nisready\n");
    engine.closeInput();
    EXPECT_EQ(engine.exitStatus(), 0);
}

// Standard input that is no pipe: a script in a file is read to its end; the NUL device
// and a handle that cannot be read are an input that has ended.
TEST(EngineProcess, InputThatIsNotAPipe) {
    const std::string script = "ucci\r\nisready\nquit";
    struct Row {
        const char* name;
        HANDLE      input;
        std::string expected;
    };
    SECURITY_ATTRIBUTES inherit{sizeof inherit, nullptr, TRUE};
    Row rows[] = {
        {"a file", inputFile(script), banner + handshake + "readyok\nbye\n"},
        {"a file without quit", inputFile("ucci\nisready"), banner + handshake + "readyok\nbye\n"},
        {"the NUL device",
         CreateFileW(L"NUL", GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                     OPEN_EXISTING, 0, nullptr),
         banner},
        {"an invalid handle", INVALID_HANDLE_VALUE, banner},
    };
    for (Row& row : rows) {
        SCOPED_TRACE(row.name);
        Engine engine(enginePath(), row.input);
        ASSERT_TRUE(engine.started());
        EXPECT_EQ(engine.readAll(), row.expected);
        EXPECT_EQ(engine.exitStatus(), 0);
        if (row.input != INVALID_HANDLE_VALUE)
            CloseHandle(row.input);
    }
}

// A folder named outside the ANSI code page: the engine still starts from it, with its
// book beside it.
TEST(EngineProcess, RunsFromAFolderNamedInAnyScript) {
    const std::wstring folder = driverFolder() + L"tmp-\u00dcn\u00efc\u00f6d\u00e9 \u8c61\u68cb\\";
    CreateDirectoryW(folder.c_str(), nullptr);
    const std::wstring exe = folder + L"quorvex.exe";
    ASSERT_TRUE(CopyFileW(enginePath().c_str(), exe.c_str(), FALSE));
    CopyFileW((driverFolder() + L"QXBOOK.DAT").c_str(), (folder + L"QXBOOK.DAT").c_str(), FALSE);
    Engine engine(exe);
    ASSERT_TRUE(engine.started());
    engine.send("ucci\nisready\nquit\n");
    EXPECT_EQ(engine.readAll(), banner + handshake + "readyok\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// A game as a front end plays it, with the answers' timings: a depth-6 search from the
// opening comes back within seconds, and a "stop" ends a long search at once, while an
// "isready" sent during it gets no answer.
TEST(EngineProcess, SearchesAndStopsInTime) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    engine.send("ucci\n");
    ASSERT_EQ(engine.readUntil("ucciok\n\n"), banner + handshake);
    auto start = Clock::now();
    engine.send("isready\n");
    const std::string& output = engine.readUntil("readyok\n");
    ASSERT_EQ(output, banner + handshake + "readyok\n");
    EXPECT_LT(msSince(start), 500);

    const size_t idle = output.size();
    engine.send("position startpos moves h2e2 h9g7\ngo depth 6\n");
    start = Clock::now();
    const size_t depthSix = engine.awaitLine("bestmove ", idle, 10000);
    const int depthSixMs = msSince(start);
    RecordProperty("depthSixMs", depthSixMs);
    ASSERT_NE(depthSix, std::string::npos) << output.substr(idle);
    EXPECT_LT(depthSixMs, 5000);
    EXPECT_EQ(output.substr(idle, 16), "Info Maxdepth:6\n");
    EXPECT_NE(output.find("\ninfo depth 6 ", idle), std::string::npos) << output.substr(idle);
    EXPECT_TRUE(isBestMoveLine(output.substr(depthSix))) << output.substr(idle);

    // A stop 500 ms into a long search, three times: the quickest answer shows what the
    // engine does, the others what the machine's other work did to it.
    int quickestStopMs = 1 << 30;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const size_t searched = output.size();
        engine.send("go depth 48\n");
        Sleep(250);
        engine.send("isready\n");
        Sleep(250);
        EXPECT_EQ(engine.awaitLine("bestmove ", searched, 0), std::string::npos)
            << "the search ended before the stop";
        start = Clock::now();
        engine.send("stop\n");
        const size_t stopped = engine.awaitLine("bestmove ", searched, 2000);
        quickestStopMs = std::min(quickestStopMs, msSince(start));
        ASSERT_NE(stopped, std::string::npos) << output.substr(searched);
        EXPECT_TRUE(isBestMoveLine(output.substr(stopped))) << output.substr(searched);
        EXPECT_NE(output.find("stopped by GUI", searched), std::string::npos)
            << output.substr(searched);
        EXPECT_EQ(output.find("readyok", searched), std::string::npos) << output.substr(searched);
    }
    RecordProperty("stopMs", quickestStopMs);
    EXPECT_LT(quickestStopMs, 200);

    const size_t answered = output.size();
    engine.send("quit\n");
    EXPECT_EQ(engine.readAll().substr(answered), "bye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
