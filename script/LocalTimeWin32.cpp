// The DLL's local time: the system's time-zone rules (daylight saving time
// included) and the user's date and time formats.
#include <windows.h>

#include <cmath>
#include <cstring>

#include "script/LocalTime.h"

namespace {

// 100-nanosecond ticks between 1601 and 1970.
constexpr double kEpochTicks = 116444736000000000.0;

bool ToSystemTime(double ms, SYSTEMTIME* st) {
    double ticks = ms * 10000 + kEpochTicks;
    if (!(ticks >= 0 && ticks < 9.0e18)) return false;
    ULARGE_INTEGER value;
    value.QuadPart = static_cast<ULONGLONG>(ticks);
    FILETIME ft;
    ft.dwLowDateTime = value.LowPart;
    ft.dwHighDateTime = value.HighPart;
    return FileTimeToSystemTime(&ft, st) != 0;
}

bool ToMilliseconds(const SYSTEMTIME& st, double* ms) {
    FILETIME ft;
    if (!SystemTimeToFileTime(&st, &ft)) return false;
    ULARGE_INTEGER value;
    value.LowPart = ft.dwLowDateTime;
    value.HighPart = ft.dwHighDateTime;
    *ms = (static_cast<double>(value.QuadPart) - kEpochTicks) / 10000;
    return true;
}

double SystemOffsetAt(double utcMs) {
    // Whole seconds, so that the difference is exact.
    double seconds = std::floor(utcMs / 1000) * 1000;
    SYSTEMTIME utc, local;
    double localMs;
    if (!ToSystemTime(seconds, &utc) || !SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local) ||
        !ToMilliseconds(local, &localMs))
        return 0;
    return localMs - seconds;
}

bool SystemFormatLocale(const CalendarFields& f, char* buffer, size_t size) {
    SYSTEMTIME st = {};
    st.wYear = static_cast<WORD>(f.year);
    st.wMonth = static_cast<WORD>(f.month + 1);
    st.wDay = static_cast<WORD>(f.day);
    st.wDayOfWeek = static_cast<WORD>(f.weekday);
    st.wHour = static_cast<WORD>(f.hours);
    st.wMinute = static_cast<WORD>(f.minutes);
    st.wSecond = static_cast<WORD>(f.seconds);
    if (size < 100 || f.year < 1601 || f.year > 30827) return false;
    // The date in the first 90 characters, a blank, the time in the rest.
    int date = GetDateFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer, 90);
    if (date <= 0) return false;
    buffer[date - 1] = ' ';
    int time = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, &st, nullptr, buffer + date, 100 - date);
    return time > 0;
}

const LocalTimeSource kSystemSource = {SystemOffsetAt, SystemFormatLocale};

}  // namespace

void UseSystemLocalTime() {
    SetLocalTimeSource(&kSystemSource);
}
