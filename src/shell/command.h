#pragma once
// UCCI command recognition: one input line becomes a code and a filled UcciCommand.
// Keywords are case-insensitive prefixes at fixed places; numbers are clamped to fixed
// ranges; anything unrecognised is code 0 and gets no reply.
#include <cstdint>

#include "board/types.h"
#include "shell/linereader.h"

enum UcciCode : int32_t {
    codeNone          = 0,   // unrecognised, or a malformed "position"/"probe"
    codeIsReady       = 2,
    codePonderHit     = 3,   // busy poll only
    codePonderHitDraw = 4,   // busy poll only
    codeStop          = 5,
    codeSetOption     = 6,
    codePosition      = 7,
    codeBanMoves      = 8,
    codeGo            = 9,
    codeProbe         = 10,
    codeQuit          = 11,  // also what the idle parser returns once the input has ended
};

// The four characters of a move as the line had them: file letter, rank digit, twice.
struct MoveText {
    char c[4];
};
static_assert(sizeof(MoveText) == 4, "a move text is four bytes");

// Each field of a command holds a number, a text or the move list, depending on the
// command; a command writes only its own fields and leaves the rest as they were.
//                selector          value                  aux           limit        timeExtra
//   go           search mode       ponder flag            draw flag     depth/nodes/ms  moves to go / increment
//   setoption    option number     number or text         -             -            -
//   position     FEN text          number of moves        move list     -            -
//   banmoves     number of moves   move list              -             -            -
union UcciField {
    int32_t         number;
    const char*     text;
    const MoveText* moves;
};

struct UcciCommand {
    UcciField selector;
    UcciField value;
    UcciField aux;
    UcciField limit;
    UcciField timeExtra;
};

// "go" search modes (selector).
enum GoMode : int32_t { goDepth = 0, goNodes = 1, goMovesToGo = 2, goIncrement = 3 };

// "setoption" option numbers (selector).
enum OptionId : int32_t {
    optionUnknown    = 0,
    optionBatch      = 1,
    optionDebug      = 2,
    optionPonder     = 3,
    optionUseBook    = 4,
    optionUseEgtb    = 5,
    optionBookFiles  = 6,
    optionEgtbPaths  = 7,
    optionEvalApi    = 8,
    optionHashSize   = 9,
    optionThreads    = 10,
    optionPromotion  = 11,
    optionIdle       = 12,
    optionPruning    = 13,
    optionKnowledge  = 14,
    optionRandomness = 15,
    optionStyle      = 16,
    optionNewGame    = 17,
};

// Every move a line can hold (four characters and a separator each): a game sent whole as
// "position startpos moves ..." keeps all its moves up to 800-odd plies. A shorter list
// would silently set up an earlier position, and the answer would be for the wrong side.
inline constexpr int maxMoveTexts = (maxLineLength + 1) / 5;  // 819
inline constexpr int fenBufferSize = 4096;
inline constexpr int maxGoDepth    = 48;

// Shared by "position", "probe" and "banmoves": the last such command's moves and FEN.
extern MoveText moveTextList[maxMoveTexts];
extern char     fenBuffer[fenBufferSize];

// Does text begin with keyword, ignoring case?
bool startsWithKeyword(const char* text, const char* keyword);
// The same, moving cursor past the keyword when it matches.
bool skipKeyword(const char*& cursor, const char* keyword);
// Looks for keyword (case-sensitive) anywhere at or after cursor and moves past it.
bool findKeyword(const char*& cursor, const char* keyword);
// Decimal integer after optional white space and sign, clamped to lo..hi; lo when the
// text holds no number.
int readClampedInt(const char* text, int lo, int hi);

// The text after "position " or "probe ": "fen ..." or "startpos", then " moves ..." with
// one move every five characters. False (and nothing written) for any other text.
bool parsePositionText(const char* text, UcciCommand& cmd);

// Recognises one line (without its line end). Texts stored in cmd point into line, which
// must therefore stay untouched until the command has been acted on.
UcciCode parseCommandLine(const char* line, UcciCommand& cmd);

// Waits for the next input line (sleeping 1 ms between looks) and recognises it. Returns
// codeQuit once the input has ended, so that the engine stops as if told to.
UcciCode parseIdleCommand(UcciCommand& cmd);

// During a search: one look at the input, never waiting. Returns codeStop, codeQuit (also
// once the input has ended), codeIsReady, codePonderHit, codePonderHitDraw, codeProbe
// (the line's position goes into busyProbe) or codeNone; any other line is dropped.
UcciCode pollBusyCommand();
extern UcciCommand busyProbe;

// The Move a move text names, read as the protocol loop does: each square is the low
// eight bits of (letter - 16 * digit + 47). Characters outside a..i / 0..9 give squares
// off the board, which is harmless for a ban; game moves go through parseMoveText.
Move moveFromText(const MoveText& text);
