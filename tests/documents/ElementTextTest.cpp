// An element's subtree as plain text: links, options and blocks of a parsed
// page, a text node, buffers too small for the text and no buffer at all.
#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "documents/ElementText.h"
#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "net/UrlHandle.h"

namespace {

const char kPage[] =
    "<html><body>\n"
    "<p id=first>A paragraph with <a href=\"/x\">a <b>bold</b> link</a> in it.</p>\n"
    "<form><select><option>First choice<option selected>Second &amp; last</select></form>\n"
    "<div><p>One block</p><p>and another</p></div>\n"
    "<a href=\"/empty\"></a>\n"
    "</body></html>\n";

HtmlElement* NthOfType(HtmlElement* root, int type, int n) {
    for (TreeNode* e = root; e; e = e->NextInOrder(false)) {
        auto* element = static_cast<HtmlElement*>(e);
        if (element->Type() == type && n-- == 0) return element;
    }
    return nullptr;
}

// The text with its runs of spaces made one, for comparing words.
std::string Words(const char* text) {
    std::string out;
    for (const char* p = text; *p; ++p) {
        if (*p == ' ' && (out.empty() || out.back() == ' ')) continue;
        out += *p;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

class ElementText : public ::testing::Test {
protected:
    void SetUp() override {
        const UrlHandle url("file:/element-text.html", true);
        content_.FeedData(url, kPage, static_cast<long>(std::strlen(kPage)), false, 0);
        ASSERT_NE(content_.Root(), nullptr);
    }
    DocumentContent content_;
};

TEST_F(ElementText, ASubtreeReadsAsItsWords) {
    struct Case {
        int type;
        int nth;
        const char* words;
    } cases[] = {
        {kTagA, 0, "a bold link"},
        {kTagOption, 0, "First choice"},
        {kTagOption, 1, "Second & last"},
        {kTagDiv, 0, "One block and another"},
        {kTagA, 1, ""},
    };
    for (const Case& c : cases) {
        HtmlElement* element = NthOfType(content_.Root(), c.type, c.nth);
        ASSERT_NE(element, nullptr) << c.words;
        char buffer[256];
        int length = RenderElementText(element, buffer, sizeof buffer);
        EXPECT_EQ(length, static_cast<int>(std::strlen(buffer))) << c.words;
        EXPECT_EQ(Words(buffer), c.words);
    }
}

TEST_F(ElementText, ATextNodeIsItsOwnText) {
    HtmlElement* option = NthOfType(content_.Root(), kTagOption, 0);
    ASSERT_NE(option, nullptr);
    HtmlElement* text = NthOfType(option, kTextNode, 0);
    ASSERT_NE(text, nullptr);
    char buffer[64];
    int length = RenderElementText(text, buffer, sizeof buffer);
    EXPECT_EQ(length, static_cast<int>(std::strlen(buffer)));
    EXPECT_EQ(Words(buffer), "First choice");
}

TEST_F(ElementText, SmallOrMissingBuffersNeverOverflow) {
    HtmlElement* link = NthOfType(content_.Root(), kTagA, 0);
    ASSERT_NE(link, nullptr);
    // No room: nothing written, not even the terminating zero.
    char untouched[4] = {'x', 'y', 'z', 0};
    EXPECT_EQ(RenderElementText(link, untouched, 0), 0);
    EXPECT_STREQ(untouched, "xyz");
    EXPECT_EQ(RenderElementText(link, untouched, -5), 0);
    EXPECT_STREQ(untouched, "xyz");
    EXPECT_EQ(RenderElementText(link, nullptr, 100), 0);
    // Room for less than the text: what is there is whole and ended, and
    // nothing lies past the size.
    char small[8];
    std::memset(small, '#', sizeof small);
    int length = RenderElementText(link, small, 4);
    EXPECT_LT(length, 4);
    EXPECT_EQ(small[length], 0);
    EXPECT_EQ(small[4], '#');
    // One byte: an empty text.
    char one = 'q';
    EXPECT_EQ(RenderElementText(link, &one, 1), 0);
    EXPECT_EQ(one, 0);
    EXPECT_EQ(RenderElementText(nullptr, small, sizeof small), 0);
    EXPECT_EQ(small[0], 0);
}

}  // namespace
