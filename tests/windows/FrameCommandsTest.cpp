// The context menu's background and frame commands, and frame sets in real
// document windows under Wine and Xvfb, with pages from an nginx on
// 127.0.0.1 that logs every request: what the commands put on the
// clipboard and in files, and which documents they ask the server for.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
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

std::vector<std::string> g_boxes;
int RecordBox(HWND, const char* text, const char*, UINT) {
    g_boxes.emplace_back(text ? text : "");
    return IDOK;
}

// The request lines nginx logged so far.
std::string AccessLog() {
    const char* dir = std::getenv("ZINTU_NGINX_DIR");
    return dir ? ReadWholeFile(std::string("Z:") + dir + "/access.log") : std::string();
}

// How often the log holds a GET of the path.
int Requests(const std::string& path) {
    const std::string log = AccessLog(), line = "\"GET " + path + " ";
    int n = 0;
    for (size_t at = log.find(line); at != std::string::npos; at = log.find(line, at + 1)) ++n;
    return n;
}

// A 24-bit BMP file's pixel as 0x00RRGGBB (its rows run bottom-up).
uint32_t BmpPixel(const std::string& file, int x, int y) {
    const auto* b = reinterpret_cast<const unsigned char*>(file.data());
    const int width = b[18] | b[19] << 8, height = b[22] | b[23] << 8;
    const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
    const size_t at = (b[10] | b[11] << 8) + stride * static_cast<size_t>(height - 1 - y) + static_cast<size_t>(x) * 3;
    return static_cast<uint32_t>(b[at + 2]) << 16 | b[at + 1] << 8 | b[at];
}

class FrameCommands : public ::testing::Test {
protected:
    void SetUp() override {
        CreateDirectoryA(dir_.File("cache").c_str(), nullptr);
        g_boxes.clear();
        port_ = std::to_string(ServerPortFromEnv("NGINX"));
        frame_ = StartTestFrame(frameWindow_, ini_,
                                "[USER PREFS]\r\nSHOW PROGRESS DIALOG=0\r\n[DISK CACHE]\r\nCACHE DIRECTORY=" +
                                    dir_.File("cache") + "\r\n",
                                RecordBox);
        ASSERT_NE(frame_, nullptr);
        // Images decode as the program's start-up has them decode.
        InstallUrlImages();
        RegisterBrowsingCommands();
        RegisterFrameCommands();
    }
    void TearDown() override {
        EndTestFrame(frame_);
        RemoveUrlImages();
    }

    std::string Url(const std::string& path) const { return "http://127.0.0.1:" + port_ + path; }
    Document* CurrentDocument(HWND view) {
        DocumentList* list = g_windowList->GetDocumentList(view);
        return list ? list->GetCurrentDocument() : nullptr;
    }
    bool Idle(HWND view) { return g_windowList->GetLoadState(view) == kWindowIdle; }
    // A maximised window showing the page, idle and laid out, its frame in
    // front.
    HWND Showing(const std::string& path) {
        int tile = 1;
        HWND view = g_windowList->OpenNewWindow(&tile);
        if (!view) return nullptr;
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        if (!OpenTypedUrl(view, Url(path).c_str(), nullptr, true, 0)) return nullptr;
        const std::string want = Url(path);
        if (!PumpUntil([&] {
                Document* d = CurrentDocument(view);
                return d && d->GetUrl().GetName() == want && d->IsFormatted() && Idle(view);
            }, std::chrono::seconds(15)))
            return nullptr;
        SetForegroundWindow(frame_);
        PumpFor(std::chrono::milliseconds(200));
        return view;
    }
    // Right-clicks the window (a view or a frame's pane) at the point and
    // works the context menu with the keys.
    MenuSeen Menu(HWND window, POINT at, std::vector<WORD> keys, const std::string& shot = "") {
        SendMouseTo(window, at);
        MenuWatcher watcher(frame_, shot, std::move(keys));
        SendMouseButton(MOUSEEVENTF_RIGHTDOWN);
        SendMouseButton(MOUSEEVENTF_RIGHTUP);
        const MenuSeen seen = watcher.Finish();
        PumpFor(std::chrono::milliseconds(100));
        return seen;
    }
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

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu.ini");
    std::string port_;
    FrameWindow frameWindow_;
    HWND frame_ = nullptr;
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
    std::string proposed;
    {
        DialogDriver driver("Save As", [&](HWND d) {
            char text[MAX_PATH] = "";
            for (int id : {0x47c, 0x480}) {
                if (HWND field = GetDlgItem(d, id)) {
                    GetWindowTextA(field, text, sizeof text);
                    proposed = text;
                    SetWindowTextA(field, saved.c_str());
                }
            }
        }, IDOK);
        Menu(view, below, SubmenuItem(0, kBackgroundSave));
        EXPECT_TRUE(PumpUntil([&] { return ReadWholeFile(saved) == served; }, std::chrono::seconds(15)));
        EXPECT_TRUE(driver.Found());
    }
    EXPECT_EQ(proposed, "squares.bmp");

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
    EXPECT_TRUE(g_boxes.empty()) << (g_boxes.empty() ? "" : g_boxes.front());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
