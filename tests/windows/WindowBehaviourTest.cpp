// How a page's window behaves under the user's hands, under Wine and Xvfb,
// with pages from an nginx on 127.0.0.1 that logs every request and real
// mouse and keys through the system's queue: the borders between frames
// (drawn, pointed at, dragged), the link address that waits before it
// pops up, the history of a frame reloaded alone, and Enter in the address
// field while its list is dropped down.
#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "net/UrlHandle.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/BrowsingCommands.h"
#include "windows/LinkHint.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

// A window's rectangle in its parent's client coordinates.
RECT PlaceInParent(HWND window) {
    RECT r = {};
    GetWindowRect(window, &r);
    MapWindowPoints(nullptr, GetParent(window), reinterpret_cast<POINT*>(&r), 2);
    return r;
}

class WindowBehaviour : public FrameTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        RegisterBrowsingCommands();
        RegisterFrameCommands();
        // The frame's keys (Alt+F5) as the program's start-up loads them.
        g_accelerators = LoadAcceleratorsA(g_instance, MAKEINTRESOURCEA(ACCEL_FRAME));
        ASSERT_NE(g_accelerators, nullptr);
    }
    void TearDown() override {
        EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
        FrameTest::TearDown();
        g_accelerators = nullptr;
    }
    std::string MoreIni() const override { return "POPUP LINK ADDRESS=1\r\n"; }

    bool WaitShowing(HWND view, const std::string& path) { return WaitFor(view, Url(path)) && WaitShown(view); }
    // A real key, through the program's own loop as a user's would go.
    static void Key(WORD key, const std::vector<WORD>& held = {}) {
        SendKeyPress(key, held);
        RunLoopFor(300);
    }
    static void Type(const std::string& text) {
        for (char c : text) {
            const SHORT code = VkKeyScanA(c);
            SendKeyPress(LOBYTE(code), (code & 0x100) ? std::vector<WORD>{VK_SHIFT} : std::vector<WORD>{});
        }
        RunLoopFor(300);
    }
    void Command(int id) {
        SendMessageA(frame_, WM_COMMAND, id, 0);
        PumpFor(std::chrono::milliseconds(50));
    }

    // Frame sets.
    FrameNode* Frame(HWND view, const char* name) {
        Document* d = CurrentDocument(view);
        auto* set = d && d->HasFrames() ? static_cast<HtmlDocument*>(d) : nullptr;
        return set && set->FrameRoot() ? FindFrameByName(*set->FrameRoot(), name) : nullptr;
    }
    std::string FrameShows(HWND view, const char* name) {
        FrameNode* frame = Frame(view, name);
        Document* d = frame ? frame->CurrentDocument() : nullptr;
        return d && d->GetUrl().GetName() ? d->GetUrl().GetName() : "";
    }
    bool WaitFrame(HWND view, const char* name, const std::string& path) {
        return PumpUntil([&] {
            FrameNode* frame = Frame(view, name);
            Document* d = frame ? frame->CurrentDocument() : nullptr;
            return d && FrameShows(view, name) == Url(path) && d->IsFormatted() && Idle(view);
        }, std::chrono::seconds(15));
    }

};

// --- borders between frames ------------------------------------------------------

// The bar in a gap of the given thickness ending before `start`, across the
// view at `across`: a light line, light grey, a dark line.
void ExpectBar(const std::vector<uint32_t>& pixels, int width, bool rows, int start, int thickness, int across) {
    auto at = [&](int along) {
        const int x = rows ? across : along, y = rows ? along : across;
        return pixels[static_cast<size_t>(y) * width + x];
    };
    EXPECT_EQ(at(start - thickness), 0xF4F4F4u) << "light edge at " << start - thickness << ", " << across;
    for (int k = start - thickness + 1; k < start - 1; ++k)
        EXPECT_EQ(at(k), 0xC0C0C0u) << "grey at " << k << ", " << across;
    EXPECT_EQ(at(start - 1), 0x252525u) << "dark edge at " << start - 1 << ", " << across;
}

TEST_F(WindowBehaviour, BordersBetweenFramesAreDrawnPointedAtAndDragged) {
    struct Case {
        const char* page;
        bool rows;
        const char *first, *second;
        int size;       // of the first frame
        int thickness;  // of the gap: twice the frame set's border
        bool resizable;
    } cases[] = {
        {"/cols.html", false, "left", "right", 200, 4, true},
        {"/rows.html", true, "top", "bottom", 150, 10, true},
        {"/fixed.html", false, "left", "right", 200, 4, false},  // NORESIZE
        {"/flat.html", false, "left", "right", 200, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.page);
        HWND view = Showing(c.page);
        ASSERT_NE(view, nullptr);
        ASSERT_TRUE(WaitFrame(view, c.first, "/one.html"));
        ASSERT_TRUE(WaitFrame(view, c.second, "/two.html"));
        HWND first = Frame(view, c.first)->FrameWindow(), second = Frame(view, c.second)->FrameWindow();
        ASSERT_TRUE(first && second);
        PumpFor(std::chrono::milliseconds(300));
        auto along = [&](const RECT& r, bool end) { return c.rows ? (end ? r.bottom : r.top) : (end ? r.right : r.left); };
        EXPECT_EQ(along(PlaceInParent(first), true), c.size);
        EXPECT_EQ(along(PlaceInParent(second), false), c.size + c.thickness);
        int width = 0, height = 0;
        std::vector<uint32_t> pixels = CaptureClientArea(view, width, height);
        ASSERT_GT(width, 400);
        ASSERT_GT(height, 300);
        const int span = c.rows ? width : height;
        // The frames fill the window, whose scroll bars went with the page
        // before.
        const RECT last = PlaceInParent(second);
        EXPECT_EQ(last.right, width);
        EXPECT_EQ(last.bottom, height);
        if (c.thickness == 0) {
            CheckWindowScreenshot(frame_, "frames-without-border");
            DestroyWindow(GetParent(view));
            continue;
        }
        for (int across : {2, span / 2, span - 3}) ExpectBar(pixels, width, c.rows, c.size + c.thickness, c.thickness, across);
        CheckWindowScreenshot(frame_, c.rows ? "frame-border-rows" : "frame-border-columns");

        // The pointer on the border turns into the sizing arrows; the
        // border goes where it is let go, its gap centred there. A border
        // beside a frame that may not be resized stays.
        const HCURSOR sizing = LoadCursor(nullptr, c.rows ? IDC_SIZENS : IDC_SIZEWE);
        const int middle = c.size + c.thickness / 2, moved = c.resizable ? 100 : 0;
        auto point = [&](int v) { return c.rows ? POINT{width / 2, v} : POINT{v, height / 2}; };
        SendMouseTo(view, point(middle));
        SendMouseTo(view, point(middle + 1));
        EXPECT_EQ(GetCursor() == sizing, c.resizable);
        SendMouseButton(MOUSEEVENTF_LEFTDOWN);
        SendMouseTo(view, point(middle + 50));
        SendMouseTo(view, point(middle + 100));
        SendMouseButton(MOUSEEVENTF_LEFTUP);
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_EQ(along(PlaceInParent(first), true), c.size + moved);
        EXPECT_EQ(along(PlaceInParent(second), false), c.size + moved + c.thickness);
        pixels = CaptureClientArea(view, width, height);
        ExpectBar(pixels, width, c.rows, c.size + moved + c.thickness, c.thickness, span / 2);
        // Off the border, over a frame's page, the pointer is an arrow again.
        SendMouseTo(first, POINT{20, 20});
        EXPECT_NE(GetCursor(), sizing);
        if (!c.rows && c.resizable) CheckWindowScreenshot(frame_, "frame-border-dragged");
        DestroyWindow(GetParent(view));
        PumpFor(std::chrono::milliseconds(100));
    }
}

// --- the link hint ------------------------------------------------------------------

TEST_F(WindowBehaviour, TheLinkAddressPopsUpOnlyAfterThePointerRestsOnTheLink) {
    HWND view = Showing("/hint.html");
    ASSERT_NE(view, nullptr);
    const POINT on = LinkPoint(view, CurrentDocument(view));
    ASSERT_GE(on.x, 0);
    RECT client;
    GetClientRect(view, &client);
    const POINT off = {client.right / 2, client.bottom - 40};
    auto shown = [] { return LinkHintWindow() && IsWindowVisible(LinkHintWindow()); };

    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        SendMouseTo(view, off);
        const auto start = std::chrono::steady_clock::now();
        SendMouseTo(view, on);
        // The status has the address at once; the hint waits.
        EXPECT_EQ(std::string(g_windowList->GetLinkText()), Url("/one.html"));
        PumpFor(std::chrono::milliseconds(600));
        EXPECT_FALSE(shown()) << "a hint before the pointer rested";
        ASSERT_TRUE(PumpUntil(shown, std::chrono::seconds(5)));
        EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(900));
        char text[400] = "";
        GetWindowTextA(LinkHintWindow(), text, sizeof text);
        EXPECT_EQ(std::string(text), Url("/one.html"));
        RECT hint;
        GetWindowRect(LinkHintWindow(), &hint);
        POINT cursor;
        GetCursorPos(&cursor);
        EXPECT_EQ(hint.top, cursor.y + 20) << "below the pointer";
        if (round == 0) CheckWindowScreenshot(frame_, "link-hint");
        // Off the link it goes, and the wait ends without it.
        SendMouseTo(view, off);
        EXPECT_FALSE(shown());
        PumpFor(std::chrono::milliseconds(1300));
        EXPECT_FALSE(shown()) << "the hint came back off the link";
    }
}

// --- a frame reloaded alone ---------------------------------------------------------

TEST_F(WindowBehaviour, AFrameReloadedAloneKeepsItsPlaceInTheHistory) {
    HWND view = Showing("/set.html");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(WaitFrame(view, "menu", "/menu.html"));
    ASSERT_TRUE(WaitFrame(view, "main", "/one.html"));
    // The menu's link loads the second page into the main frame: one step.
    HWND menuPane = Frame(view, "menu")->FrameWindow();
    const POINT link = LinkPoint(menuPane, Frame(view, "menu")->CurrentDocument());
    ASSERT_GE(link.x, 0);
    SendMouseTo(menuPane, link);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitFrame(view, "main", "/two.html"));

    // Alt+F5 in the main frame, then the history steps: each reload asks
    // the server again and adds no step of its own.
    struct Step {
        const char* action;
        const char* shows;  // the main frame afterwards
    } steps[] = {
        {"reload", "/two.html"}, {"back", "/one.html"}, {"reload", "/one.html"},
        {"forward", "/two.html"}, {"back", "/one.html"},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.action);
        const std::string action = step.action;
        const int before = Requests(step.shows);
        if (action == "reload") {
            SetFocus(Frame(view, "main")->FrameWindow());
            SendMouseTo(Frame(view, "main")->FrameWindow(), POINT{30, 60});
            SendMouseButton(MOUSEEVENTF_LEFTDOWN);
            SendMouseButton(MOUSEEVENTF_LEFTUP);
            Key(VK_F5, {VK_MENU});
            EXPECT_TRUE(PumpUntil([&] { return Requests(step.shows) == before + 1; }, std::chrono::seconds(15)));
        } else {
            Command(action == "back" ? CMD_PREVIOUS : CMD_NEXT);
        }
        EXPECT_TRUE(WaitFrame(view, "main", step.shows)) << FrameShows(view, "main");
        EXPECT_EQ(FrameShows(view, "menu"), Url("/menu.html"));
        EXPECT_EQ(Shown(view), Url("/set.html"));
    }
    // At the oldest step: back has nowhere to go inside the frame set.
    Document* set = CurrentDocument(view);
    EXPECT_FALSE(set->CanGoBackInside());
    EXPECT_TRUE(set->CanGoForwardInside());
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 1);
}

// --- the address field's list ---------------------------------------------------------

TEST_F(WindowBehaviour, EnterWithTheAddressListDroppedDownOpensTheAddress) {
    HWND view = Showing("/one.html");
    ASSERT_NE(view, nullptr);
    g_windowList->ShowBottomToolbar(view, true);
    ASSERT_TRUE(OpenTypedUrl(view, Url("/two.html").c_str(), nullptr, true, 0));
    ASSERT_TRUE(WaitShowing(view, "/two.html"));
    HWND combo = GetDlgItem(g_windowList->GetBottomToolbar(view), IDC_BAR_HISTORY);
    ASSERT_NE(combo, nullptr);
    auto dropped = [&] { return SendMessageA(combo, CB_GETDROPPEDSTATE, 0, 0) != 0; };

    // H drops the list down with the keyboard in the field; a typed address
    // and Enter open that address.
    SetFocus(view);
    Key('H');
    ASSERT_TRUE(dropped());
    EXPECT_TRUE(IsChild(combo, GetFocus()));
    CheckWindowScreenshot(frame_, "address-list-dropped");
    Key('A', {VK_CONTROL});
    Type(Url("/menu.html").substr(7));
    Key(VK_RETURN);
    EXPECT_TRUE(WaitShowing(view, "/menu.html")) << Shown(view);
    EXPECT_FALSE(dropped());
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 3);

    // An entry chosen with the arrow keys and Enter: that page of the
    // window's history comes back, no new one is added.
    SetFocus(view);
    Key('H');
    ASSERT_TRUE(dropped());
    // The list holds the pages' titles, newest first.
    char text[300] = "";
    for (int down = 0; down < 4 && std::string(text).rfind("One", 0) != 0; ++down) {
        Key(VK_DOWN);
        GetWindowTextA(combo, text, sizeof text);
    }
    ASSERT_EQ(std::string(text).rfind("One", 0), 0u) << text;
    EXPECT_TRUE(dropped());
    Key(VK_RETURN);
    EXPECT_TRUE(WaitShowing(view, "/one.html")) << Shown(view);
    EXPECT_FALSE(dropped());
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 3);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
