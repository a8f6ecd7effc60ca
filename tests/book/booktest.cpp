// The opening book: keys and their mirror, the weighted choice, the file scan on good and
// bad files, and the book tool (build, probe, check).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "movegen/replay.h"
#include "book/book.h"
#include "movegen/movegen.h"
#include "shell/protocol.h"
#include "tests/freshstate.h"
#include "tests/testsystem.h"

namespace {

const char startKey[] = "$#\"4!<>%@BD):('&utsarWY[v]_zgyxw";

// A root position after moves from a FEN, renumbered as the search root does.
struct RootPosition {
    int  placement[pieceIdCount];
    char key[bookKeyLength + 1];
};

RootPosition rootAfter(const char* fen, std::vector<const char*> moves) {
    restoreFreshEngineState();
    static Position pos;
    setupFromFen(pos, fen);
    for (const char* text : moves)
        EXPECT_TRUE(playGameMove(pos, parseMoveText(text))) << text;
    compactPieceList(pos);
    rebuildDerivedFields(pos);
    RootPosition root;
    bookPlacement(pos, root.placement);
    buildBookKey(root.placement, root.key);
    return root;
}

std::string tempPath(const std::string& name) {
    const ::testing::TestInfo* test = ::testing::UnitTest::GetInstance()->current_test_info();
    return ::testing::TempDir() + "qxbook-" + test->name() + "-" + name;
}

std::string writeFile(const std::string& name, const std::string& content) {
    const std::string path = tempPath(name);
    FILE* file = std::fopen(path.c_str(), "wb");
    EXPECT_NE(file, nullptr) << path;
    if (file) {
        std::fwrite(content.data(), 1, content.size(), file);
        std::fclose(file);
    }
    return path;
}

int lookUp(const std::string& path, const char* key, int draw) {
    BookLine entry;
    if (!lookUpBook(path.c_str(), key, entry))
        return -1;
    return chooseBookMove(entry.values, entry.moveCount, draw);
}

// ---- Keys ----

TEST(BookKey, SlotOrderMirrorAndCapturedPieces) {
    const RootPosition start = rootAfter(startFen, {});
    EXPECT_STREQ(start.key, startKey);
    EXPECT_EQ(start.placement[0], -1);
    EXPECT_EQ(start.placement[1], -1);
    char mirrored[bookKeyLength + 1];
    mirrorBookKey(start.key, mirrored);
    EXPECT_STREQ(mirrored, startKey);  // the start position is its own mirror image

    // A position and its mirror image have mirrored keys.
    const RootPosition right = rootAfter(startFen, {"h2e2", "h9g7"});
    const RootPosition left  = rootAfter(startFen, {"b2e2", "b9c7"});
    mirrorBookKey(right.key, mirrored);
    EXPECT_STREQ(mirrored, left.key);
    EXPECT_STRNE(right.key, left.key);

    // The black centre pawn (2) is taken: pawns 4, 6, 8, 10 move down to 2, 4, 6, 8 and
    // the highest pawn slot, PieceId 10's, reads 123.
    const RootPosition captured = rootAfter(startFen, {"h2e2", "h9g7", "e2e6"});
    EXPECT_EQ(captured.key[9], char(123));
    EXPECT_EQ(captured.key[8], char(33 + 27));  // PieceId 2 is now the file-0 pawn
    int placement[pieceIdCount];
    ASSERT_TRUE(placementFromKey(captured.key, placement));
    EXPECT_EQ(std::vector<int>(placement, placement + pieceIdCount),
              std::vector<int>(captured.placement, captured.placement + pieceIdCount));

    // One red cannon left, whichever it is: PieceId 25's slot holds it, 27's reads 123.
    const RootPosition leftCannon =
        rootAfter("rnbakabnr/9/1c5c1/p1p1p1p1p/9/9/P1P1P1P1P/1C7/9/RNBAKABNR w", {});
    EXPECT_EQ(leftCannon.key[19], char(123));
    EXPECT_EQ(leftCannon.key[28], char(33 + 7 * 9 + 1));
}

// ---- The weighted choice ----

TEST(BookChoice, SharesAreWeightPlusOne) {
    const int values[] = {20, 1 * bookWeightUnit + 16};
    int first = 0;
    for (int draw = 0; draw < 32768; ++draw) {
        const int chosen = chooseBookMove(values, 2, draw);
        ASSERT_TRUE(chosen == 20 || chosen == 16) << draw;
        first += chosen == 20;
        // truncate(draw / 32768 * 3) is 0 exactly for the first third of the draws.
        ASSERT_EQ(chosen == 20, draw * 3 < 32768) << draw;
    }
    EXPECT_EQ(first, 10923);
    EXPECT_EQ(chooseBookMove(values, 0, 5), 0);

    // The generator is the classic one, whatever the platform's own.
    uint32_t seed = 1;
    EXPECT_EQ(bookRandom(seed), 41);
    EXPECT_EQ(bookRandom(seed), 18467);
}

// ---- The file scan ----

TEST(BookFile, LinesAsWrittenAndAsDamaged) {
    const std::string k = startKey;
    const std::string lower = "!" + k.substr(1), higher = "~" + k.substr(1);
    const std::string many = [] {
        std::string s;
        for (int i = 0; i < 20; ++i) s += " 21";
        return s + " 2147483647 " + std::to_string(100 * bookWeightUnit + 22);
    }();
    const std::string longGap(100000, ' ');
    struct Row {
        const char* name;
        std::string content;
        int draw;
        int expected;  // -1: key not found
    } rows[] = {
        {"two moves, first", k + " 20 16400\n", 10922, 20},
        {"two moves, second", k + " 20 16400\n", 10923, 16},
        {"double, leading and trailing spaces", k + "   20  16400  \n", 10923, 16},
        {"CR LF and empty lines", "\n\r\n" + k + " 20 16400\r\n\n", 10923, 16},
        {"key sorting before every line", higher + " 5\n" + k + " 7\n", 0, -1},
        {"shorter line sorts first", k.substr(0, 10) + "\n" + k + " 7\n", 0, 7},
        {"after smaller keys", lower + " 5\n" + k + " 7\n" + higher + " 9\n", 0, 7},
        {"end of file without LF", lower + " 5\n" + k + " 7", 0, 7},
        {"line of the key alone", k + "\n", 0, 0},
        {"key and separator only", k + " \n", 0, 0},
        {"more than 20 moves: the first 20", k + many + "\n", 32767, 21},
        {"long line stays one line", lower + longGap + k + " 7\n", 0, -1},
        {"long gap between moves", k + longGap + "7\n", 0, 7},
        {"no number gives 0", k + " x7\n", 0, 0},
        {"negative number", k + " -5\n", 0, 0},
        {"huge number", k + " 99999999999999999999999\n", 0, 0},
        {"zero byte in the key", k.substr(0, 5) + std::string(1, '\0') + k.substr(6) + " 5\n" + k + " 7\n", 0, 7},
        {"empty file", "", 0, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(lookUp(writeFile("book", row.content), startKey, row.draw), row.expected);
    }
}

TEST(BookFile, ProbeMirrorRangeAndMissingFile) {
    const RootPosition right = rootAfter(startFen, {"h2e2"});
    const RootPosition left  = rootAfter(startFen, {"b2e2"});
    // Found only as the mirror image: the stored 1 -> 20 comes back as 7 -> 24.
    const std::string mirrorBook = writeFile("mirror", std::string(left.key) + " 148\n");
    EXPECT_EQ(probeBookFile(mirrorBook.c_str(), right.placement, 1), packBookMove(7, 24));
    EXPECT_EQ(probeBookFile(mirrorBook.c_str(), left.placement, 1), packBookMove(1, 20));

    // Squares past the last rank never leave the book code, whichever lookup finds them.
    for (int bad : {packBookMove(90, 5), packBookMove(5, 90), packBookMove(127, 127)}) {
        const std::string path = writeFile("range", std::string(left.key) + " " + std::to_string(bad) + "\n");
        EXPECT_EQ(probeBookFile(path.c_str(), left.placement, 1), 0) << bad;
        EXPECT_EQ(probeBookFile(path.c_str(), right.placement, 1), 0) << bad;
    }

    // The engine's probe reads the book at bookPath; a missing file is silence and no move.
    const std::string saved = bookPath;
    std::snprintf(bookPath, bookPathSize, "%s", mirrorBook.c_str());
    EXPECT_EQ(probeBook(right.placement), packBookMove(7, 24));
    std::snprintf(bookPath, bookPathSize, "%s", tempPath("missing").c_str());
    ::testing::internal::CaptureStdout();
    EXPECT_EQ(probeBook(right.placement), 0);
    EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
    std::snprintf(bookPath, bookPathSize, "%s", saved.c_str());
}

// Random files, and random tails after the sought key: never a crash, never a square off
// the board.
TEST(BookFile, RandomBytes) {
    const RootPosition root = rootAfter(startFen, {});
    std::mt19937 rng(12345);
    const std::string alphabet = std::string("0123456789 \n\r-x") + std::string(1, '\0') + startKey;
    int found = 0;
    for (int round = 0; round < 300; ++round) {
        std::string content;
        const int length = int(rng() % 3000);
        for (int i = 0; i < length; ++i)
            content += round % 2 ? char(rng()) : alphabet[rng() % alphabet.size()];
        if (round % 3 == 0)
            content = std::string(startKey) + content;
        const std::string path = writeFile("random", content);
        for (uint32_t seed = 0; seed < 4; ++seed) {
            const int move = probeBookFile(path.c_str(), root.placement, seed);
            ASSERT_TRUE(move == 0 || bookMoveOnBoard(move)) << round << " " << move;
            found += move != 0;
        }
    }
    EXPECT_GT(found, 0);  // the damaged lines did yield moves, all of them on the board
}

// ---- The tool ----

std::string runTool(const std::string& args, int& status) {
    const std::string command = std::string(QX_TOOL_PATH) + " " + args + " 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    std::string out;
    char buffer[512];
    while (pipe && fgets(buffer, sizeof buffer, pipe)) out += buffer;
    status = pipe ? pclose(pipe) : -1;
    return out;
}

std::string readFile(const std::string& path) {
    std::string content;
    FILE* file = std::fopen(path.c_str(), "rb");
    for (int c; file && (c = std::getc(file)) != EOF;) content += char(c);
    if (file) std::fclose(file);
    return content;
}

bool fileExists(const std::string& path) {
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file) std::fclose(file);
    return file != nullptr;
}

TEST(BookTool, BuildProbeAndCheck) {
    const std::string lines = writeFile("lines.txt",
                                        "# two lines through h2e2, one of them weighted\n"
                                        "h2e2 h9g7 e2e6 g7e6   3\n"
                                        "\n"
                                        "h2e2 h7e7 # same-direction cannons\n");
    const std::string out = tempPath("book.dat");
    int status = 0;
    std::string text = runTool("book build --lines " + lines + " --out " + out, status);
    ASSERT_EQ(status, 0) << text;
    EXPECT_NE(text.find("2 lines, 4 positions, 5 moves"), std::string::npos) << text;

    // Moves of both lines add up; the key follows the renumbering after the capture.
    const RootPosition start = rootAfter(startFen, {});
    const RootPosition captured = rootAfter(startFen, {"h2e2", "h9g7", "e2e6"});
    EXPECT_EQ(lookUp(out, start.key, 0), packBookMove(bookIndex(makeSquare(7, 7)), bookIndex(makeSquare(7, 4))));
    EXPECT_EQ(probeBookFile(out.c_str(), captured.placement, 0), packBookMove(24, 31));
    text = runTool("book probe --book " + out + " --moves h2e2", status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("h9g7 weight 2 share 3/4\nh7e7 weight 0 share 1/4\n"), std::string::npos) << text;
    text = runTool("book probe --book " + out + " --moves b2e2", status);
    EXPECT_NE(text.find("found as the mirror image"), std::string::npos) << text;
    EXPECT_NE(text.find("b9c7 weight 2 share 3/4\n"), std::string::npos) << text;

    text = runTool("book check " + out, status);
    EXPECT_EQ(status, 0) << text;
    EXPECT_NE(text.find("4 lines, 5 moves, 0 problems"), std::string::npos) << text;
    // The same book with CR LF line ends, as an editor elsewhere may save it.
    std::string crlf;
    for (char c : readFile(out)) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    text = runTool("book check " + writeFile("crlf.dat", crlf), status);
    EXPECT_NE(text.find("4 lines, 5 moves, 0 problems"), std::string::npos) << text;

    // An illegal line is named, and nothing is written, not even over an old book.
    const std::string bad = writeFile("bad.txt", "h2e2 h9g7\nh2e2 h9g7 e2e9\nh0g2 x\n");
    text = runTool("book build --lines " + bad + " --out " + out, status);
    EXPECT_NE(status, 0);
    EXPECT_NE(text.find(":2: move 3 'e2e9' is illegal"), std::string::npos) << text;
    EXPECT_NE(text.find(":3: move 2 'x' is not a UCCI move"), std::string::npos) << text;
    EXPECT_NE(runTool("book check " + out, status).find("0 problems"), std::string::npos);
    const std::string fresh = tempPath("fresh.dat");
    runTool("book build --lines " + bad + " --out " + fresh, status);
    EXPECT_FALSE(fileExists(fresh));

    for (const char* help : {"book --help", "book build --help", "book probe --help", "book check --help"}) {
        EXPECT_NE(runTool(help, status).find("usage: quorvex-tool book"), std::string::npos) << help;
        EXPECT_EQ(status, 0) << help;
    }
}

TEST(BookTool, CheckNamesPlantedProblems) {
    const std::string k = startKey;
    // Keys in order: the start position with red's file-8 pawn moved to other squares.
    auto withPawn = [&](int index) {
        std::string key = k;
        key[26] = char(33 + index);
        return key;
    };
    const std::string h2e2 = " " + std::to_string(packBookMove(70, 67));
    const std::string h9g7 = " " + std::to_string(packBookMove(7, 24));
    std::string twentyOne;
    for (int i = 0; i < 21; ++i) twentyOne += h2e2;
    struct Planted {
        std::string line;
        const char* problem;
    } planted[] = {
        {withPawn(17) + h2e2 + h9g7, ""},
        {withPawn(26) + twentyOne, "21 moves, more than 20"},
        {withPawn(17) + h9g7, "sorts before that of line 2"},
        {withPawn(44) + "x" + h2e2.substr(1), "no space after the key"},
        {withPawn(53) + " " + std::to_string(packBookMove(70, 127)) + h2e2 + "x", "above 89"},
        {k + " " + std::to_string(packBookMove(81, 36)), "a0a5 is legal for neither side"},
        {withPawn(71).substr(0, 20), "only 20 key characters"},
        {withPawn(80) + " ", "no moves"},
        {"~" + k.substr(1) + h2e2, "outside 33..123"},
        {"$$" + k.substr(2) + h2e2, "share square index"},                 // advisor on the elephant
        {k.substr(0, 5) + "{" + k.substr(6) + h2e2, "not renumbered"},  // pawn 4 gone, 8 there
    };
    std::string content;
    for (const Planted& p : planted) content += p.line + "\n";
    int status = 0;
    const std::string text = runTool("book check " + writeFile("planted", content), status);
    EXPECT_EQ(exitCodeOf(status), 1) << text;
    for (size_t i = 1; i < sizeof planted / sizeof planted[0]; ++i)
        EXPECT_NE(text.find("line " + std::to_string(i + 1) + ": "), std::string::npos) << i << text;
    for (const Planted& p : planted)
        EXPECT_NE(text.find(p.problem), std::string::npos) << p.problem << "\n" << text;
    EXPECT_EQ(text.find("line 1: "), std::string::npos) << text;
    EXPECT_NE(text.find("11 lines, 31 moves"), std::string::npos) << text;
    EXPECT_NE(text.find("token(s) not a decimal number"), std::string::npos) << text;
    runTool("book check " + tempPath("missing"), status);
    EXPECT_EQ(exitCodeOf(status), 2);
}

// Any placement (kings anywhere, pawns behind their lines) and any numbers: the check
// judges every move on the position the key gives and never fails itself.
TEST(BookTool, CheckSurvivesRandomBooks) {
    std::mt19937 rng(777);
    for (int round = 0; round < 6; ++round) {
        std::string content;
        for (int line = 0; line < 50; ++line) {
            std::vector<int> squares(bookOffBoard);
            for (int i = 0; i < bookOffBoard; ++i) squares[size_t(i)] = i;
            std::shuffle(squares.begin(), squares.end(), rng);
            for (int slot = 0; slot < bookKeyLength; ++slot) content += char(33 + squares[size_t(slot)]);
            for (int t = int(rng() % 24); t > 0; --t)
                content += (rng() % 4 ? " " : "  ") + std::to_string(rng() % (1u << 20));
            content += round % 2 ? "\n" : "\r\n";
        }
        int status = 0;
        const std::string text = runTool("book check " + writeFile("random", content), status);
        ASSERT_TRUE(exitCodeOf(status) == 0 || exitCodeOf(status) == 1) << text;
        EXPECT_NE(text.find("50 lines, "), std::string::npos) << text;
    }
}

}  // namespace
