// Check evasions: only moves whose origin or destination lies in the zone that the kind
// and direction of the check mark around the king, plus every king move. The make
// operation's legality test then removes the candidates that do not help.
#include "board/tables.h"
#include "movegen/capturewalk.h"
#include "movegen/movegen.h"
#include "movegen/history.h"

namespace {

struct ZoneTables {
    uint16_t zone[8][18][16];
    uint16_t zoneBit[squareCount];
};

constexpr Square palaceSquares[18] = {0x03, 0x04, 0x05, 0x13, 0x14, 0x15, 0x23, 0x24, 0x25,
                                      0x73, 0x74, 0x75, 0x83, 0x84, 0x85, 0x93, 0x94, 0x95};

constexpr ZoneTables buildZones() {
    ZoneTables t{};
    for (int sq = 0; sq < squareCount; ++sq)
        t.zoneBit[sq] = uint16_t(0x8000 >> fileOf(sq));
    for (int cls = 0; cls < 18; ++cls) {
        const int kr = rankOf(palaceSquares[cls]), kf = fileOf(palaceSquares[cls]);
        auto mark = [&](int code, int rank, int file) {
            if (rank >= 0 && rank <= 9 && file >= 0 && file <= 8)
                t.zone[code - 1][cls][rank] |= uint16_t(0x8000 >> file);
        };
        for (int rank = 0; rank <= 9; ++rank)
            mark(1, rank, kf);
        for (int file = 0; file <= kf; ++file)
            mark(2, kr, file);
        for (int file = kf; file <= 8; ++file)
            mark(3, kr, file);
        // Horse checks by quadrant: the two squares a horse can check from, and their leg.
        const int rankStep[4] = {-1, 1, -1, 1}, fileStep[4] = {-1, -1, 1, 1};
        for (int q = 0; q < 4; ++q) {
            const int code = 4 + q;
            mark(code, kr, kf);
            mark(code, kr + rankStep[q], kf + fileStep[q]);
            mark(code, kr + rankStep[q], kf + 2 * fileStep[q]);
            mark(code, kr + 2 * rankStep[q], kf + fileStep[q]);
        }
        mark(8, kr, kf);
        mark(8, kr, kf - 1);
        mark(8, kr, kf + 1);
        mark(8, cls < 9 ? kr + 1 : kr - 1, kf);
    }
    return t;
}

constexpr ZoneTables zoneTables = buildZones();

// Used when the king stands outside its palace (only after an odd set-up) or the code is
// not a check code: every square is in the zone, so the generators stay complete.
constexpr uint16_t wholeBoardZone[16] = {0xFF80, 0xFF80, 0xFF80, 0xFF80, 0xFF80,
                                         0xFF80, 0xFF80, 0xFF80, 0xFF80, 0xFF80};

inline const uint16_t* zoneFor(const Position& pos, int code) {
    const int cls = homeKingClass(pos.pieceSquare[kingBlack + pos.sideToMove], pos.sideToMove);
    const int line = (code & 15) - 1;
    if (cls < 0 || line < 0 || line > 7)
        return wholeBoardZone;
    return zoneTables.zone[line][cls];
}

inline bool inZone(const uint16_t* zone, int sq) { return zone[rankOf(sq)] & zoneTables.zoneBit[sq]; }

template <int side>
int evasionsA(const Position& pos, MoveSlot* out, int code) {
    const uint16_t* zone = zoneFor(pos, code);
    const bool pair = code & 16;  // a rook and a cannon on one line: only the king can help
    const uint8_t* board = pos.board;
    int n = 0;
    // A short-range target: empty, or an enemy piece unless the check is a pair.
    auto target = [&](int pc) { return !pc || (!pair && isEnemyOf(side, pc)); };

    for (int id = lastPieceId[kindAdvisor][side]; id >= advisorFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const bool fromIn = inZone(zone, from);
        for (const uint8_t* to = &horseMoves[from][9]; *to; ++to)
            if (target(board[*to]) && (fromIn || inZone(zone, *to)))
                out[n++] = makeSlot(packMove(from, *to), board[*to] - 3);
    }
    for (int id = lastPieceId[kindElephant][side]; id >= elephantFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const bool fromIn = inZone(zone, from);
        for (const uint8_t* to = &horseMoves[from][9]; *to; ++to)
            if (!board[(from + *to) >> 1] && target(board[*to]) && (fromIn || inZone(zone, *to)))
                out[n++] = makeSlot(packMove(from, *to), board[*to] - 4);
    }
    if (!pair) {
        for (int id = lastPieceId[kindHorse][side]; id >= horseFirst + side; id -= 2) {
            const int from = pos.pieceSquare[id];
            if (from == noSquare)
                continue;
            const bool fromIn = inZone(zone, from);
            for (int j = 0; j < 8 && horseMoves[from][j]; ++j) {
                const int to = horseMoves[from][j] - 1;
                if (!board[horseLegs[from][j]] && isEnemyOf(side, board[to]) &&
                    (fromIn || inZone(zone, to)))
                    out[n++] = makeSlot(packMove(from, to), -5);
            }
        }
        for (int id = lastPieceId[kindRook][side]; id >= cannonFirst + side; id -= 2) {
            const int from = pos.pieceSquare[id];
            if (from == noSquare)
                continue;
            const bool fromIn = inZone(zone, from);
            int targets[4];
            sliderTargets(pos, from, id >= rookFirst, targets);
            for (int to : targets) {
                if (to != from && isEnemyOf(side, board[to]) && (fromIn || inZone(zone, to)))
                    out[n++] = makeSlot(packMove(from, to), -id);
            }
        }
    }
    const int king = pos.pieceSquare[kingBlack + side];
    if (king != noSquare) {
        const uint8_t* list = pawnKingMoves[king][side];
        for (int j = 3; j >= 0 && list[j]; --j) {
            const int pc = board[list[j]];
            if (!pc || isEnemyOf(side, pc))
                out[n++] = makeSlot(packMove(king, list[j]), -32);
        }
    }
    return n;
}

template <int side>
int evasionsB(const Position& pos, MoveSlot* out, int code) {
    const uint16_t* zone = zoneFor(pos, code);
    const bool pair = code & 16;
    const uint8_t* board = pos.board;
    int n = 0;

    for (int id = lastPieceId[kindRook][side]; id >= cannonFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const HistoryEntry* hist = historyTable[pieceTypeOf[id]];
        const bool fromIn = inZone(zone, from);
        auto emit = [&](int to) {
            if (fromIn || inZone(zone, to))
                out[n++] = makeSlot(packMove(from, to), hist[to].score);
        };
        walkSliderQuiets(pos, from, emit);
    }
    for (int id = lastPieceId[kindHorse][side]; id >= horseFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const HistoryEntry* hist = historyTable[pieceTypeOf[id]];
        const bool fromIn = inZone(zone, from);
        for (int j = 0; j < 8 && horseMoves[from][j]; ++j) {
            const int to = horseMoves[from][j] - 1;
            if (!board[horseLegs[from][j]] && !board[to] && (fromIn || inZone(zone, to)))
                out[n++] = makeSlot(packMove(from, to), hist[to].score);
        }
    }
    for (int id = lastPieceId[kindPawn][side]; id >= pawnFirst + side; id -= 2) {
        const int from = pos.pieceSquare[id];
        if (from == noSquare)
            continue;
        const HistoryEntry* hist = historyTable[pieceTypeOf[id]];
        const bool fromIn = inZone(zone, from);
        const uint8_t* list = pawnKingMoves[from][side];
        for (int j = 0; j < 4 && list[j]; ++j) {
            const int to = list[j] - 1;
            const int pc = board[to];
            if ((!pc || (!pair && isEnemyOf(side, pc))) && (fromIn || inZone(zone, to)))
                out[n++] = makeSlot(packMove(from, to), hist[to].score);
        }
    }
    return n;
}

}  // namespace

const uint16_t (&evasionZone)[8][18][16] = zoneTables.zone;
const uint16_t (&squareZoneBit)[squareCount] = zoneTables.zoneBit;

int generateEvasionsA(const Position& pos, MoveSlot* out, int code) {
    return pos.sideToMove == sideRed ? evasionsA<sideRed>(pos, out, code)
                                     : evasionsA<sideBlack>(pos, out, code);
}

int generateEvasionsB(const Position& pos, MoveSlot* out, int code) {
    return pos.sideToMove == sideRed ? evasionsB<sideRed>(pos, out, code)
                                     : evasionsB<sideBlack>(pos, out, code);
}
