#include "tests/testsystem.h"

#include <climits>
#include <sys/ioctl.h>
#include <sys/wait.h>
#include <unistd.h>

bool openTestPipe(TestPipe& tp) {
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    tp.readFd = fds[0];
    tp.writer = fds[1];
    return true;
}

bool writeTestPipe(TestPipe& tp, const std::string& bytes) {
    return write(int(tp.writer), bytes.data(), bytes.size()) == ssize_t(bytes.size());
}

void closeTestPipeWriter(TestPipe& tp) {
    if (tp.writer >= 0)
        close(int(tp.writer));
    tp.writer = -1;
}

void closeTestPipe(TestPipe& tp) {
    closeTestPipeWriter(tp);
    if (tp.readFd >= 0)
        close(tp.readFd);
}

int unreadInTestPipe(const TestPipe& tp) {
    int count = 0;
    ioctl(tp.readFd, FIONREAD, &count);
    return count;
}

std::string runningProgramPath() {
    char exe[PATH_MAX] = {};
    return readlink("/proc/self/exe", exe, sizeof exe - 1) > 0 ? exe : "";
}

int exitCodeOf(int pcloseStatus) {
    return WIFEXITED(pcloseStatus) ? WEXITSTATUS(pcloseStatus) : -1;
}
