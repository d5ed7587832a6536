// The context menu's background and frame commands, and frame sets in real
// document windows under Wine and Xvfb, with pages from an nginx on
// 127.0.0.1 that logs every request: what the commands put on the
// clipboard and in files, and which documents they ask the server for.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/DocumentViewers.h"
#include "app/FrameCommands.h"
#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "layout/UrlImages.h"
#include "resources/CoreIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/MenuWatcher.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/BrowsingCommands.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

// A 24-bit BMP file's pixel as 0x00RRGGBB (its rows run bottom-up).
uint32_t BmpPixel(const std::string& file, int x, int y) {
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    const int width = b[18] | b[19] << 8, height = b[22] | b[23] << 8;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t at = (b[10] | b[11] << 8) + stride * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * 3;
    return static_cast<uint32_t>(b[at + 2]) << 16 | b[at + 1] << 8 | b[at];
}

class FrameCommands : public FrameTest {
protected:
    void SetUp() override {
        // The source viewer is a program that records its command line.
        std::string recorder = ZINTU_RECORD_ARGS_EXE;
        for (char& c : recorder)
            if (c == '/') c = '\\';
        ASSERT_TRUE(CopyFileA(("Z:" + recorder).c_str(), recorder_.c_str(), FALSE));
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        InstallDocumentViewers();
        RegisterBrowsingCommands();
        RegisterFrameCommands();
    }
    void TearDown() override {
        FrameTest::TearDown();
        RemoveDocumentViewers();
    }
    std::string MoreIni() const override { return "SOURCE VIEWER=" + recorder_ + "\r\n"; }

    // The keys to an item of a submenu of the page menu, counted from the
    // last item of the menu (the submenus end it) and from the first of the
    // submenu.
    static std::vector<WORD> SubmenuItem(int fromLast, int item) {
        std::vector<WORD> keys(static_cast<size_t>(fromLast) + 1, VK_UP);
        keys.push_back(VK_RIGHT);
        keys.insert(keys.end(), static_cast<size_t>(item), VK_DOWN);
        keys.push_back(VK_RETURN);
        return keys;
    }

    // Frame sets: the frame of the name, and the address its document has.
    HtmlDocument* FrameSet(HWND view) {
        Document* d = CurrentDocument(view);
        return d && d->HasFrames() ? static_cast<HtmlDocument*>(d) : nullptr;
    }
    FrameNode* Frame(HWND view, const char* name) {
        HtmlDocument* set = FrameSet(view);
        return set && set->FrameRoot() ? FindFrameByName(*set->FrameRoot(), name) : nullptr;
    }
    std::string FrameShows(HWND view, const char* name) {
        FrameNode* frame = Frame(view, name);
        Document* d = frame ? frame->CurrentDocument() : nullptr;
        return d && d->GetUrl().GetName() ? d->GetUrl().GetName() : "";
    }
    std::string TopShows(HWND view) {
        Document* d = CurrentDocument(view);
        return d && d->GetUrl().GetName() ? d->GetUrl().GetName() : "";
    }
    // Runs until the frame shows the page, laid out, and the window is idle.
    bool WaitFrame(HWND view, const char* name, const std::string& path) {
        return PumpUntil([&] {
            FrameNode* frame = Frame(view, name);
            Document* d = frame ? frame->CurrentDocument() : nullptr;
            return d && FrameShows(view, name) == Url(path) && d->IsFormatted() && Idle(view);
        }, std::chrono::seconds(15));
    }
    // Runs the command that asks for a file in the system's save dialog,
    // answers the dialog with the path and waits for the file to hold the
    // bytes; answers the name the dialog proposed.
    std::string SaveThroughDialog(const std::function<void()>& command, const std::string& path,
                                  const std::string& bytes) {
        std::string proposed;
        DialogDriver driver("Save As", [&](HWND d) { proposed = TypeFileName(d, path); }, IDOK);
        command();
        EXPECT_TRUE(PumpUntil([&] { return ReadWholeFile(path) == bytes; }, std::chrono::seconds(15))) << path;
        EXPECT_TRUE(driver.Found());
        return proposed;
    }
    void Command(int id) {
        SendMessageA(frame_, WM_COMMAND, id, 0);
        PumpFor(std::chrono::milliseconds(50));
    }

    std::string recorder_ = dir_.File("record_args.exe");
};

// --- the page's background -------------------------------------------------------------

// The Background submenu, last of the page menu: Copy, Save..., Copy
// Address, Reload.
enum BackgroundItem { kBackgroundCopy, kBackgroundSave, kBackgroundCopyAddress, kBackgroundReload };

TEST_F(FrameCommands, TheBackgroundMenuCopiesSavesAndReloadsThePagesBackgroundImage) {
    HWND view = Showing("/background.html");
    ASSERT_NE(view, nullptr);
    RECT client;
    GetClientRect(view, &client);
    const POINT below = {client.right / 2, client.bottom - 30};
    const std::string served = ReadWholeFile(SourcePath("tests/windows/frames/squares.bmp"));
    ASSERT_GT(served.size(), 54u);

    // Copy: a device-independent bitmap of the image's own pixels.
    ClearClipboard();
    MenuSeen seen = Menu(view, below, SubmenuItem(0, kBackgroundCopy), "background-menu");
    EXPECT_EQ(seen.firstId, static_cast<UINT>(CMD_DOC_PREVIOUS)) << "the page menu";
    EXPECT_FALSE(seen.leftOpen);
    ASSERT_TRUE(OpenClipboard(nullptr));
    HANDLE dib = GetClipboardData(CF_DIB);
    ASSERT_NE(dib, nullptr) << "a bitmap on the clipboard\n" << AccessLog();
    const auto* info = static_cast<const BITMAPINFO*>(GlobalLock(dib));
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->bmiHeader.biWidth, 8);
    EXPECT_EQ(info->bmiHeader.biHeight, 8);
    MemoryCanvas canvas(16);
    const int colours = info->bmiHeader.biBitCount <= 8 ? 1 << info->bmiHeader.biBitCount : 0;
    const auto* bits = reinterpret_cast<const BYTE*>(info) + info->bmiHeader.biSize + colours * sizeof(RGBQUAD);
    SetDIBitsToDevice(canvas.dc, 0, 0, 8, 8, 0, 0, 0, 8, bits, info, DIB_RGB_COLORS);
    GlobalUnlock(dib);
    CloseClipboard();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x)
            ASSERT_EQ(canvas.At(x, y), RGB(BmpPixel(served, x, y) >> 16, BmpPixel(served, x, y) >> 8 & 0xFF,
                                           BmpPixel(served, x, y) & 0xFF))
                << "pixel " << x << "," << y;

    // Copy Address: the image's address as text.
    ClearClipboard();
    Menu(view, below, SubmenuItem(0, kBackgroundCopyAddress));
    EXPECT_EQ(ClipboardText(), Url("/squares.bmp"));

    // Save...: the system's save dialog proposes the image's name; the file
    // holds what the server sent.
    const std::string saved = dir_.File("kept.bmp");
    EXPECT_EQ(SaveThroughDialog([&] { Menu(view, below, SubmenuItem(0, kBackgroundSave)); }, saved, served),
              "squares.bmp");

    // Reload: the image comes from the server again, not the page; the
    // window shows the load and ends idle with the page as it was.
    const int images = Requests("/squares.bmp"), pages = Requests("/background.html");
    Menu(view, below, SubmenuItem(0, kBackgroundReload));
    EXPECT_TRUE(PumpUntil([&] { return Requests("/squares.bmp") == images + 1; }, std::chrono::seconds(15)))
        << AccessLog();
    EXPECT_TRUE(PumpUntil([&] { return Idle(view); }, std::chrono::seconds(15)));
    EXPECT_EQ(Requests("/background.html"), pages);
    EXPECT_EQ(CurrentDocument(view)->GetUrl().GetName(), Url("/background.html"));
    PumpFor(std::chrono::milliseconds(300));
    int width = 0, height = 0;
    std::vector<uint32_t> shown = CaptureClientArea(view, width, height);
    ASSERT_GT(width * height, 0);
    // The tiles under the text's right: the image's own pixels, from the
    // page's origin.
    const int x = width - 40 - (width - 40) % 8, y = height - 40 - (height - 40) % 8;
    EXPECT_EQ(shown[static_cast<size_t>(y) * width + x], BmpPixel(served, 0, 0));
    EXPECT_EQ(shown[static_cast<size_t>(y + 3) * width + x + 5], BmpPixel(served, 5, 3));
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

// --- frame sets ---------------------------------------------------------------------

// The Frame submenu, second from the end of the page menu.
enum FrameItem { kFrameViewSource, kFrameSaveAs, kFrameAddToHotList, kFrameCopyAddress, kFrameReload };

TEST_F(FrameCommands, FramesFollowLinksWalkTheirHistoryAndReloadOnlyTheFrameAskedFor) {
    HWND view = Showing("/set.html");
    ASSERT_NE(view, nullptr);
    ASSERT_TRUE(WaitFrame(view, "menu", "/menu.html"));
    ASSERT_TRUE(WaitFrame(view, "main", "/one.html"));
    HWND menuPane = Frame(view, "menu")->FrameWindow(), mainPane = Frame(view, "main")->FrameWindow();
    ASSERT_TRUE(menuPane && mainPane);
    CheckWindowScreenshot(frame_, "frame-set");

    // A link of one frame aimed at the other loads there; the frame set
    // stays, and so does the window's history.
    const POINT link = LinkPoint(menuPane, Frame(view, "menu")->CurrentDocument());
    ASSERT_GE(link.x, 0) << "the menu has a link";
    SendMouseTo(menuPane, link);
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    ASSERT_TRUE(WaitFrame(view, "main", "/two.html"))
        << FrameShows(view, "main") << " in " << TopShows(view) << "\n" << AccessLog();
    EXPECT_EQ(TopShows(view), Url("/set.html"));
    EXPECT_EQ(FrameShows(view, "menu"), Url("/menu.html"));
    EXPECT_EQ(g_windowList->GetDocumentList(view)->GetCount(), 1);
    CheckWindowScreenshot(frame_, "frame-set-after-link");

    // Back and forward walk the frame's own history.
    struct Step {
        int command;
        const char* shown;
    } steps[] = {{CMD_PREVIOUS, "/one.html"}, {CMD_NEXT, "/two.html"}};
    for (const Step& step : steps) {
        Command(step.command);
        EXPECT_TRUE(WaitFrame(view, "main", step.shown)) << step.command << ": " << FrameShows(view, "main");
        EXPECT_EQ(TopShows(view), Url("/set.html")) << step.command;
        EXPECT_EQ(FrameShows(view, "menu"), Url("/menu.html")) << step.command;
    }

    // The key 3 moves the active frame on, round the frame set.
    HtmlDocument* set = FrameSet(view);
    ASSERT_EQ(set->ActiveFrame(), Frame(view, "menu")) << "the click made its frame active";
    for (const char* next : {"main", "menu", "main"}) {
        SendMessageA(view, WM_KEYDOWN, '3', 0);
        EXPECT_EQ(set->ActiveFrame(), Frame(view, next)) << next;
    }

    // Reload Frame asks the server for the active frame's page alone.
    const int sets = Requests("/set.html"), menus = Requests("/menu.html"), twos = Requests("/two.html");
    Command(CMD_RELOAD_FRAME);
    EXPECT_TRUE(PumpUntil([&] { return Requests("/two.html") == twos + 1; }, std::chrono::seconds(15)))
        << AccessLog();
    ASSERT_TRUE(WaitFrame(view, "main", "/two.html"));
    EXPECT_EQ(Requests("/set.html"), sets);
    EXPECT_EQ(Requests("/menu.html"), menus);
    EXPECT_EQ(TopShows(view), Url("/set.html"));

    // The Frame submenu acts on the frame the menu was opened on: Reload.
    RECT client;
    GetClientRect(menuPane, &client);
    const POINT inMenu = {client.right / 2, client.bottom - 20};
    GetClientRect(mainPane, &client);
    const POINT inMain = {client.right / 2, client.bottom - 20};
    Menu(menuPane, inMenu, SubmenuItem(1, kFrameReload), "frame-menu");
    EXPECT_TRUE(PumpUntil([&] { return Requests("/menu.html") == menus + 1; }, std::chrono::seconds(15)))
        << AccessLog();
    ASSERT_TRUE(WaitFrame(view, "menu", "/menu.html"));
    EXPECT_EQ(Requests("/two.html"), twos + 1);
    EXPECT_EQ(Requests("/set.html"), sets);

    // Copy Address: the frame's page's address.
    ClearClipboard();
    Menu(mainPane, inMain, SubmenuItem(1, kFrameCopyAddress));
    EXPECT_EQ(ClipboardText(), Url("/two.html"));

    // View Source: the source viewer gets the frame's page.
    const std::string record = dir_.File("recorded-args.txt");
    DeleteFileA(record.c_str());
    Menu(mainPane, inMain, SubmenuItem(1, kFrameViewSource));
    std::string line;
    ASSERT_TRUE(PumpUntil([&] { return !(line = ReadWholeFile(record)).empty(); }, std::chrono::seconds(20)));
    size_t after = line.find("record_args.exe");
    ASSERT_NE(after, std::string::npos) << line;
    std::string file = line.substr(line.find_first_not_of("\" ", after + 15));
    while (!file.empty() && (file.back() == '"' || file.back() == ' ')) file.pop_back();
    EXPECT_NE(ReadWholeFile(file).find("<title>Two</title>"), std::string::npos) << line;

    // Save As...: the frame's page, as the server sent it.
    const std::string saved = dir_.File("kept.html");
    EXPECT_EQ(SaveThroughDialog([&] { Menu(mainPane, inMain, SubmenuItem(1, kFrameSaveAs)); }, saved,
                                ReadWholeFile(SourcePath("tests/windows/frames/two.html"))),
              "two.html");

    // Reload of the whole window asks for the frame set again.
    Command(CMD_RELOAD);
    EXPECT_TRUE(PumpUntil([&] { return Requests("/set.html") == sets + 1; }, std::chrono::seconds(15)))
        << AccessLog();
    EXPECT_TRUE(WaitFrame(view, "menu", "/menu.html"));
    EXPECT_EQ(TopShows(view), Url("/set.html"));
    EXPECT_TRUE(g_boxTexts.empty()) << (g_boxTexts.empty() ? "" : g_boxTexts.front());
}

TEST_F(FrameCommands, AFrameThatCannotLoadIsToldAndTheOthersStillShow) {
    // A frame of the server, a page the server does not have, and a port
    // where nothing listens.
    const std::string missing = Url("/missing.html");
    const std::string refused = "http://127.0.0.1:" + std::to_string(FreePort()) + "/gone.html";
    const std::string page = dir_.File("broken.html");
    WriteWholeFile(page, "<html><head><title>Broken</title></head><frameset cols=\"33%,33%,*\">"
                         "<frame src=\"" + Url("/one.html") + "\" name=\"good\">"
                         "<frame src=\"" + missing + "\" name=\"missing\">"
                         "<frame src=\"" + refused + "\" name=\"refused\"></frameset></html>");
    int tile = 1;
    HWND view = g_windowList->OpenNewWindow(&tile);
    ASSERT_NE(view, nullptr);
    SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
    ASSERT_NE(OpenLocalFileAsUrl(view, page.c_str()), nullptr);
    ASSERT_TRUE(WaitFrame(view, "good", "/one.html"));
    ASSERT_TRUE(PumpUntil([] { return g_boxTexts.size() >= 2; }, std::chrono::seconds(20)));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_EQ(g_boxTexts.size(), 2u);
    auto told = [&](const std::string& url) {
        for (const std::string& box : g_boxTexts)
            if (box.find(url) != std::string::npos) return box;
        return std::string();
    };
    EXPECT_NE(told(missing), "") << g_boxTexts[0] << "\n" << g_boxTexts[1];
    EXPECT_NE(told(refused).find("Could not connect to remote server"), std::string::npos)
        << g_boxTexts[0] << "\n" << g_boxTexts[1];
    // The window is free again, still showing the frame set and its frame.
    EXPECT_TRUE(PumpUntil([&] { return Idle(view); }, std::chrono::seconds(10)));
    EXPECT_TRUE(FrameSet(view) != nullptr);
    EXPECT_EQ(FrameShows(view, "good"), Url("/one.html"));
    EXPECT_EQ(FrameShows(view, "missing"), "");
    EXPECT_TRUE(IsWindowVisible(Frame(view, "good")->FrameWindow()));
    CheckWindowScreenshot(frame_, "frame-set-with-failed-frames");
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
