// The text encodings of form submission: URL escaping of name/value pairs,
// the ISINDEX query, the file-name lists of upload fields, and the MIME
// text encodings (base64, uuencode, quoted-printable, 7- and 8-bit checks)
// that uploads and mail use. Free of the platform: built natively, fuzzed.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// Nonzero when the byte must be written as "%XX" in a query: every byte but
// ASCII letters, digits, '.', '_', '-' and '@'.
int NeedsUrlEscape(unsigned char byte);
// The number of bytes of the text that NeedsUrlEscape marks.
size_t CountUrlEscapes(const char* text);
// Appends the text escaped for a urlencoded pair: a space becomes '+',
// every byte NeedsUrlEscape marks becomes '%' and two upper-case hex digits.
void AppendUrlEscaped(std::string& out, const char* text, size_t length);
// Appends one pair: "&" (unless first), the escaped name, and "=" with the
// escaped value when a value is given (null: the name alone).
void AppendUrlPair(std::string& out, bool first, const char* name, const char* value, size_t valueLength);

// The integer value of the n-th (from 1) comma-separated field, 0 when the
// text has fewer fields (or the field is not a number).
int32_t CommaFieldToInt(const char* text, int n);

// The query of an ISINDEX search: every run of spaces, TABs and line feeds
// becomes one '+' and a trailing run is dropped; other bytes are escaped as
// in a pair.
std::string IsindexQuery(const char* typed);

// The file names of an upload field's text: separated by blanks, ';', ',',
// CR, LF or TAB, where double quotes group a name (and are not part of it).
std::vector<std::string> SplitUploadFileNames(const char* text);

// --- MIME text encodings ---------------------------------------------------

// Kinds of EncodeMimeText.
enum MimeTextKind : int {
    kMimeBase64Lines = 0,  // also 2: base64 with a CR LF after each 60 characters
    kMimeBase64Flat = 1,   // base64 without line breaks
    kMimeBase64 = 2,
    kMimeQuotedPrintable = 3,
    kMimeQuotedPrintableSpaces = 4,  // also encodes spaces
    kMime7Bit = 5,
    kMime8Bit = 6,
    kMimeBinary = 8,
    kMimeUuencode = 10,
    kMimeNothing = 11,
};

// EncodeMimeText results.
enum MimeTextResult : int {
    kMimeTextDone = 0,
    kMimeTextNot7Bit = 2,  // kind 5: a NUL, a byte of 128 or more, or a line over 998 bytes
    kMimeTextNot8Bit = 3,  // kind 6: a NUL or a line over 998 bytes
    kMimeTextNoMemory = 4,
};

// Flags of CharNeedsQuotedPrintable.
constexpr int kQpEncodeSpace = 1;  // spaces need encoding too
constexpr int kQpHeaderWord = 2;   // '(' ')' '"' pass; TAB, CR and LF need encoding

// Nonzero when quoted-printable must write the byte as "=XX".
int CharNeedsQuotedPrintable(unsigned char byte, int flags);
// Kinds 3 and 4: the bytes CharNeedsQuotedPrintable(c, kQpEncodeSpace)
// marks; kind 8: the bytes NeedsUrlEscape marks; other kinds 0.
size_t CountCharsToEncode(const char* buffer, size_t length, int kind);

// Holds the output of the last conversion; a new conversion frees it first.
struct MimeTextConverter {
    std::string output;
};

// Converts the buffer by kind into converter.output and its length into
// outLength. The charset names the text's characters for the header words
// that callers build; the conversions here do not depend on it. Out of
// memory leaves no output and answers kMimeTextNoMemory.
[[nodiscard]] int EncodeMimeText(MimeTextConverter& converter, size_t& outLength, const char* buffer,
                                 size_t length, const char* charset, int kind);
