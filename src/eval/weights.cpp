#include "eval/weights.h"

int tempoBonus = 5;

void applyEndgameWeights() {}
