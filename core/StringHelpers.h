// Helpers on plain, terminated 8-bit strings: heap string fields (a pointer
// member that owns its text, freed with std::free), bounded joining,
// comparison against %XX-escaped text and the
// walk through a list of paths.
#pragma once
#include <cstddef>
#include <initializer_list>
#include <string>
#include <string_view>

// ASCII comparisons that ignore case (protocol keywords, schemes, names).
// Text for HTML: & < > " become entities.
std::string EscapeHtml(std::string_view text);

bool EqualsNoCase(std::string_view a, std::string_view b);
bool StartsWithNoCase(std::string_view text, std::string_view prefix);
// The value of a hexadecimal digit, or -1.
int HexValue(char c);

// Heap string fields. Each frees the old text of the field first.
// Stores a copy of the text, or null for a null or empty text.
void SetStringField(char** field, const char* text);
// Stores a copy of the first n characters (fewer when the text is shorter),
// or null for a null or empty text or n of 0.
void SetStringFieldN(char** field, const char* text, size_t n);
// Always stores a new text: a copy, or an empty string for null.
void SetStringFieldAlways(char** field, const char* text);
// Frees the field's text and leaves it null.
void FreeStringField(char** field);

// Appends each non-null text to the destination, whose whole room is size
// bytes. Answers false when the texts did not fit: the destination then
// holds as much as fits, terminated.
[[nodiscard]] bool StrCatParts(char* destination, size_t size, std::initializer_list<const char*> texts);
// A new heap string (free with std::free) of the non-null texts in order.
char* StrConcatNew(std::initializer_list<const char*> texts);
// Formats at the end of the destination's current text, within size bytes in
// all. Answers false when the result was cut.
[[nodiscard]] bool AppendFormat(char* destination, size_t size, const char* format, ...)
#if defined(__GNUC__)
    __attribute__((format(printf, 3, 4)))
#endif
    ;

// Compares up to n characters of escaped text ("%XX" standing for its byte)
// with plain text, as signed bytes: 0 when equal, 1 when the escaped side is
// greater, -1 when smaller, when it ends first or holds a broken escape.
int CompareEscaped(const char* escaped, const char* plain, size_t n);

// Takes the next path from a list separated by any of ",; \t\r\n" (a
// double-quoted stretch may hold separators; the quotes are removed). The
// list is changed in place. Sets *fileName to the part after the last '\',
// else the last '/', else the first ':', else the whole path. Entries that
// end in a separator are skipped. Answers the path, or null at the end, after
// which *cursor is null.
char* NextListPath(char** cursor, char** fileName);
