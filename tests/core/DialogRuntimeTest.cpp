// The dialog run-time with real windows: message boxes from the string
// table, context help, panels built from templates, and the command table.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/WindowBase.h"
#include "resources/CoreIds.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

std::vector<std::string> g_pages;
void RecordPage(HWND, const char* page) {
    g_pages.push_back(page);
}

void SetKeys(std::initializer_list<int> down) {
    BYTE keys[256] = {};
    for (int k : down) keys[k] = 0x80;
    SetKeyboardState(keys);
}

class DialogRuntime : public ::testing::Test {
protected:
    void SetUp() override {
        g_instance = GetModuleHandleA(nullptr);
        RegisterPanelMessages();
        SetHelpPageOpener(RecordPage);
        g_pages.clear();
        SetKeys({});
    }
    void TearDown() override {
        SetHelpPageOpener(nullptr);
        g_frameWindow = nullptr;
        g_mdiClient = nullptr;
    }
};

TEST_F(DialogRuntime, StringMessagesAppendTextOnlyWhenTheWholeFits) {
    const std::string longText(150, 'x');
    struct Case {
        const char* name;
        UINT id;
        std::string appended;
        std::string shown;
    } cases[] = {
        {"appended fits", 64002, "tail", " tail"},
        {"150 + 60 is too long", 64001, std::string(60, 'y'), ""},
        {"150 + 49 fits", 64001, std::string(49, 'z'), " " + std::string(49, 'z')},
        {"id 0 gives an empty text", 0, "only this", " only this"},
    };
    for (const auto& c : cases) {
        DialogPresser presser("Zintu", IDOK);
        EXPECT_EQ(ShowStringMessage(nullptr, c.id, c.appended.c_str(), MB_OK), IDOK) << c.name;
        std::string seen = presser.SeenText();
        char loaded[201] = "";
        LoadStringA(g_instance, c.id, loaded, 200);
        EXPECT_NE(seen.find(std::string(loaded) + c.shown), std::string::npos) << c.name << ": " << seen;
        if (c.shown.empty()) {
            EXPECT_EQ(seen.find(c.appended), std::string::npos) << c.name;
        }
    }
}

TEST_F(DialogRuntime, AMissingStringSaysSoAndAnswersZero) {
    DialogPresser presser("Zintu", IDOK);
    EXPECT_EQ(ShowStringMessage(nullptr, 64999, "name", MB_OKCANCEL), 0);
    EXPECT_NE(presser.SeenText().find("Cannot load string."), std::string::npos);
}

TEST_F(DialogRuntime, ShiftF1ThenAMenuCommandOpensItsHelpPage) {
    HWND window = CreateTestWindow();
    SetMenu(window, LoadMenuA(g_instance, MAKEINTRESOURCEA(MENU_FRAME)));
    ShowWindow(window, SW_SHOW);
    SetActiveWindow(window);
    ASSERT_EQ(GetActiveWindow(), window);

    MSG f1{window, WM_KEYDOWN, VK_F1, 0};
    SetKeys({VK_SHIFT});
    HandleHelpKeys(f1);
    ASSERT_TRUE(InHelpMode());
    SetKeys({});

    // The chosen menu item is a help request, not a command.
    LRESULT result = 0;
    EXPECT_TRUE(WindowProcFront(window, WM_COMMAND, CMD_FIND, 0, 0, &result));
    EXPECT_FALSE(InHelpMode());
    EXPECT_EQ(g_pages, (std::vector<std::string>{"menus.htm#edit"}));
    // Now an ordinary command, which has no handler here.
    EXPECT_EQ(CommandDispatcher(window, WM_COMMAND, CMD_FIND, 0), 0);
    EXPECT_EQ(g_pages.size(), 1u);

    // A command without a page asks the window for its own.
    SetKeys({VK_SHIFT});
    HandleHelpKeys(f1);
    SetKeys({});
    EXPECT_EQ(CommandDispatcher(window, WM_COMMAND, 10994, 0), 1);
    EXPECT_TRUE(PumpUntil([&] {
        MSG m;
        return PeekMessageA(&m, window, g_helpMessage, g_helpMessage, PM_REMOVE) != 0;
    }));
    DestroyWindow(window);
}

WPARAM seenWParam = 99;
HWND seenBy = nullptr;
LRESULT CALLBACK HelpChildProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    if (m == g_helpMessage) {
        seenWParam = wp;
        seenBy = w;
        return 0;
    }
    return DefMDIChildProcA(w, m, wp, lp);
}

TEST_F(DialogRuntime, F1OverTheFrameAsksTheActiveDocumentFrame) {
    WNDCLASSA child{};
    child.lpfnWndProc = HelpChildProc;
    child.hInstance = g_instance;
    child.lpszClassName = "HelpTestChild";
    RegisterClassA(&child);

    HWND frame = CreateTestWindow(
        [](HWND w, UINT m, WPARAM wp, LPARAM lp) { return DefFrameProcA(w, g_mdiClient, m, wp, lp); });
    g_frameWindow = frame;
    CLIENTCREATESTRUCT ccs{nullptr, 100};
    g_mdiClient = CreateWindowA("mdiclient", nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 400, 300, frame, nullptr,
                                g_instance, &ccs);
    HWND document = CreateMDIWindowA("HelpTestChild", "doc", 0, 0, 0, 200, 100, g_mdiClient, g_instance, 0);
    ASSERT_NE(document, nullptr);
    ShowWindow(frame, SW_SHOW);
    SetActiveWindow(frame);

    HandleHelpKeys(MSG{frame, WM_KEYDOWN, VK_F1, 0});
    EXPECT_TRUE(PumpUntil([] { return seenBy != nullptr; }));
    EXPECT_EQ(seenBy, document);
    EXPECT_EQ(seenWParam, 1u);
    DestroyWindow(frame);
}

// A panel's procedure: its kind comes with the creation parameter.
INT_PTR CALLBACK PanelProc(HWND panel, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) SetWindowLongPtrA(panel, GWLP_USERDATA, lParam);
    LRESULT result;
    int kind = static_cast<int>(GetWindowLongPtrA(panel, GWLP_USERDATA));
    if (DialogProcFront(panel, message, wParam, lParam, kind, 0, &result)) return result;
    return message == WM_INITDIALOG;
}

RECT ChildRect(HWND parent, HWND child) {
    RECT r;
    GetWindowRect(child, &r);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&r), 2);
    return r;
}

TEST_F(DialogRuntime, PanelsReplaceTheirKindAndLayOutAroundTheClient) {
    HWND window = CreateTestWindow([](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
        if (m == WM_SIZE) return LayoutChildPanels(w, m, wp, LOWORD(lp), HIWORD(lp), false);
        return DefWindowProcA(w, m, wp, lp);
    });
    SetWindowLongA(window, GWL_STYLE, WS_OVERLAPPEDWINDOW);
    ShowWindow(window, SW_SHOW);
    auto make = [&](const char* name, int kind) {
        return CreatePanelFromTemplate(name, window, WM_CREATE, PanelProc, kind, kind);
    };
    HWND firstTop = make("TESTBAR", PanelTopBar);
    ASSERT_NE(firstTop, nullptr);
    EXPECT_EQ(QueryPanelKind(firstTop), PanelTopBar);
    HWND top = make("TESTBAR", PanelTopBar);
    EXPECT_FALSE(IsWindow(firstTop)) << "a second top bar replaces the first";
    EXPECT_EQ(GetWindowLongA(top, GWL_STYLE) & (WS_CHILD | WS_POPUP), WS_CHILD);
    HWND bottom = make("TESTBAR", PanelBottomBar);
    HWND left = make("TESTSIDE", PanelLeft);
    HWND client = make("TESTCLIENT", PanelClient);
    ASSERT_TRUE(top && bottom && left && client);
    EXPECT_EQ(GetWindowLongA(client, GWL_STYLE) & WS_CAPTION, 0) << "a client panel loses its caption";
    EXPECT_EQ(CreatePanelFromTemplate("NOSUCHTEMPLATE", window, 0, PanelProc, 1, 1), nullptr);
    EXPECT_TRUE(IsWindow(top)) << "a missing template leaves the bar in place";

    // The window was fitted to hold the client panel and the bars exactly.
    PanelMargins m = MeasurePanels(window);
    RECT c = ChildRect(window, client), area;
    GetClientRect(window, &area);
    EXPECT_EQ(c.left, m.left);
    EXPECT_EQ(c.top, m.top);
    EXPECT_EQ(area.right, m.left + (c.right - c.left) + m.right);
    EXPECT_EQ(area.bottom, m.top + (c.bottom - c.top) + m.bottom);

    SetWindowPos(window, nullptr, 0, 0, 600, 450, SWP_NOMOVE | SWP_NOZORDER);
    GetClientRect(window, &area);
    RECT t = ChildRect(window, top), b = ChildRect(window, bottom), l = ChildRect(window, left);
    c = ChildRect(window, client);
    EXPECT_EQ(t.left, m.left);  // bars run between the side panels
    EXPECT_EQ(t.top, 0);
    EXPECT_EQ(t.right, area.right);
    EXPECT_EQ(b.bottom, area.bottom);
    EXPECT_EQ(b.bottom - b.top, m.bottom);
    EXPECT_EQ(l.left, 0);
    EXPECT_EQ(l.top, 0);
    EXPECT_EQ(l.bottom, area.bottom);
    EXPECT_EQ(c.left, m.left);
    EXPECT_EQ(c.top, m.top);
    EXPECT_EQ(c.right, area.right);
    EXPECT_EQ(c.bottom, area.bottom - m.bottom);

    // Bars spanning the full width push the side panel between them.
    LayoutChildPanels(window, WM_SIZE, SIZE_RESTORED, area.right, area.bottom, true);
    t = ChildRect(window, top);
    l = ChildRect(window, left);
    EXPECT_EQ(t.left, 0);
    EXPECT_EQ(l.top, m.top);
    EXPECT_EQ(l.bottom, area.bottom - m.bottom);
    EXPECT_EQ(LayoutChildPanels(window, WM_SIZE, SIZE_MINIMIZED, 10, 10, false), 0);
    DestroyWindow(window);
}

TEST_F(DialogRuntime, DialogControlsGetTheLightGreyBackground) {
    HWND parent = CreateTestWindow();
    HWND text = CreateWindowA("STATIC", "t", WS_CHILD, 0, 0, 10, 10, parent, nullptr, g_instance, nullptr);
    HWND edit = CreateWindowA("EDIT", "", WS_CHILD, 0, 0, 10, 10, parent, nullptr, g_instance, nullptr);
    HDC dc = GetDC(parent);
    EXPECT_EQ(ControlColor(text, dc), GetStockObject(LTGRAY_BRUSH));
    EXPECT_EQ(GetBkColor(dc), RGB(192, 192, 192));
    EXPECT_EQ(ControlColor(edit, dc), nullptr);
    ReleaseDC(parent, dc);
    DestroyWindow(parent);
}

// A window of the pattern that counts what its object hears.
class CountingWindow : public WindowBase {
public:
    HWND Create() {
        static bool registered = [] {
            WNDCLASSA wc{};
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = "ZintuCountingWindow";
            return RegisterWindowClass(wc) != 0;
        }();
        if (!registered) return nullptr;
        return CreateWindowFor(0, "ZintuCountingWindow", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                               GetModuleHandleA(nullptr));
    }
    int created = 0;
    int pings = 0;

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        if (message == WM_CREATE) ++created;
        if (message == WM_USER + 1) return ++pings;
        return WindowBase::HandleMessage(message, wParam, lParam);
    }
};

TEST(WindowBase, TheProcedureFindsTheObjectAndForgetsItWithItsWindow) {
    CountingWindow counting;
    HWND window = counting.Create();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(counting.Handle(), window);
    EXPECT_EQ(WindowBase::FromHandle(window), &counting);
    EXPECT_EQ(counting.created, 1) << "WM_CREATE reaches the object";
    EXPECT_EQ(SendMessageA(window, WM_USER + 1, 0, 0), 1);
    DestroyWindow(window);
    EXPECT_EQ(counting.Handle(), nullptr);

    // An object that goes first takes its window with it.
    HWND second = nullptr;
    {
        CountingWindow shortLived;
        second = shortLived.Create();
        ASSERT_NE(second, nullptr);
    }
    EXPECT_FALSE(IsWindow(second));
}

int g_handled = 0;
HWND g_handledBy = nullptr;
LRESULT CountCommand(HWND window, UINT, WPARAM wParam, LPARAM) {
    g_handled = LOWORD(wParam);
    g_handledBy = window;
    return 0;
}

TEST(CommandDispatcher, CarriesRegisteredHandlersAndRetiredIdsAndLeavesTheRest) {
    HWND window = CreateTestWindow();
    const CommandBinding bindings[] = {{CMD_COPY, CountCommand}, {CMD_NEW_MAIL, CountCommand}};
    RegisterCommands(bindings);
    struct Case {
        int id;
        int taken;
    } cases[] = {
        {10980, 1},
        {10978, 1},
        {10993, 1},
        {20001, 1},
        {20004, 1},
        {20009, 1},
        {CMD_COPY, 1},
        {CMD_NEW_MAIL, 1},
        {CMD_NEW_MAIL_WINDOW, 0},
        {10994, 0},
        {10976, 0},
        {20010, 0},
        {4017, 0},
        {1, 0},
        {10002, 0},
    };
    for (const auto& c : cases) {
        g_handled = 0;
        EXPECT_EQ(CommandDispatcher(window, WM_COMMAND, MAKEWPARAM(c.id, 0), 0), c.taken) << c.id;
        EXPECT_EQ(IsDispatchedCommand(c.id), c.taken == 1) << c.id;
        bool registered = c.id == CMD_COPY || c.id == CMD_NEW_MAIL;
        EXPECT_EQ(g_handled, registered ? c.id : 0) << c.id;
    }
    EXPECT_EQ(g_handledBy, window);

    // A null handler withdraws the command; a menu then greys what has no
    // handler and leaves the rest (and what is not a command) alone.
    RegisterCommand(CMD_NEW_MAIL, nullptr);
    EXPECT_FALSE(IsDispatchedCommand(CMD_NEW_MAIL));
    HMENU menu = CreatePopupMenu();
    HMENU sub = CreatePopupMenu();
    AppendMenuA(sub, MF_STRING, CMD_COPY, "Copy");
    AppendMenuA(sub, MF_STRING, CMD_NEW_MAIL, "Mail");
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(sub), "Edit");
    AppendMenuA(menu, MF_STRING, 100, "1 A document window");
    AppendMenuA(menu, MF_STRING, 10980, "Retired");
    GreyCommandsWithoutHandler(menu);
    auto grey = [](HMENU m, UINT id) { return (GetMenuState(m, id, MF_BYCOMMAND) & MF_GRAYED) != 0; };
    EXPECT_FALSE(grey(sub, CMD_COPY));
    EXPECT_TRUE(grey(sub, CMD_NEW_MAIL));
    EXPECT_FALSE(grey(menu, 100));
    EXPECT_FALSE(grey(menu, 10980));
    DestroyMenu(menu);
    ClearCommands();
    EXPECT_FALSE(IsDispatchedCommand(CMD_COPY));
    DestroyWindow(window);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
