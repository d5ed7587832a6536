// The keys and commands of a page's window under Wine and Xvfb, with pages
// from nginx on 127.0.0.1 and real keys through the system's queue: the
// keyboard's link moves and Enter, loading all images of a page shown
// without them, the image modes, and the event sounds.
#include <windows.h>

#include <cstdlib>
#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

#include "app/FrameCommands.h"
#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "core/EventSounds.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "layout/UrlImages.h"
#include "net/UrlRecord.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/BrowsingCommands.h"
#include "windows/DocumentWindow.h"
#include "windows/LinkHint.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

class BrowsingKeys : public FrameTest {
protected:
    void SetUp() override {
        ASSERT_NO_FATAL_FAILURE(FrameTest::SetUp());
        RegisterBrowsingCommands();
        RegisterFrameCommands();
    }

    // A real key, seen through the program's own loop as a user's would be.
    static void Key(WORD key, const std::vector<WORD>& held = {}) {
        SendKeyPress(key, held);
        RunLoopFor(300);
    }
    // How many pixels of the window's client area have the colour.
    static int PixelsOf(HWND window, uint32_t colour) {
        int width = 0, height = 0;
        int n = 0;
        for (uint32_t p : CaptureClientArea(window, width, height)) n += p == colour;
        return n;
    }
};

// --- link moves ---------------------------------------------------------------------

TEST_F(BrowsingKeys, LinkKeysWalkTheLinksShowTheirAddressAndEnterFollowsOne) {
    HWND view = Showing("/links.html");
    ASSERT_NE(view, nullptr);
    Document* page = CurrentDocument(view);
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->ScrollY(), 0);
    // Each key's link (the field between them is passed over), and whether
    // the page had to scroll to show it.
    struct Step {
        WORD key;
        const char* link;
        bool scrolledDown;
    } steps[] = {
        {'A', "/first.html", false}, {'A', "/far.html", true},       {'A', "/links.html#top", true},
        {'A', "/first.html", false}, {'Q', "/links.html#top", true}, {'Q', "/far.html", true},
    };
    for (const Step& s : steps) {
        Key(s.key);
        const std::string want = Url(s.link);
        const char* link = g_windowList->GetLinkText();
        EXPECT_EQ(link ? link : "", want) << s.link;
        EXPECT_EQ(page->ScrollY() > 0, s.scrolledDown) << s.link;
        HWND hint = LinkHintWindow();
        ASSERT_NE(hint, nullptr);
        EXPECT_TRUE(IsWindowVisible(hint)) << s.link;
        EXPECT_EQ(WindowTitle(hint), want);
    }
    // The hint is too small for the screenshot check's margins: its own
    // pixels show its background, its frame and its text.
    EXPECT_TRUE(SaveScreenshot(ProgramFolder() + "link_hint.bmp"));
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = CaptureClientArea(LinkHintWindow(), width, height);
    EXPECT_GE(std::set<uint32_t>(pixels.begin(), pixels.end()).size(), 3u);
    CheckWindowScreenshot(frame_, "link_moves");
    // Enter follows the marked link in the window.
    Key(VK_RETURN);
    EXPECT_TRUE(WaitFor(view, Url("/far.html")));
    EXPECT_FALSE(IsWindowVisible(LinkHintWindow()));
    EXPECT_TRUE(g_boxTexts.empty());
}

class LinkKeysWithoutHint : public BrowsingKeys {
protected:
    std::string MoreIni() const override { return "POPUP LINK ADDRESS=0\r\n"; }
};

TEST_F(LinkKeysWithoutHint, TheAddressGoesToTheStatusTextsOnlyAndShiftEnterOpensANewWindow) {
    HWND view = Showing("/links.html");
    ASSERT_NE(view, nullptr);
    Key('Q');
    EXPECT_STREQ(g_windowList->GetLinkText(), Url("/links.html#top").c_str());
    Key('Q');
    EXPECT_STREQ(g_windowList->GetLinkText(), Url("/far.html").c_str());
    EXPECT_TRUE(LinkHintWindow() == nullptr || !IsWindowVisible(LinkHintWindow()));
    const int windows = g_windowList->Count();
    Key(VK_RETURN, {VK_SHIFT});
    ASSERT_TRUE(PumpUntil([&] { return g_windowList->Count() == windows + 1; }));
    HWND fresh = g_windowList->GetActiveWindow();
    ASSERT_NE(fresh, view);
    EXPECT_TRUE(WaitFor(fresh, Url("/far.html")));
    EXPECT_EQ(Shown(view), Url("/links.html"));
}

// --- images -------------------------------------------------------------------------

class ImagesOff : public BrowsingKeys {
protected:
    std::string MoreIni() const override { return "SHOW FIGURES=0\r\nLOAD FIGURES=0\r\n"; }
    static constexpr uint32_t kRed = 0xFF0000;
};

TEST_F(ImagesOff, LoadAllImagesFetchesAndShowsThemByMenuAndByKey) {
    // Once by the document menu's command, once by Ctrl+I on the page.
    struct Way {
        const char* name;
        const char* page;  // each with pictures of its own
        const char* pictures[2];
        bool byKey;
    } ways[] = {{"command 4012", "/images.html", {"/img/a.gif ", "/img/a.gif?2 "}, false},
                {"Ctrl+I", "/images-key.html", {"/img/a.gif?3 ", "/img/a.gif?4 "}, true}};
    for (const Way& way : ways) {
        const size_t before = AccessLog().size();
        HWND view = Showing(way.page);
        ASSERT_NE(view, nullptr) << way.name;
        ASSERT_EQ(g_windowList->GetImageSetting(view), 1) << way.name;
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_EQ(AccessLog().find("/img/", before), std::string::npos) << way.name << ": no image while off";
        EXPECT_EQ(PixelsOf(view, kRed), 0) << way.name;
        if (way.byKey)
            Key('I', {VK_CONTROL});
        else
            SendMessageA(view, WM_COMMAND, CMD_LOAD_ALL_IMAGES_DOC, 0);
        EXPECT_TRUE(PumpUntil([&] {
            const std::string log = AccessLog();
            return log.find(way.pictures[0], before) != std::string::npos &&
                   log.find(way.pictures[1], before) != std::string::npos;
        })) << way.name
            << ":\n"
            << AccessLog().substr(before);
        EXPECT_TRUE(PumpUntil([&] { return g_windowList->GetLoadState(view) == kWindowIdle; })) << way.name;
        PumpFor(std::chrono::milliseconds(300));
        // Both pictures on the screen, 40 x 24 each.
        EXPECT_GE(PixelsOf(view, kRed), 2 * 40 * 24 * 9 / 10) << way.name;
        EXPECT_EQ(g_windowList->GetImageSetting(view), 2) << way.name;
        CheckWindowScreenshot(frame_, way.byKey ? "images_by_key" : "images_by_command");
    }
}

TEST_F(BrowsingKeys, ImageModesCycleOneTwoThreeByKeysAndTheBarButton) {
    HWND view = Showing("/first.html");
    ASSERT_NE(view, nullptr);
    g_windowList->ShowBottomToolbar(view, true);
    HWND bar = g_windowList->GetBottomToolbar(view);
    ASSERT_NE(bar, nullptr);
    HWND button = GetDlgItem(bar, IDC_BAR_IMAGES);
    ASSERT_NE(button, nullptr);
    SetFocus(view);
    PumpFor(std::chrono::milliseconds(100));
    ASSERT_EQ(g_windowList->GetImageSetting(view), 3);
    struct Step {
        const char* how;
        int mode;
    } steps[] = {{"G", 1},      {"G", 2},        {"Ctrl+F12", 3}, {"button", 1},
                 {"button", 2}, {"Ctrl+F12", 3}, {"G", 1}};
    for (const Step& s : steps) {
        const std::string how = s.how;
        if (how == "G") {
            Key('G');
        } else if (how == "Ctrl+F12") {
            Key(VK_F12, {VK_CONTROL});
        } else {
            SendMessageA(button, BM_CLICK, 0, 0);
            PumpFor(std::chrono::milliseconds(100));
            SetFocus(view);
        }
        EXPECT_EQ(g_windowList->GetImageSetting(view), s.mode) << s.how;
    }
    // F12 without Ctrl and Ctrl+G are not image keys.
    Key(VK_F12);
    EXPECT_EQ(g_windowList->GetImageSetting(view), 1);
    CheckWindowScreenshot(bar, "image_mode_bar");
}

// --- sounds -------------------------------------------------------------------------

// Stands in for the sound device only: records what it was asked to play.
class RecordingPlayer : public SoundPlayer {
public:
    bool Play(const char* file) override {
        played.emplace_back(file);
        return true;
    }
    std::vector<std::string> played;
};

// A short silent wave file.
void WriteWave(const std::string& path) {
    std::string data = "RIFF____WAVEfmt ";
    auto u32 = [&](uint32_t v) { data.append(reinterpret_cast<const char*>(&v), 4); };
    auto u16 = [&](uint16_t v) { data.append(reinterpret_cast<const char*>(&v), 2); };
    u32(16);
    u16(1);
    u16(1);
    u32(8000);
    u32(8000);
    u16(1);
    u16(8);
    data += "data";
    u32(800);
    data.append(800, '\x80');
    const uint32_t size = static_cast<uint32_t>(data.size() - 8);
    data.replace(4, 4, reinterpret_cast<const char*>(&size), 4);
    WriteWholeFile(path, data);
}

class Sounds : public BrowsingKeys, public ::testing::WithParamInterface<bool> {
protected:
    void SetUp() override {
        for (const char* name : {"start", "loaded", "failure", "clicked", "end"}) WriteWave(Wave(name));
        // Listening before the frame is made: its start-up plays START.
        SetSoundPlayer(&player_);
        BrowsingKeys::SetUp();
    }
    void TearDown() override {
        BrowsingKeys::TearDown();
        SetSoundPlayer(nullptr);
    }
    std::string Wave(const char* name) const { return dir_.File(std::string(name) + ".wav"); }
    std::string MoreIni() const override {
        return std::string("[SOUNDS]\r\nENABLED=") + (GetParam() ? "1" : "0") +
               "\r\nLOADED=" + Wave("loaded") + "\r\nFAILURE=" + Wave("failure") +
               "\r\nCLICKED=" + Wave("clicked") + "\r\nEND=" + Wave("end") +
               "\r\nSTART=" + Wave("start") + "\r\n[USER PREFS]\r\n";
    }
    RecordingPlayer player_;
};

TEST_P(Sounds, EventsPlayTheirWaveFilesWhileSoundsAreEnabled) {
    const bool enabled = GetParam();
    int tile = 1;
    HWND view = g_windowList->OpenNewWindow(&tile);
    ASSERT_NE(view, nullptr);
    // The frame's start-up; a page that loads: the click that opened it, then
    // the end of its load.
    ASSERT_TRUE(OpenTypedUrl(view, Url("/first.html").c_str(), nullptr, true, 0));
    ASSERT_TRUE(WaitFor(view, Url("/first.html")));
    ASSERT_TRUE(PumpUntil([&] { return CurrentDocument(view)->GetUrl()->GetLoadStatus(true) == kLoadLoaded; }));
    PumpFor(std::chrono::milliseconds(300));
    // A port where nothing listens: the failure.
    ASSERT_TRUE(OpenTypedUrl(view, "http://127.0.0.1:1/none.html", nullptr, true, 0));
    EXPECT_TRUE(PumpUntil([&] { return !g_boxTexts.empty(); }, std::chrono::seconds(15)));
    PumpUntil([&] { return g_windowList->GetLoadState(view) == kWindowIdle; });
    // The frame closing: its end sound.
    SendMessageA(frame_, WM_CLOSE, 0, 0);
    PumpFor(std::chrono::milliseconds(100));
    const std::vector<std::string> all = {Wave("start"),   Wave("clicked"), Wave("loaded"),
                                          Wave("clicked"), Wave("failure"), Wave("end")};
    EXPECT_EQ(player_.played, enabled ? all : std::vector<std::string>{});
    // Forced, a sound plays whatever the setting; no name plays nothing.
    player_.played.clear();
    EXPECT_TRUE(PlaySoundFile(Wave("loaded").c_str(), true));
    EXPECT_FALSE(PlaySoundFile("", true));
    EXPECT_FALSE(PlaySoundFile(nullptr, true));
    EXPECT_EQ(player_.played, std::vector<std::string>{Wave("loaded")});
}

INSTANTIATE_TEST_SUITE_P(EnabledOrNot, Sounds, ::testing::Bool());

}  // namespace
