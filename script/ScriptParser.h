// Turns a script's tokens into its syntax tree, one statement at a time, so
// that text arriving in pieces is parsed as it comes: a statement that is not
// yet complete when the text runs out is kept as tokens and finished on the
// next call. Nesting and tree height are bounded, so runaway input is a
// syntax error, never a stack overflow.
#pragma once

#include <string>

#include "script/Script.h"

constexpr int kMaxParseNesting = 256;
constexpr int kMaxTreeHeight = 1000;

struct ParseResult {
    int code;             // 1111 parsed, 700 more text announced, 1000 syntax error
    std::string excerpt;  // for a syntax error: the text around where parsing stopped
    bool fresh = false;   // a syntax error found by this call (not an earlier one)
};

// Parses from *cursor up to end and advances the cursor past what it used.
// Reports a syntax error to the host (handle 0, code 1000).
[[nodiscard]] int ParseScript(Script* script, const char** cursor, const char* end, bool moreText);
[[nodiscard]] ParseResult ParseScriptQuietly(Script* script, const char** cursor, const char* end,
                                             bool moreText);
// Decodes the escapes of a string literal's text.
std::string DecodeEscapes(const char* text, size_t length);
