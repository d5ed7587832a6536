// Where the engine learns the local time zone. Dates are computed in UTC;
// only the offset of local time at an instant, and the user's way of
// writing a date, come from outside. The default source is the C library;
// the DLL installs one on the system's own time-zone rules.
#pragma once

#include <cstddef>

// A date broken down into its calendar fields.
struct CalendarFields {
    int year;
    int month;  // 0-11
    int day;    // 1-31
    int hours, minutes, seconds;
    int weekday;  // 0 = Sunday
};

struct LocalTimeSource {
    // Local time minus UTC, in milliseconds, at a UTC time value.
    double (*offsetAt)(double utcMs);
    // The local fields written in the user's date and time format; false when
    // the system cannot write them.
    bool (*formatLocale)(const CalendarFields& local, char* buffer, size_t size);
};

// Null restores the C library's source.
void SetLocalTimeSource(const LocalTimeSource* source);
const LocalTimeSource& CurrentLocalTimeSource();

// Days since 1 January 1970 of a calendar date (month 0-11, may overflow),
// and the calendar fields of a time value in milliseconds.
double DaysFromCivil(double year, double month, double day);
CalendarFields FieldsOf(double ms);
