// Malformed input through the real binary, all of it in one process as a GUI's bugs would
// send it: each kind gets a sound reaction (silence, or the one line that says what was
// wrong), and after each the next valid search answers exactly as a fresh engine's does.
#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

// The valid search that follows every malformed input; a new game and the small table
// make the engine's state that of a fresh engine with the same table.
const std::string checkSearch =
    "setoption hashsize 16\nsetoption newgame\nposition startpos moves a3a4\ngo depth 5\n";

// Sends lines and returns what the engine printed for them, up to the readyOks-th "readyok".
std::string sendAndRead(Engine& engine, const std::string& lines, int readyOks = 1) {
    const std::string& out = engine.readUntil("", 0);
    const size_t before = out.size();
    engine.send(lines);
    engine.readWhile([&] { return countLines(out.substr(before), "readyok") < readyOks; }, 10000);
    return out.substr(before);
}

// What a fresh engine prints for the check search, worked out once.
const std::string& freshCheckAnswer() {
    static const std::string answer = [] {
        Engine fresh;
        fresh.startSession();
        return untimed(fresh.ask(checkSearch));
    }();
    return answer;
}

std::string repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

struct Malformed {
    const char* name;
    std::string lines;     // followed by "isready"
    std::string reaction;  // everything printed before its "readyok"
};

}  // namespace

TEST(MalformedSessions, SoundReactionThenAFreshAnswer) {
    std::string allBytes;
    for (int c = 1; c < 256; ++c)
        if (c != '\n')
            allBytes += char(c);
    const std::string endgame = "info endgame reached\n";
    const std::string fenError = "Fen String Error!\n";
    const Malformed rows[] = {
        // Binary garbage and control characters.
        {"every byte in one line", allBytes + "\n", ""},
        {"zero bytes end a command", std::string("isready\0\xff\xfe", 10) + "\n" + std::string("\0go depth 9\n", 12), "readyok\n"},
        {"terminal escapes", "\x1b[A\x1b[B\x1b[2J\x7f\x08\n", ""},
        {"a game move of non-ASCII bytes", "position startpos moves \xe2\x80\x83h2e2\n",
         "info illegal move ???h; it and the 0 after it are ignored\n"},
        // Lines of 100,000 characters arrive as 4095-character pieces, each a line of its own.
        {"100,000 letters", repeat("x", 100000) + "\n", ""},
        {"a FEN of 100,000 characters", "position fen " + repeat("p", 100000) + "\n", fenError + endgame},
        {"20,000 game moves", "position startpos moves" + repeat(" h0g2 h9g7 g2h0 g7h9", 5000) + "\n", ""},
        {"100,000 characters of bans", "banmoves " + repeat("a", 100000) + "\n", ""},
        {"an option of 100,000 characters", "setoption bookfiles /" + repeat("f", 100000) + "\n", ""},
        // FENs with each kind of wrong field.
        {"empty FEN", "position fen \n", fenError + endgame},
        {"eleven ranks", "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR/9 w\n", fenError},
        {"nine ranks", "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w\n", fenError},
        {"a rank of ten files", "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C2/9/RNBAKABNR w\n",
         fenError},
        {"an unknown letter", "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKXBNR w\n",
         fenError},
        {"a huge digit run", "position fen 4k4/" + repeat("9", 3000) + "/9/9/9/9/9/9/9/4K4 w\n", fenError + endgame},
        {"three rooks", "position fen rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/R8/RNBAKABNR w\n", fenError},
        {"two red kings", "position fen 3k5/9/9/9/9/9/9/9/3K5/4K4 w\n", fenError + endgame},
        {"no kings at all", "position fen 9/9/9/9/9/9/9/9/9/9 w - - 0 1\n", endgame},
        {"a king outside its palace", "position fen 4k4/9/9/9/K8/9/9/9/9/9 w - - 0 1\n", endgame},
        {"a side that is no side", "position fen 4k4/9/9/9/9/9/9/9/9/4K4 x - - 0 1\n", endgame},
        {"no side field, counters of garbage", "position fen 4k4/9/9/9/9/9/9/9/9/4K4 - - -5 99999999999\n", endgame},
        {"only slashes", "position fen /////////\n", fenError + endgame},
        {"no fen keyword", "position 4k4/9/9/9/9/9/9/9/9/4K4 w\n", ""},
        // Game moves that take a king, or are no moves at all.
        {"a rook takes the king", "position fen 3k5/9/9/9/9/9/9/9/9/3RK4 w - - 0 1 moves d0d9\n",
         endgame + "info illegal move d0d9; it and the 0 after it are ignored\n"},
        {"the kings face and one takes the other", "position fen 4k4/9/9/9/9/9/9/9/9/4K4 w - - 0 1 moves e0e9 e9e8\n",
         endgame + "info illegal move e0e9; it and the 1 after it are ignored\n"},
        {"a king taken in the middle of a game",
         "position fen 3k5/9/9/9/9/9/9/9/9/3RK4 b - - 0 1 moves d9d8 d0d8 d8d7\n",
         endgame + "info illegal move d0d8; it and the 1 after it are ignored\n"},
        {"a move onto its own square", "position startpos moves e3e4 e6e5 e4e5 e6e6\n",
         "info illegal move e6e6; it and the 0 after it are ignored\n"},
        {"moves without separators", "position startpos moves h2e2h9g7h0g2\n",
         "info illegal move 9g7h; it and the 0 after it are ignored\n"},
        // Options with absurd values.
        {"hash size negative", "setoption hashsize -1\n", ""},
        // (A size beyond any number clamps to 1024 MB, which the protocol tests ask for already.)
        {"hash size below any number", "setoption hashsize -99999999999999999999\n", ""},
        {"hash size in hexadecimal and exponent", "setoption hashsize 0x40\nsetoption hashsize 1e3\n", ""},
        {"threads, style, book and batch nonsense",
         "setoption threads -99999\nsetoption style \xff\xfe\nsetoption usebook maybe\nsetoption batch 2\n", ""},
        {"option names alone", "setoption\nsetoption \nsetoption hashsize\nsetoption newgame at once\n", ""},
        {"a book in no folder", "setoption bookfiles /no/such/folder/QXBOOK.DAT\nsetoption usemillisec false\n", ""},
        {"bans of garbage", "banmoves \xff\xff\xff\xff \x01\x02\x03\x04 z9z9\n", ""},
    };

    const std::string& expected = freshCheckAnswer();
    ASSERT_EQ(countReplies(expected), 1) << expected;

    Engine engine;
    ASSERT_EQ(engine.startSession(), banner + handshake);
    for (const Malformed& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string reaction = row.reaction + "readyok\n";
        EXPECT_EQ(sendAndRead(engine, row.lines + "isready\n", countLines(reaction, "readyok")),
                  reaction);
        EXPECT_EQ(untimed(engine.ask(checkSearch)), expected);
        ASSERT_TRUE(engine.running());
    }
    engine.send("quit\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// "go" with negative, huge or missing numbers: the limits are clamped and reported, the search
// answers once with a legal move (after "stop" where the limit is beyond waiting for), and the
// next search is a fresh engine's again.
TEST(MalformedSessions, GoWithAbsurdNumbers) {
    struct Row {
        const char* go;
        const char* reported;  // the first line
        bool        needsStop;
    } rows[] = {
        {"go depth -5", "Info Maxdepth:0", true},
        {"go depth 99999999999", "Info Maxdepth:48", true},
        {"go depth x", "Info Maxdepth:0", true},
        {"go nodes -1", "Info MaxNodes:0", false},
        {"go nodes 99999999999", "Info MaxNodes:2000000000", true},
        {"go time -5", "Info MaxTime:0", false},
        {"go time 99999999999 movestogo -3", "Info MaxTime:400000000", true},
        {"go time 100 increment -50", "Info MaxTime:4", false},
        {"go time 99999999999 increment 99999999999", "Info MaxTime:94749999", true},
        {"go time 5000 movestogo 99999", "Info MaxTime:4", false},
        {"go ponder time -1 increment -1", "Info MaxTime:0", false},
        // Only one of "ponder" and "draw" is read; the limit after both is not seen.
        {"go ponder draw depth 2", "Info Maxdepth:48", true},
        {"go depth 2 junk", "Info Maxdepth:2", false},
    };
    const std::string game = "a3a4 h9g7";
    const std::string& expected = freshCheckAnswer();
    Engine engine;
    engine.startSession();
    engine.send("setoption hashsize 16\n");
    for (const Row& row : rows) {
        SCOPED_TRACE(row.go);
        const size_t before = engine.readUntil("", 0).size();
        engine.send("position startpos moves " + game + "\n" + row.go + "\n");
        if (row.needsStop) {
            engine.readUntilLine("info depth 1 ", 5000, before);
            engine.send("stop\n");
        }
        const std::string out = engine.readReply(10000, before).substr(before);
        EXPECT_EQ(out.substr(0, out.find('\n')), row.reported) << out;
        EXPECT_EQ(countReplies(out), 1) << out;
        EXPECT_TRUE(isLegalAnswer(lastBestMove(out), startFen, game)) << out;
        EXPECT_EQ(untimed(engine.ask(checkSearch)), expected);
    }
    // A search that ends by itself leaves no "stop" behind, and an idle "stop" does nothing.
    EXPECT_EQ(sendAndRead(engine, "stop\nisready\n"), "readyok\n");
}

// A game whose moves take the king it has left in check: the move is refused, and the search
// of what remains (a position whose side to move could take the other king) never answers
// with that capture, but with a legal move.
TEST(MalformedSessions, KingLeftEnPriseIsNeverTaken) {
    const char* fen = "3k5/9/9/9/9/9/9/9/9/3RK4 b - - 0 1";
    const std::string moves = "d9d8";
    Engine engine;
    engine.startSession();
    const std::string out =
        engine.ask("setoption hashsize 16\nposition fen " + std::string(fen) + " moves d9d8 d0d8\ngo depth 4\n");
    EXPECT_NE(out.find("info illegal move d0d8; it and the 0 after it are ignored\n"), std::string::npos) << out;
    EXPECT_EQ(countReplies(out), 1);
    const std::string answer = lastBestMove(out);
    EXPECT_NE(answer, "d0d8");
    EXPECT_TRUE(isLegalAnswer(answer, fen, moves)) << out;
}

// Set-ups no game can reach are searched all the same: one reply each, with no fault (the
// sanitizer build watches), and a fresh engine's answer after them.
TEST(MalformedSessions, ImpossibleSetUpsAreSearched) {
    const char* const fens[] = {
        "3k5/4K4/9/9/9/9/9/4p4/9/9 b",                          // red king in black's palace
        "9/9/4P4/9/9/9/9/9/4k4/3K5 w",                          // black king in red's palace
        "4k4/9/9/9/K8/9/9/9/9/9 w",                             // a king outside any palace
        "4k4/9/9/9/9/9/9/9/9/4K4 w",                            // kings facing, red to take
        "3k5/9/9/9/9/9/9/9/9/3RK4 w",                           // black in check, red to move
        "PPPPPPPPP/PP1k5/9/9/9/9/9/9/9/4K4 b",                  // red pawns on black's back ranks
        "4k4/9/9/9/9/9/9/9/ppppp4/A1BAK4 w",                    // black pawns, a red advisor off its squares
        "2A1k1A2/9/9/B7B/9/9/9/9/9/4K4 w",                      // red advisors and elephants far from home
        // The start board with black to move: taken for a game from the start.
        "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 1 moves h7e7 h2e2",
    };
    const std::string& expected = freshCheckAnswer();
    Engine engine;
    engine.startSession();
    engine.send("setoption hashsize 16\n");
    for (const char* fen : fens) {
        SCOPED_TRACE(fen);
        const std::string out = engine.ask(std::string("position fen ") + fen + "\ngo depth 5\n");
        EXPECT_EQ(countReplies(out), 1) << out;
        ASSERT_TRUE(engine.running());
        EXPECT_EQ(untimed(engine.ask(checkSearch)), expected);
    }
}

// Found by fuzzing: a king set up outside its palace cannot step, so black's checks meet
// single replies ply after ply; the scan of the root moves alone ran 3 s (a minute under the
// sanitizers), deaf to "stop" and to the node limit. Both now end it within one look at the
// input (32768 nodes).
TEST(MalformedSessions, EndlessChecksStillStop) {
    const std::string position = "position fen 1bakabnr1/8c/1nR3p1p/9/9/9/C3BAKAB/9/2N6/9 b\n";
    Engine engine;
    engine.startSession();
    engine.send("setoption hashsize 16\n");
    for (const char* go : {"go nodes 1", "go depth 1"}) {
        SCOPED_TRACE(go);
        const std::string& out = engine.readUntil("", 0);
        const size_t before = out.size();
        const auto sent = Clock::now();
        engine.send(position + go + "\n");
        if (std::string(go) == "go depth 1") {
            usleep(100000);
            engine.send("stop\n");
        }
        engine.readReply(10000, before);
        const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
        EXPECT_EQ(countReplies(out.substr(before)), 1) << out.substr(before);
        EXPECT_LT(tookMs, 2000);
    }
}
