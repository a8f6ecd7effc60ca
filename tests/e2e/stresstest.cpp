// Stress through the pipes: long games and many games in one engine process, the move list
// sent again at every move as GUIs do, every answer checked against the legal moves; and
// "stop" and "isready" at random moments of searches, every "go" answered exactly once.
#include <random>

#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

void startEngine(Engine& engine) {
    engine.startSession();
    engine.send("setoption hashsize 16\n");
}

// Plays one game from the start position after the opening moves, the whole list sent before
// every "go"; every answer must be a legal move, and "nobestmove" come only when there is none.
// Returns the number of plies played.
int playGame(Engine& engine, const std::string& opening, int maxPlies, const std::vector<std::string>& gos) {
    std::string moves = opening;
    int plies = int(std::count(opening.begin(), opening.end(), ' '));
    for (int turn = 0; plies < maxPlies; ++turn, ++plies) {
        const std::string out = engine.ask(gamePosition(moves) + "\n" + gos[turn % gos.size()] + "\n");
        EXPECT_EQ(countReplies(out), 1) << out;
        const std::string answer = lastBestMove(out);
        if (answer.empty()) {
            EXPECT_TRUE(legalMoveTexts(startFen, moves).empty()) << "nobestmove after" << moves;
            break;
        }
        EXPECT_TRUE(isLegalAnswer(answer, startFen, moves)) << moves << " answered " << answer;
        if (testing::Test::HasFailure())
            break;
        moves += " " + answer;
    }
    return plies;
}

}  // namespace

// One long game (the history far past the stack's trimming point, repetitions everywhere),
// then many short games with "setoption newgame" between them and every kind of limit, all
// in one process; after them a search is exactly a fresh engine's.
TEST(Stress, LongAndManyGamesInOneProcess) {
    Engine engine;
    startEngine(engine);
    const auto started = Clock::now();
    int longest = 0;
    for (const char* opening : {" i3i4", " c3c4", " a3a4"}) {
        engine.send("setoption newgame\n");
        longest = std::max(longest, playGame(engine, opening, 330, {"go depth 2"}));
        if (longest >= 300 || testing::Test::HasFailure())
            break;
    }
    EXPECT_GE(longest, 300);
    RecordProperty("longGamePlies", longest);

    const char* const openings[] = {"", " h2e2", " c3c4 h9g7", " a3a4", " b2e2 b9c7", " g3g4 g6g5 b0c2"};
    const std::vector<std::string> gos = {"go nodes 3000", "go depth 1", "go time 200 increment 20",
                                          "go time 2000 movestogo 40", "go depth 3", "go nodes 500"};
    int games = 0;
    for (; games < 18 && !testing::Test::HasFailure(); ++games) {
        engine.send("setoption newgame\n");
        playGame(engine, openings[games % 6], 24 + games % 5, gos);
    }
    RecordProperty("shortGames", games);
    RecordProperty("totalMs", int(std::chrono::duration_cast<std::chrono::milliseconds>(
                                      Clock::now() - started).count()));

    const std::string probe = "setoption newgame\nposition fen 2bakab2/9/1c2n2c1/p1p1p1p1p/1P7/1C2C4/"
                              "P1P3P1P/9/9/RNBAKABNR w - - 0 1\ngo depth 6\n";
    Engine fresh;
    startEngine(fresh);
    EXPECT_EQ(untimed(engine.ask(probe)), untimed(fresh.ask(probe)));
    engine.send("quit\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// "stop" and "isready" at random moments: before a search has looked at its input, in the
// middle of it, after it ended by itself, twice over. Every "go" gets exactly one reply, a
// legal move, and none takes long; "isready" is answered at most once each (never during a
// search), and the engine stays in step.
TEST(Stress, RandomStopAndIsReady) {
    struct Spot {
        const char* fen;
        const char* moves;
    } spots[] = {
        {startFen, "a3a4"},
        {startFen, "h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5"},
        {startFen, "i3i4 a6a5 b0c2 b9a7"},
        {"3k5/8R/R8/9/9/9/9/9/9/4K4 w - - 0 1", ""},   // mate in one
        {"R2k5/8R/9/9/9/9/9/9/9/4K4 b - - 0 1", ""},   // mated: nobestmove
        {"2bakab2/9/1c2n2c1/p1p1p1p1p/1P7/1C2C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1", ""},
    };
    struct Go {
        const char* line;
        bool endless;  // ends only by "stop"
    } gos[] = {
        {"go depth 48", true}, {"go infinite", true}, {"go nodes 2000000000", true},
        {"go time 100000 increment 0", true}, {"go depth 3", false}, {"go nodes 800", false},
        {"go time 300 movestogo 5", false},
    };
    std::mt19937 random(20261101);
    Engine engine;
    startEngine(engine);
    const std::string& out = engine.readUntil("", 0);
    int replies = 0, isReadys = 0;
    int slowestMs = 0;
    for (int round = 0; round < 60 && !testing::Test::HasFailure(); ++round) {
        const Spot& at = spots[random() % 6];
        const Go& go = gos[random() % 7];
        SCOPED_TRACE(std::string(at.moves) + " / " + go.line);
        const size_t before = out.size();
        const auto asked = Clock::now();
        const std::string position = std::string("position fen ") + at.fen + (*at.moves ? " moves " : "") + at.moves;
        engine.send(position + "\n" + go.line + "\n");
        // Three moments, each after a random pause of 0 to 40 ms: "isready", "stop", both or
        // neither; a search that would never end by itself gets a last "stop".
        for (int step = 0; step < 3; ++step) {
            usleep(useconds_t(random() % 40000));
            if (random() % 2) {
                engine.send("isready\n");
                ++isReadys;
            }
            if (random() % 3 == 0)
                engine.send("stop\n");
        }
        if (go.endless)
            engine.send("stop\n");
        engine.readReply(10000, before);
        ++replies;
        const int tookMs = int(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count());
        slowestMs = std::max(slowestMs, tookMs);
        ASSERT_EQ(countReplies(out), replies) << out.substr(before);
        const std::string answer = lastBestMove(out.substr(before));
        if (answer.empty())
            EXPECT_TRUE(legalMoveTexts(at.fen, at.moves).empty()) << out.substr(before);
        else
            EXPECT_TRUE(isLegalAnswer(answer, at.fen, at.moves)) << out.substr(before);
    }
    // In step: a last search after everything, then nothing more arrives.
    engine.ask("position startpos moves a3a4\ngo depth 1\n");
    ++replies;
    engine.send("isready\n");
    ++isReadys;
    engine.readUntilLine("readyok", 5000, out.rfind("bestmove"));
    usleep(100000);
    engine.readUntil("", 200);
    EXPECT_EQ(countReplies(out), replies);
    EXPECT_LE(countLines(out, "readyok"), isReadys);
    EXPECT_GE(countLines(out, "readyok"), 1);
    RecordProperty("slowestReplyMs", slowestMs);
    engine.send("go infinite\nstop\nquit\n");
    engine.closeInput();
    const std::string& all = engine.readAll(10000);
    EXPECT_EQ(countReplies(all), replies + 1);
    EXPECT_EQ(all.substr(all.size() - 4), "bye\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
