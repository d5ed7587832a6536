#include "script/LocalTime.h"

#include <cmath>
#include <ctime>

namespace {

constexpr double kMsPerDay = 86400000.0;

double CrtOffsetAt(double utcMs) {
    double seconds = std::floor(utcMs / 1000);
    // Outside what the library's time type holds, the offset of the epoch serves.
    double limit = sizeof(std::time_t) < 8 ? 2147483647.0 : 32503680000.0;
    if (!(seconds >= 0 && seconds < limit)) seconds = 0;
    auto t = static_cast<std::time_t>(seconds);
    std::tm* local = std::localtime(&t);
    if (!local) return 0;
    double localSeconds = DaysFromCivil(local->tm_year + 1900, local->tm_mon, local->tm_mday) * 86400 +
                          local->tm_hour * 3600 + local->tm_min * 60 + local->tm_sec;
    return (localSeconds - seconds) * 1000;
}

bool CrtFormatLocale(const CalendarFields& f, char* buffer, size_t size) {
    std::tm tm = {};
    tm.tm_year = f.year - 1900;
    tm.tm_mon = f.month;
    tm.tm_mday = f.day;
    tm.tm_hour = f.hours;
    tm.tm_min = f.minutes;
    tm.tm_sec = f.seconds;
    tm.tm_wday = f.weekday;
    tm.tm_isdst = -1;
    return std::strftime(buffer, size, "%x %X", &tm) > 0;
}

const LocalTimeSource kCrtSource = {CrtOffsetAt, CrtFormatLocale};
const LocalTimeSource* current = &kCrtSource;

}  // namespace

void SetLocalTimeSource(const LocalTimeSource* source) {
    current = source ? source : &kCrtSource;
}

const LocalTimeSource& CurrentLocalTimeSource() {
    return *current;
}

double DaysFromCivil(double year, double month, double day) {
    // Whole months beyond 0-11 move the year.
    year += std::floor(month / 12);
    month -= std::floor(month / 12) * 12;
    // Years counted from March, so that the leap day ends a year.
    double y = month < 2 ? year - 1 : year;
    double era = std::floor(y / 400);
    double yoe = y - era * 400;
    double mp = month < 2 ? month + 10 : month - 2;
    double doy = std::floor((153 * mp + 2) / 5) + day - 1;
    double doe = yoe * 365 + std::floor(yoe / 4) - std::floor(yoe / 100) + doy;
    return era * 146097 + doe - 719468;
}

CalendarFields FieldsOf(double ms) {
    double days = std::floor(ms / kMsPerDay);
    double within = ms - days * kMsPerDay;
    CalendarFields f;
    double z = days + 719468;
    double era = std::floor(z / 146097);
    double doe = z - era * 146097;
    double yoe =
        std::floor((doe - std::floor(doe / 1460) + std::floor(doe / 36524) - std::floor(doe / 146096)) / 365);
    double doy = doe - (365 * yoe + std::floor(yoe / 4) - std::floor(yoe / 100));
    double mp = std::floor((5 * doy + 2) / 153);
    double day = doy - std::floor((153 * mp + 2) / 5) + 1;
    double month = mp < 10 ? mp + 2 : mp - 10;
    double year = yoe + era * 400 + (month < 2 ? 1 : 0);
    f.year = static_cast<int>(year);
    f.month = static_cast<int>(month);
    f.day = static_cast<int>(day);
    auto seconds = static_cast<long>(within / 1000);
    f.hours = static_cast<int>(seconds / 3600);
    f.minutes = static_cast<int>(seconds / 60 % 60);
    f.seconds = static_cast<int>(seconds % 60);
    double weekday = std::fmod(days + 4, 7);
    f.weekday = static_cast<int>(weekday < 0 ? weekday + 7 : weekday);
    return f;
}
