#pragma once
// What the tests need from the system, made with its own calls, one file per system.

// A pipe for the line reader: its read end is a descriptor for the reader, its write end
// stays with the test.
#include <cstdint>
#include <string>

struct TestPipe {
    int      readFd = -1;
    intptr_t writer = -1;  // the write end: a descriptor, or a Windows handle
};

bool openTestPipe(TestPipe& tp);
// Writes all of bytes; false when the pipe refused them.
bool writeTestPipe(TestPipe& tp, const std::string& bytes);
// Closes the write end: the reader then sees the end of its input.
void closeTestPipeWriter(TestPipe& tp);
// Closes both ends; readFd keeps its number, which is then not open.
void closeTestPipe(TestPipe& tp);
// Bytes written and not yet read.
int unreadInTestPipe(const TestPipe& tp);

// Full path of the running test program, as the system names it, in UTF-8.
std::string runningProgramPath();

// The exit code of a command run with popen, from what pclose returned; -1 when it did not
// end by exiting.
int exitCodeOf(int pcloseStatus);
