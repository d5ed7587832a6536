#include "core/Dates.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/CoarseClock.h"

const char kHttpDateFormat[] =
    "\xA7w, \xA7"
    "D \xA7n \xA7Y \xA7h:\xA7m:\xA7s GMT";
const char kCompactDateFormat[] =
    "\xA7y\xA7M\xA7"
    "D \xA7h\xA7m\xA7s";

namespace {

const char* const kWeekdayAbbreviations[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
const char* const kWeekdayNames[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                      "Thursday", "Friday", "Saturday"};
const char* const kMonthAbbreviations[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                             "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool IsLeapYear(long long year) {
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int DaysInMonth(long long year, int month) {
    static const int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 1 && IsLeapYear(year) ? 29 : kDays[month];
}

// Days from 1970-01-01 to the civil date (month 1-12), valid for any year.
long long DaysFromCivil(long long year, int month, int day) {
    year -= month <= 2;
    long long era = (year >= 0 ? year : year - 399) / 400;
    long long yearOfEra = year - era * 400;
    long long dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
    long long dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

// A cursor over date text that reads the pieces of the three date patterns.
// Network text reaches it, so numbers are bounded instead of overflowing.
class DateScanner {
public:
    explicit DateScanner(const char* text) : at_(text) {}
    const char* At() const { return at_; }
    void Advance(size_t count) { at_ += count; }

    // Like scanf's "%u": optional white space, then at least one digit.
    bool Number(unsigned* value) {
        SkipSpace();
        if (!std::isdigit(static_cast<unsigned char>(*at_))) return false;
        unsigned long long result = 0;
        int digits = 0;
        while (std::isdigit(static_cast<unsigned char>(*at_))) {
            if (++digits > 9) return false;
            result = result * 10 + static_cast<unsigned>(*at_++ - '0');
        }
        *value = static_cast<unsigned>(result);
        return true;
    }
    // Like "%3c": exactly three characters.
    bool ThreeChars(char out[4]) {
        for (int i = 0; i < 3; ++i) {
            if (!at_[i]) return false;
            out[i] = at_[i];
        }
        out[3] = '\0';
        at_ += 3;
        return true;
    }
    // Like "%*1[ -]": one space or dash.
    bool SpaceOrDash() {
        if (*at_ != ' ' && *at_ != '-') return false;
        ++at_;
        return true;
    }
    bool Literal(char c) {
        if (*at_ != c) return false;
        ++at_;
        return true;
    }
    // A space in a scanf pattern matches any run of white space, even none.
    bool Space() {
        SkipSpace();
        return true;
    }

private:
    void SkipSpace() {
        while (std::isspace(static_cast<unsigned char>(*at_))) ++at_;
    }
    const char* at_;
};

enum class DateForm { Rfc1123, Rfc850, Asctime };

struct DateFields {
    unsigned day = 0, year = 0, hour = 0, minute = 0, second = 0;
    char month[4] = {};
};

bool ScanFields(DateScanner& s, DateForm form, DateFields* f) {
    switch (form) {
        case DateForm::Rfc1123:  // "%u%*1[ -]%3c%*1[ -]%u %u:%u:%u"
            return s.Number(&f->day) && s.SpaceOrDash() && s.ThreeChars(f->month) && s.SpaceOrDash() &&
                   s.Number(&f->year) && s.Space() && s.Number(&f->hour) && s.Literal(':') &&
                   s.Number(&f->minute) && s.Literal(':') && s.Number(&f->second);
        case DateForm::Rfc850:  // "%u-%3c-%u %u:%u:%u"
            return s.Number(&f->day) && s.Literal('-') && s.ThreeChars(f->month) && s.Literal('-') &&
                   s.Number(&f->year) && s.Space() && s.Number(&f->hour) && s.Literal(':') &&
                   s.Number(&f->minute) && s.Literal(':') && s.Number(&f->second);
        case DateForm::Asctime:  // "%3c %u %u:%u:%u %u"
            return s.ThreeChars(f->month) && s.Space() && s.Number(&f->day) && s.Space() &&
                   s.Number(&f->hour) && s.Literal(':') && s.Number(&f->minute) && s.Literal(':') &&
                   s.Number(&f->second) && s.Space() && s.Number(&f->year);
    }
    return false;
}

// The weekday at the start of the text; sets the form it implies. Answers
// false for a name that is not one of the seven.
bool ScanWeekday(DateScanner& s, int* weekday, bool* abbreviated) {
    const char* text = s.At();
    size_t letters = 0;
    while (std::isalpha(static_cast<unsigned char>(text[letters]))) ++letters;
    *abbreviated = letters == 3;
    const char* const* names = *abbreviated ? kWeekdayAbbreviations : kWeekdayNames;
    for (int i = 0; i < 7; ++i) {
        if (std::strlen(names[i]) == letters && std::strncmp(names[i], text, letters) == 0) {
            *weekday = i;
            s.Advance(letters);
            return true;
        }
    }
    return false;
}

// Appends two digits of a field within its range; false when out of range.
bool PutNumber(int value, int low, int high, int width, char* buffer, int size, int* pos) {
    if (value < low || value > high) return false;
    if (*pos + width >= size) return false;
    std::snprintf(buffer + *pos, static_cast<size_t>(size - *pos), "%0*d", width, value);
    *pos += width;
    return true;
}

bool PutDirective(char letter, const std::tm* t, char* buffer, int size, int* pos) {
    switch (letter) {
        case 'h':
            return PutNumber(t->tm_hour, 0, 23, 2, buffer, size, pos);
        case 'm':
            return PutNumber(t->tm_min, 0, 59, 2, buffer, size, pos);
        case 's':
            // 60 is a leap second: the parser accepts it, so it must print.
            return PutNumber(t->tm_sec, 0, 60, 2, buffer, size, pos);
        case 'D':
            return PutNumber(t->tm_mday, 1, 31, 2, buffer, size, pos);
        case 'M':
            return PutNumber(t->tm_mon + 1, 1, 12, 2, buffer, size, pos);
        case 'y':
            return t->tm_year >= 0 && PutNumber((t->tm_year + 1900) % 100, 0, 99, 2, buffer, size, pos);
        case 'Y':
            return t->tm_year <= 9999 - 1900 &&
                   PutNumber(t->tm_year + 1900, 1900, 9999, 4, buffer, size, pos);
        case 'w':
        case 'n': {
            bool weekday = letter == 'w';
            int value = weekday ? t->tm_wday : t->tm_mon;
            if (value < 0 || value > (weekday ? 6 : 11)) return false;
            std::memcpy(buffer + *pos, weekday ? kWeekdayAbbreviations[value] : kMonthAbbreviations[value],
                        3);
            *pos += 3;
            return true;
        }
        default:
            return true;  // an unknown directive produces nothing
    }
}

}  // namespace

int FormatTime(const std::tm* time, const char* format, char* buffer, int16_t size) {
    if (!time || !format || !buffer || size <= 0) return 0;
    int pos = 0;
    for (const char* f = format; *f; ++f) {
        if (*f != kTimeDirective) {
            if (pos >= size) return 0;
            buffer[pos++] = *f;
            continue;
        }
        if (pos + 2 >= size) return 0;
        if (!f[1]) break;
        if (!PutDirective(*++f, time, buffer, size, &pos)) return 0;
    }
    if (pos >= size) return 0;
    buffer[pos] = '\0';
    return 1;
}

int ParseHttpDate(const char* text, std::tm* time) {
    if (!text || !time) return 0;
    DateScanner s(text);
    int weekday = 0;
    bool abbreviated = true;
    if (!std::isdigit(static_cast<unsigned char>(*text)) && !ScanWeekday(s, &weekday, &abbreviated)) return 0;
    while (*s.At() && !std::isalnum(static_cast<unsigned char>(*s.At()))) s.Advance(1);
    DateForm form;
    if (abbreviated && std::isalpha(static_cast<unsigned char>(*s.At()))) {
        form = DateForm::Asctime;
    } else if (std::isdigit(static_cast<unsigned char>(*s.At()))) {
        form = abbreviated ? DateForm::Rfc1123 : DateForm::Rfc850;
    } else {
        return 0;
    }
    DateFields f;
    if (!ScanFields(s, form, &f)) return 0;
    int month = -1;
    for (int i = 0; i < 12; ++i) {
        if (std::strcmp(f.month, kMonthAbbreviations[i]) == 0) month = i;
    }
    if (month < 0) return 0;
    int yearsSince1900 = f.year >= 1900 ? static_cast<int>(f.year - 1900)
                         : f.year <= 69 ? static_cast<int>(f.year + 100)
                                        : static_cast<int>(f.year);
    // Reject days and times that do not exist instead of letting them roll
    // over into another date (45 November is not 15 December).
    if (f.day < 1 || static_cast<int>(f.day) > DaysInMonth(1900LL + yearsSince1900, month)) return 0;
    if (f.hour > 23 || f.minute > 59 || f.second > 60) return 0;
    *time = std::tm{};
    time->tm_sec = static_cast<int>(f.second);
    time->tm_min = static_cast<int>(f.minute);
    time->tm_hour = static_cast<int>(f.hour);
    time->tm_mday = static_cast<int>(f.day);
    time->tm_mon = month;
    time->tm_year = yearsSince1900;
    time->tm_wday = weekday;
    time->tm_isdst = 0;
    return 1;
}

uint32_t ParseHttpDateToTime(const char* text) {
    std::tm t;
    if (!ParseHttpDate(text, &t)) return 0;
    if (t.tm_mon == 0 && t.tm_mday == 1 && t.tm_year < 71) return 0;
    // Local standard time, computed in 64 bits so that dates after 2038 (and
    // beyond the 32-bit range) do not wrap; they are clamped instead.
    long long seconds = DaysFromCivil(1900LL + t.tm_year, t.tm_mon + 1, t.tm_mday) * 86400 +
                        t.tm_hour * 3600LL + t.tm_min * 60LL + t.tm_sec + LocalZoneOffsetSeconds();
    if (seconds < 0) return 0;
    if (seconds > 0xFFFFFFFFLL) return 0xFFFFFFFFu;
    return static_cast<uint32_t>(seconds);
}

int FormatNowHttp(char* buffer, int16_t size) {
    std::tm t;
    BreakDownUtc(CoarseClockNow(), &t);
    return FormatTime(&t, kHttpDateFormat, buffer, size);
}

int FormatTimeHttp(const uint32_t* stored, char* buffer, int16_t size) {
    if (!stored) return 0;
    std::tm t;
    BreakDownUtc(static_cast<long long>(*stored) - LocalZoneOffsetSeconds(), &t);
    return FormatTime(&t, kHttpDateFormat, buffer, size);
}

int FormatTimeCompact(uint32_t stored, char* buffer, int16_t size) {
    std::tm t;
    BreakDownUtc(static_cast<long long>(stored) - LocalZoneOffsetSeconds(), &t);
    return FormatTime(&t, kCompactDateFormat, buffer, size);
}

int GetCurrentYear(int* month) {
    static int year = -1;
    static int currentMonth = 0;
    if (year < 0) {
        std::tm t;
        BreakDownUtc(CoarseClockNow(), &t);
        year = t.tm_year + 1900;
        currentMonth = t.tm_mon;
    }
    if (month) *month = currentMonth;
    return year;
}

long LocalZoneOffsetSeconds() {
#ifdef _WIN32
    _tzset();
    return _timezone;
#else
    tzset();
    return timezone;
#endif
}

void BreakDownUtc(long long seconds, std::tm* time) {
    long long days = seconds / 86400;
    long long rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    *time = std::tm{};
    time->tm_hour = static_cast<int>(rest / 3600);
    time->tm_min = static_cast<int>(rest / 60 % 60);
    time->tm_sec = static_cast<int>(rest % 60);
    time->tm_wday = static_cast<int>(((days % 7) + 11) % 7);  // 1970-01-01 was a Thursday
    // Civil date from days (proleptic Gregorian).
    long long z = days + 719468;
    long long era = (z >= 0 ? z : z - 146096) / 146097;
    long long dayOfEra = z - era * 146097;
    long long yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    long long dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    long long mp = (5 * dayOfYear + 2) / 153;
    int day = static_cast<int>(dayOfYear - (153 * mp + 2) / 5 + 1);
    int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    long long year = yearOfEra + era * 400 + (month <= 2);
    time->tm_mday = day;
    time->tm_mon = month - 1;
    time->tm_year = static_cast<int>(year - 1900);
    time->tm_yday = static_cast<int>(days - DaysFromCivil(year, 1, 1));
}
