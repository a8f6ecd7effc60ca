#pragma once
// Evaluation weights that the endgame switch changes, and the switch's change itself.

extern int tempoBonus;  // added when black is to move; 0 after the endgame switch

// Halves and replaces the weights in place (not undone by a new game, so a second
// switch in one run halves again). The piece-square copy and tempoBonus are the caller's.
void applyEndgameWeights();
