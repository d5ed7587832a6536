// A program without its string table: start-up must be told to end, after a
// plain box that says why (this test program links no resources).
#include <windows.h>

#include <gtest/gtest.h>

#include "core/MessageBoxes.h"
#include "tests/support/WindowTools.h"

namespace {

TEST(LanguageCheck, MissingStringTableEndsStartUp) {
    testing_support::DialogPresser presser("Zintu", IDOK);
    EXPECT_FALSE(CreateMessageBoxes());
    EXPECT_EQ(g_messageBoxes, nullptr);
    ASSERT_EQ(presser.Presses(), 1);
    EXPECT_NE(presser.SeenText().find("Could not load language. Out of resource memory."), std::string::npos)
        << presser.SeenText();
}

}  // namespace
