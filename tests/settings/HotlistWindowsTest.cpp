// The hotlist in real document windows under Wine and Xvfb, with pages from
// an nginx on 127.0.0.1 that logs every request: Ctrl+T and the menus'
// hotlist commands open "Item Properties" on a new entry, OK keeps it (in
// the file at once), Cancel keeps nothing; a link's entry is named by the
// link's text; a nickname typed in the address field opens its entry, and
// a loaded page marks its entries visited.
#include <windows.h>

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "app/FrameWindow.h"
#include "app/MessageLoop.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "resources/HotlistIds.h"
#include "settings/Hotlist.h"
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

// What "Item Properties" showed when it opened.
struct EditorSeen {
    bool found = false;
    std::string name, url, parent;
};

std::string FieldText(HWND dialog, int id) {
    char text[4096] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

std::vector<std::string> Entries(const HotlistFolder& folder) {
    std::vector<std::string> out;
    for (const HotlistItem* item = folder.FirstItem(); item; item = item->NextItem()) {
        out.push_back(item->Name() + " <" + (item->IsUrl() ? static_cast<const HotlistUrl*>(item)->Url() : "") +
                      "> " + item->ShortName());
    }
    return out;
}

class HotlistWindows : public FrameTest {
protected:
    void SetUp() override {
        FrameTest::SetUp();
        ASSERT_NE(frame_, nullptr);
        RegisterBrowsingCommands();
        // The frame's keys, as the program's start-up loads them.
        g_accelerators = LoadAcceleratorsA(g_instance, MAKEINTRESOURCEA(ACCEL_FRAME));
        ASSERT_NE(GetHotlist(), nullptr);
    }
    void TearDown() override {
        FrameTest::TearDown();
        if (g_accelerators) DestroyAcceleratorTable(g_accelerators);
        g_accelerators = nullptr;
    }
    std::string MoreIni() const override { return "HOT LIST FILE VER2=" + hotlistFile_ + "\r\n"; }

    // Runs the action while "Item Properties" is worked from another
    // thread: its fields are read, the nickname typed, then the button
    // pressed.
    EditorSeen Edit(const std::function<void()>& action, int button, const std::string& nickname = "",
                    const std::string& shot = "") {
        EditorSeen seen;
        {
            DialogDriver driver("Item Properties", [&](HWND dialog) {
                seen.name = FieldText(dialog, IDC_HL_NAME);
                seen.url = FieldText(dialog, IDC_HL_URL);
                seen.parent = FieldText(dialog, IDC_HL_PARENT);
                if (!shot.empty()) CheckWindowScreenshot(dialog, shot);
                SetDlgItemTextA(dialog, IDC_HL_NICKNAME, nickname.c_str());
            }, button);
            action();
            PumpFor(std::chrono::milliseconds(300));
            seen.found = driver.Found();
        }
        return seen;
    }
    std::string hotlistFile_ = dir_.File("hot.adr");
};

// Up from the last item of the page menu (Background, Frame, Display, then
// Add document to Hot List), and of the link menu.
const std::vector<WORD> kPageMenuAddDocument = {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN};
const std::vector<WORD> kLinkMenuAddLink = {VK_UP, VK_UP, VK_UP, VK_UP, VK_RETURN};
// The Frame submenu's third item, Add to Hot List.
const std::vector<WORD> kFrameMenuAddFrame = {VK_UP, VK_UP, VK_RIGHT, VK_DOWN, VK_DOWN, VK_RETURN};

TEST_F(HotlistWindows, CtrlTAndThePageMenuAddTheShownPageOnOkOnly) {
    HWND view = Showing("/one.html");
    ASSERT_NE(view, nullptr);
    HotlistFolder& root = GetHotlist()->Root();

    // Ctrl+T from the keyboard: the page's title and address; OK keeps it
    // with the nickname typed, in the file at once.
    EditorSeen seen = Edit([] { SendKeyPress('T', {VK_CONTROL}); RunLoopFor(2500); }, IDOK, "uno", "item-properties");
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.name, "One");
    EXPECT_EQ(seen.url, Url("/one.html"));
    EXPECT_EQ(seen.parent, "ROOT");
    EXPECT_EQ(Entries(root), std::vector<std::string>{"One <" + Url("/one.html") + "> uno"});
    const std::string file = ReadWholeFile(hotlistFile_);
    EXPECT_EQ(file.rfind("Zintu Hotlist version 2.0\r\n\r\n#URL\r\n\tNAME=One\r\n\tURL=" + Url("/one.html") + "\r\n", 0),
              0u) << file;
    EXPECT_NE(file.find("\tSHORT NAME=uno\r\n"), std::string::npos) << file;

    // The page menu's Add document to Hot List: Cancel keeps nothing, and
    // the file is not written.
    RECT client;
    GetClientRect(view, &client);
    const POINT blank = {client.right / 2, client.bottom - 20};
    seen = Edit([&] { Menu(view, blank, kPageMenuAddDocument, "page-menu"); }, IDCANCEL, "annulled");
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.name, "One");
    EXPECT_EQ(Entries(root).size(), 1u);
    EXPECT_EQ(ReadWholeFile(hotlistFile_), file);

    // A nickname with a dot is refused; the editor stays until one without.
    {
        DialogDriver driver("Item Properties", [&](HWND dialog) {
            SetDlgItemTextA(dialog, IDC_HL_NICKNAME, "with.dot");
            SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0);
            if (IsWindow(dialog)) SetDlgItemTextA(dialog, IDC_HL_NICKNAME, "fixed");
        }, IDOK);
        Menu(view, blank, kPageMenuAddDocument);
        PumpFor(std::chrono::milliseconds(300));
        EXPECT_TRUE(driver.Found());
    }
    ASSERT_FALSE(g_boxTexts.empty());
    EXPECT_NE(g_boxTexts.back().find("A nickname cannot contain"), std::string::npos);
    ASSERT_EQ(Entries(root).size(), 2u);
    EXPECT_EQ(root.LastChild() ? static_cast<HotlistItem*>(root.LastChild())->ShortName() : "", "fixed");

    // A new hotlist of the file (the next run) has both entries and finds
    // them by nickname.
    Hotlist again(hotlistFile_.c_str());
    EXPECT_EQ(Entries(again.Root()), Entries(root));
    HotlistItem* found = again.FindUrl("UNO");
    ASSERT_NE(found, nullptr);
    ASSERT_TRUE(found->IsUrl());
    EXPECT_EQ(static_cast<HotlistUrl*>(found)->Url(), Url("/one.html"));
}

TEST_F(HotlistWindows, LinkAndFrameEntriesAndTypedNicknames) {
    HWND view = Showing("/set.html");
    ASSERT_NE(view, nullptr);
    auto* set = static_cast<HtmlDocument*>(CurrentDocument(view));
    ASSERT_TRUE(set->HasFrames());
    FrameNode* menu = FindFrameByName(*set->FrameRoot(), "menu");
    FrameNode* main = FindFrameByName(*set->FrameRoot(), "main");
    ASSERT_TRUE(PumpUntil([&] {
        return menu->CurrentDocument() && menu->CurrentDocument()->IsFormatted() && main->CurrentDocument() &&
               main->CurrentDocument()->IsFormatted() && Idle(view);
    }, std::chrono::seconds(15)));
    HWND menuPane = menu->FrameWindow(), mainPane = main->FrameWindow();
    HotlistFolder& root = GetHotlist()->Root();

    // The link menu: the link's text names the link's address.
    const POINT link = LinkPoint(menuPane, menu->CurrentDocument());
    ASSERT_GE(link.x, 0);
    const int twos = Requests("/two.html");
    EditorSeen seen = Edit([&] { Menu(menuPane, link, kLinkMenuAddLink, "link-menu"); }, IDOK, "deux");
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.name, "Page two");
    EXPECT_EQ(seen.url, Url("/two.html"));
    EXPECT_EQ(Requests("/two.html"), twos) << "adding a link loads nothing";

    // The Frame submenu: the document of the frame under the menu.
    RECT client;
    GetClientRect(mainPane, &client);
    seen = Edit([&] { Menu(mainPane, {client.right / 2, client.bottom - 20}, kFrameMenuAddFrame); }, IDOK);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(seen.name, "One");
    EXPECT_EQ(seen.url, Url("/one.html"));
    // Sorted by title, as the root is.
    EXPECT_EQ(Entries(root), (std::vector<std::string>{"One <" + Url("/one.html") + "> ",
                                                      "Page two <" + Url("/two.html") + "> deux"}));
    HotlistItem* two = GetHotlist()->FindUrl("deux");
    ASSERT_NE(two, nullptr);
    EXPECT_EQ(two->visited, 0u);

    // The nickname typed in the address field opens the entry's page, which
    // marks the entry visited, in the file too.
    g_windowList->ShowBottomToolbar(view, true);
    PumpFor(std::chrono::milliseconds(200));
    HWND combo = GetDlgItem(g_windowList->GetBottomToolbar(view), IDC_BAR_HISTORY);
    HWND edit = GetWindow(combo, GW_CHILD);
    ASSERT_NE(edit, nullptr);
    RECT r;
    GetClientRect(edit, &r);
    SendMouseTo(edit, {r.right / 2, r.bottom / 2});
    SendMouseButton(MOUSEEVENTF_LEFTDOWN);
    SendMouseButton(MOUSEEVENTF_LEFTUP);
    SetWindowTextA(edit, "  deux ");
    SendKeyPress(VK_RETURN);
    RunLoopFor(300);
    EXPECT_TRUE(WaitFor(view, Url("/two.html"))) << Shown(view);
    EXPECT_EQ(Requests("/two.html"), twos + 1);
    EXPECT_NE(two->visited, 0u);
    EXPECT_EQ(ReadWholeFile(hotlistFile_).find("\tVISITED=0 (?)\r\n\tORDER=-1\r\n\tSHORT NAME=deux"),
              std::string::npos);
    // A word that is no nickname is an address as before.
    EXPECT_EQ(GetHotlist()->FindUrl("one"), nullptr);
}

// A hotlist file that cannot be read is told at start-up; the hotlist then
// keeps what is added for the run and never overwrites the file, which the
// user may still mend.
class DamagedHotlist : public HotlistWindows {
protected:
    void SetUp() override {
        WriteWholeFile(hotlistFile_, kDamaged);
        HotlistWindows::SetUp();
    }
    const std::string kDamaged = "Zintu Hotlist version 2.0\r\n\r\n#URL\r\n\tNAME=Kept\r\n\r\n#QUESTION\r\n-\r\n";
};

TEST_F(DamagedHotlist, IsToldAtStartAndNeverOverwritten) {
    ASSERT_EQ(g_boxTexts.size(), 1u);
    EXPECT_EQ(g_boxTexts[0].rfind("Could not open hotlist file:\n\n\"" + hotlistFile_ + "\"", 0), 0u) << g_boxTexts[0];
    EXPECT_EQ(GetHotlist()->Path(), "");
    EXPECT_EQ(GetHotlist()->Root().FirstChild(), nullptr) << "nothing of a damaged file is taken";
    HWND view = Showing("/one.html");
    ASSERT_NE(view, nullptr);
    EditorSeen seen = Edit([&] { SendMessageA(frame_, WM_COMMAND, CMD_ADD_ACTIVE_TO_HOTLIST, 0); }, IDOK);
    EXPECT_TRUE(seen.found);
    EXPECT_EQ(Entries(GetHotlist()->Root()), std::vector<std::string>{"One <" + Url("/one.html") + "> "});
    EXPECT_EQ(ReadWholeFile(hotlistFile_), kDamaged);
    EXPECT_EQ(g_boxTexts.size(), 1u) << "a hotlist without a file is no failure to write";
}

}  // namespace
