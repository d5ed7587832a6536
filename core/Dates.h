// Dates as they cross the wire (HTTP headers, cookie expiry dates, news
// commands) turned into time values and back. Time values are unsigned
// 32-bit seconds. Dates parsed from HTTP text are converted as if they were
// local standard time, and printed back with the same zone offset removed, so
// a parsed date prints back as it was received.
#pragma once
#include <cstdint>
#include <ctime>

// The character that introduces a directive in a time format (the section
// sign of the Windows Latin-1 code page).
constexpr char kTimeDirective = '\xA7';
// "Sun, 06 Nov 1994 08:49:37 GMT"
extern const char kHttpDateFormat[];
// "941106 084937": the date and time arguments of news commands.
extern const char kCompactDateFormat[];

// Formats the broken-down time; 1 on success, 0 when a field is out of its
// range or the buffer is too small (the buffer is then undefined).
[[nodiscard]] int FormatTime(const std::tm* time, const char* format, char* buffer, int16_t size);

// Parses the RFC 1123, RFC 850 and asctime forms of an HTTP date; 1 when the
// text is such a date with a day that exists, else 0. The zone is not read.
[[nodiscard]] int ParseHttpDate(const char* text, std::tm* time);
// The stored time value of an HTTP date, or 0 when it does not parse or falls
// on 1 January of a year before 1971 (servers mean "already expired"). Dates
// outside the 32-bit range are clamped to it.
uint32_t ParseHttpDateToTime(const char* text);

// The coarse clock as an HTTP date (broken down as UTC).
[[nodiscard]] int FormatNowHttp(char* buffer, int16_t size);
// A stored time value as an HTTP date or a compact date.
[[nodiscard]] int FormatTimeHttp(const uint32_t* stored, char* buffer, int16_t size);
[[nodiscard]] int FormatTimeCompact(uint32_t stored, char* buffer, int16_t size);

// The year (four digits) and month (0-11) of the coarse clock, taken on the
// first call and kept for the rest of the run.
int GetCurrentYear(int* month = nullptr);

// The machine's standard zone offset in seconds west of UTC.
long LocalZoneOffsetSeconds();
// Breaks seconds since 1970 down as UTC, for any 64-bit value.
void BreakDownUtc(long long seconds, std::tm* time);
