// A page with links and form fields in a real document window under Wine
// and Xvfb: Tab and Shift+Tab from the keyboard walk the links and the
// fields in document order, and what
// the user typed, ticked and chose stays in the fields when the page is laid
// out again for a new width or a zoom.
#include <windows.h>

#include <gtest/gtest.h>
#include <cctype>
#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FormControlWindows.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "html/HtmlElement.h"
#include "layout/FormSubmission.h"
#include "tests/app/TestFrame.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/DocumentView.h"
#include "windows/OpenUrl.h"
#include "windows/ViewArithmetic.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

class PageForms : public FrameTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        InstallFormControlWindows();
    }
    void TearDown() override {
        FrameTest::TearDown();
        RegisterFormControlFactory(nullptr);
    }

    HtmlPageDocument* PageOf(HWND view) {
        Document* d = CurrentDocument(view);
        return d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d)->Page() : nullptr;
    }
    // A maximised window showing the page, the keyboard in its view.
    HWND Showing(const std::string& body) {
        WriteWholeFile(dir_.File("two.html"), "<title>Two</title><p>The second page.");
        const std::string path = dir_.File("forms.html");
        WriteWholeFile(path, "<html><head><title>Forms</title></head><body>" + body + "</body></html>");
        int tile = 1;
        HWND view = g_windowList->OpenNewWindow(&tile);
        if (!view) return nullptr;
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        if (!OpenLocalFileAsUrl(view, path.c_str()) || !WaitShown(view)) return nullptr;
        SetForegroundWindow(frame_);
        SetFocus(view);
        PumpFor(std::chrono::milliseconds(200));
        return view;
    }
    // The view's child window with the control id (one of each on the page).
    static HWND Field(HWND view, int id) {
        for (HWND w = GetWindow(view, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (GetDlgCtrlID(w) == id) return w;
        }
        return nullptr;
    }
    // The top-left corner of the field in the view's client area.
    static POINT PlaceInView(HWND view, HWND field) {
        RECT r;
        GetWindowRect(field, &r);
        POINT p = {r.left, r.top};
        ScreenToClient(view, &p);
        return p;
    }
    static std::string Text(HWND w) {
        char text[256] = {};
        GetWindowTextA(w, text, sizeof text);
        return text;
    }
    // A key pressed and let go on the keyboard, Shift held when asked.
    static void Press(WORD key, bool shift = false) {
        SendKeyPress(key, shift ? std::vector<WORD>{VK_SHIFT} : std::vector<WORD>{});
        PumpFor(std::chrono::milliseconds(150));
    }
    // Typed at the end of the field's text.
    static void Type(HWND field, const std::string& text) {
        SetFocus(field);
        const int end = GetWindowTextLengthA(field);
        SendMessageA(field, EM_SETSEL, static_cast<WPARAM>(end), end);
        for (char c : text) {
            INPUT in[2] = {};
            in[0].type = in[1].type = INPUT_KEYBOARD;
            in[0].ki.wScan = in[1].ki.wScan = static_cast<unsigned char>(c);
            in[0].ki.dwFlags = KEYEVENTF_UNICODE;
            in[1].ki.dwFlags = KEYEVENTF_UNICODE | KEYEVENTF_KEYUP;
            SendInput(2, in, sizeof in[0]);
        }
        PumpFor(std::chrono::milliseconds(200));
    }
};

const char kFieldsAndLinks[] =
    "<p><a href=\"forms.html#top\">one</a> <input name=t value=start> <a href=\"two.html\">two</a>"
    "<form><select name=s><option>a<option>b</select> <textarea name=x rows=2 cols=10></textarea>"
    " <input type=checkbox name=c> <input type=hidden name=h value=1></form>";

TEST_F(PageForms, TabWalksLinksAndFieldsInDocumentOrder) {
    HWND view = Showing(kFieldsAndLinks);
    ASSERT_NE(view, nullptr);
    HtmlPageDocument* page = PageOf(view);
    ASSERT_NE(page, nullptr);
    // Where each Tab lands: a link (the view keeps the keyboard and the page
    // marks the link) or the window of a field.
    struct Stop {
        const char* link;
        int field;
    };
    auto at = [&](const Stop& s) {
        if (s.link) {
            HtmlElement* link = page->FocusedLink();
            HtmlElement* text = link ? link->FirstChild() : nullptr;
            return GetFocus() == view && text && text->GetText() &&
                   std::string(text->GetText()).rfind(s.link, 0) == 0;
        }
        return GetFocus() == Field(view, s.field) && !page->FocusedLink();
    };
    const Stop forward[] = {{"one", 0},
                            {nullptr, kIdTextField},
                            {"two", 0},
                            {nullptr, kIdDropDown},
                            {nullptr, kIdTextArea},
                            {nullptr, kIdCheckBox},
                            {"one", 0}};
    for (size_t i = 0; i < sizeof forward / sizeof forward[0]; ++i) {
        Press(VK_TAB);
        EXPECT_TRUE(at(forward[i])) << "Tab " << i + 1;
    }
    const Stop backward[] = {
        {nullptr, kIdCheckBox}, {nullptr, kIdTextArea}, {nullptr, kIdDropDown}, {"two", 0}};
    for (size_t i = 0; i < sizeof backward / sizeof backward[0]; ++i) {
        Press(VK_TAB, true);
        EXPECT_TRUE(at(backward[i])) << "Shift+Tab " << i + 1;
    }
    CheckWindowScreenshot(frame_, "page-forms-link-focused");
}

TEST_F(PageForms, WhatTheUserPutInTheFieldsStaysThroughANewWidthAndAZoom) {
    std::string words;
    for (int i = 0; i < 12; ++i) words += "words before the fields ";
    HWND view = Showing("<p>" + words + std::string(kFieldsAndLinks));
    ASSERT_NE(view, nullptr);
    HWND text = Field(view, kIdTextField), list = Field(view, kIdDropDown), area = Field(view, kIdTextArea),
         box = Field(view, kIdCheckBox);
    ASSERT_TRUE(text && list && area && box);
    Type(text, "-typed");
    Type(area, "my notes");
    SendMessageA(box, BM_CLICK, 0, 0);
    SendMessageA(list, CB_SETCURSEL, 1, 0);

    // The values as the form would send them, field by field.
    auto expectKept = [&](const char* when) {
        EXPECT_EQ(Text(Field(view, kIdTextField)), "start-typed") << when;
        EXPECT_EQ(Text(Field(view, kIdTextArea)), "my notes") << when;
        EXPECT_EQ(SendMessageA(Field(view, kIdCheckBox), BM_GETCHECK, 0, 0), BST_CHECKED) << when;
        EXPECT_EQ(SendMessageA(Field(view, kIdDropDown), CB_GETCURSEL, 0, 0), 1) << when;
        for (int id : {kIdTextField, kIdDropDown, kIdTextArea, kIdCheckBox}) {
            EXPECT_TRUE(IsWindowVisible(Field(view, id))) << when << ": field " << id << " shown";
        }
        int count = 0;
        for (HWND w = GetWindow(view, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            count += GetDlgCtrlID(w) == kIdTextField;
        EXPECT_EQ(count, 1) << when << ": one window per field";
    };

    // A window of its own size instead of the whole frame, then a narrower
    // one: the words take more lines and the fields move down.
    SendMessageA(g_mdiClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
    MoveWindow(GetParent(view), 0, 0, 780, 520, TRUE);
    ASSERT_TRUE(WaitShown(view));
    PumpFor(std::chrono::milliseconds(300));
    expectKept("after the window's own size");
    SetFocus(Field(view, kIdTextField));
    const POINT before = PlaceInView(view, Field(view, kIdTextField));
    MoveWindow(GetParent(view), 0, 0, 520, 520, TRUE);
    ASSERT_TRUE(WaitShown(view));
    PumpFor(std::chrono::milliseconds(300));
    expectKept("after a new width");
    EXPECT_GT(PlaceInView(view, Field(view, kIdTextField)).y, before.y) << "the field was placed anew, lower";
    EXPECT_EQ(GetFocus(), Field(view, kIdTextField)) << "the field keeps the keyboard through a new width";

    SendMessageA(view, kMsgZoom, 0, view_math::AbsoluteZoom(150));
    ASSERT_TRUE(WaitShown(view));
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(g_windowList->GetScale(view), 150);
    expectKept("after a zoom");
    EXPECT_EQ(GetFocus(), Field(view, kIdTextField)) << "the field keeps the keyboard through a zoom";
    CheckWindowScreenshot(frame_, "page-forms-kept");
}

TEST_F(PageForms, EnterFollowsTheLinkTabStoppedAt) {
    HWND view = Showing(kFieldsAndLinks);
    ASSERT_NE(view, nullptr);
    HtmlPageDocument* page = PageOf(view);
    ASSERT_NE(page, nullptr);
    // The window's address in lower case (the file system's names are not).
    auto address = [&] {
        const char* name = g_windowList->GetWindowUrl(view).GetName();
        std::string text = name ? name : "";
        for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        return text;
    };
    const std::string start = address();
    // "one" leads to a place of this very page: the page stays.
    Press(VK_TAB);
    ASSERT_NE(page->FocusedLink(), nullptr);
    Press(VK_RETURN);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(PageOf(view), page);
    EXPECT_EQ(address().substr(0, start.size()), start);
    // Past the text field to "two": Enter opens the second page here.
    Press(VK_TAB);
    Press(VK_TAB);
    ASSERT_EQ(GetFocus(), view);
    Press(VK_RETURN);
    ASSERT_TRUE(PumpUntil([&] { return address().find("two.html") != std::string::npos; }, std::chrono::seconds(10)))
        << address();
    ASSERT_TRUE(WaitShown(view));
    EXPECT_EQ(std::string(CurrentDocument(view)->GetTitle()).rfind("Two", 0), 0u);
    CheckWindowScreenshot(frame_, "page-forms-enter-on-link");
}

TEST_F(PageForms, AFieldTakingTheKeyboardIsBroughtIntoView) {
    std::string lines;
    for (int i = 0; i < 80; ++i) lines += "<br>line " + std::to_string(i);
    const std::string wide(400, 'w');
    HWND view = Showing("<a href=\"two.html\">top</a>" + lines + "<p><input name=low value=below>" + "<pre>" +
                        wide + " <input type=checkbox name=right></pre>");
    ASSERT_NE(view, nullptr);
    HtmlPageDocument* page = PageOf(view);
    ASSERT_NE(page, nullptr);
    // Wholly inside the view's client area.
    auto shown = [&](HWND field) {
        RECT f, client;
        GetWindowRect(field, &f);
        GetClientRect(view, &client);
        MapWindowPoints(view, nullptr, reinterpret_cast<POINT*>(&client), 2);
        return IsWindowVisible(field) && f.left >= client.left && f.right <= client.right && f.top >= client.top &&
               f.bottom <= client.bottom;
    };
    struct Case {
        const char* how;
        int field;
        bool byTab;  // else the field is given the focus as a click or a script would
    } const cases[] = {
        {"Tab from the link at the top to the field below the view", kIdTextField, true},
        {"the focus given to a box right of the view", kIdCheckBox, false},
    };
    // Everything placed once, as the user scrolling down the page sees it.
    SendMessageA(view, WM_VSCROLL, SB_BOTTOM, 0);
    SendMessageA(view, WM_HSCROLL, SB_RIGHT, 0);
    PumpFor(std::chrono::milliseconds(200));
    for (const Case& c : cases) {
        SendMessageA(view, WM_VSCROLL, SB_TOP, 0);
        SendMessageA(view, WM_HSCROLL, SB_LEFT, 0);
        PumpFor(std::chrono::milliseconds(100));
        ASSERT_EQ(page->ScrollY(), 0) << c.how;
        if (c.byTab) {
            Press(VK_TAB);
            Press(VK_TAB);
        } else {
            SetFocus(Field(view, c.field));
            PumpFor(std::chrono::milliseconds(200));
        }
        HWND field = Field(view, c.field);
        ASSERT_NE(field, nullptr) << c.how;
        EXPECT_EQ(GetFocus(), field) << c.how;
        EXPECT_TRUE(shown(field)) << c.how;
        EXPECT_GT(c.field == kIdCheckBox ? page->ScrollX() : page->ScrollY(), 0) << c.how;
    }
    CheckWindowScreenshot(frame_, "page-forms-field-brought-into-view");
}

}  // namespace
