#pragma once
// Evaluation weights, the endgame switch's change to them, and the evaluation's
// process-wide scratch values. Writers: weights.cpp (normal values), applyEndgameWeights
// (the switch), evaluate and its terms (the scratch values and the latch).
#include <array>
#include <cstdint>

extern int tempoBonus;  // added when black is to move; 0 after the endgame switch

// ---- Weights that the endgame switch changes ----
// Threat weights by the PieceId of the attacked piece (entries 0 and 1 are 0).
extern std::array<int, 34> rookThreatWeight;
extern std::array<int, 34> minorThreatWeight;
extern std::array<int, 9>  horseMobilityBonus;     // by safe horse moves
extern std::array<int, 9>  cannonFileFacingBonus;  // by empty squares between cannon and king
extern std::array<int, 9>  cannonRankFacingBonus;  // by the cannon's file

// ---- Weights that never change ----
extern const int rookMobilityBonus[18];  // by empty squares along rank and file together
extern const int pawnLinkBonus[9];       // by the file of the square a pawn steps to
extern const int cannonPinFileBonus[7];    // by empty squares between cannon and screen
extern const int cannonPinRankBonus[6];
extern const int cannonPinCentreBonus[7];
extern const int cannonMobilityBonus[18];  // by empty squares along rank and file together

extern const int minorVsDefenderBonus[3][3];    // [attacker count][defender count]
extern const int rookInvasionBonus[3][3];       // [invading rooks][defender's advisors]
extern const int attackMaterialBonus[3][3][3];  // [rooks][cannons][horses]

extern const int kingDangerTable[32];  // by wing count; negative counts read 0

// Drawish-material scale factors in sixteenths: key * 25 + ab * 5 + ar, where the key packs
// the counts (0 or 1) of black pawns, red pawns, black/red rooks, cannons, horses (MSB
// first) and ab/ar are each side's advisors plus elephants.
extern const std::array<uint8_t, 6400> drawScaleTable;

// ---- Scratch values of one evaluate call, and the latch that outlives it ----
extern int phaseWeight;        // majors counted during the call, then the final phase
extern int blackAttackScore;   // black's cannon-and-structure term plus its king attack
extern int redAttackScore;
// Set once a rook is seen attacking an enemy advisor or elephant; cleared by a new game.
extern int advisorAttackLatch;

// Sets every weight above and tempoBonus to the normal values, or to the endgame values
// derived from them. Harmless to repeat.
void selectEvalWeights(bool endgame);
