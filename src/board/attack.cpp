// Check detection for a king and attacker classes for a square. Both read the piece
// list (bounded by lastPieceId) and answer line attacks with one slide-table lookup per
// line, so a test costs a few lookups per live enemy piece.
#include "board/attack.h"

#include "board/tables.h"

namespace {

inline bool isPawn(int pc) { return pc >= pawnFirst && pc < advisorFirst; }

// The king tests. With fullCode the rook-and-cannon pairs on one line are told apart
// (codes 17..19); the light version used by every legal make stops at the first hit.
template <bool fullCode>
inline int kingAttack(const Position& pos, int side) {
    const int k = pos.pieceSquare[kingBlack + side];
    if (k == noSquare)
        return 0;
    const int kr = rankOf(k), kf = fileOf(k);
    const SlideMasks& fm = fileMaskOf(kr, pos.bitFiles[kf]);
    const SlideMasks& rm = rankMaskOf(kf, pos.bitRanks[kr]);
    const int enemy = side ^ 1;

    // Facing kings: nothing stands between them on one file.
    const int ek = pos.pieceSquare[kingRed - side];
    if (ek != noSquare && fileOf(ek) == kf && (squareFileBit[ek] & fm.rookCaptureMask))
        return 1;

    // A rook attacking along the same line as a cannon (as its screen, or from the
    // other side of the king) makes codes 17..19: only a king move can meet both.
    auto rookOnFile = [&]() {
        for (int id = lastPieceId[kindRook][enemy]; id >= rookFirst + enemy; id -= 2) {
            const int sq = pos.pieceSquare[id];
            if (sq != noSquare && fileOf(sq) == kf && (squareFileBit[sq] & fm.rookCaptureMask))
                return true;
        }
        return false;
    };
    auto rookOnRank = [&]() {
        for (int id = lastPieceId[kindRook][enemy]; id >= rookFirst + enemy; id -= 2) {
            const int sq = pos.pieceSquare[id];
            if (sq != noSquare && rankOf(sq) == kr && (squareRankBit[sq] & rm.rookCaptureMask))
                return sq > k ? 19 : 18;
        }
        return 0;
    };

    for (int id = lastPieceId[kindCannon][enemy]; id >= cannonFirst + enemy; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        if (fileOf(sq) == kf) {
            if (squareFileBit[sq] & fm.cannonCaptureMask)
                return fullCode && rookOnFile() ? 17 : 1;
        } else if (rankOf(sq) == kr && (squareRankBit[sq] & rm.cannonCaptureMask)) {
            if (fullCode) {
                const int pair = rookOnRank();
                if (pair)
                    return pair;
            }
            return sq > k ? 3 : 2;
        }
    }

    for (int id = lastPieceId[kindRook][enemy]; id >= rookFirst + enemy; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        if (rankOf(sq) == kr) {
            if (squareRankBit[sq] & rm.rookCaptureMask)
                return sq > k ? 3 : 2;
        } else if (fileOf(sq) == kf && (squareFileBit[sq] & fm.rookCaptureMask)) {
            return 1;
        }
    }

    for (int id = lastPieceId[kindHorse][enemy]; id >= horseFirst + enemy; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        const int leg = horseLegByDelta(sq - k);
        if (leg && !pos.board[k + leg])
            return 4 + (fileOf(sq) > kf ? 2 : 0) + (rankOf(sq) >= kr ? 1 : 0);
    }

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

    for (int id = lastPieceId[kindHorse][side]; id >= horseFirst + side; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        const int leg = horseLegByDelta(sq - q);
        if (leg && !pos.board[q + leg])
            return 3;
    }

    const SlideMasks& fm = fileMaskOf(qr, pos.bitFiles[qf]);
    const SlideMasks& rm = rankMaskOf(qf, pos.bitRanks[qr]);
    for (int id = lastPieceId[kindRook][side]; id >= rookFirst + side; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        if ((rankOf(sq) == qr && (squareRankBit[sq] & rm.rookCaptureMask)) ||
            (fileOf(sq) == qf && (squareFileBit[sq] & fm.rookCaptureMask)))
            return 1;
    }
    for (int id = lastPieceId[kindCannon][side]; id >= cannonFirst + side; id -= 2) {
        const int sq = pos.pieceSquare[id];
        if (sq == noSquare)
            continue;
        if ((rankOf(sq) == qr && (squareRankBit[sq] & rm.cannonCaptureMask)) ||
            (fileOf(sq) == qf && (squareFileBit[sq] & fm.cannonCaptureMask)))
            return 2;
    }

    // Defensive pieces are looked for only in their own half, pawns only in the other.
    const bool ownHalf = side == sideRed ? qr >= 5 : qr <= 4;
    if (ownHalf) {
        for (int id = lastPieceId[kindElephant][side]; id >= elephantFirst + side; id -= 2) {
            const int sq = pos.pieceSquare[id];
            if (sq != noSquare && squareDelta(sq - q) == 2 && !pos.board[(sq + q) >> 1])
                return 5;
        }
        if (kingSquareClass[q] < 0)
            return 0;
        for (int id = lastPieceId[kindAdvisor][side]; id >= advisorFirst + side; id -= 2) {
            const int sq = pos.pieceSquare[id];
            if (sq != noSquare && squareDelta(sq - q) == 3)
                return 5;
        }
        const int ks = pos.pieceSquare[kingBlack + side];
        if (ks != noSquare && squareDelta(ks - q) == 1)
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

int inCheck(const Position& pos, int side) { return kingAttack<false>(pos, side); }
int checkCode(const Position& pos, int side) { return kingAttack<true>(pos, side); }
int attackedByRed(const Position& pos, int sq) { return squareAttack<sideRed>(pos, sq); }
int attackedByBlack(const Position& pos, int sq) { return squareAttack<sideBlack>(pos, sq); }
