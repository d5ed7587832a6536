// Page scripts in the program's real document windows, under Wine and Xvfb,
// with the real engine library and pages from two nginx servers on
// 127.0.0.1: the frame makes the script host, a window's page runs its
// scripts, clicks on links and submit buttons ask their handlers first, a
// window of another server is out of a script's reach, alert opens a real
// box and the page goes on after it, a timer that comes due under the box
// waits and then runs, a script that never ends leaves its window alive
// until Stop or closing, and javascript: addresses typed or followed run in
// the window's page. With SCRIPTING=0 the engine is never loaded.
#include <windows.h>

#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "app/FrameWindow.h"
#include "app/SettingsHandOver.h"
#include "core/InternalMessages.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FormControlWindows.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "documents/ScriptHost.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/ReplacedElements.h"
#include "net/UrlRecord.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;
using namespace std::chrono_literals;

namespace {

std::string At(const char* kind, const char* path) {
    return "http://127.0.0.1:" + std::to_string(ServerPortFromEnv(kind)) + path;
}

// The program's own message boxes (not the scripts') are answered at once.
int AnswerBox(HWND, const char*, const char*, UINT) {
    return IDOK;
}

class ScriptWindows : public ::testing::Test {
protected:
    void SetUp() override {
        // The program finds the engine beside itself; the test program
        // lies two folders below it.
        SetDllDirectoryA((ProgramFolder() + "..\\..").c_str());
    }
    void TearDown() override {
        if (frame_) EndTestFrame(frame_);
        Preferences::SetListener(nullptr);
        RegisterFormControlFactory(nullptr);
        SetDllDirectoryA(nullptr);
    }
    void Start(const std::string& extra = "") {
        // As the program starts: setting changes reach the script host, and
        // form fields are windows of their own.
        InstallSettingsHandOver();
        InstallFormControlWindows();
        frame_ = StartTestFrame(frameWindow_, dir_.File("zintu.ini"),
                                "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\nZINTU DIRECTORY=" +
                                    dir_.File("user") + "\r\n" + extra,
                                AnswerBox);
        ASSERT_NE(frame_, nullptr);
        ASSERT_NE(ScriptHost::Instance(), nullptr) << "the frame makes the script host";
    }

    static Document* Current(HWND view) {
        DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
        return w ? w->CurrentDocument() : nullptr;
    }
    static HtmlPageDocument* Page(HWND view) {
        Document* d = Current(view);
        return d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d)->Page() : nullptr;
    }
    static std::string CurrentUrl(HWND view) {
        Document* d = Current(view);
        return d && d->GetUrl().GetName() ? d->GetUrl().GetName() : "";
    }
    // The text of the window's page, text nodes joined.
    static std::string PageText(HWND view) {
        HtmlPageDocument* page = Page(view);
        if (!page || page->Content().IsEmpty()) return "";
        std::string text;
        for (const TreeNode* n = page->Content()->Root(); n; n = n->NextInOrder(false)) {
            if (const char* t = static_cast<const HtmlElement*>(n)->GetText()) text += t;
        }
        return text;
    }
    // Waits until the window shows a formatted page whose address holds
    // the text and has gone idle.
    static bool WaitShown(HWND view, const std::string& part, std::chrono::milliseconds limit = 15s) {
        return PumpUntil(
            [&] {
                Document* d = Current(view);
                return d && CurrentUrl(view).find(part) != std::string::npos && d->IsFormatted() &&
                       g_windowList->GetLoadState(view) == kWindowIdle;
            },
            limit);
    }
    HWND Open(const std::string& url, HWND view = nullptr) {
        if (!view) {
            int tile = 1;
            view = g_windowList->OpenNewWindow(&tile);
        }
        EXPECT_NE(view, nullptr);
        (void)OpenTypedUrl(view, url.c_str(), nullptr, true, 0);
        return view;
    }
    static void Click(HWND view, int x, int y) {
        SendMessageA(view, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(x, y));
        SendMessageA(view, WM_LBUTTONUP, 0, MAKELPARAM(x, y));
    }
    // A push button among the page's controls, by its caption.
    struct ButtonSearch {
        const char* caption;
        HWND found;
    };
    static BOOL CALLBACK MatchButton(HWND child, LPARAM p) {
        auto* s = reinterpret_cast<ButtonSearch*>(p);
        char className[16] = {}, text[64] = {};
        GetClassNameA(child, className, sizeof className);
        GetWindowTextA(child, text, sizeof text);
        if (lstrcmpiA(className, "Button") == 0 && std::string(text).find(s->caption) != std::string::npos) {
            s->found = child;
        }
        return s->found == nullptr;
    }
    static HWND FindButton(HWND view, const char* caption) {
        ButtonSearch search = {caption, nullptr};
        EnumChildWindows(view, MatchButton, reinterpret_cast<LPARAM>(&search));
        return search.found;
    }
    static std::string WindowName(HWND view) {
        DocumentWindow* w = g_windowList->FindWindowById(view);
        return w ? w->Name() : "";
    }

    ScratchDir dir_;
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
};

TEST_F(ScriptWindows, WithScriptingOffTheEngineIsNeverLoaded) {
    Start("[EXTENSIONS]\r\nSCRIPTING=0\r\n");
    {
        DialogDriver driver(
            "JavaScript", [](HWND) {}, IDOK);
        HWND view = Open(At("NGINX", "/alert.html?off"));
        ASSERT_TRUE(WaitShown(view, "alert.html"));
        PumpFor(300ms);
        EXPECT_FALSE(driver.Found());
        EXPECT_EQ(ScriptHost::Instance()->LoadAttempts(), 0);
        EXPECT_EQ(GetModuleHandleA("ZNTJS32.dll"), nullptr);
        EXPECT_NE(PageText(view).find("after the box"), std::string::npos) << PageText(view);
    }

    // Switched on, the next page's script loads it; switched off again, it
    // is freed.
    g_preferences->Set(PrefInt::Scripting, 1);
    DialogDriver box(
        "JavaScript", [](HWND) {}, IDOK);
    HWND second = Open(At("NGINX", "/alert.html?on"));
    ASSERT_TRUE(WaitShown(second, "alert.html?on"));
    EXPECT_TRUE(box.Found());
    EXPECT_NE(GetModuleHandleA("ZNTJS32.dll"), nullptr);
    g_preferences->Set(PrefInt::Scripting, 0);
    EXPECT_EQ(GetModuleHandleA("ZNTJS32.dll"), nullptr);
}

TEST_F(ScriptWindows, AlertOpensAJavaScriptBoxAndThePageGoesOnAfterIt) {
    Start();
    std::string seen;
    bool question = false, cancel = true, frameDisabled = false;
    HWND view = nullptr;
    DialogDriver driver("JavaScript", [&](HWND box) {
        seen = StaticTexts(box);
        // The question icon, and OK alone.
        for (HWND c = GetWindow(box, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if ((GetWindowLongA(c, GWL_STYLE) & SS_TYPEMASK) == SS_ICON)
                question |= reinterpret_cast<HICON>(SendMessageA(c, STM_GETICON, 0, 0)) ==
                            LoadIcon(nullptr, IDI_QUESTION);
        }
        HWND cancelButton = GetDlgItem(box, IDCANCEL);
        cancel = cancelButton && IsWindowVisible(cancelButton);
        // Task-modal: the program's own windows wait for it.
        frameDisabled = !IsWindowEnabled(frame_);
        CheckWindowScreenshot(box, "script-alert-box");
        PressDialogButton(box, IDOK);
    });
    view = Open(At("NGINX", "/alert.html"));
    ASSERT_TRUE(WaitShown(view, "alert.html"));
    ASSERT_TRUE(driver.Found());
    EXPECT_NE(seen.find("Hello from the page"), std::string::npos) << seen;
    EXPECT_TRUE(question);
    EXPECT_FALSE(cancel);
    EXPECT_TRUE(frameDisabled);
    EXPECT_NE(ScriptHost::Instance()->LoadAttempts(), 0);
    EXPECT_NE(PageText(view).find("after the box"), std::string::npos) << PageText(view);
    PumpFor(300ms);
    CheckWindowScreenshot(frame_, "script-alert-page");
}

TEST_F(ScriptWindows, ATimerDueWhileABoxIsOpenWaitsAndThenRuns) {
    Start();
    DialogDriver driver("JavaScript", [&](HWND box) {
        Sleep(300);
        PressDialogButton(box, IDOK);
    });
    HWND view = Open(At("NGINX", "/late.html"));
    // Messages of the same number from other senders, and a run the page
    // never had, change nothing.
    PostMessageA(view, kMsgScriptResult, 0, 0x1234);
    PostMessageA(view, kMsgScriptResult, HtmlPageDocument::kScriptRunTag, 0x7FFF1234);
    ASSERT_TRUE(WaitShown(view, "plain.html?late")) << CurrentUrl(view);
    EXPECT_TRUE(driver.Found());
}

TEST_F(ScriptWindows, DocumentWriteDuringParsingInsertsMarkupWhoseScriptRuns) {
    Start();
    HWND view = Open(At("NGINX", "/write.html"));
    ASSERT_TRUE(WaitShown(view, "write.html"));
    std::string text = PageText(view);
    size_t before = text.find("before"), written = text.find("written"), nested = text.find("nested"),
           after = text.find("after");
    ASSERT_NE(after, std::string::npos) << text;
    EXPECT_TRUE(before < written && written < nested && nested < after) << text;
}

TEST_F(ScriptWindows, APasswordReadsAsStars) {
    Start();
    HWND view = Open(At("NGINX", "/password-write.html"));
    ASSERT_TRUE(WaitShown(view, "password-write.html"));
    EXPECT_NE(PageText(view).find("[******][][plain]"), std::string::npos) << PageText(view);
}

TEST_F(ScriptWindows, ClickHandlersDecideWhetherALinkIsFollowed) {
    Start();
    struct Case {
        const char* page;
        const char* shownAfter;  // what the window shows after the click
        bool handlerRan;
    } cases[] = {
        {"/link-stopped.html", "link-stopped.html", true},
        {"/link-followed.html", "plain.html?followed", true},
        {"/link-script.html", "zintu:", false},  // the page the javascript: address made
    };
    for (const Case& c : cases) {
        HWND view = Open(At("NGINX", c.page));
        ASSERT_TRUE(WaitShown(view, c.page)) << c.page;
        PumpFor(200ms);
        Click(view, 30, 25);
        PumpFor(500ms);
        EXPECT_TRUE(WaitShown(view, c.shownAfter, 5s)) << c.page << ": " << CurrentUrl(view);
        EXPECT_EQ(WindowName(view) == "clicked", c.handlerRan) << c.page;
        if (std::string(c.page) == "/link-script.html") {
            EXPECT_NE(PageText(view).find("made by a link"), std::string::npos) << PageText(view);
        }
    }
    EXPECT_EQ(AccessLog().find("plain.html?stopped"), std::string::npos);
}

TEST_F(ScriptWindows, ASubmitHandlerReturningFalseSendsNothing) {
    Start();
    struct Case {
        const char* page;
        bool sent;
    } cases[] = {{"/submit-stopped.html", false}, {"/submit-sent.html", true}};
    for (const Case& c : cases) {
        HWND view = Open(At("NGINX", c.page));
        ASSERT_TRUE(WaitShown(view, c.page)) << c.page;
        HWND button = nullptr;
        PumpUntil([&] { return (button = FindButton(view, "Send it")) != nullptr; }, 2s);
        ASSERT_NE(button, nullptr) << c.page;
        size_t logged = AccessLog().size();
        {
            // A form going out over plain http asks first; the user lets it go.
            DialogPresser unencrypted("Zintu", IDOK);
            SendMessageA(button, BM_CLICK, 0, 0);
            PumpUntil([&] { return AccessLog().find("plain.html?sent", logged) != std::string::npos; }, 2s);
            EXPECT_EQ(unencrypted.Presses() > 0, c.sent) << c.page;
        }
        EXPECT_EQ(AccessLog().find("plain.html?sent", logged) != std::string::npos, c.sent) << c.page;
        EXPECT_EQ(WindowName(view), "submitted") << c.page;
    }
}

TEST_F(ScriptWindows, AWindowOfAnotherServerIsOutOfReachAndOneOfTheSameIsNot) {
    Start();
    struct Case {
        const char* server;  // of the window peeked at
        bool readable;
    } cases[] = {{"NGINXOTHER", false}, {"NGINX", true}};
    for (const Case& c : cases) {
        std::string otherUrl = At(c.server, "/plain.html");
        HWND other = Open(otherUrl);
        ASSERT_TRUE(WaitShown(other, "plain.html")) << c.server;
        g_windowList->FindWindowById(other)->SetName("other");
        // A page of its own each time: a page already parsed runs no script.
        HWND peeker = Open(At("NGINX", (std::string("/peek-write.html?") + c.server).c_str()));
        ASSERT_TRUE(WaitShown(peeker, "peek-write.html")) << c.server;
        std::string seen = PageText(peeker);
        if (c.readable) {
            EXPECT_NE(seen.find("[" + otherUrl + "]"), std::string::npos) << seen;
        } else {
            EXPECT_NE(seen.find("["), std::string::npos) << seen;
            EXPECT_EQ(seen.find("plain.html"), std::string::npos) << seen;
        }
        g_windowList->FindWindowById(other)->SetName("");
    }
}

TEST_F(ScriptWindows, AScriptThatNeverEndsLeavesItsWindowAliveUntilStoppedOrClosed) {
    Start();
    HWND view = Open(At("NGINX", "/forever.html"));
    ASSERT_TRUE(WaitShown(view, "forever.html"));
    PumpFor(300ms);
    HtmlPageDocument* page = Page(view);
    ASSERT_NE(page, nullptr);
    EXPECT_EQ(page->PendingScriptRuns(), 1);  // still running, slice after slice
    // The window paints meanwhile.
    InvalidateRect(view, nullptr, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return !GetUpdateRect(view, nullptr, FALSE); }, 2s));
    CheckWindowScreenshot(frame_, "script-forever-page");
    // The Stop key ends it.
    SendMessageA(view, WM_KEYDOWN, VK_ESCAPE, 0);
    EXPECT_EQ(page->PendingScriptRuns(), 0);
    PumpFor(200ms);
    EXPECT_EQ(page->PendingScriptRuns(), 0);

    // A typed javascript: address runs in the window's page; closing the
    // window frees the script.
    (void)OpenTypedUrl(view, "javascript:while (true) { }", nullptr, true, 0);
    PumpFor(100ms);
    ASSERT_EQ(Page(view), page);
    EXPECT_EQ(page->PendingScriptRuns(), 1);
    const int windows = g_windowList->Count();
    SendMessageA(g_windowList->FindWindowById(view)->Frame(), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return g_windowList->Count() == windows - 1; }, 2s));
    PumpFor(200ms);
    EXPECT_FALSE(ScriptHost::Instance()->IsEvaluating());
}

TEST_F(ScriptWindows, ATypedJavascriptAddressShowsItsValueInTheWindow) {
    Start();
    HWND view = Open(At("NGINX", "/plain.html"));
    ASSERT_TRUE(WaitShown(view, "plain.html"));
    (void)OpenTypedUrl(view, "javascript:'<p>typed ' + 'here</p>'", nullptr, true, 0);
    ASSERT_TRUE(PumpUntil([&] { return PageText(view).find("typed here") != std::string::npos; }, 5s))
        << PageText(view);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
