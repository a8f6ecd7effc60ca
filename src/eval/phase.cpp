// The switch into the endgame values and back to the normal ones for a new game.
#include "eval/phase.h"

#include <cstring>

#include "board/fen.h"
#include "board/tables.h"
#include "eval/weights.h"

bool endgameValuesSelected = false;
int  futilityUnit          = 23;
int  qsDeltaMargin         = 34;
static bool endgameReported = false;

void selectGameValues(bool endgame, bool withoutRooks) {
    endgameValuesSelected = endgame;
    selectEvalWeights(endgame);
    std::memcpy(pieceSquareTable, endgame ? endgamePieceSquareTable : middlegamePieceSquareTable,
                sizeof pieceSquareTable);
    // With few pieces left a pawn weighs more; nothing else changes value.
    for (int pc = pawnFirst; pc < advisorFirst; ++pc) {
        const int sign = sideOf(pc) == sideRed ? 1 : -1;
        exchangeValue[pc]      = (endgame ? 56 : 24) * sign;
        exchangeValue[pc + 34] = (endgame ? 127 : 95) * sign;
    }
    // Without rooks the margins are wider: fewer pieces make bigger swings rarer to miss.
    futilityUnit  = endgame && withoutRooks ? 26 : 23;
    qsDeltaMargin = endgame && withoutRooks ? 22 : 34;
}

void resetGamePhase() {
    selectGameValues(false, false);
    endgameMode        = 0;
    endgameReported    = false;
    advisorAttackLatch = 0;
}

bool endgameSwitch(Position& pos) {
    if (endgameMode != 0)
        return false;
    unsigned m       = pos.presenceMask >> 16;
    int blackMajors  = bitCountTable[m & 0x5550];
    int redMajors    = bitCountTable[m & 0xAAA0];
    bool rooksRemain = (pos.presenceMask & 0xF0000000u) != 0;
    if (blackMajors > 2 && redMajors > 2 && rooksRemain) {
        // A game sent again from its start position (after a take-back, say) may stand in
        // the middle game once more.
        if (endgameValuesSelected)
            selectGameValues(false, false);
        return false;
    }

    selectGameValues(true, !rooksRemain);
    endgameMode = 1;
    // A game sent as "position startpos moves ..." runs the switch again at every search;
    // only the first run of a game reports it and takes the extra time.
    if (endgameReported)
        return false;
    endgameReported = true;
    return true;
}
