#include <cstring>
#include <gtest/gtest.h>
#include <string>

#include "layout/FontTable.h"
#include "html/CssTokenizer.h"
#include "html/StyleSheet.h"
#include "tests/html/HtmlTestPages.h"

namespace {

// Font-family names become faces of the layout's font table, as in the
// program (without installed faces).
FontTable g_faces(nullptr, nullptr);

std::string Declarations(const char* style) {
    UrlHandle base("http://test.example/css/", true);
    auto list = ParseStyleAttribute(style, style + std::strlen(style), &base);
    std::string out;
    for (const StyleDeclaration* d = list->First(); d; d = DeclarationList::Next(d))
        out += (out.empty() ? "" : "; ") + DescribeDeclaration(*d);
    return out;
}

TEST(Css, Declarations) {
    struct Case {
        const char* style;
        const char* declarations;
    } cases[] = {
        {"margin: 1px 2px 3px", "margin-top=1px; margin-right=2px; margin-bottom=3px; margin-left=2px"},
        {"margin: 1px 2px 3px 4px 5px", ""},
        {"margin: auto", "margin-top=k0xc; margin-right=k0xc; margin-bottom=k0xc; margin-left=k0xc"},
        {"padding: -2em", "padding-top=-2em; padding-right=-2em; padding-bottom=-2em; padding-left=-2em"},
        {"border-width: thin",
         "border-top-width=1px; border-right-width=1px; border-bottom-width=1px; "
         "border-left-width=1px"},
        {"border-style: solid 2px", ""},
        {"border: 2px dotted #f00",
         "border-top-width=2px; border-right-width=2px; border-bottom-width=2px; border-left-width=2px; "
         "border-top-style=k0x203; border-right-style=k0x203; border-bottom-style=k0x203; "
         "border-left-style=k0x203; "
         "border-top-color=rgb(255,0,0); border-right-color=rgb(255,0,0); border-bottom-color=rgb(255,0,0); "
         "border-left-color=rgb(255,0,0)"},
        {"font-weight: 700", "font-weight=7"},
        {"font-weight: 750", "font-weight=7"},
        {"font-weight: 950", ""},
        {"font-weight: bold", "font-weight=7"},
        {"font-weight: normal", "font-weight=4"},
        {"color: rgb(100%,0,50%)", "color=rgb(255,0,127)"},
        {"color: rgb(1,2)", ""},
        {"color: rgb(300, -5, 7)", "color=rgb(255,0,7)"},
        {"color: teal", "color=rgb(0,128,128)"},
        {"color: #abc", "color=rgb(170,187,204)"},
        {"color: #abcd", ""},
        {"Color: red", ""},  // property names are lower case
        {"text-decoration: underline blink", "text-decoration=k0x90"},
        {"text-decoration: none underline", ""},
        {"background-position: center center", "background-position=50% 50%"},
        {"background-position: left top", "background-position=0% 0%"},
        {"background-position: bottom right", "background-position=100% 100%"},
        {"background-position: 10px", "background-position=10px 50%"},
        {"background-position: middle", ""},
        {"background: url(img/bg.gif) no-repeat fixed",
         "background-image=\"http://test.example/css/img/bg.gif\"; background-repeat=k0x103; "
         "background-attachment=k0x3"},
        {"font-size: 12pt", "font-size=12pt"},
        {"font-size: -1em", ""},
        {"font-size: larger", "font-size=k0x2007"},
        {"font-family: Times New Roman, serif",
         "font-family=Times New Roman, serif"},  // commas are not collected here
        {"font: italic bold 10pt serif",
         "font-style=k0x19; font-weight=7; font-size=10pt; font-family=serif"},
        {"font: 10pt/12pt serif", ""},  // "/" is not collected in a STYLE attribute
        {"font: 10pt", ""},
        {"font: caption", ""},
        {"list-style: square inside", "list-style-type=k0x62; list-style-position=k0x68"},
        {"list-style: square circle", ""},
        {"clear: both; float: both", "clear=k0xb"},
        {"display: table-cell", "display=k0x3c"},
        {"width: 50%; height: auto", "width=50%; height=k0xc"},
        {"width: 50% 10px", ""},
        {"letter-spacing: 10%; word-spacing: normal", "word-spacing=k0xe"},
        {"vertical-align: text-top", "vertical-align=k0x53"},
        {"color: red !important;", "color=rgb(255,0,0) !important"},
        {"color: red !important", "color=rgb(255,0,0)"},           // the last declaration is never important
        {"color: red !important blue;", "color=rgb(255,0,0)"},     // the mark counts only as the last token
        {"color: red; x = 1; color: blue", "color=rgb(255,0,0)"},  // "=" stops the parse
        {"text-indent: -5px", "text-indent=-5px"},
        {"page-break-after: always; cursor: wait", ""},  // accepted and ignored
    };
    for (const Case& c : cases) EXPECT_EQ(Declarations(c.style), c.declarations) << c.style;
}

TEST(Css, Tokens) {
    struct Case {
        const char* text;
        int kind;
        const char* token;
    } cases[] = {
        {"~=x", kCssIncludes, "~="},
        {"@import", kCssAtKeyword, "import"},
        {"@1x", '@', "@"},
        {"! IMPORTANT", kCssImportant, "IMPORTANT"},
        {"'it''", kCssString, "it"},
        {"\"a\\\"b\"", kCssEscapedString, "a\\\"b"},
        {"#head-1", kCssHash, "head-1"},
        {"url(a(b).gif)", kCssUrl, "a(b).gif"},
        {"RGB(1,2,3)", kCssFunction, "1,2,3"},
        {"12.5em", kCssNumberBit | kFormReal | kUnitEm, "12.5"},
        {"017", kCssNumberBit | kFormOctal | kUnitNone, "017"},
        {"0x1F", kCssNumberBit | kFormHex | kUnitNone, "0x1F"},
        {"3PX", kCssNumberBit | kFormInteger | kUnitPx, "3"},
        {"3furlongs", kCssNumberBit | kFormInteger | kUnitOther, "3"},
        {"2e", kCssNumberBit | kFormInteger | kUnitOther, "2"},
        {"=", kCssStop, ""},
    };
    CssTokenizer tokenizer;
    for (const Case& c : cases) {
        const char* p = c.text;
        const char* start;
        int length;
        int kind = tokenizer.NextToken(p, start, length, c.text + std::strlen(c.text), false, true);
        EXPECT_EQ(kind, c.kind) << c.text;
        EXPECT_EQ(std::string(start, length), c.token) << c.text;
    }
    EXPECT_EQ(LookupProperty("background-attachment", 21), kPropBackgroundAttachment);
    EXPECT_EQ(LookupProperty("COLOR", 5), -1);
    EXPECT_EQ(LookupCssKeyword("yellow", 6), 0x100f);
    EXPECT_EQ(LookupCssKeyword("Yellow", 6), kCssUnknownKeyword);
}

// Computed declarations of the first element of a type, with sheets set up
// by the caller.
std::string StyleOf(DocumentContent& content, int type) {
    HtmlElement* e = content.Root()->FindFirstOfType(type);
    StyleDeclarationList list;
    content.GetPage()->ComputeElementStyle(e, list);
    std::string out;
    for (const WeightedDeclaration* w = list.First(); w; w = StyleDeclarationList::Next(w))
        out += (out.empty() ? "" : "; ") + DescribeDeclaration(*w->declaration) + "@" +
               std::to_string(w->weight);
    return out;
}

std::unique_ptr<StyleSheet> UserSheet(const char* text) {
    auto sheet = std::make_unique<StyleSheet>(nullptr, nullptr);
    const char* p = text;
    sheet->ParseRules(nullptr, p, text + std::strlen(text), false, true);
    return sheet;
}

TEST(Css, MatchingAndWeights) {
    struct Case {
        const char* page;
        int type;
        const char* style;
    } cases[] = {
        // Specificity: ids 100, classes 10, compounds 1; the greater weight wins.
        {"<style>P { color: red } .x { color: blue } #i { color: lime }</style><p class=x id=i>t", kTagP,
         "color=rgb(0,255,0)@101"},
        // Equal weights: the declaration added first stays (rules are tried from the last).
        {"<style>P { color: red } P { color: blue }</style><p>t", kTagP, "color=rgb(0,0,255)@1"},
        {"<style>P { color: red !important } P { color: blue }</style><p style=\"color: lime\">t", kTagP,
         "color=rgb(255,0,0) !important@10001"},
        // A selector with :hover or an unknown element matches nothing at all.
        {"<style>P A:hover { color: red }</style><p>t", kTagP, ""},
        {"<style>FOO.x { color: red }</style><p class=x>t", kTagP, ""},
        {"<style>P > B { color: red }</style><p><i><b>t", kTagB, ""},
        {"<style>P > B { color: red }</style><p><b>t", kTagB, "color=rgb(255,0,0)@2"},
        {"<style>I + B { color: red }</style><p><i>a</i><b>t", kTagB, "color=rgb(255,0,0)@2"},
        {"<style>HTML B { color: red }</style><p><b>t", kTagB, "color=rgb(255,0,0)@2"},
        {"<style>A:link { color: red; margin-top: 1px }</style><a href=x>t", kTagA,
         "margin-top:1=1px@11; color:1=rgb(255,0,0)@11"},
        {"<style>P:first-line { margin-top: 1px; color: red }</style><p>t", kTagP, "color:5=rgb(255,0,0)@11"},
        {"<style>.1x { color: red }</style><p class=1x>t", kTagP, ""},
        {"<style>P { color: red</style><p>t", kTagP, ""},  // ends inside the values: not parsed
    };
    for (const Case& c : cases) {
        DocumentContent content;
        html_test::FeedWhole(content, c.page);
        EXPECT_EQ(StyleOf(content, c.type), c.style) << c.page;
    }
}

TEST(Css, UserSheetMergesWithItsWeights) {
    auto user = UserSheet("P { color: blue; margin-top: 2px !important } B { color: green }");
    struct Case {
        bool local, override;
        const char* style;
    } cases[] = {
        // The user's sheet after the page's: the page's colour stays (greater weight), the user's
        // important margin replaces the page's whatever the weights.
        {true, false, "margin-top=2px !important user@12001; color=rgb(255,0,0)@101"},
        // With the override the user's declarations replace the page's.
        {true, true, "margin-top=2px !important user@12001; color=rgb(0,0,255) user@1"},
        {false, false, "margin-top=5px@101; color=rgb(255,0,0)@101"},
    };
    for (const Case& c : cases) {
        DocumentContent content;
        content.GetPage()->styleSettings.userSheet = user.get();
        content.GetPage()->styleSettings.cssEnableLocal = c.local;
        content.GetPage()->styleSettings.cssLocalOverride = c.override;
        html_test::FeedWhole(content, "<style>#p { color: red; margin-top: 5px }</style><p id=p>t");
        EXPECT_EQ(StyleOf(content, kTagP), c.style) << c.local << c.override;
    }
}

}  // namespace

#include "tests/support/TestPaths.h"

namespace {

TEST(Css, StyleSheetFiles) {
    testing_support::ScratchDir dir;
    std::string sheetText = "P { color: red }\n" + std::string(40000, ' ') + "EM { color: #0f0 }";
    testing_support::WriteWholeFile(dir.File("page.css"), sheetText);
    testing_support::WriteWholeFile(dir.File("user.css"), "P { margin-top: 3px !important }");

    // A linked sheet read in pieces from its file.
    DocumentContent content;
    html_test::FeedWhole(content, "<link rel=stylesheet href=\"sheet.css\"><p>text<em>x</em></p>");
    HtmlElement* link = content.Root()->FindFirstOfType(kTagLink);
    ASSERT_NE(link, nullptr);
    auto* record = link->RecordAs<LinkRecord>();
    ASSERT_TRUE(record && record->collector);
    EXPECT_TRUE(PageProperties::LoadStyleSheetFile(dir.File("page.css").c_str(), content.GetPage(),
                                                   record->collector.get(), link));
    EXPECT_EQ(StyleOf(content, kTagP), "color=rgb(255,0,0)@1");
    EXPECT_EQ(StyleOf(content, kTagEm), "color=rgb(0,255,0)@1");
    EXPECT_FALSE(PageProperties::LoadStyleSheetFile(dir.File("missing.css").c_str(), content.GetPage(),
                                                    record->collector.get(), link));

    // The user's own sheet.
    std::unique_ptr<StyleSheet> user = PageProperties::LoadUserStyleSheet(dir.File("user.css").c_str());
    ASSERT_NE(user, nullptr);
    EXPECT_EQ(user->RuleCount(), 1);
    EXPECT_EQ(PageProperties::LoadUserStyleSheet(dir.File("none.css").c_str()), nullptr);
}

}  // namespace

#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"

namespace {

TEST(PageUrls, PagesShareRecordsThroughTheRegistry) {
    testing_support::ScratchDir dir;
    GetUrlSettings() = UrlSettings();
    GetUrlSettings().cacheDirectory = dir.Path();
    GetUrlSettings().emptyOnExit = true;
    {
        UrlRegistry registry(GetUrlSettings());
        DocumentContent first, second;
        html_test::FeedWhole(first, "<img src=shared.gif>");
        html_test::FeedWhole(second, "<a href=\"shared.gif#f\">x</a>");
        auto* image = first.Root()->FindFirstOfType(kTagImg)->RecordAs<ImageRecord>();
        auto* anchor = second.Root()->FindFirstOfType(kTagA)->RecordAs<AnchorRecord>();
        ASSERT_TRUE(image && image->src && anchor && anchor->href);
        EXPECT_EQ(image->src->Record(), anchor->href->Record());
        EXPECT_EQ(registry.Find(nullptr, "http://test.example/dir/shared.gif", nullptr, false).Record(),
                  image->src->Record());
        EXPECT_STREQ(anchor->href->GetFragment(), "f");
    }
    GetUrlSettings() = UrlSettings();
}

}  // namespace
