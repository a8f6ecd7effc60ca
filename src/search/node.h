#pragma once
// What every kind of search node shares: the score scale, the deepest ply, and the facts a
// node reads of its position before it searches.
#include "board/position.h"

// Scores are from the side to move's view: MATE - ply for a mate given, ply - MATE for
// one suffered; 2049 (noCutScore) comes back from every node once the search is stopped.
inline constexpr int MATE = 2048;
// Magnitudes above this are decisive (mates, decided repetitions).
inline constexpr int decisiveBound = 1848;

// The deepest ply any node reaches. Below ply 64 checks and single replies extend; past it
// the quiescence searches return the static evaluation, and from this ply on every node
// does. It keeps the path within the history stack that a replayed game leaves free, the
// killer table and the node lists.
inline constexpr int maxSearchPly = 120;

// Pawns, horses, cannons and rooks of either side; without them nobody can win.
inline constexpr uint32_t matingMaterial = 0xFFF00FFC;

// The check code the last move left the side to move; every node below the root has one.
inline int nodeCheckCode(const Position& pos) { return pos.history[pos.historyLength - 1].checkCode; }

