#include <gtest/gtest.h>
#include <string>

#include "html/HtmlElement.h"
#include "tests/html/HtmlTestPages.h"

namespace {

// The record dump of the first element of a type in a parsed page.
std::string RecordOf(const std::string& page, int type) {
    DocumentContent content;
    html_test::FeedWhole(content, page);
    HtmlElement* e = content.Root()->FindFirstOfType(type);
    if (!e) return "<none>";
    std::string out;
    if (e->Record()) e->Record()->Dump(out);
    return out;
}

TEST(ElementRecords, AttributesAsRecordsHoldThem) {
    struct Case {
        const char* page;
        int type;
        const char* dump;
    } cases[] = {
        {"<table border=300 hspace=999>", kTagTable,
         " border=255 align=0 width=0 height=0 cellpadding=2 cellspacing=1 bgcolor=-1 hspace=253 vspace=255"},
        {"<table border>", kTagTable,
         " border=1 align=0 width=0 height=0 cellpadding=2 cellspacing=1 bgcolor=-1 hspace=255 vspace=255"},
        {"<table border=2 border=7>", kTagTable,  // the last BORDER wins
         " border=7 align=0 width=0 height=0 cellpadding=2 cellspacing=1 bgcolor=-1 hspace=255 vspace=255"},
        {"<table><tr><td colspan=0 width=50%>", kTagTd,
         " align=0 valign=0 colspan=1 rowspan=1 width=-50 height=0 bgcolor=-1"},
        {"<a href=one.html href=two.html>", kTagA, " href=<http://test.example/dir/one.html>"},
        {"<a href=#here>", kTagA, " href=<http://test.example/dir/page.html#here> fragment=\"here\""},
        {"<a href=\"mailto:x@y.example\" title=\"Say hi\">", kTagA,
         " href=<mailto:x@y.example#Say hi> title=\"Say hi\""},
        {"<a href=x shortcut=abcd shortcut=xy>", kTagA, " href=<http://test.example/dir/x> shortcut=xy"},
        {"<ul><li type=A>", kTagLi, " type=103"},
        {"<ul><li type=square>", kTagLi, " type=98"},
        {"<ul><li type=1>", kTagLi, " type=1"},
        {"<img src=a.gif border=-4 width=-10 height=40%>", kTagImg,
         " src=<http://test.example/dir/a.gif> align=1 width=0 height=-40 border=0 bordergiven=1 hspace=255 "
         "vspace=255"},
        {"<img src=a.gif align=left>", kTagImg,
         " src=<http://test.example/dir/a.gif> align=4 width=0 height=0 border=0 hspace=254 vspace=254"},
        {"<img src=a.gif align=top>", kTagImg,
         " src=<http://test.example/dir/a.gif> align=3 width=0 height=0 border=0 hspace=255 vspace=255"},
        {"<img src=\"a.gif#x\" start=MOUSEOVER,FILEOPEN>", kTagImg,
         " src=<http://test.example/dir/a.gif#x> align=1 width=0 height=0 border=0 hspace=255 vspace=255 "
         "start=2"},
        {"<img src=internal-html>", kTagImg,
         " src=<internal-html> align=1 width=0 height=0 border=0 hspace=255 vspace=255"},
        {"<textarea size=40,5>", kTagTextarea, " type=1 form=0 control=1 rows=1 cols=1"},
        {"<textarea cols=30>", kTagTextarea, " type=1 form=0 control=1 rows=1 cols=30"},
        {"<input type=pushbutton>", kTagInput, " type=10 form=0 control=1"},
        {"<input type=disc>", kTagInput, " type=1 form=0 control=1 size=15"},
        {"<form method=get>", kTagForm, " type=1 form=1 control=0"},
        {"<form method=POST enctype=\"A&amp;b\">", kTagForm,
         " type=1 form=1 control=0 enctype=\"A&amp;b\" method=2"},
        {"<applet code=Clock></applet>", kTagEmbed,
         " width=0 height=0 type=\"application/x-java-applet\" units=3 embed=1 "
         "param=type:\"application/x-java-applet\" param=java_CODE:\"Clock.class\""},
        {"<embed src=x hidden=true>", kTagEmbed,
         " src=<http://test.example/dir/x> width=0 height=0 units=3 hidden=1 embed=1 param=src:\"x\" "
         "param=hidden:\"true\""},
        {"<font size=+2>", kTagFont, " size=5 color=-1"},
        {"<font size=+9>", kTagFont, " size=7 color=-1"},
        {"<font size=-5 size=4>", kTagFont, " size=1 color=-1"},
        {"<font color=nothing>", kTagFont, " size=255 color=-1"},
        {"<isindex prompt=\"  Find: \">", kTagIsindex, " prompt=\"  Find: \""},
        {"<map name=a name=b></map>", kTagMap, " name=\"b\""},
        {"<area shape=circ coords=\"1,-2,99999999999\">", kTagArea, " shape=2 coords=1,0,2147483647"},
        {"<bgsound src=s.wav loop>", kTagBgsound, " src=<http://test.example/dir/s.wav> loop=255"},
        {"<frameset rows=\"*, 20%,abc\">", kTagFrameset,
         " rows=\"*, 20%,abc\" rowcount=2 colcount=0 border=2"},
    };
    for (const Case& c : cases) EXPECT_EQ(RecordOf(c.page, c.type), c.dump) << c.page;
}

TEST(ElementRecords, EventHandlerTextsByEvent) {
    // Each record answers its own events only; any other id gives none.
    const struct {
        const char* page;
        int type;
        int event;
        const char* text;  // null: no handler for that event
    } cases[] = {
        {"<a href=x onclick=c() onmouseover=v() onmouseout=o()>", kTagA, kEventLinkClick, "c()"},
        {"<a href=x onclick=c() onmouseover=v() onmouseout=o()>", kTagA, kEventMouseOver, "v()"},
        {"<a href=x onclick=c() onmouseover=v() onmouseout=o()>", kTagA, kEventMouseOut, "o()"},
        {"<a href=x onclick=c()>", kTagA, kEventClick, nullptr},
        {"<map><area href=x onclick=c() onmouseout=o()>", kTagArea, kEventMouseOut, "o()"},
        {"<img src=a onabort=a() onerror=e() onload=l()>", kTagImg, kEventAbort, "a()"},
        {"<img src=a onabort=a() onerror=e() onload=l()>", kTagImg, kEventError, "e()"},
        {"<img src=a onabort=a() onerror=e() onload=l()>", kTagImg, kEventImageLoad, "l()"},
        {"<img src=a onload=l()>", kTagImg, kEventLoad, nullptr},
        {"<form onsubmit=s() onreset=r()>", kTagForm, kEventSubmit, "s()"},
        {"<form onsubmit=s() onreset=r()>", kTagForm, kEventReset, "r()"},
        {"<input onclick=c() onblur=b() onfocus=f() onchange=h()>", kTagInput, kEventClick, "c()"},
        {"<input onclick=c() onblur=b() onfocus=f() onchange=h()>", kTagInput, kEventBlur, "b()"},
        {"<input onclick=c() onblur=b() onfocus=f() onchange=h()>", kTagInput, kEventFocus, "f()"},
        {"<input onclick=c() onblur=b() onfocus=f() onchange=h()>", kTagInput, kEventChange, "h()"},
        {"<frameset onload=l() onunload=u()>", kTagFrameset, kEventLoad, "l()"},
        {"<frameset onload=l() onunload=u()>", kTagFrameset, kEventUnload, "u()"},
        {"<frameset><frame src=f onload=l() onunload=u()>", kTagFrame, kEventUnload, "u()"},
        {"<table border=1>", kTagTable, kEventClick, nullptr},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.page);
        DocumentContent content;
        html_test::FeedWhole(content, c.page);
        HtmlElement* e = content.Root()->FindFirstOfType(c.type);
        ASSERT_TRUE(e && e->Record());
        const char* text = e->Record()->GetEventHandlerText(c.event);
        if (c.text)
            EXPECT_STREQ(text, c.text);
        else
            EXPECT_EQ(text, nullptr);
    }
}

TEST(ElementRecords, ListAndAlignmentAccessors) {
    DocumentContent content;
    html_test::FeedWhole(content,
                         "<ol><li>a<li type=i>b<ul><li>c</ul></ol><table><tr align=right><td>x<th>y</table>"
                         "<caption align=b>");
    HtmlElement* root = content.Root();
    HtmlElement* first = root->FindFirstOfType(kTagLi);
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->GetListMarkerStyle(), kMarkerDecimal);
    EXPECT_EQ(first->NextSibling()->GetListMarkerStyle(), kMarkerLowerRoman);
    EXPECT_EQ(root->FindFirstOfType(kTagUl)->FirstChild()->GetListMarkerStyle(), kMarkerDisc);
    HtmlElement* td = root->FindFirstOfType(kTagTd);
    EXPECT_EQ(td->GetAlignment(true), kAlignRight);  // from its row
    EXPECT_EQ(td->GetAlignment(false), 0);
    EXPECT_EQ(td->GetVerticalAlign(), 2);
}

TEST(ElementRecords, AreaHitTest) {
    DocumentContent content;
    html_test::FeedWhole(
        content,
        "<map name=m><area shape=rect coords=\"10,10,20,20\" href=r.html>"
        "<area shape=circle coords=\"50,50,10\" nohref><area shape=poly coords=\"0,0,40,0,0,40\" "
        "href=p.html><area shape=rect coords=\"1,2\" href=short.html></map>");
    HtmlElement* area = content.Root()->FindFirstOfType(kTagArea);
    auto hit = [](HtmlElement* e, int x, int y, std::string* url) {
        UrlHandle out;
        int r = e->RecordAs<AreaRecord>()->HitTest(x, y, out);
        if (url) *url = PageUrls::FullName(out);
        return r;
    };
    std::string url;
    EXPECT_EQ(hit(area, 15, 15, &url), 1);
    EXPECT_EQ(url, "http://test.example/dir/r.html");
    EXPECT_EQ(hit(area, 20, 15, nullptr), 0);  // right edge excluded
    HtmlElement* circle = area->NextSibling();
    EXPECT_EQ(hit(circle, 52, 52, &url), 1);
    EXPECT_EQ(url, "");  // NOHREF
    EXPECT_EQ(hit(circle, 59, 59, nullptr), 0);
    HtmlElement* poly = circle->NextSibling();
    EXPECT_EQ(hit(poly, 5, 5, nullptr), 1);
    EXPECT_EQ(hit(poly, 30, 30, nullptr), 0);
    HtmlElement* tooShort = poly->NextSibling();
    EXPECT_EQ(hit(tooShort, 1, 2, nullptr), 0);
    EXPECT_TRUE(tooShort->RecordAs<AreaRecord>()->GetHref().IsEmpty());
}

TEST(ElementRecords, CoordsKeepTheFirst1024) {
    std::string coords;
    for (int i = 0; i < 2000; ++i) coords += std::to_string(i) + ",";
    DocumentContent content;
    html_test::FeedWhole(content, "<area coords=\"" + coords + "\">");
    auto* area = content.Root()->FindFirstOfType(kTagArea)->RecordAs<AreaRecord>();
    ASSERT_EQ(area->coords.size(), 1024u);
    EXPECT_EQ(area->coords[1023], 1023);
}

TEST(ElementRecords, CollapseWhiteSpaceStaysInItsBuffer) {
    // A value without white space fills the buffer and still ends in one
    // added space and a NUL.
    char buffer[8];
    CollapseWhiteSpace("abcdef", 6, buffer, 7);
    EXPECT_STREQ(buffer, "abcdef ");
    CollapseWhiteSpace("a \t\x81 b", 6, buffer, 6);
    EXPECT_STREQ(buffer, "a b ");
    buffer[0] = 'z';
    CollapseWhiteSpace("toolong", 7, buffer, 6);
    EXPECT_EQ(buffer[0], 'z');  // does not fit: nothing written
    EXPECT_EQ(ParseLoop("infinite", 8), 255);
    EXPECT_EQ(ParseLoop(nullptr, 0), 255);
    EXPECT_EQ(ParseLoop("256", 3), 255);
    EXPECT_EQ(ParseLoop("3", 1), 3);
}

// A script engine that answers as it is told, recording what it was given.
class ScriptedLoader : public ScriptLoader {
public:
    explicit ScriptedLoader(int takeNothingAnswer) : answer_(takeNothingAnswer) {}
    int LoadScript(const char*& cursor, const char* end, bool moreText) override {
        ++calls;
        received += std::string(cursor, end);
        if (answer_ == kScriptPartial && moreText) return kScriptPartial;  // takes nothing
        cursor = end;
        return kScriptDone;
    }
    int calls = 0;
    std::string received;

private:
    int answer_;
};

TEST(ElementRecords, ScriptTextIsFedThroughOneBuffer) {
    RecordContext context;
    ScriptRecord record(nullptr, context);
    std::string piece(20000, 'a');
    record.text.Append(piece.data(), static_cast<int>(piece.size()));
    record.text.Append(piece.data(), static_cast<int>(piece.size()));
    ScriptedLoader loader(kScriptDone);
    EXPECT_EQ(record.Compile(loader), kScriptDone);
    EXPECT_EQ(loader.calls, 2);  // a full buffer, then the rest
    EXPECT_EQ(loader.received.size(), 40000u);

    // An engine that takes nothing of a full buffer can never be fed the
    // rest: the load ends as a syntax error instead of looping.
    ScriptRecord stuck(nullptr, context);
    stuck.text.Append(piece.data(), static_cast<int>(piece.size()));
    stuck.text.Append(piece.data(), static_cast<int>(piece.size()));
    ScriptedLoader refusing(kScriptPartial);
    EXPECT_EQ(stuck.Compile(refusing), kScriptSyntaxError);
    EXPECT_EQ(refusing.calls, 1);
}

TEST(ElementRecords, CopiesAreDeep) {
    DocumentContent content;
    html_test::FeedWhole(content,
                         "<div id=d style=\"color: red\"><img src=a.gif align=left><select size=3>"
                         "<option>a</select></div>");
    HtmlElement* div = content.Root()->FindFirstOfType(kTagDiv);
    std::unique_ptr<HtmlElement> copy(div->Copy());
    EXPECT_STREQ(copy->GetId(), "d");
    // The copy keeps resolved image spacing and makes a multi-row SELECT multiple.
    EXPECT_EQ(copy->FindFirstOfType(kTagImg)->RecordAs<ImageRecord>()->hspace, 3);
    EXPECT_TRUE(copy->FindFirstOfType(kTagSelect)->GetFormField()->multiple);
    ASSERT_NE(copy->GetInlineStyle(), nullptr);
    EXPECT_NE(copy->GetInlineStyle(), div->GetInlineStyle());
}

}  // namespace

namespace {

TEST(ElementRecords, ScriptProperties) {
    DocumentContent content;
    html_test::FeedWhole(
        content,
        "<a href=\"http://u:p@host.example:8080/path/x.html?q=1#frag\" name=n target=t>l</a>"
        "<img src=i.gif border=3 name=pic><form><select name=s><option>one<option selected>two"
        "</select><input type=checkbox value=v><textarea></textarea></form>");
    HtmlElement* root = content.Root();
    struct Case {
        int type;
        int property;
        const char* text;
        long number;
    } cases[] = {
        {kTagA, 24, "n", 0},
        {kTagA, 83, "t", 0},
        {kTagA, 31, "http://u:p@host.example:8080/path/x.html?q=1#frag", 0},
        {kTagA, 164, "http:", 0},
        {kTagA, 44, "host.example:8080", 0},
        {kTagA, 156, "host.example", 0},
        {kTagA, 45, "8080", 0},
        {kTagA, 150, "/path/x.html", 0},
        {kTagA, 102, "?q=1", 0},
        {kTagA, 27, "#frag", 0},
        {kTagImg, 17, "http://test.example/dir/i.gif", 0},
        {kTagImg, 86, "", 3},
        {kTagImg, 24, "pic", 0},
        {kTagSelect, 33, "select-one", 0},
        {kTagSelect, 202, "", 2},
        {kTagOption, 39, "one ", 0},
        {kTagInput, 33, "checkbox", 0},
        {kTagInput, 65, "v", 0},
        {kTagTextarea, 33, "textarea", 0},
        {kTagA, 999, "", 0},
    };
    for (const Case& c : cases) {
        std::string text;
        long number = -1;
        int result = root->FindFirstOfType(c.type)->GetScriptProperty(c.property, text, number);
        EXPECT_EQ(text, c.text) << c.type << " " << c.property;
        EXPECT_EQ(number, c.number) << c.type << " " << c.property;
        EXPECT_EQ(result, (*c.text || c.number) ? 1 : 0) << c.type << " " << c.property;
    }
}

}  // namespace
