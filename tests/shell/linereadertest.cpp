#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "shell/linereader.h"
#include "tests/testsystem.h"

namespace {

// A reader on the read end of a pipe whose write end the test holds.
struct PipeReader {
    TestPipe   tp;
    LineReader rd{};

    PipeReader() {
        EXPECT_TRUE(openTestPipe(tp));
        initLineReader(rd, tp.readFd);
    }
    ~PipeReader() { closeTestPipe(tp); }
    void write(const std::string& bytes) { ASSERT_TRUE(writeTestPipe(tp, bytes)); }
    void closeWriter() { closeTestPipeWriter(tp); }
    int  unreadInPipe() { return unreadInTestPipe(tp); }
};

// One step of a scripted exchange with the reader.
struct Step {
    enum Kind { write, closeInput, line, noLine, ended } kind;
    std::string text;  // bytes to write, or the line expected
};

struct Script {
    const char*       name;
    std::vector<Step> steps;
};

std::string letters(int count, int offset = 0) {
    std::string s;
    for (int i = 0; i < count; ++i)
        s += char('a' + (i + offset) % 26);
    return s;
}

}  // namespace

TEST(LineReader, ScriptedExchanges) {
    const Script scripts[] = {
        {"CR LF line end is cut", {{Step::write, "isready\r\n"}, {Step::line, "isready"}, {Step::noLine, ""}}},
        {"CR inside a line cuts it",
         {{Step::write, "go depth 5\rjunk\n"}, {Step::line, "go depth 5"}}},
        {"empty line is a line", {{Step::write, "\n"}, {Step::line, ""}, {Step::noLine, ""}}},
        {"partial line waits for its line feed",
         {{Step::write, "isre"}, {Step::noLine, ""}, {Step::noLine, ""}, {Step::write, "ady\nst"},
          {Step::line, "isready"}, {Step::noLine, ""}, {Step::write, "op\n"}, {Step::line, "stop"}}},
        {"5000 characters come as 4095 then the rest",
         {{Step::write, letters(5000) + "\nquit\n"}, {Step::line, letters(4095)},
          {Step::line, letters(905, 4095)}, {Step::line, "quit"}}},
        {"4095 characters fit in one line",
         {{Step::write, letters(4095) + "\n"}, {Step::line, letters(4095)}, {Step::noLine, ""}}},
        {"4096 characters leave one for the next line",
         {{Step::write, letters(4096) + "\n"}, {Step::line, letters(4095)},
          {Step::line, letters(1, 4095)}, {Step::noLine, ""}}},
        {"no carriage-return cut on a forced piece",
         {{Step::write, letters(10) + "\r" + letters(5000)}, {Step::line, letters(10) + "\r" + letters(4084)}}},
        {"last line without line feed is delivered at the end",
         {{Step::write, "isready\nquit"}, {Step::line, "isready"}, {Step::noLine, ""},
          {Step::closeInput, ""}, {Step::line, "quit"}, {Step::ended, ""}}},
        {"end of input right away", {{Step::closeInput, ""}, {Step::ended, ""}}},
        {"buffered lines outlive the end of input",
         {{Step::write, "a\nb\n"}, {Step::closeInput, ""}, {Step::line, "a"}, {Step::line, "b"},
          {Step::ended, ""}}},
    };
    for (const Script& script : scripts) {
        SCOPED_TRACE(script.name);
        PipeReader pr;
        char       line[lineBufferSize];
        for (size_t i = 0; i < script.steps.size(); ++i) {
            const Step& step = script.steps[i];
            SCOPED_TRACE("step " + std::to_string(i));
            switch (step.kind) {
            case Step::write: pr.write(step.text); break;
            case Step::closeInput: pr.closeWriter(); break;
            case Step::line:
                ASSERT_TRUE(readLine(pr.rd, line));
                EXPECT_EQ(std::string(line), step.text);
                break;
            case Step::noLine:
                EXPECT_FALSE(readLine(pr.rd, line));
                EXPECT_FALSE(inputEnded(pr.rd));
                break;
            case Step::ended:
                EXPECT_FALSE(readLine(pr.rd, line));
                EXPECT_TRUE(inputEnded(pr.rd));
                EXPECT_FALSE(readLine(pr.rd, line));
                break;
            }
        }
    }
}

// Two lines from one read come out on two calls, and the second call reads nothing new.
TEST(LineReader, SecondBufferedLineNeedsNoRead) {
    PipeReader pr;
    char       line[lineBufferSize];
    pr.write("stop\nquit\n");
    ASSERT_TRUE(readLine(pr.rd, line));
    EXPECT_STREQ(line, "stop");
    pr.write("later\n");
    ASSERT_TRUE(readLine(pr.rd, line));
    EXPECT_STREQ(line, "quit");
    EXPECT_EQ(pr.unreadInPipe(), 6);
    ASSERT_TRUE(readLine(pr.rd, line));
    EXPECT_STREQ(line, "later");
}

// With the writer open and silent, many calls return at once instead of waiting. (A look
// costs microseconds here, but under Wine each is a round trip to its server, slower still
// on a busy machine; a call that waited would wait forever.)
TEST(LineReader, NeverWaitsOnSilentInput) {
    PipeReader pr;
    char       line[lineBufferSize];
    auto       start = std::chrono::steady_clock::now();
    for (int i = 0; i < 1000; ++i)
        ASSERT_FALSE(readLine(pr.rd, line));
    auto elapsed = std::chrono::steady_clock::now() - start;
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count(), 2000);
    EXPECT_FALSE(inputEnded(pr.rd));
}

// A plain file (a script piped in with "<") reads to its end and then reports it.
TEST(LineReader, PlainFile) {
    FILE* file = std::tmpfile();
    ASSERT_NE(file, nullptr);
    std::fputs("ucci\r\nisready\nquit", file);
    std::fflush(file);
    std::rewind(file);
    LineReader rd{};
    initLineReader(rd, fileno(file));
    char line[lineBufferSize];
    const char* expected[] = {"ucci", "isready", "quit"};
    for (const char* text : expected) {
        ASSERT_TRUE(readLine(rd, line));
        EXPECT_STREQ(line, text);
    }
    EXPECT_FALSE(readLine(rd, line));
    EXPECT_TRUE(inputEnded(rd));
    std::fclose(file);
}

// A descriptor that is not open at all ends the input rather than spinning or crashing.
TEST(LineReader, ClosedDescriptorEndsInput) {
    TestPipe tp;
    ASSERT_TRUE(openTestPipe(tp));
    closeTestPipe(tp);
    LineReader rd{};
    initLineReader(rd, tp.readFd);
    char line[lineBufferSize];
    EXPECT_FALSE(readLine(rd, line));
    EXPECT_TRUE(inputEnded(rd));
}
