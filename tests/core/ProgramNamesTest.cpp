// Command lines of outside programs and the file names proposed for saving
// a URL: tables of inputs and the exact texts that must come of them.
#include <gtest/gtest.h>

#include <string>

#include "core/ProgramCommandLine.h"
#include "core/SaveFileNames.h"

namespace {

TEST(ProgramCommandLine, TheArgumentGoesAfterTheProgramOrInPlaceOfThePercent) {
    struct Case {
        const char* program;
        const char* argument;
        bool alwaysQuote;
        const char* line;
    } cases[] = {
        {"telnet.exe", "host", false, "telnet.exe host"},
        {"telnet.exe", "host", true, "telnet.exe \"host\""},
        {"viewer.exe", "c:\\a b\\f.txt", false, "viewer.exe \"c:\\a b\\f.txt\""},
        {"viewer.exe", "", false, "viewer.exe"},
        {"mail.exe -to % -send", "mailto:a@b", false, "mail.exe -to  a@b  -send"},
        {"mail.exe -to %s -send", "MAILTO:a@b", true, "mail.exe -to  \"a@b\"  -send"},
        {"mail.exe %", "", false, "mail.exe  \"\" "},
        {"mail.exe", "mailto:a@b", false, "mail.exe mailto:a@b"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ComposeProgramCommandLine(c.program, c.argument, c.alwaysQuote), c.line) << c.program;
}

TEST(SaveFileNames, TheLastComponentIsProposedWithAFilterOfItsExtension) {
    struct Case {
        const char* url;
        const char* name;
        const char* extension;  // null: no filter
    } cases[] = {
        {"http://h/dir/picture.jpe", "picture.jpg", "jpg"},
        {"http://h/dir/page.html?x=1/2", "page.html", "html"},
        {"http://h/dir/page.html;type=a", "page.html", "html"},
        {"file:c:\\dir\\notes.txt", "notes.txt", "txt"},
        {"http://h/dir/", "", nullptr},
        {"http://h/dir/README", "README", nullptr},
        {"http://h/dir/name.", "name.", nullptr},
    };
    for (const auto& c : cases) {
        ProposedFile p = SplitFileNameFromUrl(c.url);
        EXPECT_EQ(p.name, c.name) << c.url;
        if (c.extension) {
            std::string pattern = std::string("*.") + c.extension;
            EXPECT_EQ(p.filter, pattern + '\0' + pattern + '\0' + '\0') << c.url;
        } else {
            EXPECT_TRUE(p.filter.empty()) << c.url;
        }
    }
    EXPECT_EQ(SplitFileNameFromUrl("http://h/" + std::string(254, 'a')).name.size(), 254u);
    EXPECT_EQ(SplitFileNameFromUrl("http://h/" + std::string(255, 'a')).name, "");
}

}  // namespace
