// The real engine binary driven through pipes, its output compared line for line.
#include <random>

#include "tests/e2e/engineprocess.h"

using namespace e2e;

namespace {

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
        {"the issue's session", "ucci\nisready\nsetoption hashsize 100\nquit\n",
         start + "readyok\nbye\n"},
        {"neither ucci nor uci: banner only", "ucc\nisready\nquit\n", banner},
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
        // Where no large pages are to be had (Windows), every page of a table is brought in
        // when its size is set: a gigabyte takes seconds.
        EXPECT_EQ(engine.readAll(60000), session.expected);
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// A front end talks line by line and waits for answers; the engine must answer each at
// once and wait, silently, while nothing comes.
TEST(EngineProcess, AnswersWhileInputStaysOpen) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    auto start = Clock::now();
    EXPECT_EQ(engine.startSession(), banner + handshake);
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
    engine.send("ady\nposition startpos moves a3a4\ngo depth 3\n");  // out of the book
    const std::string answered = engine.readUntilLine("bestmove ");
    EXPECT_EQ(answered.substr(0, answered.find("Info")),
              banner + handshake + "readyok\nreadyok\n");
    EXPECT_NE(answered.find("info depth 3 "), std::string::npos);
    engine.send("quit\n");
    EXPECT_EQ(answered.substr(answered.rfind("info #1:")).substr(0, 18), "info #1:\nbestmove ");
    EXPECT_EQ(engine.readAll().substr(answered.size()), "bye\n");
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
    engine.startSession();
    engine.closeInput();
    EXPECT_EQ(engine.exitStatus(), 0);
}

#if !defined(__SANITIZE_ADDRESS__)
// With too little memory for 256 MB the engine settles for a smaller table and says so.
TEST(EngineProcess, HashTablesShrinkWhenMemoryIsShort) {
    if (!Engine::canLimitAddressSpace())
        GTEST_SKIP() << "no address-space limit for a child process here";
    Engine engine(220);  // 128 MB fits with room for the program and its threads; 256 MB does not
    ASSERT_TRUE(engine.started());
    engine.send("ucci\nisready\nsetoption hashsize 1024\nsetoption hashsize 64\nisready\nquit\n");
    engine.closeInput();
    EXPECT_EQ(engine.readAll(),
              banner + "info hashsize 128 MB, not enough memory for 256 MB\n" + handshake +
                  "readyok\ninfo hashsize 128 MB, not enough memory for 1024 MB\nreadyok\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
#endif
