// The zoom field: typed scales are bounded and rounded, list entries read.
#include <gtest/gtest.h>

#include <string>

#include "windows/ZoomField.h"

namespace {

TEST(ZoomField, TypedScalesAreBoundedAndRoundedToTens) {
    struct Case {
        const char* typed;
        int scale;
    } cases[] = {
        {"105", 110}, {"15", 20},    {"1234", 1000}, {"104", 100},        {"100%", 100},
        {"0", 20},    {" 95", 100},  {"1000", 1000}, {"99999999999999", 1000},
        {"", -1},     {"abc", -1},   {"-50", -1},    {"%", -1},
    };
    for (const auto& c : cases) EXPECT_EQ(ScaleFromTypedZoom(c.typed), c.scale) << '"' << c.typed << '"';
}

TEST(ZoomField, EveryListEntryGivesItsOwnScale) {
    for (const char* entry : kZoomListEntries) {
        int scale = ScaleFromZoomEntry(entry);
        EXPECT_EQ(ZoomFieldText(scale), entry);
    }
    EXPECT_EQ(ScaleFromZoomEntry("250%"), 250);
    EXPECT_EQ(ScaleFromZoomEntry(""), -1);
    EXPECT_EQ(std::string(kZoomListEntries[0]), "20%");
    EXPECT_EQ(std::string(kZoomListEntries[20]), "1000%");
}

}  // namespace
