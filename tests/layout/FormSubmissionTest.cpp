// Form submission over window-less controls: the encodings, the pairs a
// formatted page's controls send, the request the registry is given, reset,
// and the controls as a printer draws them.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "html/DocumentContent.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/FormControl.h"
#include "layout/FormEncoding.h"
#include "layout/FormSubmission.h"
#include "layout/LayoutFormatter.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "tests/html/HtmlTestPages.h"
#include "tests/support/TestPaths.h"

namespace {

// --- encodings ---------------------------------------------------------------------------

TEST(FormEncoding, PairsEscapeAllButLettersDigitsAndFour) {
    struct Case {
        const char* name;
        const char* value;
        const char* pair;
    } const cases[] = {
        {"a b", "x&y=1", "a+b=x%26y%3D1"},
        {"k", "AZaz09._-@", "k=AZaz09._-@"},
        {"k", "~", "k=%7E"},
        {"k", "\xE9/+%", "k=%E9%2F%2B%25"},
        {"k", "", "k="},
    };
    for (const Case& c : cases) {
        std::string out;
        AppendUrlPair(out, true, c.name, c.value, std::strlen(c.value));
        EXPECT_EQ(out, c.pair) << c.value;
    }
    std::string two;
    AppendUrlPair(two, true, "a", "1", 1);
    AppendUrlPair(two, false, "b", nullptr, 0);
    EXPECT_EQ(two, "a=1&b=");
    EXPECT_EQ(CountUrlEscapes("a b~c"), 2u);
}

TEST(FormEncoding, SmallParsers) {
    EXPECT_EQ(CommaFieldToInt("3,17,5", 2), 17);
    EXPECT_EQ(CommaFieldToInt("3,17,5", 4), 0);
    EXPECT_EQ(CommaFieldToInt("", 1), 0);
    EXPECT_EQ(CommaFieldToInt("99999999999", 1), INT32_MAX);
    EXPECT_EQ(IsindexQuery("  two  words "), "+two+words");
    EXPECT_EQ(IsindexQuery("a\t\nb&c"), "a+b%26c");
    EXPECT_EQ(IsindexQuery("   "), "");
    const std::vector<std::string> names =
        SplitUploadFileNames("\"C:\\My Files\\a b.txt\", c.txt;d\r\n\te \"\"");
    EXPECT_EQ(names, (std::vector<std::string>{"C:\\My Files\\a b.txt", "c.txt", "d", "e"}));
}

std::string Encode(const std::string& in, int kind, int* result = nullptr) {
    MimeTextConverter converter;
    converter.output = "stale";
    size_t length = 99;
    const int r = EncodeMimeText(converter, length, in.data(), in.size(), "ISO-8859-1", kind);
    if (result) *result = r;
    EXPECT_EQ(length, converter.output.size());
    return converter.output;
}

TEST(FormEncoding, MimeTextKinds) {
    const std::string bytes45(45, 'M');
    const std::string line60 = Encode(bytes45, kMimeBase64Lines);
    EXPECT_EQ(line60.size(), 62u);
    EXPECT_EQ(line60.substr(60), "\r\n") << "a line break after 45 bytes, 60 characters";
    const std::string two = Encode(std::string(100, '\xff'), kMimeBase64);
    EXPECT_EQ(two.find("\r\n"), 60u);
    EXPECT_EQ(two.find("\r\n", 62), 122u);
    EXPECT_EQ(two.substr(two.size() - 4), "/w==");
    EXPECT_EQ(Encode(std::string(100, 'a'), kMimeBase64Flat).find('\r'), std::string::npos);
    EXPECT_EQ(Encode("Man", kMimeBase64Flat), "TWFu");

    EXPECT_EQ(Encode("", kMimeUuencode), "`\r\n");
    EXPECT_EQ(Encode("Cat", kMimeUuencode), "#0V%T\r\n`\r\n");
    const std::string uu = Encode(std::string(46, '\0'), kMimeUuencode);
    EXPECT_EQ(uu.substr(0, 1), "M") << "45 bytes on a full line";
    EXPECT_EQ(uu.substr(uu.size() - 5), "\r\n`\r\n");
    EXPECT_EQ(uu.substr(2, 4), "````") << "zero is written as the grave accent";

    EXPECT_EQ(Encode("a b=\xE9\r\n", kMimeQuotedPrintable), "a b=3D=E9\r\n");
    EXPECT_EQ(Encode("a b", kMimeQuotedPrintableSpaces), "a=20b");
    EXPECT_EQ(Encode("", kMimeQuotedPrintable), "");

    int result = 0;
    EXPECT_EQ(Encode("caf\xE9", kMime7Bit, &result), "");
    EXPECT_EQ(result, kMimeTextNot7Bit);
    EXPECT_EQ(Encode("caf\xE9", kMime8Bit, &result), "caf\xE9");
    EXPECT_EQ(result, kMimeTextDone);
    Encode(std::string("a\0b", 3), kMime8Bit, &result);
    EXPECT_EQ(result, kMimeTextNot8Bit);
    Encode(std::string(999, 'x'), kMime7Bit, &result);
    EXPECT_EQ(result, kMimeTextNot7Bit) << "a line of 999 bytes";
    EXPECT_EQ(Encode(std::string(998, 'x') + "\n" + std::string(998, 'x'), kMime7Bit, &result).size(), 1997u);
    EXPECT_EQ(result, kMimeTextDone);
    EXPECT_EQ(Encode("a\rb\nc\r\nd", kMime7Bit), "a\r\nb\r\nc\r\nd")
        << "a lone CR makes every line end CR LF";
    EXPECT_EQ(Encode("a\nb", kMime7Bit), "a\nb") << "without a lone CR the text is kept";
    EXPECT_EQ(Encode("abc", kMimeNothing), "");
    EXPECT_EQ(Encode("abc", kMimeBinary), "abc");
    EXPECT_EQ(Encode("abc", -1), "abc");

    EXPECT_EQ(CountCharsToEncode("a b=c", 5, kMimeQuotedPrintable), 2u);
    EXPECT_EQ(CountCharsToEncode("a b~c", 5, kMimeBinary), 2u);
    EXPECT_EQ(CountCharsToEncode("a b", 3, kMimeBase64), 0u);
    EXPECT_EQ(CharNeedsQuotedPrintable('\t', 0), 0);
    EXPECT_EQ(CharNeedsQuotedPrintable('\t', kQpHeaderWord), 1);
    EXPECT_EQ(CharNeedsQuotedPrintable('(', kQpHeaderWord), 0);
    EXPECT_EQ(CharNeedsQuotedPrintable(0x7F, 0), 1);
}

// --- a page with its controls ---------------------------------------------------------------

// A registry over a scratch cache folder, for the requests forms make.
class Registry {
public:
    Registry() {
        GetUrlSettings() = UrlSettings();
        GetUrlSettings().cacheDirectory = dir_.Path();
        GetUrlSettings().emptyOnExit = true;
        registry_ = std::make_unique<UrlRegistry>(GetUrlSettings());
    }
    ~Registry() {
        registry_.reset();
        GetUrlSettings() = UrlSettings();
    }

private:
    testing_support::ScratchDir dir_;
    std::unique_ptr<UrlRegistry> registry_;
};

// One registry for each test: the program has one owner of all records.
class FormSubmit : public ::testing::Test {
    Registry registry_;
};

struct FormPage {
    DocumentContent content;
    FixedMetricsDevice device{600, 400};
    std::unique_ptr<BlockBox> root;
    PageControlFactory factory;

    explicit FormPage(const std::string& page) {
        html_test::FeedWhole(content, page);
        device.SetFontHeight(10);
        RegisterFormControlFactory(&factory);
        LayoutRequest request;
        request.width = 600;
        root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
        LayoutFormatter formatter(device, content.GetPage());
        int steps = 0;
        while (formatter.FormatStep(content.Root(), root.get(), 1000000) == kResultBudgetOut &&
               ++steps < 1000) {
        }
        RegisterFormControlFactory(nullptr);
    }

    HtmlElement* Named(const char* name) { return FindFieldByName(content.Root(), name); }
    FormControl* Control(const char* name) {
        FormControlBox* box = FindControlBox(root.get(), Named(name));
        return box ? box->Control() : nullptr;
    }
    HtmlElement* Form() { return content.Root()->FindFirstOfType(kTagForm); }

    // Submits through the named element (null: the form's own first field).
    UrlHandle Submit(const char* by, std::string* pairs = nullptr, int16_t x = 0, int16_t y = 0) {
        HtmlElement* element = by ? Named(by) : nullptr;
        FormSubmission submission(element, FindFormOf(element ? element : Form()->NextInOrder()),
                                  html_test::PageUrl(), x, y);
        UrlHandle url = SubmitForm(submission, root.get());
        if (pairs) *pairs = submission.pairs;
        return url;
    }
};

TEST_F(FormSubmit, GetAndPostCarryTheEscapedPairs) {
    FormPage get(
        "<form action=\"http://h.example/find\"><input name=\"a b\" value=\"x&amp;y=1\">"
        "<input type=submit name=go value=Go></form>");
    UrlHandle url = get.Submit("go");
    ASSERT_FALSE(url.IsEmpty());
    EXPECT_STREQ(url.GetName(), "http://h.example/find?a+b=x%26y%3D1&go=Go");

    FormPage post("<form method=post action=\"/post#part\"><input name=\"a b\" value=\"x&amp;y=1\"></form>");
    UrlHandle posted = post.Submit(nullptr);
    ASSERT_FALSE(posted.IsEmpty());
    EXPECT_STREQ(posted.GetName(), "http://test.example/post");
    EXPECT_STREQ(posted.GetFragment(), "part");
    EXPECT_TRUE(posted->IsPrivate()) << "every POST is a request of its own";
    ASSERT_NE(posted->GetHttpPart(), nullptr);
    EXPECT_EQ(posted->GetHttpPart()->method, kMethodPost);
    EXPECT_STREQ(posted->GetPostBody(), "a+b=x%26y%3D1");
    EXPECT_EQ(posted->GetHttpPart()->bodyContentType, "application/x-www-form-urlencoded");
}

TEST_F(FormSubmit, AddressesWithoutActionOrWithAQuestionMark) {
    FormPage ends("<form action=\"http://h.example/q?\"><input name=a value=1></form>");
    EXPECT_STREQ(ends.Submit(nullptr).GetName(), "http://h.example/q?a=1") << "no second question mark";
    // A page whose address is a scheme and a host only.
    DocumentContent content;
    UrlHandle host("http://host.example", true);
    const std::string page = "<form><input type=hidden name=h value=v></form>";
    content.FeedData(host, page.data(), static_cast<long>(page.size()), false, 0);
    HtmlElement* form = content.Root()->FindFirstOfType(kTagForm);
    FormSubmission submission(nullptr, form, host);
    EXPECT_STREQ(SubmitForm(submission, nullptr).GetName(), "http://host.example/?h=v");
}

TEST_F(FormSubmit, WhichControlsSendWhat) {
    FormPage f(
        "<form action=\"http://h.example/\">"
        "<input type=checkbox name=on1 checked><input type=checkbox name=off>"
        "<input type=checkbox name=v checked value=yes>"
        "<input type=radio name=r value=1><input type=radio name=r value=2 checked>"
        "<input type=reset name=rs><input type=button name=b value=B>"
        "<input type=submit name=s1 value=One><input type=submit name=s2 value=Two>"
        "<input type=hidden name=h value=hv><input name=\"\" value=nameless>"
        "<input type=image name=go src=\"go.gif\"></form>");
    std::string pairs;
    f.Submit("s2", &pairs);
    EXPECT_EQ(pairs, "on1=on&v=yes&r=2&s2=Two&h=hv");
    f.Submit("go", &pairs, 10, 5);
    EXPECT_EQ(pairs, "on1=on&v=yes&r=2&h=hv&go.x=10&go.y=5");
}

TEST_F(FormSubmit, TypedValuesAreSentWhateverTheirLength) {
    std::string options;
    for (int i = 1; i <= 13000; ++i) options += "<option selected>o" + std::to_string(i);
    const std::string area(70000, 'q');
    FormPage f(
        "<form method=post action=\"http://h.example/p\"><input name=t value=default>"
        "<select multiple size=4 name=s>" +
        options +
        "</select>"
        "<textarea name=area rows=2 cols=10>" +
        area + "</textarea></form>");
    FormControl* text = f.Control("t");
    ASSERT_NE(text, nullptr);
    text->SetValue("");
    std::string pairs;
    UrlHandle url = f.Submit(nullptr, &pairs);
    ASSERT_FALSE(url.IsEmpty());
    EXPECT_EQ(pairs.compare(0, 7, "t=&s=o1"), 0) << "an emptied field is sent empty, not as its default";
    size_t sent = 0;
    for (size_t at = pairs.find("&s=o"); at != std::string::npos; at = pairs.find("&s=o", at + 1)) ++sent;
    EXPECT_EQ(sent, 13000u) << "every selected option";
    EXPECT_NE(pairs.find("&s=o13000&area=" + area), std::string::npos) << "the whole text area";
    EXPECT_EQ(std::string(url->GetPostBody()), pairs);
}

TEST_F(FormSubmit, ResetGivesBackEveryDefault) {
    FormPage f(
        "<form><input name=t value=start><input type=checkbox name=c checked>"
        "<input type=radio name=r value=1 checked><input type=radio name=r value=2>"
        "<select name=s><option>a<option selected>b<option>c</select>"
        "<select name=m multiple size=3><option selected>a<option>b<option selected>c</select>"
        "<textarea name=x>first</textarea></form>");
    std::string before;
    f.Submit(nullptr, &before);
    EXPECT_EQ(before, "t=start&c=on&r=1&s=b&m=a&m=c&x=first");
    f.Control("t")->SetValue("typed");
    f.Control("c")->SetValue(nullptr);
    f.Control("r")->SetValue(nullptr);
    f.Control("s")->SetValue("3");
    f.Control("m")->SetValue("2");
    f.Control("x")->SetValue("other");
    std::string changed;
    f.Submit(nullptr, &changed);
    EXPECT_EQ(changed, "t=typed&s=c&m=b&x=other");
    ResetForm(f.Form(), f.root.get());
    std::string after;
    f.Submit(nullptr, &after);
    EXPECT_EQ(after, before);
}

TEST_F(FormSubmit, EnterSubmitsOnlyAFormOfOneTextField) {
    FormPage one(
        "<form action=\"http://h.example/\" target=side><input name=q value=v>"
        "<input type=checkbox name=c><input type=submit name=go value=Go></form>");
    std::unique_ptr<FormSubmission> enter =
        MakeFormSubmission(one.Named("q"), html_test::PageUrl(), one.root.get(), 0, 0);
    ASSERT_NE(enter, nullptr);
    EXPECT_EQ(enter->element, one.Named("go")) << "the form's first submit button";
    EXPECT_EQ(enter->target, "side");
    EXPECT_STREQ(SubmitForm(*enter).GetName(), "http://h.example/?q=v&go=Go");
    FormPage two("<form><input name=a><textarea name=b></textarea><input type=submit></form>");
    EXPECT_EQ(MakeFormSubmission(two.Named("a"), html_test::PageUrl(), two.root.get(), 0, 0), nullptr);
    EXPECT_NE(MakeFormSubmission(two.Named("b")->NextInOrder(), html_test::PageUrl(), two.root.get(), 0, 0),
              nullptr)
        << "a submit button always submits";
    FormPage none("<p><input name=lonely>");
    EXPECT_EQ(MakeFormSubmission(none.Named("lonely"), html_test::PageUrl(), none.root.get(), 0, 0), nullptr);
}

// What the security side was asked for, and what it answers.
struct KeyRequests {
    static inline std::vector<std::string> asked;
    static inline bool answer = true;
    static bool Make(int bits, const char* challenge, std::string& text) {
        asked.push_back(std::to_string(bits) + " " + (challenge ? challenge : "-"));
        text = "MIIB+key/" + std::to_string(bits);
        return answer;
    }
};

TEST_F(FormSubmit, KeygenIsPlacedAndSendsTheKeyOfTheChosenSize) {
    FormPage f(
        "<form method=post action=\"http://h.example/k\"><input name=a value=1>"
        "<keygen name=k challenge=abc><input name=b value=2></form>");
    FormControl* keygen = f.Control("k");
    ASSERT_NE(keygen, nullptr) << "the layout places a KEYGEN as its list of key sizes";
    std::string chosen;
    ASSERT_TRUE(keygen->GetValue(chosen));
    EXPECT_EQ(chosen, "3") << "512, 768, 1024...: the first size of 1024 bits or more";

    struct Case {
        const char* choice;  // the entry the user picked (null: as laid out)
        bool maker, answer;
        const char* pairs;
        int error;
        std::vector<std::string> asked;
    } const cases[] = {
        {nullptr, true, true, "a=1&k=MIIB%2Bkey%2F1024&b=2", kSubmitOk, {"1024 abc"}},
        {"1", true, true, "a=1&k=MIIB%2Bkey%2F512&b=2", kSubmitOk, {"512 abc"}},
        {"7", true, true, "a=1&k=MIIB%2Bkey%2F2048&b=2", kSubmitOk, {"2048 abc"}},
        // No key, no form: neither without the key nor with a part of it.
        {nullptr, true, false, nullptr, kSubmitNoKey, {"1024 abc"}},
        {nullptr, false, true, nullptr, kSubmitNoKeyMaker, {}},
    };
    for (const Case& c : cases) {
        ResetForm(f.Form(), f.root.get());
        if (c.choice) keygen->SetValue(c.choice);
        KeyRequests::asked.clear();
        KeyRequests::answer = c.answer;
        RegisterKeygenTextMaker(c.maker ? &KeyRequests::Make : nullptr);
        FormSubmission submission(nullptr, f.Form(), html_test::PageUrl());
        UrlHandle url = SubmitForm(submission, f.root.get());
        const std::string label = std::string(c.choice ? c.choice : "-") + (c.maker ? " maker" : " none");
        EXPECT_EQ(submission.error, c.error) << label;
        EXPECT_EQ(KeyRequests::asked, c.asked) << label;
        if (c.pairs) {
            ASSERT_FALSE(url.IsEmpty()) << label;
            EXPECT_STREQ(url->GetPostBody(), c.pairs) << label;
        } else {
            EXPECT_TRUE(url.IsEmpty()) << label;
        }
    }
    RegisterKeygenTextMaker(nullptr);
    keygen->SetValue("1");
    ResetForm(f.Form(), f.root.get());
    ASSERT_TRUE(keygen->GetValue(chosen));
    EXPECT_EQ(chosen, "3") << "reset gives back the size the list started at";
}

TEST_F(FormSubmit, IsindexQueries) {
    DocumentContent content;
    UrlHandle page("http://h.example/search?old=1", true);
    const std::string html = "<isindex><isindex action=\"http://other.example/s\">";
    content.FeedData(page, html.data(), static_cast<long>(html.size()), false, 0);
    HtmlElement* first = content.Root()->FindFirstOfType(kTagIsindex);
    ASSERT_NE(first, nullptr);
    EXPECT_STREQ(SubmitIsindex(first, page, "  two  words ").GetName(), "http://h.example/search?+two+words");
    HtmlElement* second = first->NextInOrder();
    while (second && second->Type() != kTagIsindex) second = second->NextInOrder();
    ASSERT_NE(second, nullptr);
    EXPECT_STREQ(SubmitIsindex(second, page, "x").GetName(), "http://other.example/s?x");
}

// --- sizes and printing -----------------------------------------------------------------------

// A printer-like device: not a screen, so controls draw themselves.
class PrintDevice : public FixedMetricsDevice {
public:
    PrintDevice() : FixedMetricsDevice(600, 400) { SetFontHeight(10); }
    bool IsNotScreen() override { return true; }
};

TEST(FormControls, SizesFollowTheFieldKinds) {
    PrintDevice device;
    InputControl submit(device, kControlSubmit, 0, 0, nullptr, false);
    EXPECT_EQ(submit.Label(), "Submit");
    EXPECT_GE(submit.Width(), 80) << "a labelled button is at least 80 wide";
    InputControl push(device, kControlButton, 0, 0, "x", false);
    EXPECT_LT(push.Width(), 80) << "a push button has no minimum";
    InputControl check(device, kControlCheckbox, 0, 0, nullptr, false);
    EXPECT_EQ(check.Width(), 17);
    EXPECT_EQ(FileUploadControl(device, 0, 1, nullptr).Columns(), 15);
    EXPECT_EQ(FileUploadControl(device, 500, 1, nullptr).Columns(), 300);
    EXPECT_EQ(FileUploadControl(device, 5, -3, nullptr).Rows(), 1);
    InputControl wide(device, kControlText, 30, 0, nullptr, false);
    InputControl narrow(device, kControlText, 10, 0, nullptr, false);
    EXPECT_GT(wide.Width(), narrow.Width());
}

TEST(FormControls, PrintedFields) {
    PrintDevice device;
    InputControl radio(device, kControlRadio, 0, 0, nullptr, true);
    radio.Position(100, 50, true);
    ASSERT_EQ(device.Log().size(), 2u);
    EXPECT_NE(device.Log()[0].find("circle"), std::string::npos) << device.Log()[0];
    EXPECT_NE(device.Log()[1].find("disc"), std::string::npos) << device.Log()[1];
    EXPECT_NE(device.Log()[1].find("104,54"), std::string::npos) << "inset by a quarter: " << device.Log()[1];

    device.ClearLog();
    InputControl password(device, kControlPassword, 10, 0, "secret", false);
    password.Position(0, 0, true);
    for (const std::string& line : device.Log()) EXPECT_EQ(line.find("secret"), std::string::npos) << line;

    EXPECT_EQ(WrapTextAreaLines("one two three four", 3, 9),
              (std::vector<std::string>{"one two", "three", "four"}));
    EXPECT_EQ(WrapTextAreaLines("a\r\nb\nc\rd", 3, 9), (std::vector<std::string>{"a", "b", "c"}));
    EXPECT_EQ(WrapTextAreaLines("abcdefghijk", 2, 4), (std::vector<std::string>{"abcd", "efgh"}));

    device.ClearLog();
    SelectControl list(device, true, 2);
    for (const char* text : {"one", "two", "three"}) list.AddOption(text, false);
    EXPECT_EQ(list.KeptTexts(), (std::vector<std::string>{"two", "three"})) << "as many texts as rows";
    SelectControl keeps(device, true, 2);
    keeps.AddOption("chosen", true);
    keeps.AddOption("b", false);
    keeps.AddOption("c", false);
    EXPECT_EQ(keeps.KeptTexts(), (std::vector<std::string>{"chosen", "b"})) << "a selected first entry stays";
}

}  // namespace
