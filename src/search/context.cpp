#include "search/context.h"

int timeBudgetMs   = 61439;
int bookHits       = 0;
int searchCount    = 0;
int lastPlayedMove = 0;
int bannedMove     = 0;

int      timeLimitMs    = noTimeLimit;
uint64_t nodeLimit      = UINT64_MAX;
int      pollMask       = 32767;
Move     predictedReply = 0;
Move     preparedAnswer = 0;
int      iterationScores[64];
uint8_t  answerPlacement[pieceIdCount];
