// UCI sessions through the real binary's pipes: the handshake, options and positions, every
// "go" limit, the lines a search must serve, and the same game played through UCCI.
#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

const std::string uciHandshake =
    "id name Quorvex 0.731r\nid author Talbrin\n"
    "option name Hash type spin default 256 min 16 max 1024\noption name Clear Hash type button\nuciok\n";

const char* const mateInOne = "position fen 3k5/8R/R8/9/9/9/9/9/9/4K4 w - - 0 1\n";

int msSince(Clock::time_point start) {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count());
}

// The value after key in line, or -1.
long long field(const std::string& line, const std::string& key) {
    const size_t at = line.find(" " + key + " ");
    return at == std::string::npos ? -1 : std::stoll(line.substr(at + key.size() + 2));
}

}  // namespace

TEST(Uci, ScriptedSessions) {
    const std::string start = banner + uciHandshake;
    const std::string illegal = "info string illegal move ";
    const struct {
        const char* name;
        std::string input, expected;  // the input ends after its lines
    } rows[] = {
        {"handshake", "uci\nisready\nquit\nisready\n", start + "readyok\n"},
        {"any case, blanks around", " \tUcI \r\nisready\n", start + "readyok\n"},
        {"uci and more is no protocol", "uci x\nuci\nisready\n", banner},
        {"ucix is no protocol", "ucix\nisready\n", banner},
        {"UCCI stays UCCI", "UCCI\nquit\n", banner + handshake + "bye\n"},
        {"options", "uci\nsetoption name Hash value 16\nsetoption name hash value 5\nsetoption name Hash value 0\n"
         "setoption name Hash value big\nsetoption name Clear  Hash\nsetoption name UCI_Variant value xiangqi\n"
         "setoption name My Own  Option value a b\nsetoption value 3\nisready\n",
         start + "info string Hash needs a size in MB, 16 to 1024\ninfo string Hash needs a size in MB, 16 to 1024\n"
                 "info string no option UCI_Variant; ignored\ninfo string no option My Own Option; ignored\n"
                 "info string setoption needs a name\nreadyok\n"},
        {"commands that need no answer, and unknown ones",
         "uci\n\n  \nstop\nponderhit\ndebug on\nucinewgame\nuci\nregister later\n\x01\xff\nisready\n",
         start + uciHandshake + "info string unknown command register\ninfo string unknown command ??\nreadyok\n"},
        {"positions, good and bad",
         "uci\nposition startpos moves h2e2 h9g7\nposition  startpos  moves  h2e2   h9g7\n"
         "position fen 99/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w\nposition fen\nposition\n"
         "position startpos moves h2e2 zz99 a0a1\nposition startpos moves h2e2 h9g7x a0a1 a9a8\n"
         "position startpos moves h2e2 h2e2 h9\nposition startpos moves\nisready\n",
         start + "info string bad FEN; what could be read is set up, red to move\n"
                 "info string bad FEN; what could be read is set up, red to move\n"
                 "info string position needs startpos or fen\n" + illegal + "zz99; it and the 1 after it are ignored\n" +
                 illegal + "h9g7x; it and the 2 after it are ignored\n" + illegal +
                 "h2e2; it and the 1 after it are ignored\nreadyok\n"},
        {"no legal move; go words of no use", "uci\nposition fen R2k5/8R/9/9/9/9/9/9/9/4K4 b - - 0 1\n"
         "go searchmoves d9d8 d9e9 mate 3 depth 4 wtime x\n",
         start + "info string go searchmoves is not supported; ignored\n"
                 "info string go mate is not supported; ignored\ninfo string go x is not supported; ignored\n"
                 "bestmove (none)\n"},
        {"no king", "uci\nposition fen 9/9/9/9/9/9/9/9/9/4K4 w - - 0 1\ngo depth 2\n", start + "bestmove (none)\n"},
        {"a book answer waits for stop", "uci\nposition startpos\ngo infinite\nisready\nstop\n",
         ""},  // checked below: only its shape varies
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine engine;
        ASSERT_TRUE(engine.started());
        engine.send(row.input);
        engine.closeInput();
        const std::string output = engine.readAll(20000);
        if (row.expected.empty()) {
            EXPECT_EQ(output.substr(0, start.size() + 8), start + "readyok\n");
            EXPECT_TRUE(isLegalAnswer(lastBestMove(output), startFen, "")) << output;
        } else {
            EXPECT_EQ(output, row.expected);
        }
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// Each limit of "go", alone and together; the first one reached ends the search.
TEST(Uci, GoLimits) {
    const struct {
        const char* name;
        const char* fen;    // null: the start position
        std::string moves;  // the game's moves, each after a space
        const char* go;
        int depthLines;     // "info depth" lines; -1 not checked
        long long nodes;    // at least this many in the last report
        int withinMs;       // answered within, or 0
        const char* score;  // in the last report, or null
    } rows[] = {
        {"depth", nullptr, " a3a4", "depth 3", 3, 0, 0, nullptr},
        {"nodes", nullptr, " a3a4", "nodes 20000", -1, 20000, 0, nullptr},
        {"movetime", nullptr, " a3a4", "movetime 700", -1, 0, 700, nullptr},
        {"red's clock alone counts", nullptr, " a3a4 a6a5", "wtime 400 btime 900000", 1, 0, 300, nullptr},
        {"black's clock alone counts", nullptr, " a3a4", "btime 400 wtime 900000 binc 0", 1, 0, 300, nullptr},
        {"clock and moves to go", nullptr, " a3a4", "btime 60000 movestogo 40 wtime 1", -1, 0, 1400, nullptr},
        {"depth before nodes", nullptr, " a3a4", "depth 2 nodes 90000000", 2, 0, 0, nullptr},
        {"nodes before depth", nullptr, " a3a4", "nodes 3000 depth 40", -1, 3000, 0, nullptr},
        {"time before depth", nullptr, " a3a4", "movetime 400 depth 40 mate 2", -1, 0, 400, nullptr},
        {"mate in one", "3k5/8R/R8/9/9/9/9/9/9/4K4 w - - 0 1", "", "depth 4", 4, 0, 0, "score mate 1 "},
        {"mated in two", "3k5/4a4/9/9/9/9/9/9/9/4K3R w - - 0 1", " i0i9", "depth 6", -1, 0, 0, "score mate -2 "},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine engine;
        engine.send("uci\n");
        engine.readUntil("uciok\n");
        const std::string position =
            row.fen ? std::string("position fen ") + row.fen + (row.moves.empty() ? "" : " moves" + row.moves)
                    : gamePosition(row.moves);
        const auto start = Clock::now();
        const std::string out = engine.ask(position + "\ngo " + row.go + "\n");
        const int ms = msSince(start);
        std::string last;
        for (const std::string& line : linesOf(out))
            if (line.rfind("info depth ", 0) == 0)
                last = line;
        if (row.depthLines >= 0) {
            EXPECT_EQ(countLines(out, "info depth "), row.depthLines) << out;
        }
        EXPECT_GE(field(last, "nodes"), row.nodes) << out;
        if (row.withinMs && !sanitized) {
            EXPECT_LE(ms, row.withinMs + 150) << out;
        }
        if (row.score) {
            EXPECT_NE(last.find(row.score), std::string::npos) << out;
        }
        EXPECT_TRUE(isLegalAnswer(lastBestMove(out), row.fen ? row.fen : startFen, row.moves)) << out;
    }
}

// "go infinite" and "go ponder" answer only after "stop" or "ponderhit", even when the
// search is over long before; "isready" is answered at once meanwhile, and "quit" or the
// end of the input ends the search at once.
TEST(Uci, SearchesThatWaitForStop) {
    const struct {
        const char* name;
        std::string go, end;  // end: "" closes the input
        bool leaves;
    } rows[] = {
        {"a mate found at once", std::string(mateInOne) + "go infinite\n", "stop\n", false},
        {"pondering", std::string(mateInOne) + "go ponder wtime 100 btime 100\n", "ponderhit\n", false},
        {"a long search", "position startpos moves a3a4\ngo infinite\n", "stop\n", false},
        {"quit", "position startpos moves a3a4\ngo infinite\n", "quit\n", true},
        {"the end of the input", "position startpos moves a3a4\ngo infinite\n", "", true},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        Engine engine;
        engine.send("uci\n");
        const size_t asked = engine.readUntil("uciok\n").size();
        engine.send(row.go);
        usleep(400000);
        engine.send("isready\n");
        engine.readUntilLine("readyok", 1000, asked);
        EXPECT_TRUE(engine.hasLine("readyok", asked));
        EXPECT_FALSE(engine.hasLine("bestmove ", asked));
        const auto start = Clock::now();
        if (row.end.empty())
            engine.closeInput();
        else
            engine.send(row.end);
        const std::string out = engine.readReply(2000, asked).substr(asked);
        if (!sanitized) {
            EXPECT_LT(msSince(start), 500);
        }
        EXPECT_FALSE(lastBestMove(out).empty()) << out;
        if (row.leaves) {
            EXPECT_EQ(engine.exitStatus(1000), 0);
        }
    }
}

// The same game through UCCI and UCI, with depth and node limits: the same searches, line
// for line (UCI's scores are UCCI's in hundredths of a pawn), and the same answers.
TEST(Uci, SameSearchesAsUcci) {
    Engine ucci, uci;
    ucci.startSession();
    uci.send("uci\n");
    uci.readUntil("uciok\n");
    std::string moves = " a3a4";
    for (int ply = 0; ply < 8; ++ply) {
        SCOPED_TRACE(moves);
        const std::string lines = gamePosition(moves) + (ply % 2 ? "\ngo nodes 30000\n" : "\ngo depth 5\n");
        const std::vector<std::string> a = linesOf(untimed(ucci.ask(lines))), b = linesOf(untimed(uci.ask(lines)));
        std::vector<std::string> expected;
        for (const std::string& line : a)
            if (line.rfind("info depth ", 0) == 0) {
                const long long score = field(line, "score");
                expected.push_back(line.substr(0, line.find(" score ")) + " score cp " + std::to_string(score * 100 / 24) +
                                   line.substr(line.find(" nodes ")));
            } else if (line.rfind("bestmove ", 0) == 0) {
                expected.push_back(line);
            }
        ASSERT_EQ(b.size(), expected.size());
        for (size_t i = 0; i < b.size(); ++i)
            EXPECT_EQ(b[i].substr(0, b[i].rfind(" ponder ")), expected[i]);
        moves += " " + lastBestMove(b.back());
    }
}
