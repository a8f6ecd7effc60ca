// The engine run with fork, exec and pipes.
#include "tests/e2e/engineprocess.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>

namespace e2e {

std::string builtEnginePath() {
    return QX_ENGINE_PATH;
}

bool Engine::canLimitAddressSpace() {
    return true;
}

Engine::Engine(const EngineStart& how) {
    std::signal(SIGPIPE, SIG_IGN);  // writing to an engine that has left must not kill us
    const std::string exe = how.exePath.empty() ? builtEnginePath() : how.exePath;
    int in[2] = {-1, -1}, out[2];
    if (how.input == EngineStart::pipe && pipe(in) != 0)
        return;
    if (pipe(out) != 0)
        return;
    FILE* script = nullptr;
    if (how.input == EngineStart::file) {
        script = std::tmpfile();
        if (!script)
            return;
        std::fwrite(how.fileText.data(), 1, how.fileText.size(), script);
        std::fflush(script);
        std::rewind(script);
    }
    const pid_t pid = fork();
    if (pid == 0) {
        switch (how.input) {
        case EngineStart::pipe: dup2(in[0], 0); break;
        case EngineStart::file: dup2(fileno(script), 0); break;
        case EngineStart::nullDevice: dup2(open("/dev/null", O_RDONLY), 0); break;
        case EngineStart::unreadable: dup2(open("/dev/null", O_WRONLY), 0); break;
        }
        dup2(out[1], 1);
        for (int fd : {in[0], in[1], out[0], out[1]})
            if (fd >= 0)
                close(fd);
        if (how.addressLimitMb > 0) {
            rlimit limit{rlim_t(how.addressLimitMb) << 20, rlim_t(how.addressLimitMb) << 20};
            setrlimit(RLIMIT_AS, &limit);
        }
        execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    if (script)
        std::fclose(script);
    process_ = pid;
    if (in[0] >= 0)
        close(in[0]);
    close(out[1]);
    toEngine_   = in[1];
    fromEngine_ = out[0];
}

Engine::~Engine() {
    closeInput();
    closeOutput();
    if (process_ > 0 && !exited_) {
        kill(pid_t(process_), SIGKILL);
        waitpid(pid_t(process_), nullptr, 0);
    }
}

bool Engine::started() const {
    return process_ > 0;
}

void Engine::send(const std::string& bytes) {
    size_t done = 0;
    while (toEngine_ >= 0 && done < bytes.size()) {
        ssize_t n = write(int(toEngine_), bytes.data() + done, bytes.size() - done);
        if (n <= 0)
            return;
        done += size_t(n);
    }
}

void Engine::closeInput() {
    if (toEngine_ >= 0)
        close(int(toEngine_));
    toEngine_ = -1;
}

void Engine::closeOutput() {
    if (fromEngine_ >= 0)
        close(int(fromEngine_));
    fromEngine_   = -1;
    outputClosed_ = true;
}

void Engine::readSome(int timeoutMs) {
    pollfd pfd{int(fromEngine_), POLLIN, 0};
    if (poll(&pfd, 1, timeoutMs) <= 0)
        return;
    char    chunk[4096];
    ssize_t n = read(int(fromEngine_), chunk, sizeof chunk);
    if (n > 0)
        output_.append(chunk, size_t(n));
    else if (n == 0 || errno != EINTR)
        outputClosed_ = true;
}

int Engine::exitStatus(int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs * waitScale);
    int  status   = 0;
    while (Clock::now() < deadline) {
        pid_t done = waitpid(pid_t(process_), &status, WNOHANG);
        if (done == pid_t(process_)) {
            exited_ = true;
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        }
        usleep(2000);
    }
    return -1;
}

bool Engine::running() {
    return waitpid(pid_t(process_), nullptr, WNOHANG) == 0;
}

}  // namespace e2e
