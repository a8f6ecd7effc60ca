#pragma once
// The real engine binary on pipes, as a front end runs it: send lines, read what it prints.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

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

// One run of the engine with its standard input and output on pipes.
class Engine {
public:
    // addressLimitMb > 0 caps the child's address space, to make the hash allocation fail.
    explicit Engine(long addressLimitMb = 0) {
        std::signal(SIGPIPE, SIG_IGN);  // writing to an engine that has left must not kill us
        int in[2], out[2];
        if (pipe(in) != 0 || pipe(out) != 0)
            return;
        pid_ = fork();
        if (pid_ == 0) {
            dup2(in[0], 0);
            dup2(out[1], 1);
            close(in[0]);
            close(in[1]);
            close(out[0]);
            close(out[1]);
            if (addressLimitMb > 0) {
                rlimit limit{rlim_t(addressLimitMb) << 20, rlim_t(addressLimitMb) << 20};
                setrlimit(RLIMIT_AS, &limit);
            }
            execl(QX_ENGINE_PATH, QX_ENGINE_PATH, static_cast<char*>(nullptr));
            _exit(127);
        }
        close(in[0]);
        close(out[1]);
        toEngine_   = in[1];
        fromEngine_ = out[0];
    }
    ~Engine() {
        closeInput();
        if (fromEngine_ >= 0)
            close(fromEngine_);
        if (pid_ > 0 && !exited_) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }

    bool started() const { return pid_ > 0 && toEngine_ >= 0; }

    void send(const std::string& bytes) {
        size_t done = 0;
        while (done < bytes.size()) {
            ssize_t n = write(toEngine_, bytes.data() + done, bytes.size() - done);
            if (n <= 0)
                return;  // the engine has gone; the output check will tell
            done += size_t(n);
        }
    }
    void closeInput() {
        if (toEngine_ >= 0)
            close(toEngine_);
        toEngine_ = -1;
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
            pollfd pfd{fromEngine_, POLLIN, 0};
            if (poll(&pfd, 1, left) <= 0)
                continue;
            char    chunk[4096];
            ssize_t n = read(fromEngine_, chunk, sizeof chunk);
            if (n > 0)
                output_.append(chunk, size_t(n));
            else if (n == 0 || errno != EINTR)
                outputClosed_ = true;
        }
        return output_;
    }
    // Everything until the engine closes its output.
    const std::string& readAll(int timeoutMs = 5000) { return readUntil("\x01never\x01", timeoutMs); }

    // The exit status, or -1 when the engine has not ended in time (it is then killed).
    int exitStatus(int timeoutMs = 5000) {
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs * waitScale);
        int  status   = 0;
        while (Clock::now() < deadline) {
            pid_t done = waitpid(pid_, &status, WNOHANG);
            if (done == pid_) {
                exited_ = true;
                return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
            }
            usleep(2000);
        }
        return -1;
    }
    bool running() { return waitpid(pid_, nullptr, WNOHANG) == 0; }

private:
    bool endsWith(const std::string& tail) const {
        return output_.size() >= tail.size() &&
               output_.compare(output_.size() - tail.size(), tail.size(), tail) == 0;
    }

    pid_t       pid_          = -1;
    int         toEngine_     = -1;
    int         fromEngine_   = -1;
    bool        outputClosed_ = false;
    bool        exited_       = false;
    std::string output_;
};

}  // namespace e2e
