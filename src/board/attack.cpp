// Check detection for a king and attacker classes for a square. Neither walks the piece
// list. A rook or cannon attacks only along a line it shares with the square, and the eight
// line pieces' squares lie side by side in pieceSquare (ids 24..31), so one 64-bit word says
// which of them share the square's rank or file; only those meet the slide tables, in
// falling id order, so that the first hit is the one the per-id loops used to find. Horses,
// elephants and advisors are two ids a side, read directly. An absent piece's square is
// noSquare (255): it shares no line with a board square and lies beyond every delta table.
// Nothing here reads presenceMask, pieceCount or regionMask: the legal make asks for a
// check before it has brought them up to date.
#include "board/attack.h"

#include <cstring>

#include "board/tables.h"

namespace {

static_assert(__BYTE_ORDER__ == __ORDER_LITTLE_ENDIAN__, "byte i of the line word is id 24 + i");
static_assert(rookFirst == cannonFirst + 4 && kingBlack == rookFirst + 4, "line pieces are ids 24..31");

inline bool isPawn(int pc) { return pc >= pawnFirst && pc < advisorFirst; }

// Bit 4 of byte i flags line piece cannonFirst + i: cannons in the low word, rooks in the high.
constexpr uint64_t lowNibbles = 0x0F0F0F0F0F0F0F0Full;
template <int side>
constexpr uint64_t sideLineBytes = side == sideBlack ? 0x0010001000100010ull : 0x1000100010001000ull;

// Side's rooks and cannons standing on q's rank or file (or on q itself), as bit 4 of their
// bytes. A nibble of the XOR with q is zero where the piece shares q's file (low nibble) or
// rank (high nibble); adding 15 carries into bit 4 exactly when it is not, and never further.
template <int side>
inline uint64_t linePiecesOf(const Position& pos, int q) {
    uint64_t squares;
    std::memcpy(&squares, pos.pieceSquare + cannonFirst, sizeof squares);
    const uint64_t x = squares ^ uint64_t(q) * 0x0101010101010101ull;
    const uint64_t fileDiffers = (x & lowNibbles) + lowNibbles;
    const uint64_t rankDiffers = (x >> 4 & lowNibbles) + lowNibbles;
    return ~(fileDiffers & rankDiffers) & sideLineBytes<side>;
}

// Takes the highest flag of a 32-bit half and returns its piece's offset (0..3) in the kind.
inline int popHighest(uint32_t& flags) {
    const int top = __builtin_clz(flags) ^ 31;  // 31 - clz, written so that it stays one bit scan
    flags ^= 1u << top;
    return top >> 3;
}

// The king tests. With fullCode the rook-and-cannon pairs on one line are told apart
// (codes 17..19); the light version used by every legal make stops at the first hit. When
// several pieces give check, the order decides the code: facing kings, then cannons, rooks
// and horses each from the highest id down, then pawns.
template <bool fullCode, int side>
inline int kingAttack(const Position& pos) {
    constexpr int enemy = side ^ 1;
    const int k = pos.pieceSquare[kingBlack + side];
    if (k == noSquare)
        return 0;
    const int kr = rankOf(k), kf = fileOf(k);

    // Facing kings: nothing stands between them on one file (an absent king's file is 15).
    const int ek = pos.pieceSquare[kingBlack + enemy];
    if (fileOf(ek) == kf && (squareFileBit[ek] & fileMaskOf(kr, pos.bitFiles[kf]).rookCaptureMask))
        return 1;

    // Most positions have no enemy rook or cannon on the king's lines and skip all of this.
    if (const uint64_t lines = linePiecesOf<enemy>(pos, k)) {
        const SlideMasks& fm = fileMaskOf(kr, pos.bitFiles[kf]);
        const SlideMasks& rm = rankMaskOf(kf, pos.bitRanks[kr]);
        const uint32_t rookFlags = uint32_t(lines >> 32);

        // A rook attacking along the same line as a cannon (as its screen, or from the
        // other side of the king) makes codes 17..19: only a king move can meet both.
        auto rookOnFile = [&]() {
            for (uint32_t r = rookFlags; r;) {
                const int sq = pos.pieceSquare[rookFirst + popHighest(r)];
                if (fileOf(sq) == kf && (squareFileBit[sq] & fm.rookCaptureMask))
                    return true;
            }
            return false;
        };
        auto rookOnRank = [&]() {
            for (uint32_t r = rookFlags; r;) {
                const int sq = pos.pieceSquare[rookFirst + popHighest(r)];
                if (rankOf(sq) == kr && (squareRankBit[sq] & rm.rookCaptureMask))
                    return sq > k ? 19 : 18;
            }
            return 0;
        };

        // A flagged piece off the king's file is on its rank: it cannot stand on the king.
        for (uint32_t c = uint32_t(lines); c;) {
            const int sq = pos.pieceSquare[cannonFirst + popHighest(c)];
            if (fileOf(sq) == kf) {
                if (squareFileBit[sq] & fm.cannonCaptureMask)
                    return fullCode && rookOnFile() ? 17 : 1;
            } else if (squareRankBit[sq] & rm.cannonCaptureMask) {
                if (fullCode) {
                    const int pair = rookOnRank();
                    if (pair)
                        return pair;
                }
                return sq > k ? 3 : 2;
            }
        }
        for (uint32_t r = rookFlags; r;) {
            const int sq = pos.pieceSquare[rookFirst + popHighest(r)];
            if (rankOf(sq) == kr) {
                if (squareRankBit[sq] & rm.rookCaptureMask)
                    return sq > k ? 3 : 2;
            } else if (squareFileBit[sq] & fm.rookCaptureMask) {
                return 1;
            }
        }
    }

    auto horseCode = [&](int id) {
        const int sq = pos.pieceSquare[id];
        const int leg = horseLegByDelta(sq - k);
        return leg && !pos.board[k + leg] ? 4 + (fileOf(sq) > kf ? 2 : 0) + (rankOf(sq) >= kr ? 1 : 0) : 0;
    };
    if (const int code = horseCode(horseFirst + 2 + enemy))
        return code;
    if (const int code = horseCode(horseFirst + enemy))
        return code;

    // An enemy pawn in front of the king (seen from the king's side), or beside it. The
    // bounds only matter for a king set up outside its palace.
    const int front = side == sideBlack ? k + 16 : k - 16;
    if (front >= 0 && front < squareCount) {
        const int pc = pos.board[front];
        if (isPawn(pc) && sideOf(pc) == enemy)
            return 8;
    }
    if (isPawn(pos.board[k + 1]))
        return 8;
    if (k > 0 && isPawn(pos.board[k - 1]))
        return 8;
    return 0;
}

// Attacker class of side's pieces on square q; the two public functions are its mirrors.
template <int side>
inline int squareAttack(const Position& pos, int q) {
    const int qr = rankOf(q), qf = fileOf(q);

    auto horseAttacks = [&](int id) {
        const int leg = horseLegByDelta(pos.pieceSquare[id] - q);
        return leg && !pos.board[q + leg];
    };
    if (horseAttacks(horseFirst + 2 + side) || horseAttacks(horseFirst + side))
        return 3;

    // A piece standing on q itself is flagged too; the slide masks never hold q's own bit.
    if (const uint64_t lines = linePiecesOf<side>(pos, q)) {
        const SlideMasks& fm = fileMaskOf(qr, pos.bitFiles[qf]);
        const SlideMasks& rm = rankMaskOf(qf, pos.bitRanks[qr]);
        auto hits = [&](int sq, bool cannon) {
            const SlideMasks& m = rankOf(sq) == qr ? rm : fm;
            const uint16_t bit = rankOf(sq) == qr ? squareRankBit[sq] : squareFileBit[sq];
            return (bit & (cannon ? m.cannonCaptureMask : m.rookCaptureMask)) != 0;
        };
        for (uint32_t r = uint32_t(lines >> 32); r;)
            if (hits(pos.pieceSquare[rookFirst + popHighest(r)], false))
                return 1;
        for (uint32_t c = uint32_t(lines); c;)
            if (hits(pos.pieceSquare[cannonFirst + popHighest(c)], true))
                return 2;
    }

    // Defensive pieces are looked for only in their own half, pawns only in the other.
    const bool ownHalf = side == sideRed ? qr >= 5 : qr <= 4;
    if (ownHalf) {
        auto elephantAttacks = [&](int id) {
            const int sq = pos.pieceSquare[id];
            return squareDelta(sq - q) == 2 && !pos.board[(sq + q) >> 1];
        };
        if (elephantAttacks(elephantFirst + 2 + side) || elephantAttacks(elephantFirst + side))
            return 5;
        if (kingSquareClass[q] < 0)
            return 0;
        if (squareDelta(pos.pieceSquare[advisorFirst + 2 + side] - q) == 3 ||
            squareDelta(pos.pieceSquare[advisorFirst + side] - q) == 3)
            return 5;
        const int ks = pos.pieceSquare[kingBlack + side];
        if (squareDelta(ks - q) == 1)
            return 5;
        return 0;
    }
    auto ownPawn = [&](int sq) {
        const int pc = pos.board[sq];
        return isPawn(pc) && sideOf(pc) == side;
    };
    const int behind = side == sideRed ? q + 16 : q - 16;
    if ((qf != 0 && ownPawn(q - 1)) || (qf != 8 && ownPawn(q + 1)) || ownPawn(behind))
        return 4;
    return 0;
}

}  // namespace

int inCheck(const Position& pos, int side) {
    return side == sideRed ? kingAttack<false, sideRed>(pos) : kingAttack<false, sideBlack>(pos);
}
int checkCode(const Position& pos, int side) {
    return side == sideRed ? kingAttack<true, sideRed>(pos) : kingAttack<true, sideBlack>(pos);
}
int attackedByRed(const Position& pos, int sq) { return squareAttack<sideRed>(pos, sq); }
int attackedByBlack(const Position& pos, int sq) { return squareAttack<sideBlack>(pos, sq); }
