// quorvex-tool eval: the static evaluation of one position, prepared as the search root
// prepares it, optionally with the intermediate values.
#include <cstdio>
#include <cstring>

#include "board/fen.h"
#include "board/tables.h"
#include "eval/evaluate.h"
#include "eval/phase.h"
#include "movegen/movegen.h"
#include "shell/protocol.h"
#include "tools/commands.h"

namespace {

void printEvalUsage(FILE* out) {
    std::fprintf(out,
                 "usage: quorvex-tool eval --fen \"FEN\" [--terms]\n"
                 "\n"
                 "Sets the position up in a fresh process, prepares it as the search root does\n"
                 "(piece-list compaction, derived fields, endgame switch, pawn-table adjustment,\n"
                 "piece-square score), and prints \"eval <score>\" from the side to move's view.\n"
                 "\n"
                 "  --fen FEN   the position (board field and side to move)\n"
                 "  --terms     print the intermediate values first (black minus red unless\n"
                 "              named by side)\n");
}

void printTerms(const EvalTerms& t) {
    std::printf("activity black %d\n", t.activity[0]);
    std::printf("activity red %d\n", t.activity[1]);
    std::printf("pressure black %d\n", t.pressure[0]);
    std::printf("pressure red %d\n", t.pressure[1]);
    std::printf("kingattack black %d\n", t.kingAttack[0]);
    std::printf("kingattack red %d\n", t.kingAttack[1]);
    std::printf("attackscore black %d\n", t.attackScore[0]);
    std::printf("attackscore red %d\n", t.attackScore[1]);
    std::printf("doublethreat %d\n", t.doubleThreat);
    std::printf("kingstep black %d\n", t.kingStep[0]);
    std::printf("kingstep red %d\n", t.kingStep[1]);
    std::printf("phase %d\n", t.phase);
    std::printf("pst %d\n", t.pstScore);
    if (t.blended) std::printf("pst endgame %d\n", t.endgamePst);
    std::printf("pst blended %d\n", t.pieceSquare);
    std::printf("middle %d\n", t.middle);
    std::printf("endgame %s\n", endgameMode ? "on" : "off");
    if (endgameMode) {
        std::printf("pinned advisor %d\n", t.pinnedAdvisor);
        std::printf("passed pawns %d\n", t.passedPawns);
        if (t.scaleRule)
            std::printf("scale %s %d/%d\n", t.scaleRule, t.scaleNumerator, t.scaleDenominator);
        else
            std::printf("scale none\n");
    }
    std::printf("total %d\n", t.total);
    std::printf("tempo %d\n", t.tempo);
}

}  // namespace

int evalCommand(int argc, char** argv) {
    const char* fen = nullptr;
    bool showTerms = false;
    for (int i = 0; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) {
            printEvalUsage(stdout);
            return 0;
        }
        if (!std::strcmp(argv[i], "--terms")) {
            showTerms = true;
        } else if (!std::strcmp(argv[i], "--fen") && i + 1 < argc) {
            fen = argv[++i];
        } else {
            std::fprintf(stderr, "eval: unexpected argument '%s'\n", argv[i]);
            printEvalUsage(stderr);
            return 2;
        }
    }
    if (!fen) {
        std::fprintf(stderr, "eval: --fen is required\n");
        printEvalUsage(stderr);
        return 2;
    }

    initBitCounts();
    initBoardTables((1u << 25) - 1);  // the key mask of the start-up hash table
    static Position pos;
    setUpFen(pos, fen);

    // Exactly the search root's preparation.
    compactPieceList(pos);
    rebuildDerivedFields(pos);
    if (endgameMode == 0) endgameSwitch(pos);
    adjustPawnTables(pos);

    EvalTerms terms;
    const int score = evaluateWithTerms(pos, terms);
    if (showTerms) printTerms(terms);
    std::printf("eval %d\n", score);
    std::fflush(stdout);
    return 0;
}
