// Cuts script text into tokens without copying it. A token is a 16-bit code;
// identifiers, numbers and strings also give their text's start and length.
// The lexer can stop at the end of a partial buffer (more-text flag) and
// leave the cut-off token for the next call.
#pragma once

#include <cstddef>

// Single characters that stand for themselves use their character code
// ( ) , . : ; ? [ ] { } ~. The other codes:
enum ScriptToken : int {
    kTokNewline = 10,
    kTokPlus = 300,
    kTokIncrement,
    kTokPlusAssign,
    kTokMinus,
    kTokDecrement,
    kTokMinusAssign,
    kTokDivide,
    kTokDivideAssign,
    kTokMultiply,
    kTokMultiplyAssign,
    kTokModulo,
    kTokModuloAssign,
    kTokBitAnd,
    kTokLogicalAnd,
    kTokAndAssign,
    kTokBitOr,
    kTokLogicalOr,
    kTokOrAssign,
    kTokBitXor,
    kTokXorAssign,
    kTokNot,
    kTokNotEqual,
    kTokAssign,
    kTokEqual,
    kTokLess,
    kTokLessEqual,
    kTokShiftLeft,
    kTokShiftLeftAssign,
    kTokGreater,
    kTokGreaterEqual,
    kTokShiftRight,
    kTokShiftRightAssign,
    kTokUnsignedShiftRight,
    kTokUnsignedShiftRightAssign,  // 332, 333
    kTokTypeof = 400,
    kTokNew = 401,
    kTokVoid = 402,
    kTokBreak = 500,
    kTokContinue = 501,
    kTokFor = 502,
    kTokIn = 503,
    kTokFunction = 504,
    kTokIf = 505,
    kTokElse = 506,
    kTokReturn = 507,
    kTokVar = 508,
    kTokWhile = 509,
    kTokWith = 511,
    kTokComment = 600,
    kTokEnd = 700,
    kTokIdentifier = 800,
    kTokNull = 900,
    kTokFalse = 901,
    kTokTrue = 902,
    kTokThis = 903,
    kTokDecimal = 950,
    kTokOctal = 951,
    kTokHex = 952,
    kTokFloat = 953,
    kTokString = 960,
    kTokEscapedString = 961,
    kTokInvalid = 1000,
    // Made by the parser, not the lexer.
    kTokPostIncrement = 291,
    kTokInfixMinus = 293,
    kTokPostDecrement = 294,
    kTokIndex = 299,
    kTokConditional = 340,
    kTokForIn = 512,
    kTokCall = 650,
    kTokBlock = 651,
    kTokEmpty = 652,
    kTokBuiltinCall = 666,
    kTokScriptRoot = 888,
};

// Reads the next token from *cursor (before end) and advances the cursor past
// it. With moreText set, a token that might continue past the end of the
// buffer returns kTokEnd and leaves the cursor at its start. With
// newlineIsBlank clear, a line end yields kTokNewline.
int NextToken(const char** cursor, const char** textStart, size_t* textLength, const char* end, bool moreText,
              bool newlineIsBlank);

// The symbol's text for printing (e.g. ">>>=" for 333), or null.
const char* TokenSymbol(int token);
