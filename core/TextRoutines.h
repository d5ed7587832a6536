// Small text routines shared by many subsystems: trimming, a tokenizer over a
// string with a cursor, the extension of a URL's last component, the
// User-Agent text and a decimal measure with two decimals.
#pragma once
#include <cstddef>
#include <cstdint>

// Removes leading and trailing white space in place.
void TrimInPlace(char* text);
// A new heap string (free with std::free) without the surrounding white
// space; null for null.
char* StrDupTrimmed(const char* text);

// Returns the text from *position up to the first delimiter, which is
// overwritten with NUL, and moves *position past it. The rest of the text is
// returned when it is not empty; when nothing is left *endFlag is set to 1
// and null returned. The position is 32-bit: the HTTP client runs this over
// network data of any length.
char* NextToken(char* text, const char* delimiters, int32_t* position, int* endFlag);

// The text after the last '.' of the URL's last path component (after "://"
// when present); null when there is no '/' or no '.' after it. Points into
// the URL.
const char* UrlFileExtension(const char* url);

// Fills the User-Agent pattern (one "%s") with the system name. Writes only
// when both are known and their lengths together are below the buffer size;
// answers the length written, else 0.
size_t FormatUserAgent(const char* pattern, const char* systemName, char* buffer, size_t size);

// A decimal measure of at most 5 characters, "." or "," as the decimal mark,
// in hundredths: "2,5" gives 250. A whole part followed by white space is
// capped at 500 (50000). Null, empty or longer text gives 0.
uint16_t ParseHundredths(const char* text);
