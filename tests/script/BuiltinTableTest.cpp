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

TEST(BuiltinTable, AllCasesInUtc) {
    ExpectTablePasses("builtin-cases.txt");
}

}  // namespace
