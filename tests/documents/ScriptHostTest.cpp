// The script host under Wine against the real engine library ZNTJS32: the
// binding (scripting off, a library lacking an export), pages from two local
// nginx servers whose scripts write into the page, open real "JavaScript"
// boxes, set timers that wait while another script runs, read form fields,
// stop or follow links and peek at windows of the same or another server,
// and a script that never ends beside a window that stays alive. The
// windows are a small test view: plain windows with a history each, which
// record what scripts ask of them.
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/DocumentWindows.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "documents/ScriptHost.h"
#include "documents/ScriptWindows.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/UrlContentFeed.h"
#include "layout/ScreenDevice.h"
#include "layout/SystemFonts.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "tests/documents/PageTestFixture.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

// Runs the message loop one message at a time, looking after each: a load
// that waits for a page's script posts itself one message after another,
// and a loop that drains the queue before looking would never look again.
bool PumpUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout = std::chrono::seconds(5)) {
    auto end = std::chrono::steady_clock::now() + timeout;
    for (;;) {
        if (done()) return true;
        if (std::chrono::steady_clock::now() >= end) return done();
        MSG m;
        if (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageA(&m);
        } else {
            MsgWaitForMultipleObjects(0, nullptr, FALSE, 5, QS_ALLINPUT);
        }
    }
}

void PumpFor(std::chrono::milliseconds time) {
    PumpUntil([] { return false; }, time);
}

std::string ProgramFolder() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.rfind('\\') + 1);
}

// The real engine sits at the top of the build tree, beside the program.
std::string EngineLibrary() {
    return ProgramFolder() + "..\\..\\ZNTJS32.dll";
}

std::string At(const char* kind, const char* path) {
    return "http://127.0.0.1:" + std::to_string(testing_support::ServerPortFromEnv(kind)) + path;
}

// One document window of the test view: a visible view with its handler,
// device and history, a name, and a count of its paints.
class TestWindow : public HistoryOwner {
public:
    TestWindow(const char* name) : name(name) {
        window_ = CreateWindowExA(0, "ZintuScriptTestView", name, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 20, 20, 400,
                                  300, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        RECT client;
        GetClientRect(window_, &client);
        handler_ = std::make_unique<MessageHandler>(window_);
        device_ = std::make_unique<ScreenDevice>(window_, false);
        list_ = std::make_unique<DocumentList>(this, client.right, client.bottom);
    }
    ~TestWindow() override {
        list_.reset();
        // As a closing window does: records stop waiting on its handler.
        if (UrlRegistry* urls = UrlRegistry::Instance()) urls->ForgetWindow(handler_.get());
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        device_.reset();
        DestroyWindow(window_);
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        auto* self = reinterpret_cast<TestWindow*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (self && message >= 0x8000 && message < 0xC000) {
            self->handler_->Dispatch(message, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp));
            return 0;
        }
        if (self && message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            if (Document* d = self->list_ ? self->list_->GetCurrentDocument() : nullptr) d->Paint(ps.rcPaint);
            EndPaint(window, &ps);
            ++self->paints;
            return 0;
        }
        return DefWindowProcA(window, message, wp, lp);
    }

    MessageHandler* Handler() override { return handler_.get(); }
    PaintDevice* Device() override { return device_.get(); }
    HWND ViewWindow() override { return window_; }

    DocumentList& List() { return *list_; }
    // The page document the window shows (through its HTML document).
    HtmlPageDocument* Page() {
        Document* d = list_->GetCurrentDocument();
        return d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d)->Page() : nullptr;
    }
    std::string name;
    int paints = 0;

private:
    HWND window_;
    std::unique_ptr<MessageHandler> handler_;
    std::unique_ptr<PaintDevice> device_;
    std::unique_ptr<DocumentList> list_;
};


// What scripts asked of the windows.
struct Opened {
    int window;
    std::string url;
};
struct Status {
    int window;
    std::string text;
    DWORD tick;
};

// The test view's windows as scripts see them: numbered from 1 in the order
// they were made, found by name, recording statuses and opened URLs.
class TestWindows : public ScriptWindowServices {
public:
    TestWindow& Add(const char* name) {
        windows.push_back(std::make_unique<TestWindow>(name));
        return *windows.back();
    }
    TestWindow* At(int number) {
        return number >= 1 && number <= static_cast<int>(windows.size()) ? windows[number - 1].get() : nullptr;
    }
    int WindowNumber(HWND view) override {
        for (size_t i = 0; i < windows.size(); ++i) {
            if (windows[i] && windows[i]->ViewWindow() == view) return static_cast<int>(i) + 1;
        }
        return 0;
    }
    Document* CurrentDocument(int number) override {
        TestWindow* w = At(number);
        return w ? w->List().GetCurrentDocument() : nullptr;
    }
    HWND BoxOwner(int number) override {
        TestWindow* w = At(number);
        return w ? w->ViewWindow() : nullptr;
    }
    const char* GetName(int number) override {
        TestWindow* w = At(number);
        return w ? w->name.c_str() : "";
    }
    void SetStatusText(int number, const char* text) override {
        statuses.push_back({number, text, GetTickCount()});
    }
    void OpenUrl(int number, int32_t, const UrlHandle& url, const UrlHandle&) override {
        opened.push_back({number, url.GetName() ? url.GetName() : ""});
        openedUrls.push_back(url);
    }
    int OpenNamedWindow(const char* name, int opener) override {
        for (size_t i = 0; i < windows.size(); ++i) {
            if (windows[i] && name && windows[i]->name == name) return static_cast<int>(i) + 1;
        }
        return 0;
    }
    std::string LastStatus(int number) const {
        for (auto it = statuses.rbegin(); it != statuses.rend(); ++it) {
            if (it->window == number) return it->text;
        }
        return "";
    }
    const Status* FindStatus(const std::string& text) const {
        for (const Status& s : statuses) {
            if (s.text == text) return &s;
        }
        return nullptr;
    }

    std::vector<std::unique_ptr<TestWindow>> windows;
    std::vector<Status> statuses;
    std::vector<Opened> opened;
    std::vector<UrlHandle> openedUrls;
};

// The queue's clock as the system's, noting every arming of its timer: the
// delays of the runs the page schedules.
class NotingTimer : public DelayTimer {
public:
    bool Arm(HWND window, UINT id, uint32_t ms) override {
        arms.push_back(ms);
        return DelayTimer::Arm(window, id, ms);
    }
    std::vector<uint32_t> arms;
};

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;  // the screen device keeps the window's DC
    wc.lpfnWndProc = TestWindow::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "ZintuScriptTestView";
    RegisterClassA(&wc);
}

// The types of a subtree's elements in document order, as one text.
std::string Types(const HtmlElement* root) {
    std::string out;
    for (const TreeNode* n = root; n; n = n->NextInOrder(false)) {
        int type = static_cast<const HtmlElement*>(n)->Type();
        if (type == kTagB) out += "B";
        if (type == kTagI) out += "I";
        if (type == kTagP) out += "P";
    }
    return out;
}

HtmlElement* NthOfType(const HtmlElement* root, int type, int n) {
    for (const TreeNode* e = root; e; e = e->NextInOrder(false)) {
        auto* element = const_cast<HtmlElement*>(static_cast<const HtmlElement*>(e));
        if (element->Type() == type && n-- == 0) return element;
    }
    return nullptr;
}

class ScriptHostTest : public testing_support::PageTestFixture {
protected:
    void SetUp() override {
        RegisterClasses();
        SetUpPages("scripthost-", &timer_);
        SetScriptWindowServices(&windows_);
    }
    void TearDown() override {
        windows_.windows.clear();
        host_.reset();
        SetScriptWindowServices(nullptr);
        windows_.openedUrls.clear();
        TearDownPages();
    }

    void MakeHost() { host_ = std::make_unique<ScriptHost>(EngineLibrary().c_str()); }

    // Loads a page into a window as the window would: the load starts, and
    // the document is made once the page's content exists (its scripts wait
    // for the window's script object until then).
    HtmlPageDocument* Show(TestWindow& window, const std::string& name) {
        UrlHandle url = urls_->FindWithFragment(name.c_str());
        EXPECT_FALSE(url.IsEmpty()) << name;
        (void)url->StartLoad(window.Handler(), UrlHandle(), false, false);
        EXPECT_TRUE(PumpUntil([&] { return DocumentContentOf(*url.Record()).GetPage() != nullptr; }, 10s)) << name;
        window.List().CreateDocument(url, 0, false);
        EXPECT_TRUE(PumpUntil([&] { return window.Page() && window.Page()->IsFormatted(); }, 10s)) << name;
        return window.Page();
    }

    NotingTimer timer_;
    TestWindows windows_;
    std::unique_ptr<ScriptHost> host_;
};

// --- the binding -----------------------------------------------------------------

TEST_F(ScriptHostTest, ScriptingOffLoadsNothingUntilSwitchedOn) {
    testing_support::ScratchDir dir;
    std::string ini = dir.File("zintu.ini");
    testing_support::WriteWholeFile(ini, "[EXTENSIONS]\r\nSCRIPTING=0\r\n");
    Preferences prefs(ini.c_str());
    prefs.LoadAll();
    g_preferences = &prefs;
    MakeHost();
    EXPECT_FALSE(host_->EnsureLoaded());
    EXPECT_EQ(host_->LoadAttempts(), 0);
    EXPECT_EQ(GetModuleHandleA("ZNTJS32.dll"), nullptr);
    const char* text = "x = 1";
    const char* cursor = text;
    EXPECT_EQ(host_->LoadScriptText(0, &cursor, text + 5, 0), 1111);
    EXPECT_EQ(host_->CreateObject(0, 1, 0), 0);
    EXPECT_EQ(host_->Evaluate(0, nullptr, nullptr, nullptr), 1111);

    // On again: the next use loads it.
    prefs.Set(PrefInt::Scripting, 1);
    EXPECT_TRUE(host_->EnsureLoaded());
    EXPECT_EQ(host_->LoadAttempts(), 1);
    EXPECT_NE(GetModuleHandleA("ZNTJS32.dll"), nullptr);
    EXPECT_NE(host_->CreateScript(0), 0);
    // Off frees the library; on loads it again.
    EXPECT_EQ(host_->SetEnabled(false), 1);
    EXPECT_EQ(GetModuleHandleA("ZNTJS32.dll"), nullptr);
    EXPECT_EQ(host_->SetEnabled(true), 1);
    EXPECT_EQ(host_->LoadAttempts(), 2);
    host_.reset();
    g_preferences = nullptr;
}

TEST_F(ScriptHostTest, ALibraryLackingAnExportIsFreedAndNeverLoadedAgain) {
    std::string standIn = ProgramFolder() + "zntjs-missing-export.dll";
    ASSERT_TRUE(fs::exists(standIn)) << standIn;
    host_ = std::make_unique<ScriptHost>(standIn.c_str());
    EXPECT_FALSE(host_->EnsureLoaded());
    EXPECT_EQ(host_->LoadAttempts(), 1);
    EXPECT_EQ(GetModuleHandleA("zntjs-missing-export.dll"), nullptr) << "the library was not freed";
    // Not even switching scripting off and on tries it again.
    EXPECT_EQ(host_->SetEnabled(false), 1);
    EXPECT_EQ(host_->SetEnabled(true), 0);
    EXPECT_FALSE(host_->EnsureLoaded());
    EXPECT_EQ(host_->LoadAttempts(), 1);
    // Pages load as if their scripts had run.
    const char* text = "alert(1)";
    const char* cursor = text;
    EXPECT_EQ(host_->LoadScriptText(0, &cursor, text + 8, 0), 1111);
}

// --- pages ---------------------------------------------------------------------------

TEST_F(ScriptHostTest, DocumentWriteDuringParsingInsertsMarkupAndItsScriptRuns) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    HtmlPageDocument* page = Show(window, At("NGINX", "/write.html"));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return page->Content()->IsComplete(); }, 10s));
    // Written where the script stood, and the written script wrote too.
    EXPECT_EQ(Types(page->Content()->Root()), "PBIP");
}

TEST_F(ScriptHostTest, AlertOpensAJavaScriptBoxAndThePageGoesOnAfterIt) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    std::string seen;
    LONG style = 0;
    HWND owner = nullptr;
    testing_support::DialogDriver driver("JavaScript", [&](HWND box) {
        seen = testing_support::StaticTexts(box);
        style = GetWindowLongA(box, GWL_STYLE);
        owner = GetWindow(box, GW_OWNER);
        testing_support::PressDialogButton(box, IDOK);
    });
    HtmlPageDocument* page = Show(window, At("NGINX", "/alert.html"));
    ASSERT_NE(page, nullptr);
    EXPECT_TRUE(driver.Found());
    EXPECT_NE(seen.find("Hello from the page"), std::string::npos) << seen;
    EXPECT_EQ(owner, window.ViewWindow());
    ASSERT_TRUE(PumpUntil([&] { return page->Content()->IsComplete(); }, 10s));
    EXPECT_EQ(Types(page->Content()->Root()), "P");  // the paragraph after the script
}

TEST_F(ScriptHostTest, ATimeoutOfNoDelayRunsAfterTenMilliseconds) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    ASSERT_NE(Show(window, At("NGINX", "/timer.html")), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return windows_.FindStatus("fired") != nullptr; }, 5s));
    const Status* set = windows_.FindStatus("set");
    ASSERT_NE(set, nullptr);
    EXPECT_GE(windows_.FindStatus("fired")->tick - set->tick, 9u);
    ASSERT_FALSE(timer_.arms.empty());
    EXPECT_NE(std::find(timer_.arms.begin(), timer_.arms.end(), 10u), timer_.arms.end());
}

TEST_F(ScriptHostTest, ATimerMeetingABusyWindowIsRetriedAfterFiftyThenSixtyMilliseconds) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    // The box stays open while the timer comes due and is refused twice.
    testing_support::DialogDriver driver("JavaScript", [&](HWND box) {
        Sleep(200);
        testing_support::PressDialogButton(box, IDOK);
    });
    ASSERT_NE(Show(window, At("NGINX", "/busy.html")), nullptr);
    ASSERT_TRUE(PumpUntil([&] { return windows_.FindStatus("late") != nullptr; }, 5s));
    EXPECT_TRUE(driver.Found());
    // The timer's first arming is its 10 ms; then (retries + 5) x 10 ms.
    auto first = std::find(timer_.arms.begin(), timer_.arms.end(), 10u);
    ASSERT_NE(first, timer_.arms.end());
    std::vector<uint32_t> retries(first + 1, timer_.arms.end());
    ASSERT_GE(retries.size(), 2u);
    EXPECT_EQ(retries[0], 50u);
    EXPECT_EQ(retries[1], 60u);
}

TEST_F(ScriptHostTest, APasswordReadsAsStarsAndScriptsCannotSetIt) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    HtmlPageDocument* page = Show(window, At("NGINX", "/password.html"));
    ASSERT_NE(page, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return !windows_.LastStatus(1).empty(); }, 5s));
    EXPECT_EQ(windows_.LastStatus(1), "[******][][plain]");
    HtmlElement* password = NthOfType(page->Content()->Root(), kTagInput, 0);
    ASSERT_NE(password, nullptr);
    std::string value;
    ASSERT_TRUE(page->ControlValue(password, value));
    EXPECT_EQ(value, "secret");
}

TEST_F(ScriptHostTest, AClickHandlerReturningFalseStopsTheLinkAndTrueFollowsIt) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    HtmlPageDocument* page = Show(window, At("NGINX", "/links.html"));
    ASSERT_NE(page, nullptr);
    const HtmlElement* root = page->Content()->Root();
    struct Case {
        int anchor;
        const char* query;
        bool followed;
        int notify;  // 1: no script run was queued, the caller follows the link itself
    } cases[] = {{0, "?stopped", false, 0}, {1, "?followed", true, 0}, {2, "?nothing", true, 0}, {3, "?free", false, 1}};
    for (const Case& c : cases) {
        windows_.opened.clear();
        HtmlElement* anchor = NthOfType(root, kTagA, c.anchor);
        ASSERT_NE(anchor, nullptr);
        EXPECT_EQ(page->Notify(169, 0, 0, anchor, 0), c.notify) << c.query;
        PumpUntil([&] { return page->PendingScriptRuns() == 0; }, 2s);
        bool followed = false;
        for (const Opened& o : windows_.opened) followed |= o.url.find(c.query) != std::string::npos;
        EXPECT_EQ(followed, c.followed) << c.query;
    }
    EXPECT_EQ(windows_.LastStatus(1), "clicked");
}

TEST_F(ScriptHostTest, AWindowOfAnotherServerIsOutOfReachAndOneOfTheSameIsNot) {
    MakeHost();
    struct Case {
        const char* server;  // of the window peeked at
        bool readable;
    } cases[] = {{"NGINXOTHER", false}, {"NGINX", true}};
    for (const Case& c : cases) {
        windows_.windows.clear();
        windows_.statuses.clear();
        TestWindow& peeker = windows_.Add("peeker");
        TestWindow& other = windows_.Add("other");
        std::string otherUrl = At(c.server, "/plain.html");
        ASSERT_NE(Show(other, otherUrl), nullptr);
        ASSERT_NE(Show(peeker, At("NGINX", "/peek.html")), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return !windows_.LastStatus(1).empty(); }, 5s)) << c.server;
        std::string seen = windows_.LastStatus(1);
        if (c.readable) {
            EXPECT_EQ(seen, "[" + otherUrl + "]");
        } else {
            EXPECT_EQ(seen.find("plain.html"), std::string::npos) << seen;
        }
    }
}

TEST_F(ScriptHostTest, AScriptThatNeverEndsLeavesTheWindowAliveUntilStopped) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    HtmlPageDocument* page = Show(window, At("NGINX", "/forever.html"));
    ASSERT_NE(page, nullptr);
    PumpFor(300ms);
    EXPECT_EQ(page->PendingScriptRuns(), 1);  // still running, slice after slice
    // The window goes on painting meanwhile.
    int before = window.paints;
    InvalidateRect(window.ViewWindow(), nullptr, TRUE);
    EXPECT_TRUE(PumpUntil([&] { return window.paints > before; }, 2s));
    // Stop ends it.
    page->StopScripts();
    EXPECT_EQ(page->PendingScriptRuns(), 0);
    PumpFor(200ms);
    EXPECT_EQ(page->PendingScriptRuns(), 0);

    // Started again, closing the window frees it.
    ASSERT_EQ(page->RunScriptUrlText("javascript:while (true) { }", 0), 1);
    EXPECT_EQ(page->PendingScriptRuns(), 1);
    windows_.windows.clear();
    PumpFor(200ms);
    EXPECT_FALSE(host_->IsEvaluating());
}

TEST_F(ScriptHostTest, AJavascriptUrlValueBecomesThePageAndNoValueLeavesIt) {
    MakeHost();
    TestWindow& window = windows_.Add("main");
    HtmlPageDocument* page = Show(window, At("NGINX", "/scripturl.html"));
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->RunScriptUrlText("javascript:'<b>made' + ' by a script</b>'", 0), 1);
    ASSERT_EQ(windows_.openedUrls.size(), 1u);
    UrlHandle made = windows_.openedUrls[0];
    EXPECT_EQ(made->GetLoadStatus(), kLoadLoaded);
    windows_.opened.clear();
    ASSERT_EQ(page->RunScriptUrlText("javascript:void 0", 0), 1);
    EXPECT_TRUE(windows_.opened.empty());
    EXPECT_EQ(page->RunScriptUrlText("javascript:(((", 0), 0);  // does not parse
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testing_support::InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
