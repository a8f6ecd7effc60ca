// Searches through the real binary's pipes: what each kind of "go" answers, "stop" and
// "quit" during a search, whole games, and the engine's node signature.
#include <sstream>
#include <vector>

#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

// What a fresh engine prints after its handshake, given the lines, up to its reply.
std::string answer(const std::string& lines) {
    Engine engine;
    engine.send("ucci\n" + lines);
    return engine.readReply().substr((banner + handshake).size());
}

std::string lastLine(const std::string& text, const std::string& prefix) {
    std::string found;
    for (const std::string& line : linesOf(text))
        if (line.rfind(prefix, 0) == 0)
            found = line;
    return found;
}

// Two moves mate here: a7a9 and a7d7.
const char* const mateInOne = "position fen 3k5/8R/R8/9/9/9/9/9/9/4K4 w - - 0 1\n";

}  // namespace

TEST(SearchProcess, AnswersForEachKindOfPosition) {
    struct Row {
        const char* name;
        std::string lines;
        const char* reply;      // the last line
        int iterations;         // "info depth" lines, -1 not checked
        const char* lastScore;  // in the last "info depth" line, or null
    } rows[] = {
        {"one iteration", "position startpos moves a3a4\ngo depth 1\n", nullptr, 1, nullptr},
        {"from the book, at once", "position startpos\ngo time 60000\n", nullptr, 0, nullptr},
        {"mate in one", std::string(mateInOne) + "go depth 4\n", nullptr, 4, "score 2047 "},
        {"the other mate when one is banned", std::string(mateInOne) + "banmoves a7d7\ngo depth 4\n",
         "bestmove a7a9", 4, "score 2047 "},
        {"mate in three", "position fen 3k5/4a4/9/9/9/9/9/9/9/4K3R w - - 0 1\ngo depth 6\n",
         "bestmove i0i9", 6, "score 2043 "},
        {"a single legal move", "position fen R2k5/9/9/9/9/9/9/9/9/4K4 b - - 0 1\ngo depth 12\n",
         "bestmove d9d8", 6, nullptr},
        {"mated", "position fen R2k5/8R/9/9/9/9/9/9/9/4K4 b - - 0 1\ngo depth 4\n", "nobestmove", 0, nullptr},
        {"stalemated", "position fen 3k5/8R/9/9/9/9/9/9/9/4K4 b - - 0 1\ngo depth 4\n", "nobestmove", 0,
         nullptr},
        {"no black king", "position fen 9/9/9/9/9/9/9/9/9/4K4 w - - 0 1\ngo depth 4\n", "nobestmove", 0,
         nullptr},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string out = answer(row.lines);
        const std::vector<std::string> lines = linesOf(out);
        ASSERT_GE(lines.size(), 2u) << out;
        EXPECT_EQ(lines[lines.size() - 2], "info #1:");
        if (row.reply) {
            EXPECT_EQ(lines.back(), row.reply);
        }
        EXPECT_TRUE(lines.back() == "nobestmove" || lines.back().rfind("bestmove ", 0) == 0);
        if (row.iterations >= 0) {
            EXPECT_EQ(countLines(out, "info depth"), row.iterations) << out;
        }
        if (row.lastScore) {
            EXPECT_NE(lastLine(out, "info depth").find(row.lastScore), std::string::npos) << out;
        }
    }
}

// A node limit gives the same search in every fresh process.
TEST(SearchProcess, NodeLimitIsRepeatable) {
    const std::string lines = "position startpos moves h2e2 h9g7\ngo nodes 30000\n";
    const std::string first = untimed(answer(lines));
    EXPECT_EQ(first.rfind("Info MaxNodes:30000\n", 0), 0u) << first;
    EXPECT_NE(first.find("\nbestmove "), std::string::npos);
    EXPECT_EQ(untimed(answer(lines)), first);
}

// "isready" is answered during a search; "stop" ends a long search at once with the stopped
// line, the final report and the reply; "quit" lets a search finish, then the engine says
// "bye".
TEST(SearchProcess, StopAndQuitDuringASearch) {
    Engine engine;
    engine.send("ucci\nposition startpos moves a3a4\ngo depth 48\n");  // out of the book
    engine.readUntilLine("info depth 3", 5000);
    // A front end may ask whether the engine is alive in the middle of a search.
    engine.send("isready\n");
    const auto asked = Clock::now();
    engine.readUntilLine("readyok", 1000);
    EXPECT_TRUE(engine.hasLine("readyok", 0));
    // Tens of milliseconds on a quiet machine; the bound leaves room for a loaded one.
    if (!sanitized) {
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count(), 500);
    }
    usleep(300000);
    const auto sent = Clock::now();
    engine.send("stop\n");
    const std::string out = engine.readReply(5000);
    const auto latency = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - sent).count();
    if (!sanitized) {
        EXPECT_LT(latency, 500);
    }
    RecordProperty("stopLatencyMs", int(latency));
    const std::vector<std::string> lines = linesOf(out);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_TRUE(lines[lines.size() - 4] == "info searchPV stopped by GUI pv" ||
                lines[lines.size() - 4] == "info searchAB stopped by GUI pv")
        << out;
    // The final line: depth, score, time, nodes, speed and the one move.
    const std::vector<std::string> words = wordsOf(lines[lines.size() - 3]);
    const char* keys[] = {"info", "depth", nullptr, "score", nullptr, "time", nullptr, "nodes", nullptr,
                          "nps", nullptr, "pv", nullptr};
    ASSERT_EQ(words.size(), 13u) << lines[lines.size() - 3];
    for (size_t i = 0; i < words.size(); ++i) {
        if (keys[i]) {
            EXPECT_EQ(words[i], keys[i]);
        }
    }
    EXPECT_EQ(words[12].size(), 4u);
    EXPECT_EQ(lines[lines.size() - 2], "info #1:");
    EXPECT_EQ(lines.back().substr(9), lines[lines.size() - 3].substr(lines[lines.size() - 3].size() - 4));

    engine.send("position startpos moves a3a4 a6a5\ngo depth 7\nquit\n");
    const std::string rest = engine.readAll(30000).substr(out.size());
    EXPECT_NE(rest.find("info depth 7 "), std::string::npos) << rest;
    // Two moves from the start: the game's second reply.
    EXPECT_EQ(rest.substr(rest.rfind("info #2:")).substr(0, 18), "info #2:\nbestmove ");
    EXPECT_EQ(rest.substr(rest.size() - 5), "\nbye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// Budgets the rules would spend beyond the clock (a large increment on a short clock, a
// clock of a few milliseconds): the answer always comes before the clock runs out.
TEST(SearchProcess, ClockIsNeverOverrun) {
    Engine engine;
    engine.startSession();
    struct Row { const char* go; int clockMs; } rows[] = {
        {"go time 1000 increment 800", 1000}, {"go time 400 increment 5000", 400},
        {"go time 2500 movestogo 1", 2500}, {"go time 300 increment 0", 300},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.go);
        const auto asked = Clock::now();
        const std::string out = engine.ask("position startpos moves a3a4 a6a5\n" + std::string(row.go) + "\n");
        const auto tookMs = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count();
        EXPECT_EQ(lastBestMove(out).size(), 4u) << out;
        if (!sanitized) {
            EXPECT_LT(tookMs, row.clockMs);
        }
    }
}

// Games that reach the endgame, in one process, leave nothing behind: after a new game a
// middle-game and an endgame position search exactly as in a fresh process.
TEST(SearchProcess, NewGameAfterEndgamesIsFresh) {
    const std::string probes[] = {
        "position fen 2bakab2/9/1c2n2c1/p1p1p1p1p/1P7/1C2C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1",
        "position fen 3aka3/9/4b4/p3p3p/9/2P6/4P4/4B4/4A4/1R1AK4 w - - 0 1",
    };
    auto probe = [&](Engine& engine) {
        std::string out;
        for (const std::string& position : probes)
            out += untimed(engine.ask("setoption newgame\n" + position + "\ngo depth 6\n"));
        return out;
    };
    Engine fresh;
    fresh.startSession();
    const std::string expected = probe(fresh);

    Engine played;
    played.startSession();
    int endgames = 0;
    // Edge-pawn openings the book does not know: the games are the same on every run.
    for (const char* opening : {" a3a4", " i3i4"}) {
        std::string moves = opening;
        played.send("setoption newgame\n");
        bool reached = false;
        for (int ply = 0; ply < 150; ++ply) {
            const std::string out = played.ask(gamePosition(moves) + "\ngo depth 2\n");
            reached |= out.find("info endgame reached") != std::string::npos;
            const std::string last = lastLine(out, "");
            if (last.rfind("bestmove ", 0) != 0)
                break;
            moves += " " + last.substr(9, 4);
        }
        endgames += reached;
    }
    EXPECT_EQ(endgames, 2);
    EXPECT_EQ(probe(played), expected);
}

// The engine's signature: the benchmark's node total. It changes only when what the search
// does changes, and then this number is updated on purpose. At depth 6 every root window is
// full; the full bench (depth 8) also meets the root's narrow windows and their re-searches.
// The sanitizers' build, several times slower, runs only the short one.
TEST(SearchProcess, BenchSignature) {
    for (const auto& [args, signature] : {std::pair{" --depth 6", "bench 180766"}, {"", "bench 710905"}}) {
        if (sanitized && !*args)
            continue;
        FILE* tool = popen((std::string(QX_TOOL_PATH " bench") + args).c_str(), "r");
        ASSERT_NE(tool, nullptr);
        char line[256];
        std::string last;
        while (std::fgets(line, sizeof line, tool))
            last = line;
        EXPECT_EQ(pclose(tool), 0);
        EXPECT_EQ(last.substr(0, last.find(" nodes")), signature);
    }
}
