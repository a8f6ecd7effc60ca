// Searches of one game in one process, each compared with what it must answer given what
// the searches before it left: the book's state, and the answer prepared for a predicted
// reply.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

#include "book/book.h"
#include "tests/e2e/engineprocess.h"
#include "tests/e2e/sessiontext.h"

using namespace e2e;

namespace {

// The book line that names move for the position after the moves from fen.
std::string bookLine(const char* fen, const std::string& moves, const char* move) {
    legalMoveTexts(fen, moves);  // builds the board tables
    static Position pos;
    testing::internal::CaptureStdout();
    setupFromFen(pos, fen);
    std::istringstream played(moves);
    for (std::string text; played >> text;)
        playGameMove(pos, parseMoveText(text.c_str()));
    testing::internal::GetCapturedStdout();
    compactPieceList(pos);  // as the search root numbers the pieces
    int placement[pieceIdCount];
    bookPlacement(pos, placement);
    char key[bookKeyLength + 1];
    buildBookKey(placement, key);
    const Move mv = parseMoveText(move);
    const int bookMove = packBookMove(bookIndex(moveFrom(mv)), bookIndex(moveTo(mv)));
    return std::string(key) + " " + std::to_string(bookMove);
}

// A central cannon that shields its king from a rook.
const char* const pinnedCannon = "rnbakabn1/9/1c5c1/p1p1p1p1p/4r4/9/P1P3P1P/1C2C4/9/RNBAKABNR w - - 0 1";
const char* const startBlackToMove = "rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C5C1/9/RNBAKABNR b - - 0 1";

}  // namespace

// A book of one move per position, beside a copy of the engine. A book move is played only
// when it is a legal move of the side to move and not banned; a position the book does not
// know closes the book for the rest of the game, but only once a book move has been played.
TEST(GameState, BookStep) {
    namespace fs = std::filesystem;
    const fs::path built = fs::u8path(builtEnginePath());
    const fs::path folder = built.parent_path() / "tmp-book-step";
    std::error_code error;
    fs::remove_all(folder, error);
    fs::create_directories(folder, error);
    fs::copy_file(built, folder / built.filename(), error);
    ASSERT_FALSE(error) << error.message();
    std::vector<std::string> lines = {
        bookLine(startFen, "", "h2e2"),  // also the move found with black to move there
        bookLine(startFen, "h2e2 h9g7", "h0g2"),
        bookLine(startFen, "c3c4 c6c5", "a0a5"),  // a rook that jumps
        bookLine(pinnedCannon, "", "e2d2"),       // exposes the king
    };
    std::sort(lines.begin(), lines.end());
    std::ofstream book(folder / "QXBOOK.DAT", std::ios::binary);
    for (const std::string& line : lines)
        book << line << "\n";
    book.close();

    struct Step {
        const char* fen;
        const char* moves;
        const char* book;  // the book's move that must be played, or null: a search
    };
    struct Row {
        const char* name;
        const char* ban;  // banned in the first step
        std::vector<Step> steps;
    } rows[] = {
        {"a book move", "", {{startFen, "", "h2e2"}}},
        {"the book move banned", "h2e2", {{startFen, "", nullptr}}},
        {"a move of the other side", "", {{startBlackToMove, "", nullptr}}},
        {"a move the piece cannot make", "", {{startFen, "c3c4 c6c5", nullptr}}},
        {"a move that exposes the king", "", {{pinnedCannon, "", nullptr}}},
        {"a miss before any hit", "", {{startFen, "a3a4 a6a5", nullptr}, {startFen, "h2e2 h9g7", "h0g2"}}},
        {"a miss after a hit", "",
         {{startFen, "", "h2e2"}, {startFen, "a3a4 a6a5", nullptr}, {startFen, "h2e2 h9g7", nullptr}}},
    };
    EngineStart how;
    how.exePath = (folder / built.filename()).u8string();
    Engine engine(how);
    engine.startSession();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        engine.send("setoption newgame\n" + (*row.ban ? "banmoves " + std::string(row.ban) + "\n" : ""));
        for (const Step& step : row.steps) {
            const std::string position = std::string("position fen ") + step.fen +
                                         (*step.moves ? std::string(" moves ") + step.moves : "");
            const std::string out = engine.ask(position + "\ngo depth 3\n");
            const std::string answer = lastBestMove(out);
            EXPECT_TRUE(isLegalAnswer(answer, step.fen, step.moves)) << out;
            EXPECT_EQ(countLines(out, "info depth"), step.book ? 0 : 3) << out;
            if (step.book) {
                EXPECT_EQ(answer, step.book);
            }
        }
    }
    // A ban holds for one search, also for one answered from the book.
    const std::string searched = "position fen " + std::string(pinnedCannon) + "\ngo depth 3\n";
    engine.send("setoption newgame\n");
    const std::string unbanned = lastBestMove(engine.ask(searched));
    engine.send("setoption newgame\nbanmoves " + unbanned + "\n");
    EXPECT_EQ(lastBestMove(engine.ask(std::string("position fen ") + startFen + "\ngo depth 3\n")), "h2e2");
    EXPECT_EQ(lastBestMove(engine.ask(searched)), unbanned);
    engine.send("quit\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}

// The answer a search prepares for its predicted reply (the third move of its variation)
// leads the next root's scan, with the score 32700, when the opponent has played that
// reply: as the position's moves tell, or, when the position comes without moves, as the
// placement the last answer left shows (only a capture tells both squares). A budget that
// allows only the scan answers with it.
TEST(GameState, PreparedAnswerForThePredictedReply) {
    const std::string searched = "2bakab2/9/1c2n2c1/p1p1p1p1p/1P7/1C2C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1";
    struct Row {
        const char* name;
        std::string position;
        bool kept;
    } rows[] = {
        {"the predicted reply", searched + " moves b4b7 h7b7", true},
        {"another reply", searched + " moves b4b7 a6a5", false},
        {"the predicted capture, without moves",
         "2bakab2/9/1c2n4/p1p1p1p1p/1P7/4C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1", true},
        {"another reply, without moves",
         "2bakab2/9/1C2n2c1/2p1p1p1p/pP7/4C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1", false},
    };
    Engine engine;
    engine.startSession();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::string out = engine.ask("setoption newgame\nposition fen " + searched + "\ngo depth 6\n");
        ASSERT_NE(out.find(" pv b4b7 h7b7 b5b6"), std::string::npos) << out;
        const std::string next = engine.ask("position fen " + row.position + "\ngo time 1000\n");
        EXPECT_EQ(next.find("info depth 0 score 32700 ") != std::string::npos, row.kept) << next;
        if (row.kept) {
            EXPECT_EQ(lastBestMove(next), "b5b6");
        }
    }
    engine.send("quit\n");
    EXPECT_EQ(engine.exitStatus(), 0);
}
