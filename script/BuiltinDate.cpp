// Dates: the time value is milliseconds since 1 January 1970 UTC; the
// methods break it down as local time through the local time source, and
// the GMT text, Date.UTC and zone-carrying texts work in UTC.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <limits>

#include "script/BuiltinObjects.h"
#include "script/Builtins.h"
#include "script/EngineState.h"
#include "script/LocalTime.h"
#include "script/PrimitiveValues.h"

namespace {

enum DateId {
    kGetDate = 1064,
    kGetDay,
    kGetHours,
    kGetMinutes,
    kGetMonth,
    kGetSeconds,
    kGetTime,
    kGetTimezoneOffset,
    kGetYear,
    kParse,
    kSetDate,
    kSetHours,
    kSetMinutes,
    kSetMonth,
    kSetSeconds,
    kSetTime,
    kSetYear,
    kToGMTString,
    kToLocaleString,
    kUtc,
};

constexpr double kMsPerDay = 86400000.0;
constexpr double kMaxTime = 8.64e15;  // 100 million days either side of 1970
const double kNaN = std::numeric_limits<double>::quiet_NaN();

const char* const kWeekdays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kMonths[] = {"January", "February", "March",     "April",   "May",      "June",
                               "July",    "August",   "September", "October", "November", "December"};

double TimeClip(double t) {
    if (!std::isfinite(t) || std::fabs(t) > kMaxTime) return kNaN;
    return std::trunc(t);
}

double MakeTime(double year, double month, double day, double hours, double minutes, double seconds) {
    return DaysFromCivil(year, month, day) * kMsPerDay + ((hours * 60 + minutes) * 60 + seconds) * 1000;
}

double LocalFromUtc(double t) {
    return t + CurrentLocalTimeSource().offsetAt(t);
}

// The UTC time of a local time: the offset is looked up at the UTC guess,
// so that times next to a change of offset come out right.
double UtcFromLocal(double local) {
    const LocalTimeSource& source = CurrentLocalTimeSource();
    double guess = local - source.offsetAt(local);
    return local - source.offsetAt(guess);
}

// Two-digit years stand for the 1900s.
double FullYear(double year) {
    return year >= 0 && year <= 99 ? 1900 + std::trunc(year) : year;
}

// Reads the fields of `new Date(y, m [, d, h, mi, s])` or Date.UTC; missing
// ones are 0 (the day 1). False when one is not a number.
bool ReadFields(ArrayObject* arguments, double fields[6]) {
    const double defaults[6] = {0, 0, 1, 0, 0, 0};
    for (size_t i = 0; i < 6; ++i) {
        EngineValue* v = arguments ? arguments->At(i) : nullptr;
        if (!v || v->Typeof() == TypeofKind::Undefined) {
            fields[i] = defaults[i];
            continue;
        }
        if (v->IsNaN()) return false;
        double d = v->ToNumber();
        if (!std::isfinite(d)) return false;
        fields[i] = std::trunc(d);
    }
    fields[0] = FullYear(fields[0]);
    return true;
}

// Whether a's n characters are b's first n, case ignored; b must be no
// longer than n unless prefix is set.
bool EqualsIgnoringCase(const char* a, size_t n, const char* b, bool prefix = false) {
    if (prefix ? std::strlen(b) < n : std::strlen(b) != n) return false;
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

// A month's full name or its three-letter abbreviation, case ignored; -1 if none.
int MonthOf(const char* word, size_t n) {
    for (int m = 0; m < 12; ++m) {
        if (EqualsIgnoringCase(word, n, kMonths[m])) return m;
        if (n == 3 && EqualsIgnoringCase(word, 3, kMonths[m], true)) return m;
    }
    return -1;
}

bool IsLetter(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

double ReadNumber(const char*& p) {
    double v = 0;
    while (IsDigit(*p)) v = v * 10 + (*p++ - '0');
    return v;
}

}  // namespace

// Reads "Www, DD Mon YYYY HH:MM:SS +HHMM" and "Month DD, YYYY HH:MM:SS"
// (weekday, time and zone optional). A zone ("+HHMM", "GMT", "UT", "UTC",
// "GMT+HHMM") places the fields in that zone; without one they are local
// time. NaN when the text names no valid date.
double ParseDateText(const char* text) {
    const char* p = text;
    auto skipBlanks = [&p] {
        while (*p == ' ' || *p == '\t' || *p == ',') ++p;
    };
    auto word = [&p](size_t* n) {
        const char* start = p;
        while (IsLetter(*p)) ++p;
        *n = static_cast<size_t>(p - start);
        return start;
    };
    skipBlanks();
    size_t n;
    const char* w = word(&n);
    int month = -1;
    double day = 0;
    if (n > 0 && MonthOf(w, n) < 0) {
        // A weekday leads: it is not checked against the date.
        skipBlanks();
        w = word(&n);
    }
    if (n > 0) {
        month = MonthOf(w, n);
        skipBlanks();
        if (!IsDigit(*p)) return kNaN;
        day = ReadNumber(p);
    } else if (IsDigit(*p)) {
        day = ReadNumber(p);
        skipBlanks();
        w = word(&n);
        month = MonthOf(w, n);
    }
    if (month < 0 || day < 1 || day > 31) return kNaN;
    // Anything that is not a digit stands between the day and the year.
    while (*p && !IsDigit(*p)) ++p;
    if (!IsDigit(*p)) return kNaN;
    double year = FullYear(ReadNumber(p));
    double hms[3] = {0, 0, 0};
    skipBlanks();
    for (int i = 0; i < 3 && IsDigit(*p); ++i) {
        hms[i] = ReadNumber(p);
        if (*p != ':') break;
        ++p;
    }
    if (hms[0] > 24 || hms[1] > 59 || hms[2] > 60) return kNaN;
    double fields = MakeTime(year, month, day, hms[0], hms[1], hms[2]);
    skipBlanks();
    const char* zoneWord = word(&n);
    bool zoned = false;
    if (n > 0) {
        if (!EqualsIgnoringCase(zoneWord, n, "GMT") && !EqualsIgnoringCase(zoneWord, n, "UT") &&
            !EqualsIgnoringCase(zoneWord, n, "UTC") && !EqualsIgnoringCase(zoneWord, n, "Z"))
            return kNaN;
        zoned = true;
    }
    skipBlanks();
    if (*p == '+' || *p == '-') {
        double sign = *p++ == '-' ? -1 : 1;
        const char* digits = p;
        double hhmm = ReadNumber(p);
        if (p - digits != 4) return kNaN;
        // +0100 is an hour ahead of UTC: the same fields are an hour earlier in UTC.
        fields -= sign * (std::floor(hhmm / 100) * 60 + std::fmod(hhmm, 100)) * 60000;
        zoned = true;
    }
    return TimeClip(zoned ? fields : UtcFromLocal(fields));
}

double DateFromArguments(ArrayObject* arguments) {
    size_t count = arguments ? arguments->elements.size() : 0;
    if (count == 0) {
        auto now = std::chrono::system_clock::now().time_since_epoch();
        return static_cast<double>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }
    EngineValue* first = arguments->At(0);
    if (count == 1) {
        if (first->IsString()) return ParseDateText(first->ToText());
        return first->IsNaN() ? kNaN : TimeClip(first->ToNumber());
    }
    double f[6];
    if (!ReadFields(arguments, f)) return kNaN;
    return TimeClip(UtcFromLocal(MakeTime(f[0], f[1], f[2], f[3], f[4], f[5])));
}

namespace {

// "Thu, 1 Jan 1970 00:00:00 GMT": empty when it does not fit in 31 characters.
EngineString GmtText(double t) {
    if (std::isnan(t)) return {};
    CalendarFields f = FieldsOf(t);
    char text[64];
    int n = std::snprintf(text, sizeof text, "%s, %d %.3s %04d %02d:%02d:%02d GMT", kWeekdays[f.weekday],
                          f.day, kMonths[f.month], f.year, f.hours, f.minutes, f.seconds);
    if (n < 0 || n > 31) return {};
    return EngineString(text);
}

ValueRef Getter(double t, int id) {
    if (std::isnan(t)) return SharedNull();
    if (id == kGetTime) return MakeNumber(t);
    double offset = CurrentLocalTimeSource().offsetAt(t);
    if (id == kGetTimezoneOffset) return MakeNumber(-offset / 60000 + 0.0);  // never -0
    CalendarFields f = FieldsOf(t + offset);
    switch (id) {
        case kGetDate:
            return MakeNumber(f.day);
        case kGetDay:
            return MakeNumber(f.weekday);
        case kGetHours:
            return MakeNumber(f.hours);
        case kGetMinutes:
            return MakeNumber(f.minutes);
        case kGetMonth:
            return MakeNumber(f.month);
        case kGetSeconds:
            return MakeNumber(f.seconds);
        default:  // getYear
            return MakeNumber(f.year - 1900);
    }
}

// The setters replace one field of the local time, clamped to its range.
void Set(DateObject* date, int id, double value) {
    if (id == kSetTime) {
        date->time = TimeClip(value);
        return;
    }
    if (std::isnan(date->time)) return;
    double local = LocalFromUtc(date->time);
    CalendarFields f = FieldsOf(local);
    double ms = local - std::floor(local / 1000) * 1000;
    double v = value < 0 ? 0 : std::trunc(value);
    double fields[6] = {static_cast<double>(f.year),    static_cast<double>(f.month),
                        static_cast<double>(f.day),     static_cast<double>(f.hours),
                        static_cast<double>(f.minutes), static_cast<double>(f.seconds)};
    // Which field each setter replaces, and its largest value.
    struct Setter {
        int id, field;
        double largest;
    };
    const Setter setters[] = {{kSetMonth, 1, 11},   {kSetDate, 2, 31},    {kSetHours, 3, 23},
                              {kSetMinutes, 4, 59}, {kSetSeconds, 5, 59}, {kSetYear, 0, 0}};
    for (const Setter& setter : setters) {
        if (setter.id != id) continue;
        fields[setter.field] = id == kSetYear ? FullYear(v) : std::min(v, setter.largest);
    }
    date->time = TimeClip(
        UtcFromLocal(MakeTime(fields[0], fields[1], fields[2], fields[3], fields[4], fields[5]) + ms));
}

}  // namespace

ValueRef PerformDateMethod(CallRecord& call, int id) {
    if (id == kParse) {
        if (!HasArgument(call, 1)) return {};
        double t = ParseDateText(ArgumentText(call, 1).c_str());
        return std::isnan(t) ? ValueRef(MakeNaN()) : ValueRef(MakeNumber(t));
    }
    if (id == kUtc) {
        size_t count = call.arguments ? call.arguments->elements.size() : 0;
        double f[6];
        if (count < 3 || count > 6) return MakeNumber(0);
        if (!ReadFields(call.arguments, f)) return MakeNaN();
        double t = TimeClip(MakeTime(f[0], f[1], f[2], f[3], f[4], f[5]));
        return std::isnan(t) ? ValueRef(MakeNaN()) : ValueRef(MakeNumber(t));
    }
    auto* date = dynamic_cast<DateObject*>(call.thisObject);
    if (!date) return {};
    if (id >= kSetDate && id <= kSetYear) {
        EngineValue* v = Argument(call, 1);
        if (!HasArgument(call, 1)) return {};
        Set(date, id, v->IsNaN() ? kNaN : v->ToNumber());
        return SharedNull();
    }
    if (id == kToGMTString) {
        EngineString text = GmtText(date->time);
        if (text.empty()) return {};
        return MakeString(text.data(), text.size());
    }
    if (id == kToLocaleString) {
        if (std::isnan(date->time)) return {};
        char text[100];
        if (!CurrentLocalTimeSource().formatLocale(FieldsOf(LocalFromUtc(date->time)), text, sizeof text))
            return {};
        return MakeString(text);
    }
    return Getter(date->time, id);
}

const char* DateObject::ToText() {
    if (std::isnan(time)) return "Invalid Date";
    // The local time, with its offset from GMT.
    double offset = CurrentLocalTimeSource().offsetAt(time);
    CalendarFields f = FieldsOf(time + offset);
    long minutes = std::lround(offset / 60000);
    char sign = minutes < 0 ? '-' : '+';
    if (minutes < 0) minutes = -minutes;
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%s, %d %.3s %04d %02d:%02d:%02d GMT%c%02ld%02ld",
                  kWeekdays[f.weekday], f.day, kMonths[f.month], f.year, f.hours, f.minutes, f.seconds, sign,
                  minutes / 60, minutes % 60);
    text = buffer;
    return text.c_str();
}
