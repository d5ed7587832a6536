// Fixture pages against their expected dumps (page values, element tree with
// records, computed styles). Each page is also fed in two blocks cut at every
// byte offset: the result must not depend on where the data was cut.
// tools/update-html-golden.sh rewrites the expected files.
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "layout/FontTable.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/support/TestPaths.h"

namespace {

// Font-family names become faces of the layout's font table, as in the
// program (without installed faces).
FontTable g_faces(nullptr, nullptr);

const char* const kPages[] = {"basic", "tables", "forms", "raw", "styles"};

std::string DumpOf(DocumentContent& content) {
    return DumpPageProperties(*content.GetPage()) + "--- tree\n" + DumpElementTree(content.Root()) +
           "--- styles\n" + DumpComputedStyles(*content.GetPage(), content.Root());
}

std::string PagePath(const std::string& name, const char* suffix) {
    return testing_support::SourcePath("tests/html/golden/" + name + suffix);
}

TEST(HtmlGolden, PagesGiveTheirExpectedDumps) {
    const bool update = std::getenv("ZINTU_UPDATE_GOLDEN") != nullptr;
    for (const char* name : kPages) {
        std::string page = testing_support::ReadWholeFile(PagePath(name, ".html"));
        ASSERT_FALSE(page.empty()) << name;
        DocumentContent content;
        html_test::FeedWhole(content, page);
        EXPECT_TRUE(content.IsComplete()) << name;
        std::string dump = DumpOf(content);
        if (update) {
            testing_support::WriteWholeFile(PagePath(name, ".expected"), dump);
            continue;
        }
        EXPECT_EQ(dump, testing_support::ReadWholeFile(PagePath(name, ".expected"))) << name;
    }
}

TEST(HtmlGolden, SplitAtEveryOffsetGivesTheSameDump) {
    for (const char* name : kPages) {
        std::string page = testing_support::ReadWholeFile(PagePath(name, ".html"));
        DocumentContent whole;
        html_test::FeedWhole(whole, page);
        const std::string expected = DumpOf(whole);
        for (size_t split = 0; split <= page.size(); ++split) {
            DocumentContent content;
            html_test::FeedSplit(content, page, split);
            ASSERT_EQ(DumpOf(content), expected) << name << " split at " << split;
        }
    }
}

}  // namespace
