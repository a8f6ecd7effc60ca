// Placeholder definitions until the board tables are built.
#include "board/tables.h"

uint8_t bitCountTable[65536];

void initBitCounts() {}
void initBoardTables(uint32_t) {}
