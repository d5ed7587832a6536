// The table of built-in cases, run through the recording host with the
// engine linked in (natively under the sanitizers, and under Wine).
#include <cstdlib>
#include <ctime>
#include <gtest/gtest.h>
#include <string>

#include "tests/script/RecordingHost.h"

namespace {

using script_test::LinkedExports;
using script_test::RecordingHost;

void ExpectTablePasses(const std::string& name) {
    script_test::Exports js = LinkedExports();
    RecordingHost host(js);
    int count = 0;
    for (const std::string& failure : host.RunTable(std::string(ZINTU_SCRIPT_CASES) + "/" + name, &count))
        ADD_FAILURE() << failure;
    EXPECT_GT(count, 0);
}

// The time zone this test process runs in, for the length of a test.
class ZoneScope {
public:
    explicit ZoneScope(const char* zone) {
        const char* old = std::getenv("TZ");
        saved_ = old ? old : "";
        hadZone_ = old != nullptr;
        Apply(zone);
    }
    ~ZoneScope() { Apply(hadZone_ ? saved_.c_str() : nullptr); }

private:
    static void Apply(const char* zone) {
#if defined(_WIN32)
        _putenv_s("TZ", zone ? zone : "");
        _tzset();
#else
        if (zone) {
            setenv("TZ", zone, 1);
        } else {
            unsetenv("TZ");
        }
        tzset();
#endif
    }
    std::string saved_;
    bool hadZone_;
};

TEST(BuiltinTable, AllCasesInUtc) {
    ZoneScope zone("UTC");
    ExpectTablePasses("builtin-cases.txt");
}

#if !defined(_WIN32)
// The C library's zone rules; the DLL's own (the system's) are run through
// the command-line host with the zone pinned.
TEST(BuiltinTable, DatesInAZoneWithSummerTime) {
    ZoneScope zone("Europe/Berlin");
    ExpectTablePasses("date-cases-berlin.txt");
}
#endif

}  // namespace
