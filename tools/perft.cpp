// quorvex-tool perft: counts the leaves of the legal move tree with the engine's own
// generators and make operation, for one position or for a suite of reference counts.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "board/fen.h"
#include "board/makemove.h"
#include "board/tables.h"
#include "movegen/movegen.h"
#include "movegen/history.h"
#include "shell/protocol.h"
#include "shell/report.h"
#include "tools/commands.h"

namespace {

Position perftPosition;
// Leaves are counted without a full make: a move is legal when the search's rule clears
// it or the make's legality test passes. --make-leaves makes and unmakes every leaf move
// instead, which also exercises the whole make operation at every node (slower).
bool bulkLeaves = true;
char suiteLine[16384];

inline constexpr int maxPerftDepth = 12;

// Lists per node: captures, short-range quiets and slider quiets each stay far below
// this in any reachable position (at most about 70 of one kind).
inline constexpr int perftListSize = 160;

uint64_t perft(Position& pos, int depth, int code) {
    MoveSlot moves[3 * perftListSize];
    const int n = generateAllMoves(pos, code, moves);
    const uint8_t* relevance = ownKingRelevance(pos, code);
    uint64_t nodes = 0;
    if (depth <= 1 && bulkLeaves) {
        // Last ply: a move the rule clears is legal without being made; only the others
        // go through the make's legality test.
        for (int i = 0; i < n; ++i) {
            const Move mv = slotMove(moves[i]);
            nodes += !needsLegalityTest(relevance, mv) || moveKeepsKingSafe(pos, mv);
        }
        return nodes;
    }
    for (int i = 0; i < n; ++i) {
        const Move mv = slotMove(moves[i]);
        if (makeMove(pos, mv, needsLegalityTest(relevance, mv)) < 0)
            continue;
        nodes += depth <= 1 ? 1 : perft(pos, depth - 1, pos.history[pos.historyLength - 1].checkCode);
        unmakeMove(pos);
    }
    return nodes;
}

// The root has no move record, so its check code is computed here.
uint64_t perftRoot(Position& pos, int depth, bool divide) {
    if (depth <= 0)
        return 1;
    MoveSlot moves[3 * perftListSize];
    const int code = checkCode(pos, pos.sideToMove);
    const int n = generateAllMoves(pos, code, moves);
    const uint8_t* relevance = ownKingRelevance(pos, code);
    uint64_t total = 0;
    for (int i = 0; i < n; ++i) {
        const Move mv = slotMove(moves[i]);
        if (makeMove(pos, mv, needsLegalityTest(relevance, mv)) < 0)
            continue;
        const uint64_t nodes =
            depth == 1 ? 1 : perft(pos, depth - 1, pos.history[pos.historyLength - 1].checkCode);
        unmakeMove(pos);
        total += nodes;
        if (divide) {
            char text[5];
            moveText(mv, text);
            std::printf("%s %" PRIu64 "\n", text, nodes);
        }
    }
    return total;
}

int64_t nowMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void initEngineTables() {
    initBitCounts();
    initBoardTables((1u << 25) - 1);
    resetHistory();
    clearKillers();
}

// The set-up's endgame switch would print a line and change weights perft never reads;
// counting moves does not depend on the game phase, so the switch is kept from firing.
void setUp(Position& pos, const char* fen) {
    endgameMode = 1;
    setUpFen(pos, fen);
}

void printHelp() {
    std::printf(
        "usage: quorvex-tool perft --depth N [--fen \"FEN\"] [--divide]\n"
        "       quorvex-tool perft --suite FILE [--max-depth N]\n"
        "\n"
        "Counts the leaf nodes of the legal move tree.\n"
        "  --depth N       depth to count (0..%d)\n"
        "  --fen \"FEN\"     position to count from (default: the start position)\n"
        "  --divide        first print one line per root move: <move> <count>\n"
        "  --make-leaves   make and unmake every move of the last ply too (slower)\n"
        "  --suite FILE    check every line of FILE, 'FEN;D1 n;D2 n;...', and end with\n"
        "                  'N passed, M failed'; exits 1 on any failure\n"
        "  --max-depth N   with --suite, check only depths up to N\n"
        "The last line of a count is 'nodes <count> time <ms> nps <rate>'.\n",
        maxPerftDepth);
}

bool readDepth(const char* text, int& depth) {
    char* end = nullptr;
    const long value = std::strtol(text, &end, 10);
    if (end == text || *end || value < 0 || value > maxPerftDepth)
        return false;
    depth = int(value);
    return true;
}

int runSingle(const char* fen, int depth, bool divide) {
    setUp(perftPosition, fen);
    const int64_t start = nowMs();
    const uint64_t nodes = perftRoot(perftPosition, depth, divide);
    const int64_t ms = nowMs() - start;
    const uint64_t nps = ms > 0 ? nodes * 1000 / uint64_t(ms) : nodes * 1000;
    std::printf("nodes %" PRIu64 " time %" PRId64 " nps %" PRIu64 "\n", nodes, ms, nps);
    return 0;
}

// One suite line: "FEN;D1 n;D2 n;...". Returns 1 passed, 0 failed, -1 not a position line.
int runSuiteLine(char* line, int maxDepth, int lineNumber) {
    line[std::strcspn(line, "\r\n")] = 0;
    char* fields = std::strchr(line, ';');
    if (!line[0] || line[0] == '#' || !fields)
        return -1;
    *fields++ = 0;
    setUp(perftPosition, line);
    bool ok = true;
    int checked = 0;
    for (char* field = std::strtok(fields, ";"); field; field = std::strtok(nullptr, ";")) {
        while (*field == ' ')
            ++field;
        int depth = 0;
        unsigned long long expected = 0;
        if (std::sscanf(field, "D%d %llu", &depth, &expected) != 2 || depth < 1 ||
            depth > maxPerftDepth) {
            std::printf("line %d: unreadable field '%s'\n", lineNumber, field);
            ok = false;
            continue;
        }
        if (depth > maxDepth)
            continue;
        const uint64_t nodes = perftRoot(perftPosition, depth, false);
        ++checked;
        if (nodes != expected) {
            std::printf("line %d: FAIL depth %d expected %llu got %" PRIu64 "  %s\n", lineNumber,
                        depth, expected, nodes, line);
            ok = false;
        }
    }
    if (ok)
        std::printf("line %d: ok (%d depths)  %s\n", lineNumber, checked, line);
    std::fflush(stdout);
    return ok ? 1 : 0;
}

int runSuite(const char* path, int maxDepth) {
    FILE* file = std::fopen(path, "r");
    if (!file) {
        std::fprintf(stderr, "perft: cannot open suite file '%s'\n", path);
        return 2;
    }
    int passed = 0, failed = 0, lineNumber = 0;
    const int64_t start = nowMs();
    while (std::fgets(suiteLine, sizeof suiteLine, file)) {
        const int result = runSuiteLine(suiteLine, maxDepth, ++lineNumber);
        if (result == 1)
            ++passed;
        else if (result == 0)
            ++failed;
    }
    std::fclose(file);
    std::printf("time %" PRId64 " ms\n", nowMs() - start);
    std::printf("%d passed, %d failed\n", passed, failed);
    return failed ? 1 : 0;
}

}  // namespace

int perftCommand(int argc, char** argv) {
    int depth = -1, maxDepth = maxPerftDepth;
    bool divide = false;
    const char* fen = startFen;
    const char* suite = nullptr;
    for (int i = 0; i < argc; ++i) {
        const char* arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (!std::strcmp(arg, "--help") || !std::strcmp(arg, "-h")) {
            printHelp();
            return 0;
        } else if (!std::strcmp(arg, "--divide")) {
            divide = true;
        } else if (!std::strcmp(arg, "--make-leaves")) {
            bulkLeaves = false;
        } else if (!std::strcmp(arg, "--depth") && hasValue) {
            if (!readDepth(argv[++i], depth)) {
                std::fprintf(stderr, "perft: bad depth '%s' (0..%d)\n", argv[i], maxPerftDepth);
                return 2;
            }
        } else if (!std::strcmp(arg, "--max-depth") && hasValue) {
            if (!readDepth(argv[++i], maxDepth)) {
                std::fprintf(stderr, "perft: bad max depth '%s'\n", argv[i]);
                return 2;
            }
        } else if (!std::strcmp(arg, "--fen") && hasValue) {
            fen = argv[++i];
        } else if (!std::strcmp(arg, "--suite") && hasValue) {
            suite = argv[++i];
        } else {
            std::fprintf(stderr, "perft: unknown or incomplete option '%s'\n", arg);
            printHelp();
            return 2;
        }
    }
    if (!suite && depth < 0) {
        std::fprintf(stderr, "perft: give --depth N or --suite FILE\n");
        printHelp();
        return 2;
    }
    initEngineTables();
    return suite ? runSuite(suite, maxDepth) : runSingle(fen, depth, divide);
}
