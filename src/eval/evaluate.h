#pragma once
#include "board/position.h"

// Static score of the position for the side to move (positive: side to move is better).
int evaluate(Position& pos);

// The intermediate values of one evaluation, for the developer tool and the tests. All
// are black minus red unless indexed by side (0 black, 1 red).
struct EvalTerms {
    int activity[2];      // piece activity and threats
    int pressure[2];      // cannon play and attacking material
    int kingAttack[2];    // [0]: black on the red king; [1]: red on the black king
    int attackScore[2];   // blackAttackScore, redAttackScore
    int doubleThreat;     // +64 / -64 for two of king and rooks attacked
    int kingStep[2];      // [0]: added for black's control around the red king; [1]: subtracted
    int phase;
    int pstScore;         // the incremental piece-square score
    int endgamePst;       // the endgame piece-square sum when blended, else 0
    bool blended;
    int pieceSquare;      // what the piece-square score added after the blend
    int middle;           // the score before the endgame corrections
    int pinnedAdvisor;    // endgame: +32 / -32
    int passedPawns;      // endgame: pawns that got behind the king
    const char* scaleRule;  // endgame scaling applied, or nullptr
    int scaleNumerator, scaleDenominator;
    int total;            // black minus red, before the sign and the tempo
    int tempo;            // tempo bonus added (black to move)
};

// evaluate, also filling terms.
int evaluateWithTerms(Position& pos, EvalTerms& terms);

// Root preparation of the piece-square score: when one side has no horse, cannon or rook
// left and the other still has a cannon, the first side's pawn entries for the three ranks
// nearest the other side's back rank are half their values in the selected set (full
// otherwise); then pstScore is recomputed from the table in use.
void adjustPawnTables(Position& pos);
