// The XBoard front end through the real binary's pipes: the handshake, refusals, set-ups and
// take-backs, a game as XBoard plays it with the search's lines and limits, and analysis.
#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

const std::string features =
    "feature myname=\"Quorvex 0.731r\" variants=\"xiangqi\" setboard=1 usermove=1 ping=1 time=1\n"
    "feature memory=1 colors=0 sigint=0 sigterm=0 reuse=1 analyze=1 done=1\n";
// What XBoard sends before a game, with a small table.
const std::string gameStart = "xboard\nprotover 2\nmemory 16\nnew\nvariant xiangqi\nlevel 0 0:20 0.2\npost\nhard\neasy\n";
const std::string startBlackToMove = "rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR b 0 1\n";

// The first whole thinking line of out, "ply score time nodes" and a variation of one move or
// more; "" when there is none.
std::string thinkingLine(const std::string& out) {
    const auto isNumber = [](const std::string& w, bool signedOk) {
        const size_t digits = signedOk && !w.empty() && w[0] == '-';
        return w.size() > digits && w.find_first_not_of("0123456789", digits) == std::string::npos;
    };
    const auto isMove = [](const std::string& w) {
        return w.size() == 4 && w[0] >= 'a' && w[0] <= 'i' && w[1] >= '0' && w[1] <= '9' && w[2] >= 'a' &&
               w[2] <= 'i' && w[3] >= '0' && w[3] <= '9';
    };
    for (size_t at = 0, end; (end = out.find('\n', at)) != std::string::npos; at = end + 1) {
        const std::string line = out.substr(at, end - at);
        const std::vector<std::string> w = wordsOf(line);
        bool thinking = w.size() >= 5 && isNumber(w[0], false) && isNumber(w[1], true) && isNumber(w[2], false) &&
                        isNumber(w[3], false) && line.find("  ") == std::string::npos;
        for (size_t i = 4; thinking && i < w.size(); ++i)
            thinking = isMove(w[i]);
        if (thinking)
            return line;
    }
    return "";
}

}  // namespace

// Whole outputs of sessions without a search.
TEST(XboardProcess, ScriptedSessions) {
    const std::string bad = "tellusererror Illegal position\n";
    struct Row {
        const char* name;
        std::string input, expected;
    } rows[] = {
        {"quit", "xboard\nprotover 2\nquit\nping 1\n", ""},
        {"input ends without quit", "xboard\nprotover 2\nping 3\n", "pong 3\n"},
        {"refusals",
         "xboard\nprotover 2\nnew\nforce\nfoo bar\nusermove h9g7\nusermove h2h8\nusermove e3e4e5\nh2e2x\n"
         "variant shogi\nvariant xiangqi\nundo\nremove\nping 5\n",
         "Error (unknown command): foo\nIllegal move: h9g7\nIllegal move: h2h8\nIllegal move: e3e4e5\n"
         "Error (unknown command): h2e2x\nError (unsupported variant): shogi\n"
         "Error (no move to take back): undo\nError (no move to take back): remove\npong 5\n"},
        // Letters N and B or H and E; bad set-ups (no kings, a long rank, no side, six pawns)
        // leave black to move in the start position.
        {"set-ups and take-backs",
         "xboard\nprotover 2\nnew\nforce\nsetboard rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR w 0 1\n"
         "usermove h2e2\nsetboard " + startBlackToMove + "setboard 9/9/9/9/9/9/9/9/9/9 w 0 1\n"
         "setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHRR w 0 1\n"
         "setboard rheakaehr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR\nsetboard\n"
         "setboard rheakaehr/9/1c5c1/p1p1p1p1p/p8/9/P1P1P1P1P/1C5C1/9/RHEAKAEHR w 0 1\n"
         "usermove h2e2\nusermove h7e7\nusermove h2e2\nremove\nusermove h7e7\nundo\nusermove h2e2\n",
         bad + bad + bad + bad + bad + "Illegal move: h2e2\nIllegal move: h2e2\n"},
        {"no legal move: a claim", "xboard\nprotover 2\nnew\nsetboard 3k5/9/9/9/9/9/9/9/r8/r3K4 w 0 1\ngo\n"
         "setboard 3k5/R8/9/9/9/9/9/9/9/4RK3 b 0 1\ngo\n",
         "0-1 {Red is mated}\n1-0 {Black is stalemated}\n"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EngineStart how;
        how.input    = EngineStart::file;
        how.fileText = row.input;
        Engine engine(how);
        ASSERT_TRUE(engine.started());
        EXPECT_EQ(engine.readAll(), banner + features + row.expected);
        EXPECT_EQ(engine.exitStatus(), 0);
    }
}

// A game as XBoard plays it: each answer a legal move after thinking lines; force and go;
// "ping" answered after the move of a search under way; "st", "sd" and "?" as limits; the
// move of a search under way still comes when the input ends.
TEST(XboardProcess, PlaysAGame) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    auto output = [&] { return engine.readAll(0); };
    std::string game;  // the moves so far, each after a space
    // Sends lines that make the engine move; returns its output for them, up to the move.
    auto play = [&](const std::string& lines, int timeoutMs = 10000) {
        const size_t from = output().size();
        engine.send(lines);
        const std::string out = engine.readUntilLine("move ", timeoutMs, from).substr(from);
        const std::string mine = out.substr(out.rfind("move ") + 5, 4);
        EXPECT_TRUE(isLegalAnswer(mine, startFen, game)) << game << " | " << out;
        game += " " + mine;
        return out;
    };
    auto opponent = [&] {
        const std::string move = legalMoveTexts(startFen, game).at(0);
        game += " " + move;
        return "usermove " + move + "\n";
    };
    engine.send(gameStart);
    game = " a3a4";  // out of the book
    EXPECT_NE(thinkingLine(play("time 2000\notim 2000\nusermove a3a4\n")), "");
    EXPECT_NE(thinkingLine(play("time 1990\notim 1990\n" + opponent())), "");
    const std::string red = opponent();  // one at a time: the order of a + b is not fixed
    play("force\n" + red + opponent() + "go\n");  // the engine now plays red

    play("force\n" + opponent() + "st 1\ngo\nping 9\n");
    EXPECT_GT(engine.readUntilLine("pong 9").rfind("pong 9"), output().rfind("\nmove "));

    const std::string out = play("force\n" + opponent() + "sd 2\nst 30\ngo\n", 3000);
    EXPECT_EQ(("\n" + out).find("\n3 "), std::string::npos) << out;

    engine.send("force\n" + opponent() + "sd 40\ngo\n");
    usleep(300000);
    const auto asked = Clock::now();
    play("?\n", 2000);
    if (!sanitized) {
        EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - asked).count(), 1000);
    }

    const int moves = countLines(output(), "move ");
    engine.send("force\n" + opponent() + "st 1\ngo\n");
    engine.closeInput();
    EXPECT_EQ(countLines(engine.readAll(), "move "), moves + 1);
    EXPECT_EQ(engine.exitStatus(), 0);
}

// Analysis follows the moves and take-backs it gets, answers "ping" at once, and plays no move.
TEST(XboardProcess, Analyses) {
    Engine engine;
    ASSERT_TRUE(engine.started());
    // The first move of the first thinking line after `from`, once there is one.
    auto analysedFrom = [&](size_t from) {
        const std::string out = engine.readWhile([&] {
            return thinkingLine(engine.readAll(0).substr(from)).empty(); }, 5000).substr(from);
        const std::string line = thinkingLine(out);
        return line.empty() ? "" : wordsOf(line)[4];
    };
    engine.send(gameStart + "force\nanalyze\n");
    EXPECT_TRUE(isLegalAnswer(analysedFrom(0), startFen, ""));
    engine.send("usermove h2e2\nping 3\n");  // answered by the analysis after the move
    EXPECT_TRUE(isLegalAnswer(analysedFrom(engine.readUntilLine("pong 3").size()), startFen, "h2e2"));
    engine.send("undo\nping 4\n");
    engine.readUntilLine("pong 4");
    engine.send("exit\nping 5\n");
    EXPECT_EQ(engine.readUntilLine("pong 5").find("\nmove "), std::string::npos);
    engine.closeInput();
    EXPECT_EQ(engine.exitStatus(), 0);
}
