// The real engine binary driven through pipes, its output compared line for line.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <fcntl.h>
#include <poll.h>
#include <random>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const std::string banner = "Quorvex 0.731r by Talbrin\n";
const std::string handshake =
    "id name Quorvex V0.731r\n"
    "id author Talbrin \n"
    "id user YOU, 2008\n"
    "option usemillisec type check default true\n"
    "option hashsize type spin min 16 max 1024 default 256\n"
    "ucciok\n"
    "\n";

using Clock = std::chrono::steady_clock;

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
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
        while (!endsWith(tail) && !outputClosed_) {
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
        auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
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

struct Session {
    const char* name;
    std::string input;     // sent at once; the input then ends
    std::string expected;  // the whole output
};

}  // namespace

TEST(EngineProcess, ScriptedSessions) {
    const std::string start = banner + handshake;
    const std::string longLine = std::string(4095, 'x') + "isready" + std::string(898, 'y');
    const char* shuffle[] = {" h0g2", " h9g7", " g2h0", " g7h9", " f0e1", " f9e8", " e1f0", " e8f9"};
    std::string longGame = "position startpos moves";  // 510 plies of horses and advisors
    for (int i = 0; i < 510; ++i)
        longGame += shuffle[i % 8];
    const Session sessions[] = {
        {"the issue's session",
         "ucci\nisready\nsetoption hashsize 100\ngo depth 5\ngo time 60000 movestogo 10\nquit\n",
         start + "readyok\nInfo Maxdepth:5\nInfo MaxTime:4285\nbye\n"},
        {"not ucci: banner only", "uci\nisready\nquit\n", banner},
        {"any other first line", "hello\nucci\n", banner},
        {"empty input", "", banner},
        {"ucci in any case", "UCCI\nquit\n", start + "bye\n"},
        {"Ucci with more text", "Uccix\nquit\n", start + "bye\n"},
        {"CR LF line ends", "ucci\r\nisready\r\nquit\r\n", start + "readyok\nbye\n"},
        {"input ends without quit", "ucci\nisready\n", start + "readyok\nbye\n"},
        {"last line without a line feed", "ucci\nisready", start + "readyok\nbye\n"},
        {"quit by prefix, nothing after it", "ucci\nquitting\nisready\n", start + "bye\n"},
        {"ISREADY and stopped", "ucci\nISREADY\nstopped\nstop\n isready\nquit\n",
         start + "readyok\nbye\n"},
        {"unknown and half commands are silent",
         "ucci\ngo\nposition\nposition moves h2e2\nbanmoves\nbanmoves \nprobe startpos\n"
         "ponderhit\nsetoption foo bar\nsetoption newgame\nuci\n\n\nisready\nquit\n",
         start + "readyok\nbye\n"},
        {"go limits",
         "ucci\ngo depth 99\ngo depth x\ngo infinite\ngo ponder depth 8\ngo draw time 60000\n"
         "go time 60000 increment 2000\ngo time 2000000000 increment 999999\ngo nodes 100\nquit\n",
         start + "Info Maxdepth:48\nInfo Maxdepth:0\nInfo Maxdepth:48\nInfo Maxdepth:8\n"
                 "Info MaxTime:12000\nInfo MaxTime:4812\nInfo MaxTime:94749999\nbye\n"},
        {"positions and bans are quiet",
         "ucci\nposition startpos moves h2e2 h9g7\nposition fen 9/9/3k5/9/9/9/9/9/4K4/9 w - - 0 1 "
         "moves e1e2\nbanmoves h2e2 h0g2\nisready\nquit\n",
         start + "info endgame reached\nreadyok\nbye\n"},
        {"board set-ups, good and bad",
         "ucci\nposition fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 1\n"
         "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR1 w\n"
         "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/RNBAKABNR w\n"
         "position fen 99/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w\n"
         "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/R8/RNBAKABNR w\n"
         "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/4K4/RNBAKABNR w\n"
         "position fen \nposition startpos\nisready\n"
         "position fen 3akab2/9/9/9/9/9/9/9/9/3AKA3 w - - 0 1\nisready\nquit\n",
         // Black without its back rank is down to two majors: the endgame begins there.
         start + "Fen String Error!\nFen String Error!\nFen String Error!\ninfo endgame reached\n"
                 "Fen String Error!\nFen String Error!\nFen String Error!\nreadyok\n"
                 "info endgame reached\n"
                 "readyok\nbye\n"},
        {"game moves stop at the first bad one",
         "ucci\nposition startpos moves h2e2 h9g7 zz99 a0a1\n"
         "position startpos moves h2e2 h2e2 h9g7\n"
         "position startpos moves h2e2 h9g7 a0a8\n"
         "position startpos moves e3e4 e6e5 e4e5\n"
         "position startpos moves h2e2  h9g7\n"
         "position startpos moves \x01\xff\x80z\nisready\nquit\n",
         start + "info illegal move zz99; it and the 1 after it are ignored\n"
                 "info illegal move h2e2; it and the 1 after it are ignored\n"
                 "info illegal move a0a8; it and the 0 after it are ignored\n"
                 "info illegal move ?h9g; it and the 0 after it are ignored\n"
                 "info illegal move ???z; it and the 0 after it are ignored\n"
                 "readyok\nbye\n"},
        {"a long game, sent twice", "ucci\n" + longGame + "\n" + longGame + "\nisready\nquit\n",
         start + "readyok\nbye\n"},
        {"hash size changes", "ucci\nsetoption hashsize 16\nsetoption hashsize 1\nsetoption hashsize 0\n"
         "setoption hashsize big\nsetoption hashsize 1024\nsetoption hashsize 5000\n"
         "setoption hashsize 100\nisready\nquit\n",
         start + "readyok\nbye\n"},
        {"a 5000-character line is two lines", "ucci\n" + longLine + "\nquit\n",
         start + "readyok\nbye\n"},
        {"only the first quit counts", "ucci\nquit\nquit\nisready\n", start + "bye\n"},
    };
    for (const Session& session : sessions) {
        SCOPED_TRACE(session.name);
        Engine engine;
        ASSERT_TRUE(engine.started());
        engine.send(session.input);
        engine.closeInput();
        EXPECT_EQ(engine.readAll(), session.expected);
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// A front end talks line by line and waits for answers; the engine must answer each at
// once and wait, silently, while nothing comes.
TEST(EngineProcess, AnswersWhileInputStaysOpen) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    auto start = Clock::now();
    engine.send("ucci\n");
    EXPECT_EQ(engine.readUntil("ucciok\n\n"), banner + handshake);
    // Handshake includes the 256 MB table; zero pages keep it quick.
    auto handshakeMs =
        std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
    EXPECT_LT(handshakeMs, 2000);
    RecordProperty("handshakeMs", int(handshakeMs));

    engine.send("isready\n");
    EXPECT_EQ(engine.readUntil("readyok\n"), banner + handshake + "readyok\n");
    engine.send("isre");  // half a line: no answer until its end arrives
    usleep(100000);
    EXPECT_TRUE(engine.running());
    engine.send("ady\ngo depth 3\n");
    EXPECT_EQ(engine.readUntil("Info Maxdepth:3\n"),
              banner + handshake + "readyok\nreadyok\nInfo Maxdepth:3\n");
    engine.send("stop\nquit\n");
    EXPECT_EQ(engine.readAll(), banner + handshake + "readyok\nreadyok\nInfo Maxdepth:3\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// Arbitrary bytes (zeros, control characters, invalid text) are ignored line by line.
TEST(EngineProcess, RandomBytes) {
    std::mt19937 random(20240601);
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        std::string noise;
        for (int i = 0; i < 20000; ++i)
            noise += char(random() & 0xFF);
        Engine engine;
        ASSERT_TRUE(engine.started());
        engine.send("ucci\n" + noise + "\nisready\nquit\n");
        engine.closeInput();
        const std::string& output = engine.readAll();
        EXPECT_EQ(output.substr(0, banner.size() + handshake.size()), banner + handshake);
        std::string tail = "readyok\nbye\n";
        EXPECT_EQ(output.substr(output.size() - std::min(output.size(), tail.size())), tail);
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// An engine whose front end vanishes (both pipes closed) still ends cleanly.
TEST(EngineProcess, FrontEndVanishes) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    engine.send("ucci\n");
    engine.readUntil("ucciok\n\n");
    engine.closeInput();
    EXPECT_EQ(engine.exitStatus(), 0);
}

#if !defined(__SANITIZE_ADDRESS__)
// With too little memory for 256 MB the engine settles for a smaller table and says so.
TEST(EngineProcess, HashTablesShrinkWhenMemoryIsShort) {
    Engine engine(200);
    ASSERT_TRUE(engine.started());
    engine.send("ucci\nisready\nsetoption hashsize 1024\nsetoption hashsize 64\nisready\nquit\n");
    engine.closeInput();
    EXPECT_EQ(engine.readAll(),
              banner + "info hashsize 128 MB, not enough memory for 256 MB\n" + handshake +
                  "readyok\ninfo hashsize 128 MB, not enough memory for 1024 MB\nreadyok\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
#endif
