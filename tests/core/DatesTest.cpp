// HTTP dates: the three forms, impossible days, the 32-bit range, the
// formats, and the round trip through a stored time value in two zones.
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

#include "core/CoarseClock.h"
#include "core/Dates.h"

namespace {

// Sets the process's time zone for one test and restores UTC afterwards.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) { Set(zone); }
    ~ZoneScope() { Set("UTC0"); }

private:
    static void Set(const char* zone) {
#ifdef _WIN32
        static std::string setting;
        setting = std::string("TZ=") + zone;
        _putenv(setting.c_str());
        _tzset();
#else
        setenv("TZ", zone, 1);
        tzset();
#endif
    }
};

std::string Format(const std::tm& t, const char* format, int16_t size = 64) {
    char buffer[64];
    if (!FormatTime(&t, format, buffer, size)) return "(failed)";
    return buffer;
}

// A broken-down time (month 0-11; weekday 0).
std::tm MakeTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm t{};
    t.tm_year = year - 1900;
    t.tm_mon = month;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    return t;
}

TEST(Dates, TheThreeHttpFormsGiveTheSameDate) {
    const char* forms[] = {
        "Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994",
        "06 Nov 1994 08:49:37 GMT",  // no weekday: weekday 0
        "Sun, 06-Nov-1994 08:49:37",
    };
    for (const char* text : forms) {
        std::tm t;
        ASSERT_EQ(ParseHttpDate(text, &t), 1) << text;
        EXPECT_EQ(t.tm_year, 94) << text;
        EXPECT_EQ(t.tm_mon, 10) << text;
        EXPECT_EQ(t.tm_mday, 6) << text;
        EXPECT_EQ(t.tm_hour, 8) << text;
        EXPECT_EQ(t.tm_min, 49) << text;
        EXPECT_EQ(t.tm_sec, 37) << text;
        EXPECT_EQ(t.tm_wday, 0) << text;
        EXPECT_EQ(t.tm_isdst, 0) << text;
    }
    ZoneScope utc("UTC0");
    uint32_t expected = 784111777;
    for (const char* text : forms) EXPECT_EQ(ParseHttpDateToTime(text), expected) << text;
}

TEST(Dates, RejectsTextThatIsNotADate) {
    const char* bad[] = {
        "sun, 06 Nov 1994 08:49:37 GMT",  // weekday in lower case
        "Sun, 06 nov 1994 08:49:37 GMT",  // month in lower case
        "Sunda, 06-Nov-94 08:49:37 GMT",  // not a weekday name
        "Sun, 45 Nov 1994 08:49:37 GMT",  // no 45th day
        "Sun, 31 Nov 1994 08:49:37 GMT",  // November has 30
        "Thu, 29 Feb 1900 00:00:00 GMT",  // 1900 was not a leap year
        "Sun, 00 Nov 1994 08:49:37 GMT",
        "Sun, 06 Nov 1994 24:00:00 GMT",
        "Sun, 06 Nov 1994 08:61:00 GMT",
        "Sun, 06 Nov 1994 08:49 GMT",        // seconds missing
        "Sun, 06 Nov 99999999999 08:49:37",  // runaway number
        "Sun, 06_Nov 1994 08:49:37 GMT",
        "Sun Nov  6 08:49:37",  // asctime without its year
        "",
        "   ",
    };
    for (const char* text : bad) {
        std::tm t;
        EXPECT_EQ(ParseHttpDate(text, &t), 0) << text;
        EXPECT_EQ(ParseHttpDateToTime(text), 0u) << text;
    }
    std::tm t;
    EXPECT_EQ(ParseHttpDate("Tue, 29 Feb 2000 00:00:00 GMT", &t), 1);
    EXPECT_EQ(ParseHttpDate(nullptr, &t), 0);
}

TEST(Dates, YearsAndTheRangeOfStoredTimes) {
    ZoneScope utc("UTC0");
    struct Case {
        const char* text;
        int yearsSince1900;
        uint32_t stored;
    };
    const Case cases[] = {
        {"Wed, 05 Jan 2005 00:00:00 GMT", 105, 1104883200u},
        {"Friday, 01-Jan-99 00:00:00 GMT", 99, 915148800u},
        {"Thu, 01 Jan 1970 00:00:00 GMT", 70, 0u},  // "already expired"
        {"Mon, 01 Jan 1900 12:00:00 GMT", 0, 0u},
        {"Fri, 02 Jan 1970 00:00:00 GMT", 70, 86400u},
        // Past 2038: 64-bit arithmetic, no wrap to 0.
        {"Wed, 01 Feb 2040 00:00:00 GMT", 140, 2211667200u},
        {"Sun, 07 Feb 2106 06:28:15 GMT", 206, 0xFFFFFFFFu},
        // Beyond what 32 bits hold: clamped.
        {"Sat, 01 Jan 2201 00:00:00 GMT", 301, 0xFFFFFFFFu},
        {"Tue, 02 Jan 1900 00:00:00 GMT", 0, 0u},
    };
    for (const Case& c : cases) {
        std::tm t;
        ASSERT_EQ(ParseHttpDate(c.text, &t), 1) << c.text;
        EXPECT_EQ(t.tm_year, c.yearsSince1900) << c.text;
        EXPECT_EQ(ParseHttpDateToTime(c.text), c.stored) << c.text;
    }
}

TEST(Dates, FormatsAndTheirLimits) {
    std::tm t = MakeTime(1994, 10, 6, 8, 49, 37);
    EXPECT_EQ(Format(t, kHttpDateFormat), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(Format(t, kHttpDateFormat, 29), "(failed)") << "29 characters need 30 bytes";
    EXPECT_EQ(Format(t, kHttpDateFormat, 30), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(Format(t, "\xA7q|\xA7Y"), "|1994") << "an unknown letter produces nothing";

    EXPECT_EQ(Format(MakeTime(2001, 0, 5, 3, 4, 5), kCompactDateFormat), "010105 030405");

    struct Broken {
        const char* name;
        void (*spoil)(std::tm&);
    };
    const Broken broken[] = {
        {"hour", [](std::tm& x) { x.tm_hour = 24; }}, {"day", [](std::tm& x) { x.tm_mday = 0; }},
        {"month", [](std::tm& x) { x.tm_mon = 12; }}, {"weekday", [](std::tm& x) { x.tm_wday = 7; }},
        {"year", [](std::tm& x) { x.tm_year = -1; }},
    };
    for (const Broken& b : broken) {
        std::tm spoilt = t;
        b.spoil(spoilt);
        EXPECT_EQ(Format(spoilt, kHttpDateFormat), "(failed)") << b.name;
    }
    char buffer[4];
    EXPECT_EQ(FormatTime(&t, kHttpDateFormat, buffer, 0), 0);
}

TEST(Dates, ParsedDatePrintsBackUnchangedInAnyZone) {
    const char* dates[] = {
        "Sun, 06 Nov 1994 08:49:37 GMT",
        "Tue, 06 Jul 1999 23:30:00 GMT",  // inside daylight saving time
        "Thu, 01 Mar 2040 00:00:01 GMT",
    };
    for (const char* zone : {"UTC0", "EST5EDT", "JST-9"}) {
        ZoneScope scope(zone);
        for (const char* text : dates) {
            uint32_t stored = ParseHttpDateToTime(text);
            ASSERT_NE(stored, 0u) << zone << " " << text;
            char buffer[40];
            ASSERT_EQ(FormatTimeHttp(&stored, buffer, sizeof buffer), 1);
            EXPECT_STREQ(buffer, text) << zone;
        }
        uint32_t stored = ParseHttpDateToTime("Fri, 05 Jan 2001 03:04:05 GMT");
        char buffer[20];
        ASSERT_EQ(FormatTimeCompact(stored, buffer, sizeof buffer), 1);
        EXPECT_STREQ(buffer, "010105 030405") << zone;
    }
    ZoneScope eastern("EST5EDT");
    EXPECT_EQ(ParseHttpDateToTime("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777u + 5 * 3600)
        << "stored values are the date read as local standard time";
}

TEST(Dates, ALeapSecondParsesAndPrints) {
    std::tm t;
    ASSERT_EQ(ParseHttpDate("Sat, 31 Dec 2016 23:59:60 GMT", &t), 1);
    char buffer[40];
    ASSERT_EQ(FormatTime(&t, kHttpDateFormat, buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Sat, 31 Dec 2016 23:59:60 GMT");
}

TEST(Dates, NowComesFromTheCoarseClock) {
    SetCoarseClock(784111777);
    char buffer[40];
    ASSERT_EQ(FormatNowHttp(buffer, sizeof buffer), 1);
    EXPECT_STREQ(buffer, "Sun, 06 Nov 1994 08:49:37 GMT");
    int month = -1;
    EXPECT_EQ(GetCurrentYear(&month), 1994);
    EXPECT_EQ(month, 10);
    SetCoarseClock(2211667200u);  // the year is taken once per run
    EXPECT_EQ(GetCurrentYear(), 1994);
}

}  // namespace
