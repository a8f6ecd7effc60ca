// quorvex-tool bench and analyse: searches from the state of a freshly started engine.
// bench searches a fixed set of positions to a fixed depth with the book off; its total
// node count is the engine's signature: any change of it is a change of what the search
// does. analyse runs "go depth N" on given positions, printing what the engine prints.
#include <chrono>
#include <cinttypes>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "board/fen.h"
#include "platform/platform.h"
#include "board/tables.h"
#include "search/hash.h"
#include "movegen/history.h"
#include "search/search.h"
#include "shell/command.h"
#include "shell/linereader.h"
#include "shell/protocol.h"
#include "shell/report.h"
#include "shell/ucci.h"
#include "tools/commands.h"

namespace {

// "position" texts as a front end sends them.
const char* const benchPositions[] = {
    // Openings
    "startpos",
    "startpos moves h2e2 h9g7 h0g2 i9h9 i0h0 b9c7 h0h6 c6c5",
    "startpos moves c3c4 b9c7 b0c2 b7a7 a0b0 a9b9 g0e2 h9g7",
    "startpos moves h2e2 h7e7 h0g2 h9g7 i0h0 i9h9 h0h4 g6g5",
    "fen rnbakabnr/9/1c2c4/p1p1C1p1p/9/9/P1P1P1P1P/1C7/9/RNBAKABNR b - - 0 2",
    // Middle games
    "fen r1bakabr1/9/1cn3nc1/p3p1pRp/2p6/9/P1P1P1P1P/1C2C1N2/9/RNBAKAB2 w - - 0 5",
    "fen 2bakab2/9/1c2n2c1/p1p1p1p1p/1P7/1C2C4/P1P3P1P/9/9/RNBAKABNR w - - 0 1",
    "fen r2akab2/9/2n1b2c1/p3p1p1p/2p6/9/P1PnP1P1P/1C4NC1/4K4/R1BA1AB1R w - - 0 1",
    "fen 2bak4/4a4/2n1b1n2/p1p1N1p1p/4c4/2P1R4/P3P3P/2N1B4/4A4/2BAK4 w - - 0 1",
    "fen 1n1a1a3/1r2kC2r/b7b/2p5p/3cpPp2/1N1C4P/6P2/6NR1/R3c4/2BAKAB2 w - - 0 1",
    "fen 2bk1a3/1r1Ca4/8b/4p4/p1prP3p/P5p1P/2PR2P2/R4c2c/9/1NBAKA1N1 b - - 0 1",
    "fen 2b2a3/3ka4/4b2r1/p3p1p1p/3C1n3/2P3c2/P5P1P/4B4/3K1R3/2BA1N3 w - - 0 1",
    // In check
    "fen rnbakabnr/9/1c5c1/p1p1C1p1p/9/9/P1P1P1P1P/7C1/9/RNBAKABNR b - - 0 1",
    "fen 3akab2/9/4b4/p3p3p/9/2B3R2/P3P3P/4C4/4A4/2rAK4 w - - 0 1",
    // Endgames
    "fen 4k1P2/4a4/2P6/5P1n1/P7p/2p3p2/9/4p4/R8/3K1A3 b - - 0 1",
    "fen 4k4/4a4/9/9/2r6/9/9/4N4/4A4/3CKA3 b - - 0 1",
    "fen 3aka3/9/9/4P4/9/9/9/9/4R4/3K5 w - - 0 1",
    "fen 3k5/9/4b4/9/9/9/9/4B4/4A4/2HAK4 w - - 0 1",
    // Mates to find
    "fen 4k4/9/9/9/9/9/9/9/9/R2K4R w - - 0 1",
    "fen 3akab2/9/9/9/9/9/9/9/4A4/2HCKR3 w - - 0 1",
};

inline constexpr int defaultBenchDepth = 8;
inline constexpr int benchHashMegabytes = 16;

UcciCommand parsed(const char* line) {
    UcciCommand cmd{};
    parseCommandLine(line, cmd);
    return cmd;
}

void printBenchHelp() {
    std::printf(
        "usage: quorvex-tool bench [--depth N]\n"
        "\n"
        "Searches %d fixed positions to depth N (default %d), each from a freshly started\n"
        "engine's state with the book off, an unlimited clock and a 16 MB table. Prints one\n"
        "line per position, then 'bench <total nodes> nodes <ms> ms <nps> nps', the time\n"
        "being that of the searches alone. The total node count is the same on every run and\n"
        "every machine.\n",
        int(sizeof benchPositions / sizeof *benchPositions), defaultBenchDepth);
}

// The one search record, as the engine keeps it: too large for the stack.
SearchContext toolContext;

// The engine's start-up; then, if asked, "setoption hashsize" with another size.
bool startToolEngine(int hashMegabytes) {
    initBitCounts();
    const int log2Bytes = hashMegabytes ? hashLog2ForMegabytes(hashMegabytes) : defaultHashLog2;
    if (!startEngine(toolContext, log2Bytes))
        return false;
    awaitTablePages();
    return true;
}

// A freshly started engine's state with the book off, then "position <text>". False for a
// bad text.
bool freshPosition(const char* text) {
    SearchContext& ctx = toolContext;
    const bool muted = outputMuted;
    outputMuted = true;  // a new game's report of the endgame belongs to no position
    restoreFreshEngine(ctx);
    outputMuted = muted;
    static char line[lineBufferSize];
    std::snprintf(line, sizeof line, "position %s", text);
    UcciCommand cmd{};
    if (parseCommandLine(line, cmd) != codePosition)
        return false;
    applyPosition(ctx, cmd);
    bookHits = 20;  // the search itself, not the book
    return true;
}

// "go depth <depth>" as the engine runs it.
void searchToDepth(int depth) {
    static char line[32];
    std::snprintf(line, sizeof line, "go depth %d", depth);
    runGo(toolContext, parsed(line));
}

bool readDepth(const char* text, int& depth, const char* command) {
    depth = std::atoi(text);
    if (depth >= 1 && depth <= maxGoDepth)
        return true;
    std::fprintf(stderr, "%s: --depth must be 1..%d\n", command, maxGoDepth);
    return false;
}

}  // namespace

int benchCommand(int argc, char** argv) {
    int depth = defaultBenchDepth;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printBenchHelp();
            return 0;
        }
        if (!std::strcmp(argv[i], "--depth") && i + 1 < argc) {
            if (!readDepth(argv[++i], depth, "bench"))
                return 2;
        } else {
            std::fprintf(stderr, "bench: unexpected argument '%s'\n", argv[i]);
            printBenchHelp();
            return 2;
        }
    }
    if (!startToolEngine(benchHashMegabytes))
        return 1;

    uint64_t total = 0;
    std::chrono::steady_clock::duration elapsed{};
    int index = 0;
    for (const char* text : benchPositions) {
        ++index;
        outputMuted = true;
        freshPosition(text);
        // No time rule may end a benchmark search.
        timeBudgetMs = nodeSearchBudgetMs;
        toolContext.maxDepth = depth + 1;
        const auto start = std::chrono::steady_clock::now();
        think(toolContext);
        elapsed += std::chrono::steady_clock::now() - start;
        outputMuted = false;
        char move[5];
        moveText(toolContext.bestMove, move);
        std::printf("%2d %s depth %d nodes %" PRIu64 "\n", index, move, toolContext.iterationDepth,
                    toolContext.nodeCount);
        std::fflush(stdout);
        total += toolContext.nodeCount;
    }
    const int64_t ms = std::chrono::duration_cast<std::chrono::milliseconds>(elapsed).count();
    std::printf("bench %" PRIu64 " nodes %" PRId64 " ms %" PRIu64 " nps\n", total, ms,
                ms > 0 ? total * 1000 / uint64_t(ms) : total);
    freeHashTables();
    return 0;
}

namespace {

void printAnalyseHelp() {
    std::printf(
        "usage: quorvex-tool analyse --depth N (--fen \"FEN\" [--moves m1 m2 ...] | --epd FILE)\n"
        "\n"
        "Runs \"go depth N\" on each position as a freshly started engine would after\n"
        "\"position fen FEN moves ...\", with the default 256 MB table and the book off, and\n"
        "prints what the engine prints. An EPD file holds one position a line, \"FEN [moves m1 m2 ...]\";\n"
        "lines starting with '#' are skipped; \"position <k> <line>\" comes before each.\n");
}

}  // namespace

int analyseCommand(int argc, char** argv) {
    int depth = 0;
    const char* epd = nullptr;
    std::string single;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printAnalyseHelp();
            return 0;
        }
        if (!std::strcmp(argv[i], "--depth") && i + 1 < argc) {
            if (!readDepth(argv[++i], depth, "analyse"))
                return 2;
        } else if (!std::strcmp(argv[i], "--epd") && i + 1 < argc) {
            epd = argv[++i];
        } else if (!std::strcmp(argv[i], "--fen") && i + 1 < argc) {
            single = argv[++i];
        } else if (!std::strcmp(argv[i], "--moves") && !single.empty()) {
            single += " moves";
            while (i + 1 < argc && argv[i + 1][0] != '-')
                (single += ' ') += argv[++i];
        } else {
            std::fprintf(stderr, "analyse: unexpected argument '%s'\n", argv[i]);
            printAnalyseHelp();
            return 2;
        }
    }
    if (depth == 0 || (epd == nullptr) == single.empty()) {
        std::fprintf(stderr, "analyse: --depth and one of --fen or --epd are required\n");
        printAnalyseHelp();
        return 2;
    }
    if (!startToolEngine(0))
        return 1;
    if (!epd) {
        if (!freshPosition(("fen " + single).c_str()))
            return 1;
        searchToDepth(depth);
        return 0;
    }

    FILE* file = std::fopen(epd, "r");
    if (!file) {
        std::fprintf(stderr, "analyse: cannot read %s\n", epd);
        return 1;
    }
    static char line[lineBufferSize];
    int index = 0;
    while (std::fgets(line, sizeof line, file)) {
        line[std::strcspn(line, "\r\n")] = '\0';
        if (!line[0] || line[0] == '#')
            continue;
        std::printf("position %d %s\n", ++index, line);
        if (freshPosition((std::string("fen ") + line).c_str()))
            searchToDepth(depth);
        else
            std::printf("bad position\n");
    }
    std::fclose(file);
    return 0;
}
