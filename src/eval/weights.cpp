#include "eval/weights.h"

// ---- Weights the endgame switch changes: start-up values, live copies ----

namespace {

constexpr int normalTempoBonus = 5;
constexpr std::array<int, 34> normalRookThreatWeight = {
    0, 0,                          // ids 0 and 1 are never pieces
    2, 2, 0, 0, 0, 0, 1, 1, 1, 1,  // pawns
    4, 4, 4, 4,                    // advisors
    3, 3, 3, 3,                    // elephants
    7, 7, 7, 7,                    // horses
    7, 7, 7, 7,                    // cannons
    9, 9, 9, 9,                    // rooks
    8, 8,                          // kings
};
constexpr std::array<int, 34> normalMinorThreatWeight = {
    0, 0,
    5, 5, 3, 3, 3, 3, 4, 4, 4, 4,
    5, 5, 5, 5,
    6, 6, 6, 6,
    10, 10, 10, 10,
    10, 10, 10, 10,
    12, 12, 12, 12,
    11, 11,
};
constexpr std::array<int, 9> normalHorseMobilityBonus = {-30, -13, -9, -6, 0, 3, 6, 8, 8};
constexpr std::array<int, 9> normalCannonFileFacingBonus = {0, 0, 34, 40, 48, 60, 90, 90, 90};
constexpr std::array<int, 9> normalCannonRankFacingBonus = {17, 13, 2, 0, 0, 0, 2, 13, 17};

// With few pieces left a trapped horse is lost, and any pawn is worth a threat.
constexpr std::array<int, 9> endgameHorseMobilityBonus = {-60, -26, -15, -6, 0, 3, 6, 8, 8};
constexpr int endgamePawnRookThreat = 5;
constexpr int endgamePawnMinorThreat = 9;

}  // namespace

int tempoBonus = normalTempoBonus;
std::array<int, 34> rookThreatWeight = normalRookThreatWeight;
std::array<int, 34> minorThreatWeight = normalMinorThreatWeight;
std::array<int, 9> horseMobilityBonus = normalHorseMobilityBonus;
std::array<int, 9> cannonFileFacingBonus = normalCannonFileFacingBonus;
std::array<int, 9> cannonRankFacingBonus = normalCannonRankFacingBonus;

void selectEvalWeights(bool endgame) {
    tempoBonus = endgame ? 0 : normalTempoBonus;
    rookThreatWeight = normalRookThreatWeight;
    minorThreatWeight = normalMinorThreatWeight;
    horseMobilityBonus = endgame ? endgameHorseMobilityBonus : normalHorseMobilityBonus;
    cannonFileFacingBonus = normalCannonFileFacingBonus;
    cannonRankFacingBonus = normalCannonRankFacingBonus;
    if (!endgame)
        return;
    for (int pc = 2; pc <= 11; ++pc) {
        rookThreatWeight[pc] = endgamePawnRookThreat;
        minorThreatWeight[pc] = endgamePawnMinorThreat;
    }
    // Halved from the normal values (toward zero; all are non-negative), never from the
    // live ones, so that selecting the endgame again changes nothing.
    for (int& w : cannonFileFacingBonus) w /= 2;
    for (int& w : cannonRankFacingBonus) w /= 2;
}

// ---- Weights that never change ----

const int rookMobilityBonus[18] = {-25, -16, -11, -7, -3, -1, 0, 3, 5, 5, 6, 6, 7, 7, 8, 8, 9, 9};
const int pawnLinkBonus[9] = {0, 1, 1, 7, 7, 7, 1, 1, 0};

const int cannonPinFileBonus[7] = {14, 13, 9, 5, 6, 1, 1};
const int cannonPinRankBonus[6] = {7, 6, 4, 2, 2, 1};
const int cannonPinCentreBonus[7] = {55, 50, 35, 20, 24, 4, 4};
const int cannonMobilityBonus[18] = {-3, -1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1};

const int minorVsDefenderBonus[3][3] = {{0, 0, 0}, {12, 10, 0}, {12, 10, 0}};
const int rookInvasionBonus[3][3] = {{0, 0, 0}, {0, 0, 0}, {112, 55, 0}};
const int attackMaterialBonus[3][3][3] = {
    {{0, 0, 11}, {0, 14, 15}, {8, 17, 17}},      // no rook
    {{12, 17, 20}, {18, 33, 46}, {25, 46, 46}},  // one rook
    {{32, 34, 34}, {35, 55, 55}, {38, 58, 58}},  // two rooks
};

const int kingDangerTable[32] = {
    0,  0,  3,  6,   7,   9,   10,  12,  15,  18,  22,  27,  31,  36,  48,  60,
    63, 66, 81, 96, 120, 144, 168, 192, 240, 255, 255, 255, 255, 255, 255, 255,
};

// ---- Scratch values of evaluate ----

int phaseWeight = 0;
int blackAttackScore = 0;
int redAttackScore = 0;
int advisorAttackLatch = 0;

// ---- Drawish-material scale ----

namespace {

enum DrawScaleShape { all, byAb, byAr, full };

// One listed material key: one factor, five by ab (black's advisors + elephants), five
// by ar (red's), or a full 5 x 5 block with rows by ab. Unlisted keys keep 16.
struct DrawScaleRow {
    int key;
    DrawScaleShape shape;
    uint8_t factors[25];
};

constexpr DrawScaleRow drawScaleRows[] = {
    {0, all, {1}},  // none
    {1, byAb, {16, 16, 4, 1, 1}},  // red horse
    {2, byAr, {16, 16, 4, 2, 1}},  // black horse
    {3, all, {4}},  // black horse, red horse
    {4, full, {1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 4, 4, 4, 4}},  // red cannon
    {6, full, {8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 4}},  // red cannon, black horse
    {8, full, {1, 1, 1, 1, 1,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4}},  // black cannon
    {9, full, {8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 8,
            8, 8, 8, 8, 4}},  // black cannon, red horse
    {12, full, {1, 12, 12, 12, 12,
            12, 12, 12, 12, 12,
            12, 12, 12, 12, 12,
            12, 12, 12, 8, 8,
            12, 12, 12, 8, 4}},  // black cannon, red cannon
    {15, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 8, 10,
            16, 16, 16, 10, 8}},  // black cannon, red cannon, black horse, red horse
    {16, byAb, {16, 16, 16, 16, 4}},  // red rook
    {18, byAb, {16, 16, 16, 16, 1}},  // red rook, black horse
    {24, byAb, {16, 16, 16, 16, 1}},  // red rook, black cannon
    {26, byAb, {16, 16, 16, 16, 1}},  // red rook, black cannon, black horse
    {32, full, {16, 16, 16, 16, 4,
            16, 16, 16, 16, 2,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4}},  // black rook
    {33, byAr, {16, 16, 16, 16, 1}},  // black rook, red horse
    {36, byAr, {16, 16, 16, 16, 1}},  // black rook, red cannon
    {37, byAr, {16, 16, 16, 16, 1}},  // black rook, red cannon, red horse
    {48, all, {8}},  // black rook, red rook
    {49, byAb, {4, 6, 7, 8, 1}},  // black rook, red rook, red horse
    {50, byAr, {4, 6, 7, 8, 1}},  // black rook, red rook, black horse
    {51, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 2, 4,
            16, 16, 16, 4, 2}},  // black rook, red rook, black horse, red horse
    {52, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 12, 12, 12,
            16, 16, 12, 12, 12,
            4, 4, 4, 4, 4}},  // black rook, red rook, red cannon
    {56, full, {16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 12, 12, 4,
            16, 16, 12, 12, 4,
            16, 16, 12, 12, 4}},  // black rook, red rook, black cannon
    {60, full, {8, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 8,
            16, 16, 16, 8, 8}},  // black rook, red rook, black cannon, red cannon
    {64, byAb, {16, 10, 1, 1, 1}},  // red pawn
    {65, byAb, {16, 16, 16, 10, 8}},  // red pawn, red horse
    {66, byAr, {4, 2, 2, 1, 1}},  // red pawn, black horse
    {67, byAb, {16, 4, 4, 4, 4}},  // red pawn, black horse, red horse
    {68, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            4, 4, 4, 16, 16}},  // red pawn, red cannon
    {70, byAb, {16, 16, 8, 2, 1}},  // red pawn, red cannon, black horse
    {72, full, {1, 1, 1, 1, 1,
            4, 2, 1, 1, 1,
            4, 2, 1, 1, 1,
            4, 2, 1, 1, 1,
            4, 2, 1, 1, 1}},  // red pawn, black cannon
    {73, byAb, {16, 4, 4, 4, 4}},  // red pawn, black cannon, red horse
    {76, full, {1, 16, 16, 16, 16,
            4, 8, 8, 8, 8,
            4, 4, 4, 4, 4,
            4, 4, 4, 4, 4,
            4, 4, 4, 4, 4}},  // red pawn, black cannon, red cannon
    {82, byAb, {16, 16, 16, 16, 10}},  // red pawn, red rook, black horse
    {88, byAb, {16, 16, 16, 16, 10}},  // red pawn, red rook, black cannon
    {90, byAb, {16, 16, 16, 16, 8}},  // red pawn, red rook, black cannon, black horse
    {96, byAr, {16, 16, 16, 16, 4}},  // red pawn, black rook
    {97, byAr, {16, 16, 16, 16, 1}},  // red pawn, black rook, red horse
    {100, byAr, {16, 16, 16, 16, 1}},  // red pawn, black rook, red cannon
    {101, byAr, {16, 16, 16, 16, 1}},  // red pawn, black rook, red cannon, red horse
    {112, byAb, {16, 16, 8, 8, 8}},  // red pawn, black rook, red rook
    {114, byAr, {4, 6, 7, 8, 1}},  // red pawn, black rook, red rook, black horse
    {115, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 2, 4,
            16, 16, 16, 4, 2}},  // red pawn, black rook, red rook, black horse, red horse
    {116, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 4}},  // red pawn, black rook, red rook, red cannon
    {120, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 4}},  // red pawn, black rook, red rook, black cannon
    {124, byAb, {16, 16, 16, 16, 8}},  // red pawn, black rook, red rook, black cannon, red cannon
    {128, byAr, {16, 10, 1, 1, 1}},  // black pawn
    {129, byAb, {4, 2, 2, 1, 1}},  // black pawn, red horse
    {130, byAr, {16, 16, 16, 10, 8}},  // black pawn, black horse
    {131, byAr, {16, 4, 4, 4, 4}},  // black pawn, black horse, red horse
    {132, full, {1, 4, 4, 4, 4,
            1, 2, 2, 2, 2,
            1, 1, 1, 1, 1,
            1, 1, 1, 1, 1,
            1, 1, 1, 1, 1}},  // black pawn, red cannon
    {134, byAr, {16, 4, 4, 4, 4}},  // black pawn, red cannon, black horse
    {136, full, {16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 4,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16}},  // black pawn, black cannon
    {137, byAr, {16, 16, 8, 2, 1}},  // black pawn, black cannon, red horse
    {140, full, {1, 4, 4, 4, 4,
            16, 8, 4, 4, 4,
            16, 8, 4, 4, 4,
            16, 8, 4, 4, 4,
            16, 8, 4, 4, 4}},  // black pawn, black cannon, red cannon
    {144, byAb, {16, 16, 16, 16, 4}},  // black pawn, red rook
    {146, byAb, {16, 16, 16, 16, 1}},  // black pawn, red rook, black horse
    {152, byAb, {16, 16, 16, 16, 1}},  // black pawn, red rook, black cannon
    {154, byAb, {16, 16, 16, 16, 1}},  // black pawn, red rook, black cannon, black horse
    {161, byAr, {16, 16, 16, 16, 10}},  // black pawn, black rook, red horse
    {164, byAr, {16, 16, 16, 16, 10}},  // black pawn, black rook, red cannon
    {165, byAr, {16, 16, 16, 16, 8}},  // black pawn, black rook, red cannon, red horse
    {176, byAr, {16, 16, 8, 8, 8}},  // black pawn, black rook, red rook
    {177, byAb, {4, 6, 7, 8, 1}},  // black pawn, black rook, red rook, red horse
    {179, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 2, 4,
            16, 16, 16, 4, 2}},  // black pawn, black rook, red rook, black horse, red horse
    {180, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 4}},  // black pawn, black rook, red rook, red cannon
    {184, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 4}},  // black pawn, black rook, red rook, black cannon
    {188, byAr, {16, 16, 16, 16, 8}},  // black pawn, black rook, red rook, black cannon, red cannon
    {192, all, {1}},  // black pawn, red pawn
    {193, byAb, {16, 16, 16, 8, 1}},  // black pawn, red pawn, red horse
    {194, byAr, {16, 16, 16, 8, 1}},  // black pawn, red pawn, black horse
    {195, all, {4}},  // black pawn, red pawn, black horse, red horse
    {196, full, {1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 16, 16, 16, 16,
            1, 4, 4, 4, 4}},  // black pawn, red pawn, red cannon
    {198, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 4}},  // black pawn, red pawn, red cannon, black horse
    {200, byAr, {16, 16, 16, 8, 4}},  // black pawn, red pawn, black cannon
    {201, full, {16, 16, 16, 16, 16,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4}},  // black pawn, red pawn, black cannon, red horse
    {204, full, {16, 16, 16, 16, 16,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4,
            16, 16, 8, 8, 4}},  // black pawn, red pawn, black cannon, red cannon
    {210, byAb, {16, 16, 16, 16, 8}},  // black pawn, red pawn, red rook, black horse
    {216, byAb, {16, 16, 16, 16, 10}},  // black pawn, red pawn, red rook, black cannon
    {218, byAb, {16, 16, 16, 16, 1}},  // black pawn, red pawn, red rook, black cannon, black horse
    {225, byAr, {16, 16, 16, 16, 8}},  // black pawn, red pawn, black rook, red horse
    {228, byAr, {16, 16, 16, 16, 10}},  // black pawn, red pawn, black rook, red cannon
    {229, byAr, {16, 16, 16, 16, 1}},  // black pawn, red pawn, black rook, red cannon, red horse
    {240, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 8, 8, 8,
            16, 16, 8, 8, 8,
            16, 16, 8, 8, 8}},  // black pawn, red pawn, black rook, red rook
    {241, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8}},  // black pawn, red pawn, black rook, red rook, red horse
    {242, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8}},  // black pawn, red pawn, black rook, red rook, black horse
    {243, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8}},  // black pawn, red pawn, black rook, red rook, black horse, red horse
    {244, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 16, 8}},  // black pawn, red pawn, black rook, red rook, red cannon
    {252, full, {16, 16, 16, 16, 16,
            16, 16, 16, 16, 16,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8,
            16, 16, 16, 8, 8}},  // black pawn, red pawn, black rook, red rook, black cannon, red cannon
};

constexpr std::array<uint8_t, 6400> buildDrawScale() {
    std::array<uint8_t, 6400> t{};
    for (uint8_t& f : t) f = 16;
    for (const DrawScaleRow& row : drawScaleRows)
        for (int ab = 0; ab < 5; ++ab)
            for (int ar = 0; ar < 5; ++ar) {
                int f = row.shape == all ? row.factors[0]
                        : row.shape == byAb ? row.factors[ab]
                        : row.shape == byAr ? row.factors[ar]
                                            : row.factors[ab * 5 + ar];
                t[row.key * 25 + ab * 5 + ar] = uint8_t(f);
            }
    return t;
}

}  // namespace

constexpr std::array<uint8_t, 6400> drawScaleTable = buildDrawScale();
