#pragma once
// The real engine binary on pipes, as a front end runs it: send lines, read what it prints.
// Starting it and moving bytes are the system's business: engineprocess_posix.cpp forks
// and uses pipes, engineprocess_win32.cpp uses CreateProcess and anonymous pipes, as
// Windows front ends do. Everything else here is shared.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <string>
#include <unistd.h>  // usleep, which MinGW has as well

namespace e2e {

inline const std::string banner = "Quorvex 0.731r by Talbrin\n";
inline const std::string handshake =
    "id name Quorvex V0.731r\n"
    "id author Talbrin \n"
    "id user YOU, 2008\n"
    "option usemillisec type check default true\n"
    "option hashsize type spin min 16 max 1024 default 256\n"
    "ucciok\n"
    "\n";

using Clock = std::chrono::steady_clock;

// The sanitizers slow the engine several times over (its 256 MB table most of all): waits
// grow with them, and checks of speed are left to the normal build.
#if defined(__SANITIZE_ADDRESS__)
inline constexpr bool sanitized = true;
inline constexpr int waitScale = 10;
#else
inline constexpr bool sanitized = false;
inline constexpr int waitScale = 1;
#endif

// How an engine run starts.
struct EngineStart {
    // The engine's file, UTF-8; empty: the one this build made.
    std::string exePath;
    // > 0 caps the run's address space, to make the hash allocation fail (where the system
    // can: see canLimitAddressSpace).
    long addressLimitMb = 0;
    // What standard input is: a pipe the test writes to, a file holding fileText, the null
    // device, or a handle that cannot be read.
    enum Input { pipe, file, nullDevice, unreadable } input = pipe;
    std::string fileText;
};

// The engine this build made, UTF-8.
std::string builtEnginePath();

// One run of the engine with its standard output on a pipe, and its input as asked.
class Engine {
public:
    explicit Engine(long addressLimitMb = 0) : Engine(limited(addressLimitMb)) {}
    explicit Engine(const EngineStart& how);
    ~Engine();
    Engine(const Engine&)            = delete;
    Engine& operator=(const Engine&) = delete;

    static bool canLimitAddressSpace();

    bool started() const;
    // Writes all of bytes, or stops where the engine has gone (the output check will tell).
    void send(const std::string& bytes);
    void closeInput();
    // The front end goes away entirely: nobody reads what the engine writes any more.
    void closeOutput();

    // "ucci" and the handshake; returns everything read so far.
    const std::string& startSession() {
        send("ucci\n");
        return readUntil("ucciok\n\n");
    }
    // Sends lines that end in a "go"; returns what the engine printed for them, up to its reply.
    std::string ask(const std::string& lines, int timeoutMs = 30000) {
        const size_t before = output_.size();
        send(lines);
        readReply(timeoutMs, before);
        return output_.substr(before);
    }

    // Reads until the output ends with tail, the engine closes its output, or time runs out.
    // Returns everything read so far in this run.
    const std::string& readUntil(const std::string& tail, int timeoutMs = 5000) {
        return readWhile([&] { return !endsWith(tail); }, timeoutMs);
    }
    // Reads until a whole line starting with prefix has arrived after the first `from` bytes.
    const std::string& readUntilLine(const std::string& prefix, int timeoutMs = 5000, size_t from = 0) {
        return readWhile([&] { return !hasLine(prefix, from); }, timeoutMs);
    }
    // Reads until the reply to a "go" ("bestmove ..." or "nobestmove") after the first `from`
    // bytes; returns everything read.
    const std::string& readReply(int timeoutMs = 30000, size_t from = 0) {
        return readWhile([&] { return !hasLine("bestmove ", from) && !hasLine("nobestmove", from); },
                         timeoutMs);
    }
    bool hasLine(const std::string& prefix, size_t from) const {
        for (size_t at = output_.find(prefix, from); at != std::string::npos; at = output_.find(prefix, at + 1))
            if ((at == 0 || output_[at - 1] == '\n') && output_.find('\n', at) != std::string::npos)
                return true;
        return false;
    }
    template <typename Wanting>
    const std::string& readWhile(Wanting wanting, int timeoutMs) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs * waitScale);
        while (wanting() && !outputClosed_) {
            int left = int(std::chrono::duration_cast<std::chrono::milliseconds>(
                               deadline - Clock::now()).count());
            if (left <= 0)
                break;
            readSome(left);
        }
        return output_;
    }
    // Everything until the engine closes its output.
    const std::string& readAll(int timeoutMs = 5000) { return readUntil("\x01never\x01", timeoutMs); }

    // The exit status, or -1 when the engine has not ended in time (it is then killed).
    int exitStatus(int timeoutMs = 5000);
    bool running();

private:
    static EngineStart limited(long addressLimitMb) {
        EngineStart how;
        how.addressLimitMb = addressLimitMb;
        return how;
    }
    // Appends what the engine writes within timeoutMs, if anything; notes the end of its
    // output.
    void readSome(int timeoutMs);

    bool endsWith(const std::string& tail) const {
        return output_.size() >= tail.size() &&
               output_.compare(output_.size() - tail.size(), tail.size(), tail) == 0;
    }

    // A process id and descriptors, or a process handle and pipe handles.
    intptr_t    process_      = -1;
    intptr_t    toEngine_     = -1;
    intptr_t    fromEngine_   = -1;
    bool        outputClosed_ = false;
    bool        exited_       = false;
    std::string output_;
};

}  // namespace e2e
