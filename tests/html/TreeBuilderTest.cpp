#include <gtest/gtest.h>
#include <string>

#include "html/UrlContentFeed.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"
#include "tests/html/HtmlTestPages.h"

namespace {

// The tree as nested names: P[#"text" B[...]].
std::string Shape(const HtmlElement* e) {
    std::string out;
    for (const HtmlElement* c = e->FirstChild(); c; c = c->NextSibling()) {
        if (!out.empty()) out += " ";
        if (c->Type() == kTextNode) {
            out += "\"" + std::string(c->GetText()) + "\"";
            continue;
        }
        out += TagName(c->Type()) ? TagName(c->Type()) : "?";
        if (c->FirstChild()) out += "[" + Shape(c) + "]";
    }
    return out;
}

std::string ShapeOf(const std::string& page) {
    DocumentContent content;
    html_test::FeedWhole(content, page);
    return Shape(content.Root());
}

TEST(TreeBuilder, ImpliedAndClosedStructure) {
    struct Case {
        const char* page;
        const char* shape;
    } cases[] = {
        {"<li>x", "UL[LI[\"x \"]]"},
        {"<dt>t<dd>d", "DL[DT[\"t \"] DD[\"d \"]]"},
        {"<table>x</table>", "TABLE[TR[TD[\"x \"]]]"},
        {"<table><tr>x</table>", "TABLE[TR[TD[\"x \"]]]"},
        {"<td>x", "\"x \""},  // cells outside a table are dropped, their text stays
        {"<p>a<p>b", "P[\"a \"] P[\"b \"]"},
        {"<table><tr><td><table><tr><td>in</td></tr></table>after</td></tr></table>",
         "TABLE[TR[TD[TABLE[TR[TD[\"in \"]]] \"after \"]]]"},
        {"<a href=1>x<a href=2>y", "A[\"x \"] A[\"y \"]"},
        {"<a name=n>x<a href=2>y</a></a>", "A[\"x \" A[\"y \"]]"},
        {"<form></form><input>", "FORM FORM INPUT"},
        {"<table><tr><td>c<tr><input type=hidden name=h><td>d</table>",
         "TABLE[TR[TD[\"c \" INPUT]] TR[TD[\"d \"]]]"},
        {"<table><tr><input type=hidden></table>", "TABLE[TR[TD[INPUT]]]"},
        {"<table> <map name=m></map> </table>", "TABLE[MAP]"},
        {"<table><tr> <map name=m></map> </tr></table>", "TABLE[TR[MAP]]"},
        {"<table><tr> <center><map name=m></map></center> </tr></table>",
         "TABLE[MAP TR]"},  // before the open row
        {"<b>x<b>y</b>z</b>", "B[\"x \" \"y \"] \"z \""},
        {"<select><b>x</b><option>o</select>", "SELECT B[\"x \"] OPTION[\"o \"]"},
        {"<select>loose</select>", "SELECT[OPTION[\"loose \"]]"},
        {"<frameset><p>x</frameset>", "FRAMESET[NOFRAMES[P[\"x \"]]]"},
        {"<image src=a.gif><image>", "IMG IMAGE"},
        {"<ul>\n<li>a</li>\n</ul>", "UL[LI[\"a \"]]"},
        {"<pre>\nline</pre>", "PRE[\"line\"]"},
        {"<textarea>unfinished", "TEXTAREA[\"unfinished\"]"},
        {"<applet code=A><param name=p value=v></applet>", "EMBED[PARAM]"},
        {"<table><area></table>", "TABLE AREA"},  // a token no implied element can hold moves out
    };
    for (const Case& c : cases) EXPECT_EQ(ShapeOf(c.page), c.shape) << c.page;
}

TEST(TreeBuilder, SplitAtEveryOffsetKeepsTheTree) {
    // Pages where moved or implied elements once broke the path of open
    // elements that a later pass follows.
    const char* const pages[] = {
        "<table><table><map></table><td>t",
        "<table><tr><form><map name=m></map></form></tr><td>x</table>after",
        "<select><option selected>a<option>b</select><p>x",
        "<ul><li>a<dt>b<dd>c</ul><table>x<tr><input type=hidden><td>y</table>",
    };
    for (const char* text : pages) {
        const std::string page = text;
        const std::string whole = html_test::TreeOf(page);
        for (size_t split = 0; split <= page.size(); ++split) {
            DocumentContent content;
            html_test::FeedSplit(content, page, split);
            ASSERT_EQ(DumpElementTree(content.Root()), whole) << page << " split at " << split;
        }
    }
}

TEST(TreeBuilder, TextNodes) {
    struct Case {
        const char* page;
        const char* shape;
    } cases[] = {
        {"two  words", "\"two words \""},
        {"<pre>abc\tx\n\ty</pre>", "PRE[\"abc     x\n        y\"]"},
        {"<pre>ab<b>c</b>\td</pre>", "PRE[\"ab\" B[\"c\"] \"     d\"]"},
        // The tab column counts from the last line start: a line break in
        // an earlier element, or a BR.
        {"<pre>x\n<b>y\nab</b>c\td</pre>", "PRE[\"x\n\" B[\"y\nab\"] \"c     d\"]"},
        {"<pre>abc<br><i>d</i>\te</pre>", "PRE[\"abc\" BR I[\"d\"] \"       e\"]"},
        {"a&amp;b&lt", "\"a&b< \""},  // the added space ends the last name
    };
    for (const Case& c : cases) EXPECT_EQ(ShapeOf(c.page), c.shape) << c.page;
    DocumentContent content;
    html_test::FeedWhole(content, "<title>" + std::string(130, 't') + "</title>");
    ASSERT_NE(content.GetTitle(), nullptr);
    EXPECT_EQ(std::string(content.GetTitle()), std::string(120, 't') + " ");
}

// Layout addresses text by 16-bit offsets, so long runs of text become
// several text nodes that together keep every character.
TEST(TreeBuilder, LongTextIsCutIntoRunsLayoutCanAddress) {
    const struct {
        std::string open, body, close;
        bool preformatted;
    } cases[] = {
        {"<p>", [] {
             std::string words;
             while (words.size() < 100000) words += "word" + std::to_string(words.size() % 97) + " ";
             return words;
         }(), "</p>", false},
        {"<pre>", std::string(20000, '\t') + "end\n" + std::string(20000, 'x'), "</pre>", true},
        {"<p>", std::string(70000, 'y'), "</p>", false},
    };
    for (const auto& c : cases) {
        DocumentContent content;
        html_test::FeedWhole(content, c.open + c.body + c.close);
        HtmlElement* block = content.Root()->FindFirstOfType(c.preformatted ? kTagPre : kTagP);
        ASSERT_NE(block, nullptr);
        std::string joined;
        int runs = 0;
        for (HtmlElement* t = block->FirstChild(); t; t = t->NextSibling()) {
            ASSERT_EQ(t->Type(), kTextNode);
            const std::string text = t->GetText();
            EXPECT_LE(text.size(), 32767u);
            joined += text;
            ++runs;
        }
        EXPECT_GT(runs, 1);
        auto visible = [](const std::string& s) {
            std::string out;
            for (char ch : s)
                if (ch != ' ' && ch != '\t') out += ch;
            return out;
        };
        EXPECT_EQ(visible(joined), visible(c.body)) << c.open;
    }
}

TEST(TreeBuilder, BaseFontSizeIsClamped) {
    struct Case {
        const char* page;
        int size;
    } cases[] = {{"<basefont size=9>", 7}, {"<basefont size=0>", 1}, {"<basefont size=5>", 5}, {"x", 3}};
    for (const Case& c : cases) {
        DocumentContent content;
        html_test::FeedWhole(content, c.page);
        EXPECT_EQ(content.GetPage()->baseFontSize, c.size) << c.page;
    }
}

int MaxDepth(const HtmlElement* root) {
    int deepest = 0;
    for (const HtmlElement* e = root; e; e = e->NextInOrder()) deepest = std::max<int>(deepest, e->Depth());
    return deepest;
}

TEST(TreeBuilder, NestingStopsAtItsLimits) {
    std::string spans;
    for (int i = 0; i < 40; ++i) spans += "<span>";
    DocumentContent deep;
    html_test::FeedWhole(deep, spans + "deep text");
    // Elements reach level 30 but take no content there: the text stays with
    // the element at level 29.
    EXPECT_EQ(MaxDepth(deep.Root()), 30);
    HtmlElement* text = deep.Root()->FindFirstOfType(kTextNode);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Depth(), 30u);
    EXPECT_EQ(text->Parent()->Depth(), 29u);

    // At exactly level 30 an A still takes what is not an A.
    std::string anchors;
    for (int i = 0; i < 29; ++i) anchors += "<span>";
    DocumentContent withAnchor;
    html_test::FeedWhole(withAnchor, anchors + "<a name=x>inside</a>");
    HtmlElement* a = withAnchor.Root()->FindFirstOfType(kTagA);
    ASSERT_NE(a, nullptr);
    EXPECT_EQ(a->Depth(), 30u);
    ASSERT_NE(a->FirstChild(), nullptr);
    EXPECT_STREQ(a->FirstChild()->GetText(), "inside ");

    // Eight nested tables: the eighth stays empty.
    std::string tables;
    for (int i = 0; i < 8; ++i) tables += "<table><tr><td>";
    DocumentContent nested;
    html_test::FeedWhole(nested, tables + "x");
    int count = 0;
    HtmlElement* last = nullptr;
    for (HtmlElement* e = nested.Root(); e; e = e->NextInOrder()) {
        if (e->Type() == kTagTable) {
            ++count;
            last = e;
        }
    }
    EXPECT_EQ(count, 8);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->FirstChild(), nullptr);
}

TEST(TreeBuilder, ContentModel) {
    EXPECT_FALSE(ContentModel(kTagP, kTagP));
    EXPECT_FALSE(ContentModel(kTagTable, kTextNode));
    EXPECT_TRUE(ContentModel(kTagSelect, kTagOption));
    EXPECT_FALSE(ContentModel(kTagSelect, kTagB));
    EXPECT_TRUE(ContentModel(kRootElement, kTagPlaintext));
    EXPECT_TRUE(ContentModel(kTagNoframes, kTagBody));
    EXPECT_FALSE(ContentModel(kTagBr, kTextNode));
    EXPECT_TRUE(ContentModel(kTagCaption, kTagH3));
    EXPECT_FALSE(ContentModel(kTextNode, kTextNode));
}

TEST(TreeBuilder, PageEndsEvenWhenTheLastBlockIsCut) {
    // A tag cut by the end of a complete page becomes text; a comment that
    // never ends too; nothing waits for data that will not come.
    struct Case {
        const char* page;
        const char* shape;
    } cases[] = {
        {"x<b", "\"x \" \"<b \""},
        {"<!-- open", "\"<!-- open \""},
        {"<script>never closed", "SCRIPT"},
    };
    for (const Case& c : cases) {
        DocumentContent content;
        html_test::FeedWhole(content, c.page);
        EXPECT_EQ(Shape(content.Root()), c.shape) << c.page;
        EXPECT_TRUE(content.IsComplete()) << c.page;
    }
}

}  // namespace

namespace {

TEST(PageContent, UrlRecordFeedsItsPageInBlocks) {
    InstallPageContentFactory();
    UrlHandle url("http://test.example/dir/page.html", true);
    url->SetPageContent(GetPageContentFactory()(*url.Record()));
    UrlPageContent* feed = url->GetPageContent();
    ASSERT_NE(feed, nullptr);
    const std::string page = "<title>T</title><p>one<table><tr><td>cell</table>";
    // The record offers what it holds; the content takes what it can and the
    // rest is offered again with the next bytes.
    std::string waiting;
    for (size_t i = 0; i < page.size(); i += 7) {
        waiting += page.substr(i, 7);
        long taken = feed->FeedData(waiting.data(), static_cast<long>(waiting.size()), false);
        waiting.erase(0, static_cast<size_t>(taken));
    }
    EXPECT_FALSE(feed->IsComplete());
    feed->FeedData(waiting.data(), static_cast<long>(waiting.size()), true);
    EXPECT_TRUE(feed->IsComplete());
    DocumentContentHandle content = DocumentContentOf(*url.Record());
    ASSERT_FALSE(content.IsEmpty());
    EXPECT_STREQ(content->GetTitle(), "T ");
    EXPECT_EQ(Shape(content->Root()), "TITLE[\"T \"] P[\"one \"] TABLE[TR[TD[\"cell \"]]]");
    url->SetPageContent(nullptr);  // the page's handles to the record go with it
}

TEST(PageContent, TheReplysRefreshBecomesThePagesOwn) {
    InstallPageContentFactory();
    const struct {
        const char* refreshUrl;
        uint16_t delay;
        int pageDelay;
        const char* pageUrl;
    } cases[] = {
        {"next.html#top", 7, 7, "http://test.example/dir/next.html"},
        {"", 0, 0, "http://test.example/dir/page.html"},
        {"", kNoRefresh, -1, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.refreshUrl);
        UrlHandle url("http://test.example/dir/page.html", true);
        HttpPart* http = url->MakeHttpPart();
        http->refreshUrl = c.refreshUrl;
        http->refreshDelay = c.delay;
        url->SetPageContent(GetPageContentFactory()(*url.Record()));
        url->GetPageContent()->FeedData("<p>x", 4, true);
        DocumentContentHandle content = DocumentContentOf(*url.Record());
        ASSERT_FALSE(content.IsEmpty());
        const PageProperties* page = content->GetPage();
        EXPECT_EQ(page->GetRefreshDelay(), c.pageDelay);
        if (c.pageUrl) {
            ASSERT_NE(page->GetRefreshUrl(), nullptr);
            EXPECT_STREQ((*page->GetRefreshUrl())->GetName(), c.pageUrl);
        }
        url->SetPageContent(nullptr);
    }
}

TEST(PageContent, ColoursAndDateForScripts) {
    InstallPageContentFactory();
    UrlHandle url("http://test.example/dir/colours.html", true);
    HttpPart* http = url->MakeHttpPart();
    http->lastModified = 784111777;  // Sun, 06 Nov 1994 08:49:37
    url->SetPageContent(GetPageContentFactory()(*url.Record()));
    const std::string page = "<body bgcolor=\"#102030\" text=red link=#00ff7f>x";
    url->GetPageContent()->FeedData(page.data(), static_cast<long>(page.size()), true);
    DocumentContentHandle content = DocumentContentOf(*url.Record());
    ASSERT_FALSE(content.IsEmpty());
    const struct {
        int id;
        const char* text;  // null: nothing to give
    } cases[] = {
        {kPropertyBgColor, "#102030"},
        {kPropertyFgColor, "#ff0000"},
        {kPropertyLinkColor, "#00ff7f"},
        {kPropertyVlinkColor, nullptr},
        {kPropertyLastModified, "Sun, 06 Nov 1994 08:49:37 GMT"},
        {133, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.id);
        std::string text = "stale";
        ASSERT_EQ(content->GetPage()->GetColourProperty(c.id, text), c.text != nullptr);
        if (c.text) {
            EXPECT_EQ(text, c.text);
        }
    }
    http->lastModified = 0;
    std::string text;
    EXPECT_FALSE(content->GetPage()->GetColourProperty(kPropertyLastModified, text));
    url->SetPageContent(nullptr);
}

TEST(PageContent, VisitedLinksExpire) {
    DocumentContent content;
    html_test::FeedWhole(content, "<a href=seen.html>s</a><a href=other.html>o</a><b>b</b>");
    const uint32_t now = 1000000000;
    HtmlElement* first = content.Root()->FindFirstOfType(kTagA);
    ASSERT_TRUE(first && first->Record());
    const auto* anchor = static_cast<const AnchorRecord*>(first->Record());
    ASSERT_TRUE(anchor->href);
    (*anchor->href)->Touch(now, true);  // the visit of seen.html
    HtmlElement* second = first->NextSibling();
    ASSERT_TRUE(second && second->Type() == kTagA);
    EXPECT_TRUE(first->IsVisitedLink(now + 60));
    EXPECT_FALSE(second->IsVisitedLink(now + 60));
    EXPECT_FALSE(content.Root()->FindFirstOfType(kTagB)->IsVisitedLink(now));
    EXPECT_FALSE(first->IsVisitedLink(now + GetUrlSettings().linkExpirySeconds + 1));
}

TEST(PageContent, ARecordThatStopsEndsItsPageAsStopped) {
    InstallPageContentFactory();
    UrlHandle url("http://test.example/dir/stopped.html", true);
    url->SetPageContent(GetPageContentFactory()(*url.Record()));
    url->GetPageContent()->FeedData("<p>part", 7, false);
    url->GetPageContent()->StopFeeding(kLoadFailed);
    DocumentContentHandle content = DocumentContentOf(*url.Record());
    ASSERT_FALSE(content.IsEmpty());
    EXPECT_EQ(content->GetStopReason(), kLoadFailed);
    EXPECT_TRUE(url->GetPageContent()->IsComplete());
    url->SetPageContent(nullptr);
}

TEST(PageContent, FragmentsAreFoundInThePageTheyNameOrWereSentTo) {
    InstallPageContentFactory();
    UrlHandle target("http://test.example/dir/target.html", true);
    target->SetPageContent(GetPageContentFactory()(*target.Record()));
    const std::string page = "<a name=top>t</a><p id=mid>m<map name=m></map>";
    target->GetPageContent()->FeedData(page.data(), static_cast<long>(page.size()), true);
    HtmlElement* top = FindFragment(*target.Record(), "top");
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->Type(), kTagA);
    ASSERT_NE(FindFragment(*target.Record(), "mid"), nullptr);
    EXPECT_EQ(FindFragment(*target.Record(), "mid")->Type(), kTagP);
    EXPECT_EQ(FindFragment(*target.Record(), "none"), nullptr);
    EXPECT_EQ(FindFragmentElement(UrlHandle(target.Record(), "m"))->Type(), kTagMap);
    EXPECT_EQ(FindFragmentElement(UrlHandle(target.Record(), nullptr)), nullptr);

    // A redirected page is looked at where it was sent, by the redirect's
    // fragment when it gives one.
    UrlHandle moved("http://test.example/dir/moved.html", true);
    moved->MakeHttpPart()->redirectTarget = std::make_unique<UrlHandle>(target.Record(), nullptr);
    EXPECT_EQ(FindFragment(*moved.Record(), "top"), top);
    moved->GetHttpPart()->redirectTarget = std::make_unique<UrlHandle>(target.Record(), "mid");
    EXPECT_EQ(FindFragment(*moved.Record(), "top")->Type(), kTagP);
    moved->GetHttpPart()->redirectTarget.reset();
    target->SetPageContent(nullptr);
}

TEST(PageContent, HandlesShareOneContent) {
    DocumentContentHandle empty;
    EXPECT_TRUE(empty.IsEmpty());
    EXPECT_EQ(empty.GetPage(), nullptr);
    DocumentContentHandle page(false);
    EXPECT_FALSE(page.IsEmpty());
    ASSERT_NE(page.GetPage(), nullptr);
    DocumentContentHandle copy = page;
    DocumentContentHandle& same = copy;
    copy = same;  // a self-assignment keeps the content alive
    EXPECT_EQ(copy.Get(), page.Get());
    empty = page;
    EXPECT_EQ(empty.Get(), page.Get());
    DocumentContentHandle other;
    EXPECT_TRUE(other.IsEmpty());
}

TEST(PageContent, PlainTextAndReferencedUrls) {
    DocumentContent text;
    text.SetContentKind(kContentPlainText);
    text.FeedData(html_test::PageUrl(), "a <b>\tc", 8, true, 0);
    text.FeedData(html_test::PageUrl(), "d", 1, false, 0);
    EXPECT_EQ(Shape(text.Root()), "PRE[\"a <b>   c\" \"d\"]");

    DocumentContent page;
    html_test::FeedWhole(page,
                         "<body background=a.gif><img src=a.gif><img src=a.gif usemap=#m><embed src=e.mid>"
                         "<script src=s.js></script><bgsound src=b.wav>");
    // One entry per URL and flag; the IMG takes over the BODY's entry.
    EXPECT_EQ(page.GetPage()->CountEntries(true), 5);
    uint8_t flag = 0;
    EXPECT_EQ(page.GetPage()->EntryAt(1, true, &flag)->Type(), kTagImg);
    EXPECT_EQ(flag, kRefImage);
    EXPECT_TRUE(page.GetPage()->GetBodyBackgroundUrl().IsEmpty());
    page.GetPage()->scriptingFlag = false;
    EXPECT_EQ(page.GetPage()->CountEntries(true), 4);
}

TEST(PageContent, StoppedPageKeepsItsReason) {
    DocumentContent page;
    UrlHandle url = html_test::PageUrl();
    long left = page.FeedData(url, "<p>partial", 10, true, 0);
    EXPECT_EQ(left, 7);  // the text may go on: offered again with the end
    EXPECT_FALSE(page.IsComplete());
    page.FeedData(url, "partial", left, false, 20081);
    EXPECT_TRUE(page.IsComplete());
    EXPECT_EQ(page.GetStopReason(), 20081);
    EXPECT_EQ(Shape(page.Root()), "P[\"partial \"]");
}

}  // namespace

namespace {

// A layout engine that lays out nothing and records what it was asked.
class RecordingFormatter : public PageFormatter {
public:
    explicit RecordingFormatter(int result) : result_(result) {}
    void BeginPage(const PageProperties&, const HtmlElement* root) override { calls += "begin;"; }
    int Format(const HtmlElement* stop) override {
        calls += stop ? "format-to-open;" : "format;";
        return result_;
    }
    const HtmlElement* LastFormatted() const override { return last; }
    void SetPageBackground(int32_t colour, const UrlHandle& image) override {
        calls += "background " + std::to_string(colour) + " " + PageUrls::FullName(image) + ";";
    }
    void AppendElements(const HtmlElement* rule, const HtmlElement* block) override {
        calls += "notice;";
        noticeRule = rule;
        noticeBlock = block;
    }
    std::string calls;
    const HtmlElement* last = nullptr;
    const HtmlElement* noticeRule = nullptr;
    const HtmlElement* noticeBlock = nullptr;

private:
    int result_;
};

TEST(PageContent, FormatStepStates) {
    struct Case {
        int layoutResult;
        int state;
    } cases[] = {{kLayoutReachedStop, kFormatNothingToDo},
                 {kLayoutNeedsImage, kFormatLayoutWait},
                 {kLayoutMore, kFormatLayoutMore},
                 {0, kFormatDone}};
    for (const Case& c : cases) {
        DocumentContent page;
        html_test::FeedWhole(page, "<body bgcolor=red background=bg.gif><p>text");
        RecordingFormatter formatter(c.layoutResult);
        FormatState state;
        EXPECT_EQ(page.FormatStep(formatter, state), c.state);
        EXPECT_EQ(formatter.calls, "begin;format;background 255 http://test.example/dir/bg.gif;");
        EXPECT_EQ(state.state, c.state);
    }
    // Nothing to do on an empty page; a finished page stays finished.
    DocumentContent empty;
    RecordingFormatter formatter(0);
    FormatState state;
    EXPECT_EQ(empty.FormatStep(formatter, state), kFormatNothingToDo);
    state.state = kFormatDone;
    EXPECT_EQ(empty.FormatStep(formatter, state), kFormatDone);
    EXPECT_EQ(formatter.calls, "");
}

TEST(PageContent, FormatStepWaitsForSheetsAndEndsStoppedPages) {
    DocumentContent page;
    UrlHandle url = html_test::PageUrl();
    page.FeedData(url, "<p>x</p>", 8, true, 0);
    page.GetPage()->sheetsLoading = 1;
    RecordingFormatter waiting(0);
    FormatState state;
    EXPECT_EQ(page.FormatStep(waiting, state), kFormatSheetsWait);
    page.GetPage()->sheetsLoading = 0;
    EXPECT_EQ(page.FormatStep(waiting, state), kFormatDone);
    EXPECT_EQ(waiting.calls, "begin;format-to-open;background -1 ;");

    // A stopped page ends with the notice, the same elements for every page.
    const HtmlElement* rules[2] = {};
    for (int i = 0; i < 2; ++i) {
        DocumentContent stopped;
        stopped.FeedData(url, "<p>x</p>", 8, false, 20081);
        RecordingFormatter formatter(0);
        FormatState s;
        EXPECT_EQ(stopped.FormatStep(formatter, s), kFormatDone);
        ASSERT_NE(formatter.noticeBlock, nullptr);
        EXPECT_EQ(Shape(formatter.noticeBlock), "H2[\"  Transmission stopped !!!\"]");
        rules[i] = formatter.noticeRule;
    }
    EXPECT_EQ(rules[0], rules[1]);
    EXPECT_EQ(rules[0]->Type(), kTagHr);
}

}  // namespace

#include "html/PageScriptHost.h"

namespace {

// A script engine for tests: a script "write:TEXT" writes TEXT into the page,
// "busy" answers busy once, anything else runs and writes nothing.
class WritingHost : public PageScriptHost {
public:
    int LoadScript(const char*& cursor, const char* end, bool moreText) override {
        text_.assign(cursor, end);
        cursor = end;
        return kScriptDone;
    }
    ScriptObject CreateEvalContext(ScriptObject windowObject, ScriptRecord& script) override {
        script_.clear();
        for (const std::string& piece : script.text.Pieces()) script_ += piece;
        return ++contexts;
    }
    int Evaluate(ScriptObject context, DocumentContent& content) override {
        if (script_ == "busy" && !wasBusy_) {
            wasBusy_ = true;
            return kScriptBusy;
        }
        ++runs;
        order += script_ + ";";
        if (script_.rfind("script:", 0) == 0) {
            // A script that writes a script: the end tag is put together so
            // that it does not end the writing script's own text.
            content.WriteText(html_test::PageUrl(),
                              ("<script>" + script_.substr(7) + "</" + std::string("script>")).c_str());
        }
        if (script_.rfind("write:", 0) == 0) {
            // Written in two pieces, cut inside a tag, as scripts often do.
            std::string text = script_.substr(6);
            size_t half = text.size() / 2;
            content.WriteText(html_test::PageUrl(), text.substr(0, half).c_str());
            content.WriteText(html_test::PageUrl(), text.substr(half).c_str());
        }
        return 1789;
    }
    void DeleteEvalContext(ScriptObject) override { ++deleted; }
    ScriptObject LoadEventHandler(int kind, const char* text, int length, ScriptObject) override {
        loaded += std::to_string(kind) + ":" + std::string(text, length) + ";";
        return length ? ++objects : 0;
    }
    ScriptObject NewInstance(ScriptObject object) override { return object + 1000; }
    void DeleteObject(ScriptObject object) override { deletedObjects += std::to_string(object) + ";"; }
    std::string loaded, deletedObjects, order;
    int objects = 0;
    int contexts = 0, runs = 0, deleted = 0;

private:
    std::string text_, script_;
    bool wasBusy_ = false;
};

std::string ShapeWithScripts(const std::string& page, size_t split, WritingHost& host) {
    DocumentContent content;
    content.GetPage()->scriptHost = &host;
    content.GetPage()->windowObject = 1;
    if (split >= page.size()) {
        html_test::FeedWhole(content, page);
    } else {
        html_test::FeedSplit(content, page, split);
    }
    EXPECT_TRUE(content.IsComplete());
    return Shape(content.Root());
}

TEST(PageContent, AScriptWrittenByAScriptRuns) {
    const std::string page = "<p>a<script>script:write:<b>w</b></script>c<script>write:<i>z</i></script>";
    const char* shape = "P[\"a \" SCRIPT B[\"w \"] SCRIPT \"c \" I[\"z \"] SCRIPT]";
    for (size_t split = 1; split <= page.size(); ++split) {
        WritingHost host;
        ASSERT_EQ(ShapeWithScripts(page, split, host), shape) << "split at " << split;
        // The written script runs right after the one that wrote it, before
        // the page goes on.
        ASSERT_EQ(host.order, "script:write:<b>w</b>;write:<b>w</b>;write:<i>z</i>;") << "split at " << split;
        ASSERT_EQ(host.deleted, 3);
    }
}

TEST(PageContent, ScriptOutputLandsWhereTheScriptStood) {
    struct Case {
        const char* page;
        const char* shape;
    } cases[] = {
        {"<p>a<script>write:<b>x</b></script>c</p>", "P[\"a \" B[\"x \"] SCRIPT \"c \"]"},
        // Elements the text leaves open take what follows the script; text
        // that may go on waits for it.
        {"<p>a<script>write:<i>open</script>c</p>d", "P[\"a \" I[SCRIPT \"openc \"]] \"d \""},
        {"<p>a<script>write:<i>open<br></script>c</p>d", "P[\"a \" I[\"open \" BR SCRIPT \"c \"]] \"d \""},
        {"<ul><script>write:<li>one<li>two</script><li>three</ul>",
         "UL[LI[\"one \"] LI[SCRIPT \"two \"] LI[\"three \"]]"},
        {"<script>plain</script>x", "SCRIPT \"x \""},
    };
    for (const Case& c : cases) {
        const std::string page = c.page;
        WritingHost whole;
        EXPECT_EQ(ShapeWithScripts(page, page.size(), whole), c.shape) << c.page;
        EXPECT_EQ(whole.runs, 1) << c.page;
        EXPECT_EQ(whole.deleted, 1) << c.page;
        for (size_t split = 0; split < page.size(); ++split) {
            WritingHost host;
            ASSERT_EQ(ShapeWithScripts(page, split, host), c.shape) << c.page << " split at " << split;
        }
    }
}

TEST(PageContent, BusyEngineHoldsTheRestOfThePage) {
    WritingHost host;
    DocumentContent content;
    content.GetPage()->scriptHost = &host;
    content.GetPage()->windowObject = 1;
    UrlHandle url = html_test::PageUrl();
    const std::string first = "<p>a<script>busy</script>b";
    long left = content.FeedData(url, first.data(), static_cast<long>(first.size()), true, 0);
    EXPECT_EQ(left, 1);  // "b" waits behind the script
    EXPECT_TRUE(content.HasBlockedScripts());
    // Offered again with more: the engine now runs it and the rest follows.
    std::string rest = first.substr(first.size() - left) + "c</p>";
    EXPECT_EQ(content.FeedData(url, rest.data(), static_cast<long>(rest.size()), false, 0), 0);
    EXPECT_FALSE(content.HasBlockedScripts());
    EXPECT_EQ(Shape(content.Root()), "P[\"a \" SCRIPT \"bc \"]");
    EXPECT_EQ(host.runs, 1);
}

}  // namespace

namespace {

TEST(PageContent, EventHandlersCompileOnceAndCanBeReplaced) {
    WritingHost host;
    DocumentContent content;
    html_test::FeedWhole(
        content,
        "<a href=x onclick=\"go()\" onmouseover=\"hi()\">l</a><img src=i.gif onload=\"done()\">"
        "<form><input onchange=\"c()\"></form><p onclick=\"no()\">");
    ElementRecord& anchor = *content.Root()->FindFirstOfType(kTagA)->Record();
    ScriptObject click = GetEventHandler(anchor, kEventLinkClick, host, 7);
    EXPECT_NE(click, 0);
    EXPECT_EQ(GetEventHandler(anchor, kEventLinkClick, host, 7), click);  // cached
    EXPECT_EQ(GetEventHandler(anchor, kEventMouseOut, host, 7), 0);       // no text
    EXPECT_NE(GetEventHandler(anchor, kEventMouseOver, host, 7), 0);
    EXPECT_EQ(GetEventHandler(anchor, kEventChange, host, 7), 0);  // not an event of links
    ElementRecord& image = *content.Root()->FindFirstOfType(kTagImg)->Record();
    EXPECT_NE(GetEventHandler(image, kEventImageLoad, host, 7), 0);
    ElementRecord& input = *content.Root()->FindFirstOfType(kTagInput)->Record();
    EXPECT_NE(GetEventHandler(input, kEventChange, host, 7), 0);
    EXPECT_EQ(host.loaded, "1099:go();1101:hi();1106:done();1092:c();");

    // A script sets onclick (property 132): the old handler is given back and
    // a new instance of the given one takes its place.
    SetEventHandler(anchor, 132, 55, host);
    EXPECT_EQ(host.deletedObjects, std::to_string(click) + ";");
    EXPECT_EQ(GetEventHandler(anchor, kEventLinkClick, host, 7), 1055);
    SetEventHandler(anchor, 999, 56, host);  // not a property of links
    EXPECT_EQ(GetEventHandler(anchor, kEventLinkClick, host, 7), 1055);
}

TEST(PageContent, BodyHandlersCompileWithTheWindowObject) {
    WritingHost host;
    DocumentContent content;
    PageProperties* page = content.GetPage();
    page->scriptHost = &host;
    page->windowObject = 9;
    html_test::FeedWhole(content, "<body onload=\"up()\" onunload=\"down()\">x");
    ScriptObject load = page->GetEventHandler(kEventLoad);
    EXPECT_NE(load, 0);
    EXPECT_EQ(page->GetEventHandler(kEventLoad), load);  // compiled once
    EXPECT_NE(page->GetEventHandler(kEventUnload), 0);
    EXPECT_EQ(page->GetEventHandler(142), 0);  // no text
    EXPECT_EQ(page->GetEventHandler(145), 0);  // not a window event
    EXPECT_EQ(host.loaded, "143:up();144:down();");
    // A later BODY does not replace a handler in use.
    page->SetEventHandlerText(kEventLoad, "again()", 7);
    EXPECT_EQ(page->GetEventHandler(kEventLoad), load);
}

}  // namespace

#include "html/StyleSheet.h"
#include "tests/support/TestPaths.h"

namespace {

TEST(PageContent, LinkedStyleSheetsAreAskedFor) {
    testing_support::ScratchDir dir;
    testing_support::WriteWholeFile(dir.File("s.css"), "P { color: red }");
    for (bool cached : {true, false}) {
        SCOPED_TRACE(cached ? "in the cache" : "not coming");
        DocumentContent content;
        std::vector<UrlHandle> requested;
        content.GetPage()->loadRequest = [&](const UrlHandle& url) {
            requested.push_back(url);
            if (cached) {
                url->SetFileName(dir.File("s.css").c_str());
                url->SetCacheRelation(kListNever);
                url->SetLoadStatus(kLoadLoaded);
            }
        };
        html_test::FeedWhole(content, "<link rel=stylesheet href=s.css><p>x");
        ASSERT_EQ(requested.size(), 1u);
        EXPECT_EQ(PageUrls::FullName(requested[0]), "http://test.example/dir/s.css");
        EXPECT_EQ(content.GetPage()->sheetsLoading, 0);
        EXPECT_EQ(content.GetPage()->StyleSheets().size(), cached ? 1u : 0u);
    }
}

// A STYLE in a cell that the tree builder drops (the cell ends up holding
// no content) goes with the cell; its rules stay with the page, and the
// sheets that come after it are put in order without reaching for the
// deleted element.
TEST(PageContent, StyleOfADroppedCellStaysWithThePage) {
    DocumentContent content;
    html_test::FeedWhole(content,
                         "<table border=1>\n<tr><td>Outble>\n<table width</script>\n"
                         "<style>P { color: red }</style>\n<style>H1 { color: blue }</style></table>\n"
                         "<style>A { color: green }</style><p>x");
    const auto& sheets = content.GetPage()->StyleSheets();
    ASSERT_EQ(sheets.size(), 3u);
    int ownerless = 0;
    for (const auto& sheet : sheets) {
        EXPECT_EQ(sheet->RuleCount(), 1);
        ownerless += sheet->Owner() == nullptr;
    }
    EXPECT_GE(ownerless, 1) << "a sheet of the dropped cell";
}

TEST(PageContent, ScriptFilesAreWaitedFor) {
    testing_support::ScratchDir dir;
    testing_support::WriteWholeFile(dir.File("s.js"), "write:<b>from file</b>");
    for (bool arrives : {true, false}) {
        WritingHost host;
        DocumentContent content;
        content.GetPage()->scriptHost = &host;
        content.GetPage()->windowObject = 1;
        std::vector<UrlHandle> requested;
        content.GetPage()->loadRequest = [&](const UrlHandle& url) { requested.push_back(url); };
        html_test::FeedWhole(content, "<p>a<script src=s.js></script>b</p>");
        // The rest of the page waits for the script's file.
        EXPECT_FALSE(content.IsComplete());
        ASSERT_EQ(requested.size(), 1u);
        EXPECT_EQ(PageUrls::FullName(requested[0]), "http://test.example/dir/s.js");
        EXPECT_EQ(Shape(content.Root()), "P[\"a \" SCRIPT]");
        UrlRecord& script = *requested[0].Record();
        if (arrives) {
            script.SetFileName(dir.File("s.js").c_str());
            script.SetCacheRelation(kListNever);
            script.SetLoadStatus(kLoadLoaded);
        } else {
            script.SetLoadStatus(kLoadFailed);
        }
        content.ScriptUrlArrived();
        EXPECT_TRUE(content.IsComplete());
        EXPECT_EQ(Shape(content.Root()),
                  arrives ? "P[\"a \" B[\"from file \"] SCRIPT \"b \"]" : "P[\"a \" SCRIPT \"b \"]");
    }
}

}  // namespace

// A BODY (or BGSOUND) in a table cell that holds nothing else goes with the
// cell when the builder drops it: the page must not keep pointing at it.
TEST(PageContent, ABodyInACellThatIsDroppedLeavesNothingPointingAtIt) {
    const char* pages[] = {
        "<table><tr><td><body background=a.gif bgcolor=white></td></tr></table><body text=red>x",
        "<table><tr><td><bgsound src=b.wav></td></tr></table><body><bgsound src=c.wav>x",
        // Found by the tree fuzzer.
        ("<table bkrde<html><head><tieead><body bgcolor=white><p align=center=3><tr><t cr>Hi &ameeeead>"
         "<body olspna=*>a<td<!-- c -- xbgcolor= --"),
    };
    for (const char* text : pages) {
        SCOPED_TRACE(text);
        DocumentContent page;
        html_test::FeedWhole(page, text);
        const HtmlElement* body = page.GetPage()->GetBody();
        if (body) {
            EXPECT_TRUE(body == page.Root() || page.Root()->Contains(body));
        }
        for (int n = 1; n <= page.GetPage()->CountEntries(true); ++n) {
            const HtmlElement* e = page.GetPage()->EntryAt(n, true, nullptr);
            if (e) {
                EXPECT_TRUE(page.Root()->Contains(e)) << n;
            }
        }
    }
}
