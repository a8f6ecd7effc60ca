#include "search/context.h"

int timeBudgetMs   = 61439;
int bookHits       = 0;
int searchCount    = 0;
int lastPlayedMove = 0;
int bannedMove     = 0;
int futilityUnit   = 23;
int qsDeltaMargin  = 34;
