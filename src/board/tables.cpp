// The board's lookup tables: those built at start-up by a fixed rule and order, and the
// constant ones.
#include "board/tables.h"

#include <cstring>

#include "board/pstdata.h"

uint8_t  bitCountTable[65536];
uint16_t squareRankBit[boardSize];
uint16_t squareFileBit[boardSize];

SlideMasks   rankMasks[9 * 512];
SlideTargets rankTargets[9 * 512];
SlideMasks   fileMasks[10 * 1024];
SlideTargets fileTargets[10 * 1024];

uint8_t horseMoves[boardSize][16];
uint8_t horseLegs[boardSize][8];
uint8_t horseCheckSquares[boardSize][18][2];

uint64_t zobristTable[10][90];
PackedTargets packedTargets;
uint64_t zobristSide;

int16_t pieceSquareTable[10][90];
int16_t middlegamePieceSquareTable[10][90];
int16_t endgamePieceSquareTable[10][90];
int8_t  orderingPst[10][90];

uint8_t checkRelevance[18][boardSize];
uint8_t pawnKingMoves[boardSize][2][4];

// ---- Constant tables ---------------------------------------------------------------

// 2 * class + side. Kings share their side's pawn type and advisors the elephant type:
// the squares the two kinds of a class can reach never overlap.
const uint8_t pieceTypeOf[pieceIdCount] = {
    10, 10,                          // unused ids
    0, 1, 0, 1, 0, 1, 0, 1, 0, 1,    // pawns
    2, 3, 2, 3,                      // advisors
    2, 3, 2, 3,                      // elephants
    4, 5, 4, 5,                      // horses
    6, 7, 6, 7,                      // cannons
    8, 9, 8, 9,                      // rooks
    0, 1,                            // kings
};

// Even regions in black's half, odd ones in red's: back flanks 0/2 and 1/3, central
// files 4 and 5, river flanks 6/8 and 7/9.
const uint8_t squareRegion[boardSize] = {
    0, 0, 0, 0, 4, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 4, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0,
    0, 0, 0, 0, 4, 2, 2, 2, 2, 0, 0, 0, 0, 0, 0, 0,
    6, 6, 0, 0, 4, 2, 2, 8, 8, 0, 0, 0, 0, 0, 0, 0,
    6, 6, 6, 6, 4, 8, 8, 8, 8, 0, 0, 0, 0, 0, 0, 0,
    7, 7, 7, 7, 5, 9, 9, 9, 9, 0, 0, 0, 0, 0, 0, 0,
    7, 7, 1, 1, 5, 3, 3, 9, 9, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 5, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 5, 3, 3, 3, 3, 0, 0, 0, 0, 0, 0, 0,
    1, 1, 1, 1, 5, 3, 3, 3, 3, 0,
};

// The 18 palace squares numbered row by row, black's palace first; -1 everywhere else
// (the unused columns included, so no stray square reads as a palace).
const int8_t kingSquareClass[boardSize] = {
    -1, -1, -1,  0,  1,  2, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1,  3,  4,  5, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1,  6,  7,  8, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1,  9, 10, 11, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, 12, 13, 14, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1,
    -1, -1, -1, 15, 16, 17, -1, -1, -1, -1,
};

// Indexed by (horse square - target) + 34: the offset from the target to the horse's leg,
// which is the square diagonally next to the target on the horse's side.
const int8_t horseLegByDeltaTable[69] = {
      0, -17,   0, -15,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,  // -34..-19
    -17,   0,   0,   0, -15,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,  // -18..-3
      0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,  // -2..13
     15,   0,   0,   0,  17,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,   0,  // 14..29
      0,  15,   0,  17,   0,                                                          // 30..34
};

// Indexed by a square difference + 34: 1 king step, 3 advisor step, 2 elephant step,
// 4 two orthogonal steps.
const int8_t squareDeltaTable[69] = {
    2, 0, 4, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // -34..-19
    0, 3, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // -18..-3
    4, 1, 0, 1, 4, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // -2..13
    0, 3, 1, 3, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0,  // 14..29
    2, 0, 4, 0, 2,                                   // 30..34
};

// ---- Built at start-up ---------------------------------------------------------------

void initBitCounts() {
    bitCountTable[0] = 0;
    for (int i = 1; i < 65536; ++i)
        bitCountTable[i] = uint8_t((i & 1) + bitCountTable[i / 2]);
}

namespace {

// Bob Jenkins' small fast generator, 64-bit form. The keys depend on the seed, the
// warm-up length and the order of the draws, so none of them may change.
struct JenkinsRandom {
    uint64_t a, b, c, d;
};

uint64_t rotl(uint64_t x, int k) { return (x << k) | (x >> (64 - k)); }

uint64_t nextRandom(JenkinsRandom& r) {
    uint64_t e = r.a - rotl(r.b, 7);
    r.a = r.b ^ rotl(r.c, 13);
    r.b = r.c + rotl(r.d, 37);
    r.c = r.d + e;
    r.d = e + r.a;
    return r.d;
}

void seedRandom(JenkinsRandom& r) {
    r.a = 0xF1EA5EED;
    r.b = r.c = r.d = 0xD4E12C77;
    for (int i = 0; i < 73; ++i)
        nextRandom(r);
}

// The eight horse steps in the order every horse walk uses: two ranks down and one file
// left, two down one right, one down two left, one down two right, then the upward ones.
constexpr int horseSteps[8] = {31, 33, 14, 18, -18, -14, -33, -31};

int horseLegOfStep(int sq, int step) {
    switch (step) {
    case 31: case 33:   return sq + 16;
    case -31: case -33: return sq - 16;
    case 18: case -14:  return sq + 1;
    default:            return sq - 1;  // +14, -18
    }
}

bool isHorseStep(int d) {
    for (int step : horseSteps)
        if (d == step)
            return true;
    return false;
}

constexpr uint8_t palaceSquares[18] = {0x03, 0x04, 0x05, 0x13, 0x14, 0x15, 0x23, 0x24, 0x25,
                                       0x73, 0x74, 0x75, 0x83, 0x84, 0x85, 0x93, 0x94, 0x95};

// Advisor and elephant destinations (no blocking test): origin, then up to four targets.
struct DefenderSteps {
    uint8_t from;
    uint8_t to[4];
};
constexpr DefenderSteps defenderSteps[] = {
    // black advisors
    {0x03, {0x14}}, {0x05, {0x14}}, {0x23, {0x14}}, {0x25, {0x14}},
    {0x14, {0x03, 0x05, 0x23, 0x25}},
    // red advisors
    {0x73, {0x84}}, {0x75, {0x84}}, {0x93, {0x84}}, {0x95, {0x84}},
    {0x84, {0x73, 0x75, 0x93, 0x95}},
    // black elephants
    {0x02, {0x20, 0x24}}, {0x06, {0x24, 0x28}}, {0x20, {0x02, 0x42}}, {0x28, {0x06, 0x46}},
    {0x42, {0x20, 0x24}}, {0x46, {0x24, 0x28}}, {0x24, {0x02, 0x06, 0x42, 0x46}},
    // red elephants
    {0x52, {0x70, 0x74}}, {0x56, {0x74, 0x78}}, {0x70, {0x52, 0x92}}, {0x78, {0x56, 0x96}},
    {0x92, {0x70, 0x74}}, {0x96, {0x74, 0x78}}, {0x74, {0x52, 0x56, 0x92, 0x96}},
};

void buildHorseAndPalaceTables() {
    std::memset(horseMoves, 0, sizeof horseMoves);
    std::memset(horseLegs, 0, sizeof horseLegs);
    std::memset(horseCheckSquares, 0, sizeof horseCheckSquares);
    for (int sq = 0; sq < squareCount; ++sq) {
        if (!onBoard(sq))
            continue;
        int count = 0;
        for (int step : horseSteps) {
            int to = sq + step;
            if (!onBoard(to))
                continue;
            // Stored plus one so that a target on square 0 is not read as the end.
            horseMoves[sq][count] = uint8_t(to + 1);
            horseLegs[sq][count]  = uint8_t(horseLegOfStep(sq, step));
            ++count;
        }
        // Squares a horse coming from sq would attack the king on each palace square from;
        // the first found goes to byte 1, the second to byte 0.
        for (int k = 0; k < 18; ++k) {
            int king = palaceSquares[k];
            int slot = 1;
            for (int step : horseSteps) {
                int to = sq + step;
                if (!onBoard(to) || to == king || sq == king || !isHorseStep(to - king))
                    continue;
                if (slot >= 0)
                    horseCheckSquares[sq][k][slot--] = uint8_t(to);
            }
        }
    }
    for (const DefenderSteps& steps : defenderSteps)
        for (int i = 0; i < 4 && steps.to[i]; ++i)
            horseMoves[steps.from][9 + i] = steps.to[i];
}

// Rows of checkRelevance: the king's rank and file, and the horse, leg and pawn squares
// around it (within two ranks and two files, at most three steps away).
void buildCheckRelevance() {
    std::memset(checkRelevance, 0, sizeof checkRelevance);
    for (int k = 0; k < 18; ++k) {
        int king = palaceSquares[k];
        for (int sq = 0; sq < squareCount; ++sq) {
            if (!onBoard(sq))
                continue;
            int dr = rankOf(sq) - rankOf(king), df = fileOf(sq) - fileOf(king);
            dr = dr < 0 ? -dr : dr;
            df = df < 0 ? -df : df;
            if (dr == 0 || df == 0 || (dr <= 2 && df <= 2 && dr + df <= 3))
                checkRelevance[k][sq] = 1;
        }
    }
}

bool inOwnPalace(int sq, int side) {
    int rank = rankOf(sq), file = fileOf(sq);
    if (file < 3 || file > 5)
        return false;
    return side == sideBlack ? rank <= 2 : rank >= 7;
}

constexpr int kingSteps[4] = {-16, 16, -1, 1};  // up, down, left, right

// Pawn targets plus one, read forwards; on the side's own palace squares the king's exact
// targets instead, packed from byte 3 down in the order up, down, left, right.
void buildPawnKingMoves() {
    std::memset(pawnKingMoves, 0, sizeof pawnKingMoves);
    for (int sq = 0; sq < squareCount; ++sq) {
        if (!onBoard(sq))
            continue;
        int rank = rankOf(sq), file = fileOf(sq);
        for (int side = sideBlack; side <= sideRed; ++side) {
            uint8_t* list = pawnKingMoves[sq][side];
            if (inOwnPalace(sq, side)) {
                int n = 3;
                for (int step : kingSteps) {
                    int to = sq + step;
                    if (onBoard(to) && inOwnPalace(to, side))
                        list[n--] = uint8_t(to);
                }
                continue;
            }
            bool crossed = side == sideBlack ? rank >= 5 : rank <= 4;
            bool pawnRank = side == sideBlack ? (rank == 3 || rank == 4) : (rank == 5 || rank == 6);
            if (!crossed && !(pawnRank && file % 2 == 0))
                continue;
            int n = 0;
            int forward = side == sideBlack ? sq + 16 : sq - 16;
            if (onBoard(forward))
                list[n++] = uint8_t(forward + 1);
            if (crossed && file > 0)
                list[n++] = uint8_t(sq - 1 + 1);
            if (crossed && file < 8)
                list[n++] = uint8_t(sq + 1 + 1);
        }
    }
}

void buildSquareMasks() {
    for (int sq = 0; sq < boardSize; ++sq) {
        bool valid      = onBoard(sq);
        squareRankBit[sq] = valid ? uint16_t(1 << fileOf(sq)) : 0;
        squareFileBit[sq] = valid ? uint16_t(1 << rankOf(sq)) : 0;
    }
}

// One slide entry for a piece at coordinate p on a line of n squares with occupancy x;
// the piece's own bit is never looked at. scale turns a coordinate into the stored byte
// (1 for files, 16 for ranks).
void buildSlideEntry(int n, int p, int x, int scale, SlideMasks& masks, SlideTargets& targets) {
    masks = SlideMasks{};
    int farEmpty[2] = {p, p}, rook[2] = {p, p}, cannon[2] = {p, p}, third[2] = {p, p};
    for (int dir = 0; dir < 2; ++dir) {  // 0 high, 1 low
        int step  = dir == 0 ? 1 : -1;
        int found = 0;                   // occupied squares met so far this way
        for (int i = p + step; i >= 0 && i < n && found < 3; i += step) {
            uint16_t bit = uint16_t(1 << i);
            if (!(x & bit)) {
                if (found == 0) {
                    masks.moveMask |= bit;
                    farEmpty[dir] = i;
                }
                continue;
            }
            if (found == 0) {
                rook[dir] = i;
                masks.rookCaptureMask |= bit;
            } else if (found == 1) {
                cannon[dir] = i;
                masks.cannonCaptureMask |= bit;
            } else {
                third[dir] = i;
                masks.thirdPieceMask |= bit;
            }
            ++found;
        }
    }
    targets.farEmptyHigh     = uint8_t(farEmpty[0] * scale);
    targets.farEmptyLow      = uint8_t(farEmpty[1] * scale);
    targets.rookTargetHigh   = uint8_t(rook[0] * scale);
    targets.rookTargetLow    = uint8_t(rook[1] * scale);
    targets.cannonTargetHigh = uint8_t(cannon[0] * scale);
    targets.cannonTargetLow  = uint8_t(cannon[1] * scale);
    targets.thirdTargetHigh  = uint8_t(third[0] * scale);
    targets.thirdTargetLow   = uint8_t(third[1] * scale);
    targets.emptyCountHigh   = uint8_t(farEmpty[0] - p);
    targets.emptyCountLow    = uint8_t(p - farEmpty[1]);
}

void buildSlideTables() {
    for (int file = 0; file < 9; ++file)
        for (int x = 0; x < 512; ++x)
            buildSlideEntry(9, file, x, 1, rankMasks[file * 512 + x], rankTargets[file * 512 + x]);
    for (int rank = 0; rank < 10; ++rank)
        for (int x = 0; x < 1024; ++x)
            buildSlideEntry(10, rank, x, 16, fileMasks[rank * 1024 + x],
                            fileTargets[rank * 1024 + x]);
}

// One piece-square set into pieceSquareTable and orderingPst. Black's table is red's turned
// upside down (not mirrored), with the sign changed so that sums read black minus red.
void buildPieceSquareSet(const int16_t material[pstKindCount],
                         const int8_t positional[pstKindCount][10][9]) {
    for (int kind = 0; kind < pstKindCount; ++kind)
        for (int row = 0; row < 10; ++row)
            for (int file = 0; file < 9; ++file) {
                int v = positional[kind][row][file];
                int w = v + material[kind];
                if (kind == 0 && v <= pstKingThreshold)
                    w += pstKingBonus;
                int blackAt = (9 - row) * 9 + file, redAt = row * 9 + file;
                pieceSquareTable[2 * kind][blackAt]     = int16_t(w);
                pieceSquareTable[2 * kind + 1][redAt]   = int16_t(-w);
                orderingPst[2 * kind][blackAt]          = int8_t(v);
                orderingPst[2 * kind + 1][redAt]        = int8_t(v);
            }
}

}  // namespace

namespace {

// The square one step in from the board's edge that a rook can use to trap a horse there.
int edgeStepOf(int sq) {
    if (rankOf(sq) == 0) return sq + 16;
    if (rankOf(sq) == 9) return sq - 16;
    if (fileOf(sq) == 0) return sq + 1;
    if (fileOf(sq) == 8) return sq - 1;
    return -1;
}

void buildPackedTargets() {
    PackedTargets& t = packedTargets;
    t = PackedTargets{};
    for (int sq = 0; sq < boardSize; ++sq) {
        // A leg is met by at most two targets and a horse has at most four legs.
        int legOf[4], targets[4] = {}, groups = 0;
        for (int j = 0; j < 8 && horseMoves[sq][j] != 0; ++j) {
            int g = 0;
            while (g < groups && legOf[g] != horseLegs[sq][j]) ++g;
            if (g == groups) legOf[groups++] = horseLegs[sq][j];
            t.horseTo[sq] |= uint64_t(horseMoves[sq][j]) << (16 * g + 8 * targets[g]++);
            t.horseLeg[sq] |= uint32_t(horseLegs[sq][j]) << 8 * g;
            const int to = horseMoves[sq][j] - 1;
            t.horseFar[sideBlack][sq] |= rankOf(to) >= 5;
            t.horseFar[sideRed][sq] |= rankOf(to) <= 4;
        }
        const int edge = edgeStepOf(sq);
        t.horseEdge[sq] = uint8_t(edge >= 0 ? edge : sq);
        for (int j = 9; j < 16 && horseMoves[sq][j] != 0; ++j) {
            t.defenderTo[sq] |= uint64_t(horseMoves[sq][j]) << 8 * (j - 9);
            t.elephantEye[sq] |= uint64_t((sq + horseMoves[sq][j]) / 2) << 8 * (j - 9);
        }
        for (int side = sideBlack; side <= sideRed; ++side)
            for (int j = 0; j < 4 && pawnKingMoves[sq][side][j] != 0; ++j)
                t.pawnTo[sq][side] |= uint32_t(pawnKingMoves[sq][side][j]) << 8 * j;
    }
}

}  // namespace

void initBoardTables(uint32_t sideKeyMask) {
    JenkinsRandom random;
    seedRandom(random);

    buildHorseAndPalaceTables();
    buildCheckRelevance();
    buildPawnKingMoves();
    buildPackedTargets();

    buildSquareMasks();
    buildSlideTables();

    // The endgame set is built first and set aside; the middle-game set stays in use.
    buildPieceSquareSet(pstMaterialEndgame, pstPositionalEndgame);
    std::memcpy(endgamePieceSquareTable, pieceSquareTable, sizeof pieceSquareTable);
    buildPieceSquareSet(pstMaterialMiddle, pstPositionalMiddle);
    std::memcpy(middlegamePieceSquareTable, pieceSquareTable, sizeof pieceSquareTable);

    // Keys are drawn in index order: type, then file, then rank.
    for (int type = 0; type < 10; ++type)
        for (int i = 0; i < 90; ++i)
            zobristTable[type][i] = nextRandom(random);
    // With the side key's low bits inside the table's index mask cleared, toggling the side
    // never moves a position to another slot of the transposition table.
    zobristSide = nextRandom(random) & ~uint64_t(sideKeyMask);
}
