// quorvex-tool book: builds the opening book from lines of moves, shows what the book holds
// for a position, and checks a book file.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "board/fen.h"
#include "board/makemove.h"
#include "movegen/replay.h"
#include "board/tables.h"
#include "book/book.h"
#include "movegen/movegen.h"
#include "platform/platform.h"
#include "shell/protocol.h"
#include "tools/commands.h"

namespace {

// A book line lists plies from the start; far more than any opening, far below the
// history stack.
inline constexpr int maxLinePlies = 200;

void printBookUsage(FILE* out) {
    std::fprintf(out,
                 "usage: quorvex-tool book build --lines FILE --out FILE\n"
                 "       quorvex-tool book probe [--fen \"FEN\"] [--moves M ...] [--book FILE]\n"
                 "       quorvex-tool book check FILE\n"
                 "\n"
                 "Run 'quorvex-tool book <command> --help' for each command's details.\n");
}

void printBuildUsage(FILE* out) {
    std::fprintf(out,
                 "usage: quorvex-tool book build --lines FILE --out FILE\n"
                 "\n"
                 "Builds a book file from opening lines. Each text line of --lines is one line\n"
                 "of play from the start position: UCCI moves separated by spaces (\"h2e2 h9g7\n"
                 "h0g2\"), optionally followed by a weight, a whole number 1..%d (default 1).\n"
                 "A '#' starts a comment; empty lines are skipped.\n"
                 "\n"
                 "Weights: every move of a line, red's and black's alike, adds the line's weight\n"
                 "to that move in the position where it is played. A move's share in the\n"
                 "engine's random choice is the sum over the lines that play it there, so a\n"
                 "move common to many lines (the first moves of an opening) or to heavy lines\n"
                 "is chosen more often; give the sound main lines the larger weights.\n"
                 "\n"
                 "Each line is played with the engine's own make and legality test; an illegal\n"
                 "or unreadable line is reported with its line number and nothing is written.\n"
                 "Keys are built as the search root builds them, after renumbering the pieces.\n"
                 "Equal keys are merged (weights added, at most %d moves a key: the heaviest).\n"
                 "A key holds no side to move: a placement reached with either side to move\n"
                 "gets one entry, which the build reports; the engine plays only the moves of\n"
                 "the side to move. The file is written sorted, through a temporary file.\n",
                 bookMaxWeight, bookMaxMoves);
}

void printProbeUsage(FILE* out) {
    std::fprintf(out,
                 "usage: quorvex-tool book probe [--fen \"FEN\"] [--moves M ...] [--book FILE]\n"
                 "\n"
                 "Sets the position up (default: the start position), plays the moves, renumbers\n"
                 "the pieces as the search root does, and prints the book key and the moves the\n"
                 "book holds for it with weights and shares. When only the mirror image is in\n"
                 "the book, its key is printed too and the moves are shown mirrored back.\n"
                 "Moves that are not legal for the side to move are marked.\n"
                 "\n"
                 "  --fen FEN     the position to start from\n"
                 "  --moves M ... UCCI moves, as separate arguments or in one quoted argument\n"
                 "  --book FILE   the book (default: QXBOOK.DAT beside this tool)\n");
}

void printCheckUsage(FILE* out) {
    std::fprintf(out,
                 "usage: quorvex-tool book check FILE\n"
                 "\n"
                 "Verifies a book file: keys well-formed (32 characters 33..123, a position with\n"
                 "both kings, no two pieces on one square, each kind's pieces renumbered from its\n"
                 "lowest PieceId), lines sorted without duplicates, a space after the key, 1 to %d\n"
                 "moves a line as plain decimal numbers, every square index at most 89, and every\n"
                 "move legal for one of the sides in its position. Names each problem with its\n"
                 "line number, ends with 'N lines, M moves, K problems', and exits 1 on any\n"
                 "problem (2 when the file cannot be read).\n",
                 bookMaxMoves);
}

bool isHelp(const char* arg) { return !std::strcmp(arg, "--help") || !std::strcmp(arg, "-h"); }

void initToolTables() {
    initBitCounts();
    initBoardTables((1u << 25) - 1);
    // The set-up's endgame switch would print a line and change values a book never reads.
    endgameMode = 1;
}

void bookMoveText(int bookMove, char out[5]) {
    const int from = bookMoveFrom(bookMove), to = bookMoveTo(bookMove);
    out[0] = char('a' + from % 9);
    out[1] = char('9' - from / 9);
    out[2] = char('a' + to % 9);
    out[3] = char('9' - to / 9);
    out[4] = 0;
}

Move moveOfBookMove(int bookMove) {
    return packMove(bookSquare(bookMoveFrom(bookMove)), bookSquare(bookMoveTo(bookMove)));
}

// A legal move of the side to move: its own piece, a valid move, no king taken, own king safe.
bool isLegalMove(Position& pos, Move mv) {
    const int pc = pos.board[moveFrom(mv)], victim = pos.board[moveTo(mv)];
    return pc && sideOf(pc) == pos.sideToMove && isValidMove(mv, pos) && victim != kingBlack &&
           victim != kingRed && moveKeepsKingSafe(pos, mv);
}

// The key of the position as the search root sees it: pieces renumbered, derived fields
// rebuilt. The renumbering is kept on the position, as the engine keeps it on its own.
void rootKey(Position& pos, char key[bookKeyLength + 1]) {
    compactPieceList(pos);
    rebuildDerivedFields(pos);
    int placement[pieceIdCount];
    bookPlacement(pos, placement);
    buildBookKey(placement, key);
}

// ---- build ----

struct BookMoveSum {
    int move;    // from * 128 + to
    int share;   // sum of the weights of the lines that play it
    int order;   // first appearance, to keep the file's order stable among equal shares
};

struct KeyEntry {
    std::vector<BookMoveSum> moves;
    int sides = 0;      // bit 1 << side for each side to move seen here
    int firstLine = 0;  // the first line that reached this placement
    int otherLine = 0;  // a line that reached it with the other side to move
};

// Splits a text line at spaces and tabs, without its comment.
std::vector<std::string> splitLine(const std::string& text) {
    std::vector<std::string> tokens;
    const std::string body = text.substr(0, text.find('#'));
    size_t i = 0;
    while (i < body.size()) {
        while (i < body.size() && (body[i] == ' ' || body[i] == '\t' || body[i] == '\r')) ++i;
        size_t end = i;
        while (end < body.size() && body[end] != ' ' && body[end] != '\t' && body[end] != '\r') ++end;
        if (end > i)
            tokens.push_back(body.substr(i, end - i));
        i = end;
    }
    return tokens;
}

bool isWeightText(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

// Plays one opening line and adds its moves to the book. Returns an error text, empty if
// the line was good.
std::string addLine(const std::vector<std::string>& tokens, int lineNumber, int& order,
                    std::map<std::string, KeyEntry>& book) {
    size_t moveCount = tokens.size();
    int weight = 1;
    if (isWeightText(tokens.back())) {
        --moveCount;
        weight = tokens.back().size() > 6 ? 0 : std::atoi(tokens.back().c_str());
        if (weight < 1 || weight > bookMaxWeight)
            return "weight '" + tokens.back() + "' is not 1.." + std::to_string(bookMaxWeight);
    }
    if (moveCount == 0)
        return "a weight without moves";
    if (moveCount > size_t(maxLinePlies))
        return "more than " + std::to_string(maxLinePlies) + " moves";

    static Position pos;
    setUpFen(pos, startFen);
    for (size_t i = 0; i < moveCount; ++i) {
        const std::string& text = tokens[i];
        const Move mv = text.size() == 4 ? parseMoveText(text.c_str()) : 0;
        if (!mv)
            return "move " + std::to_string(i + 1) + " '" + text + "' is not a UCCI move";
        char key[bookKeyLength + 1];
        rootKey(pos, key);
        if (!isLegalMove(pos, mv))
            return "move " + std::to_string(i + 1) + " '" + text + "' is illegal here";
        KeyEntry& entry = book[key];
        const int side = 1 << pos.sideToMove;
        if (!entry.sides)
            entry.firstLine = lineNumber;
        else if (!(entry.sides & side))
            entry.otherLine = lineNumber;
        entry.sides |= side;
        const int bookMove = packBookMove(bookIndex(moveFrom(mv)), bookIndex(moveTo(mv)));
        auto it = std::find_if(entry.moves.begin(), entry.moves.end(),
                               [&](const BookMoveSum& m) { return m.move == bookMove; });
        if (it == entry.moves.end())
            entry.moves.push_back({bookMove, weight, order++});
        else
            it->share = std::min(it->share + weight, bookMaxWeight + 1);
        makeMove(pos, mv, false);
    }
    return "";
}

bool writeBook(const std::map<std::string, KeyEntry>& book, const char* outPath, int& moveTotal) {
    const std::string temporary = std::string(outPath) + ".tmp";
    FILE* out = std::fopen(temporary.c_str(), "wb");
    if (!out)
        return false;
    moveTotal = 0;
    // std::map orders std::string keys by unsigned bytes, the order the probe relies on.
    for (const auto& [key, entry] : book) {
        std::vector<BookMoveSum> moves = entry.moves;
        std::stable_sort(moves.begin(), moves.end(), [](const BookMoveSum& a, const BookMoveSum& b) {
            return a.share != b.share ? a.share > b.share : a.order < b.order;
        });
        if (moves.size() > size_t(bookMaxMoves)) {
            std::fprintf(stderr, "book build: key %s has %zu moves; the %d heaviest are kept\n",
                         key.c_str(), moves.size(), bookMaxMoves);
            moves.resize(bookMaxMoves);
        }
        std::fputs(key.c_str(), out);
        std::fputc(' ', out);
        for (size_t i = 0; i < moves.size(); ++i)
            std::fprintf(out, i ? " %d" : "%d", (moves[i].share - 1) * bookWeightUnit + moves[i].move);
        std::fputc('\n', out);
        moveTotal += int(moves.size());
    }
    const bool written = !std::ferror(out);
    if (std::fclose(out) != 0 || !written || !replaceFile(temporary.c_str(), outPath)) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

int buildCommand(int argc, char** argv) {
    const char* linesPath = nullptr;
    const char* outPath = nullptr;
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            printBuildUsage(stdout);
            return 0;
        } else if (!std::strcmp(argv[i], "--lines") && i + 1 < argc) {
            linesPath = argv[++i];
        } else if (!std::strcmp(argv[i], "--out") && i + 1 < argc) {
            outPath = argv[++i];
        } else {
            std::fprintf(stderr, "book build: unexpected argument '%s'\n", argv[i]);
            printBuildUsage(stderr);
            return 2;
        }
    }
    if (!linesPath || !outPath) {
        std::fprintf(stderr, "book build: --lines and --out are required\n");
        printBuildUsage(stderr);
        return 2;
    }
    FILE* in = std::fopen(linesPath, "rb");
    if (!in) {
        std::fprintf(stderr, "book build: cannot open '%s'\n", linesPath);
        return 2;
    }
    initToolTables();
    std::map<std::string, KeyEntry> book;
    int lineNumber = 0, lineCount = 0, errors = 0, order = 0;
    std::string text;
    for (int c = std::getc(in); c != EOF || !text.empty(); c = std::getc(in)) {
        if (c != '\n' && c != EOF) {
            text += char(c);
            continue;
        }
        ++lineNumber;
        const std::vector<std::string> tokens = splitLine(text);
        text.clear();
        if (!tokens.empty()) {
            const std::string error = addLine(tokens, lineNumber, order, book);
            if (!error.empty()) {
                std::fprintf(stderr, "%s:%d: %s\n", linesPath, lineNumber, error.c_str());
                ++errors;
            }
            ++lineCount;
        }
        if (c == EOF)
            break;
    }
    std::fclose(in);
    if (errors) {
        std::fprintf(stderr, "book build: %d bad line%s; nothing written\n", errors,
                     errors == 1 ? "" : "s");
        return 1;
    }
    for (const auto& [key, entry] : book)
        if (entry.sides == 3)
            std::fprintf(stderr,
                         "book build: lines %d and %d reach key %s with different sides to move; "
                         "its moves share one entry\n",
                         entry.firstLine, entry.otherLine, key.c_str());
    int moveTotal = 0;
    if (!writeBook(book, outPath, moveTotal)) {
        std::fprintf(stderr, "book build: cannot write '%s'\n", outPath);
        return 2;
    }
    std::printf("%d lines, %zu positions, %d moves written to %s\n", lineCount, book.size(),
                moveTotal, outPath);
    return 0;
}

// ---- probe ----

void printEntry(Position& pos, const BookLine& entry, bool mirrored) {
    int total = 0;
    for (int i = 0; i < entry.moveCount; ++i)
        total += entry.values[i] / bookWeightUnit + 1;
    for (int i = 0; i < entry.moveCount; ++i) {
        const int value = entry.values[i];
        int move = value % bookWeightUnit;
        const bool onBoard = bookMoveOnBoard(move);
        if (onBoard && mirrored)
            move = packBookMove(mirrorBookIndex(bookMoveFrom(move)), mirrorBookIndex(bookMoveTo(move)));
        char text[5];
        bookMoveText(move, text);
        const char* note = !onBoard ? "  (off the board)"
                           : !isLegalMove(pos, moveOfBookMove(move)) ? "  (not legal for the side to move)"
                                                                     : "";
        std::printf("%s weight %d share %d/%d%s\n", onBoard ? text : "????", value / bookWeightUnit,
                    value / bookWeightUnit + 1, total, note);
    }
}

int probeCommand(int argc, char** argv) {
    const char* fen = startFen;
    std::string bookFile;
    std::vector<std::string> moves;
    for (int i = 0; i < argc; ++i) {
        if (isHelp(argv[i])) {
            printProbeUsage(stdout);
            return 0;
        } else if (!std::strcmp(argv[i], "--fen") && i + 1 < argc) {
            fen = argv[++i];
        } else if (!std::strcmp(argv[i], "--book") && i + 1 < argc) {
            bookFile = argv[++i];
        } else if (!std::strcmp(argv[i], "--moves")) {
            while (i + 1 < argc && std::strncmp(argv[i + 1], "--", 2))
                for (const std::string& mv : splitLine(argv[++i])) moves.push_back(mv);
        } else {
            std::fprintf(stderr, "book probe: unexpected argument '%s'\n", argv[i]);
            printProbeUsage(stderr);
            return 2;
        }
    }
    if (bookFile.empty()) {
        char exePath[bookPathSize], path[bookPathSize];
        executablePath(exePath, bookPathSize);
        buildBookPath(path, bookPathSize, exePath, pathSeparator);
        bookFile = path;
    }
    initToolTables();
    static Position pos;
    setUpFen(pos, fen);
    for (const std::string& text : moves) {
        const Move mv = text.size() == 4 ? parseMoveText(text.c_str()) : 0;
        if (!mv || !isLegalMove(pos, mv)) {
            std::fprintf(stderr, "book probe: move '%s' is not legal here\n", text.c_str());
            return 2;
        }
        makeMove(pos, mv, false);
    }
    char key[bookKeyLength + 1], mirrored[bookKeyLength + 1];
    rootKey(pos, key);
    std::printf("key %s\n", key);
    std::printf("side to move %s\n", pos.sideToMove == sideRed ? "red" : "black");
    BookLine entry;
    if (lookUpBook(bookFile.c_str(), key, entry)) {
        std::printf("found, %d move%s\n", entry.moveCount, entry.moveCount == 1 ? "" : "s");
        printEntry(pos, entry, false);
        return 0;
    }
    mirrorBookKey(key, mirrored);
    if (lookUpBook(bookFile.c_str(), mirrored, entry)) {
        std::printf("found as the mirror image, key %s, %d move%s (shown mirrored back)\n", mirrored,
                    entry.moveCount, entry.moveCount == 1 ? "" : "s");
        printEntry(pos, entry, true);
        return 0;
    }
    std::printf("not in the book\n");
    return 0;
}

// ---- check ----

int pieceLetter(int pc) {
    static const char letters[] = "ppppppppppaaaabbbbnnnnccccrrrrkk";
    const char c = letters[pc - pawnFirst];
    return sideOf(pc) == sideRed ? c - 'a' + 'A' : c;
}

// The FEN of a placement with the given side to move.
std::string placementFen(const int placement[pieceIdCount], int side) {
    char squares[bookOffBoard] = {};
    for (int pc = pawnFirst; pc < pieceIdCount; ++pc)
        if (placement[pc] >= 0)
            squares[placement[pc]] = char(pieceLetter(pc));
    std::string fen;
    for (int rank = 0; rank < 10; ++rank) {
        int empty = 0;
        for (int file = 0; file < 9; ++file) {
            const char c = squares[rank * 9 + file];
            if (!c) {
                ++empty;
                continue;
            }
            if (empty) fen += char('0' + empty);
            empty = 0;
            fen += c;
        }
        if (empty) fen += char('0' + empty);
        if (rank < 9) fen += '/';
    }
    return fen + (side == sideRed ? " w" : " b");
}

int kindOfId(int pc) { return pc < advisorFirst ? kindPawn : (pc - advisorFirst) / 4 + kindAdvisor; }

// Problems of a placement as a position; empty when it is one.
std::string placementProblem(const int placement[pieceIdCount]) {
    if (placement[kingBlack] < 0 || placement[kingRed] < 0)
        return "a king is off the board";
    int owner[bookOffBoard];
    std::fill(owner, owner + bookOffBoard, 0);
    for (int pc = pawnFirst; pc < pieceIdCount; ++pc) {
        const int index = placement[pc];
        if (index < 0)
            continue;
        if (owner[index])
            return "PieceIds " + std::to_string(owner[index]) + " and " + std::to_string(pc) +
                   " share square index " + std::to_string(index);
        owner[index] = pc;
    }
    // The engine renumbers each kind's survivors into its lowest PieceIds before it probes,
    // so a key with a gap in a kind is never looked up.
    for (int pc = pawnFirst; pc + 2 < kingBlack; ++pc)
        if (placement[pc] < 0 && placement[pc + 2] >= 0 && kindOfId(pc) == kindOfId(pc + 2))
            return "PieceId " + std::to_string(pc) + " is off the board but " +
                   std::to_string(pc + 2) + " is on (not renumbered)";
    return "";
}

}  // namespace

namespace {

void reportProblem(int lineNumber, const std::string& text, int& problems) {
    std::printf("line %d: %s\n", lineNumber, text.c_str());
    ++problems;
}

int checkCommand(int argc, char** argv) {
    if (argc == 1 && isHelp(argv[0])) {
        printCheckUsage(stdout);
        return 0;
    }
    if (argc != 1) {
        printCheckUsage(stderr);
        return 2;
    }
    FILE* file = std::fopen(argv[0], "rb");
    if (!file) {
        std::fprintf(stderr, "book check: cannot open '%s'\n", argv[0]);
        return 2;
    }
    initToolTables();
    static Position bySide[2];
    BookLine line;
    line.number = 0;
    std::string previousKey;
    int previousLine = 0, lines = 0, moves = 0, problems = 0;
    while (readBookLine(file, line, nullptr)) {
        ++lines;
        moves += line.tokenCount;
        const std::string key(line.key, size_t(line.keyLength));
        if (previousLine && key == previousKey)
            reportProblem(line.number, "same key as line " + std::to_string(previousLine), problems);
        else if (previousLine && key < previousKey)
            reportProblem(line.number, "key sorts before that of line " + std::to_string(previousLine),
                          problems);
        previousKey  = key;
        previousLine = line.number;

        int placement[pieceIdCount];
        std::string keyProblem;
        if (line.keyLength < bookKeyLength)
            keyProblem = "the line has only " + std::to_string(line.keyLength) + " key characters";
        else if (!placementFromKey(line.key, placement))
            keyProblem = "key characters outside 33..123";
        else
            keyProblem = placementProblem(placement);
        if (!keyProblem.empty())
            reportProblem(line.number, keyProblem, problems);
        else
            for (int side : {sideBlack, sideRed})
                setUpFen(bySide[side], placementFen(placement, side).c_str());

        if (line.keyLength == bookKeyLength && line.separator >= 0 && line.separator != ' ')
            reportProblem(line.number, "no space after the key", problems);
        if (line.tokenCount == 0 && line.keyLength == bookKeyLength)
            reportProblem(line.number, "no moves", problems);
        if (line.tokenCount > bookMaxMoves)
            reportProblem(line.number, std::to_string(line.tokenCount) + " moves, more than " +
                                           std::to_string(bookMaxMoves), problems);
        if (line.badTokens)
            reportProblem(line.number, std::to_string(line.badTokens) +
                                           " token(s) not a decimal number below 2^31", problems);
        for (int i = 0; i < line.moveCount; ++i) {
            const int move = line.values[i] % bookWeightUnit;
            const std::string which = "move " + std::to_string(i + 1) + " (" +
                                      std::to_string(line.values[i]) + ")";
            if (!bookMoveOnBoard(move)) {
                reportProblem(line.number, which + ": a square index above 89", problems);
                continue;
            }
            if (!keyProblem.empty())
                continue;
            const Move mv = moveOfBookMove(move);
            if (!isLegalMove(bySide[sideRed], mv) && !isLegalMove(bySide[sideBlack], mv)) {
                char text[5];
                bookMoveText(move, text);
                reportProblem(line.number, which + " " + text + " is legal for neither side",
                              problems);
            }
        }
    }
    std::fclose(file);
    std::printf("%d lines, %d moves, %d problems\n", lines, moves, problems);
    return problems ? 1 : 0;
}

}  // namespace

int bookCommand(int argc, char** argv) {
    if (argc < 1 || isHelp(argv[0])) {
        printBookUsage(argc < 1 ? stderr : stdout);
        return argc < 1 ? 2 : 0;
    }
    if (!std::strcmp(argv[0], "build"))
        return buildCommand(argc - 1, argv + 1);
    if (!std::strcmp(argv[0], "probe"))
        return probeCommand(argc - 1, argv + 1);
    if (!std::strcmp(argv[0], "check"))
        return checkCommand(argc - 1, argv + 1);
    std::fprintf(stderr, "book: unknown command '%s'\n", argv[0]);
    printBookUsage(stderr);
    return 2;
}
