// What a run keeps for the next: the frame's place, the window set and the
// typed addresses, and the open and save dialogs, on real files, real
// windows and the system's own dialogs.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "core/FileDialogs.h"
#include "core/MruList.h"
#include "core/Preferences.h"
#include "core/SaveFileNames.h"
#include "core/Session.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

class RecordingKeeper : public WindowSetKeeper {
public:
    void RestoreWindowSet(const char* file) override { log.push_back(std::string("restore ") + file); }
    void SaveWindowSet(const char* file) override { log.push_back(std::string("save ") + file); }
    std::vector<std::string> log;
};

std::vector<std::string> Entries(MruList& list) {
    std::vector<std::string> out;
    for (const char* e = list.First(); e; e = list.Next()) out.push_back(e);
    return out;
}

class Session : public ::testing::Test {
protected:
    void SetUp() override {
        SetWindowSetKeeper(&keeper_);
        frame_ = CreateTestWindow(nullptr, "Session frame");
    }
    void TearDown() override {
        SetWindowSetKeeper(nullptr);
        DestroyWindow(frame_);
        g_preferences = nullptr;
    }
    void LoadPrefs(const std::string& ini) {
        std::string path = dir_.File("zintu.ini");
        WriteWholeFile(path, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n" + ini +
                                 "[WINDOW]\r\nLEFT=30\r\nTOP=40\r\nRIGHT=330\r\nBOTTOM=240\r\nSHOWCMD=1\r\n");
        prefs_ = std::make_unique<Preferences>(path.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
    }
    RECT NormalPlace() const {
        WINDOWPLACEMENT p{};
        p.length = sizeof p;
        GetWindowPlacement(frame_, &p);
        return p.rcNormalPosition;
    }

    ScratchDir dir_;
    std::unique_ptr<Preferences> prefs_;
    RecordingKeeper keeper_;
    HWND frame_ = nullptr;
};

TEST_F(Session, TheWindowSetOrTheFramePlaceIsRestored) {
    LoadPrefs("STARTUP TYPE=0\r\n");
    MruList typed(10);
    RestoreSession(frame_, false, &typed, nullptr);
    std::string storage = prefs_->Get(PrefText::WindowsStorageFile);
    EXPECT_EQ(keeper_.log, std::vector<std::string>{"restore " + storage});
    // Without windows (or with start addresses) only the frame's place.
    keeper_.log.clear();
    RestoreSession(frame_, true, &typed, nullptr);
    EXPECT_TRUE(keeper_.log.empty());
    RECT r = NormalPlace();
    EXPECT_EQ(r.left, 30);
    EXPECT_EQ(r.bottom, 240);
    // The start-addresses type places the frame and restores no set.
    SetWindowPos(frame_, nullptr, 0, 0, 100, 100, SWP_NOZORDER);
    LoadPrefs("STARTUP TYPE=2\r\n");
    RestoreSession(frame_, false, &typed, nullptr);
    EXPECT_TRUE(keeper_.log.empty());
    EXPECT_EQ(NormalPlace().top, 40);
}

TEST_F(Session, TypedAddressesComeBackInTheirOrder) {
    LoadPrefs("SAVE WINDOWS=1\r\n");
    MruList typed(10);
    for (const char* a : {"http://a/", "http://b/", "http://c/"}) typed.Add(a);
    SaveSession(&typed, nullptr);
    std::string file = prefs_->Get(PrefText::DirectHistoryFile);
    EXPECT_EQ(GetFileAttributesA((file + ".new").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(keeper_.log, std::vector<std::string>{"save " + std::string(prefs_->Get(PrefText::WindowsStorageFile))});
    MruList again(10);
    RestoreSession(frame_, true, &again, nullptr);
    EXPECT_EQ(Entries(again), (std::vector<std::string>{"http://c/", "http://b/", "http://a/"}));
    // A file that cannot be written keeps the old one whole.
    CreateDirectoryA((file + ".new").c_str(), nullptr);
    typed.Add("http://d/");
    SaveSession(&typed, nullptr);
    RemoveDirectoryA((file + ".new").c_str());
    MruList kept(10);
    RestoreSession(frame_, true, &kept, nullptr);
    EXPECT_EQ(Entries(kept).size(), 3u);
}

TEST_F(Session, SeveralFilesCanBeOpenedAtOnce) {
    LoadPrefs("");
    WriteWholeFile(dir_.File("a.gif"), "GIF89a");
    WriteWholeFile(dir_.File("b.gif"), "GIF89a");
    prefs_->SetOpenDirFromFile(dir_.File("a.gif").c_str());
    DialogDriver driver("Open", [](HWND dialog) {
        // The file-name field is a combo box or an edit, by the system's version.
        for (int id : {0x47c, 0x480})
            if (HWND field = GetDlgItem(dialog, id)) SetWindowTextA(field, "\"a.gif\" \"b.gif\"");
    }, IDOK);
    const char* answer = ShowOpenFileDialog(nullptr, 0, 20059, true);
    ASSERT_NE(answer, nullptr);
    std::vector<std::string> files = ChosenFiles(answer);
    ASSERT_EQ(files.size(), 2u);
    EXPECT_NE(files[0].find("a.gif"), std::string::npos) << files[0];
    EXPECT_NE(files[1].find("b.gif"), std::string::npos) << files[1];
    EXPECT_TRUE(driver.Found());
}

TEST_F(Session, TheSaveDialogProposesTheNameOfTheUrl) {
    LoadPrefs("");
    prefs_->SetSaveDirFromFile(dir_.File("x").c_str());
    ProposedFile proposed = SplitFileNameFromUrl("http://h/pictures/p.jpe");
    char name[MAX_PATH];
    lstrcpynA(name, proposed.name.c_str(), sizeof name);
    std::string seen;
    DialogDriver driver("Save As", [&](HWND dialog) {
        char text[MAX_PATH] = "";
        for (int id : {0x47c, 0x480})
            if (HWND field = GetDlgItem(dialog, id)) GetWindowTextA(field, text, sizeof text);
        seen = text;
    }, IDOK);
    EXPECT_EQ(ShowSaveFileDialog(nullptr, 0, 20059, name, proposed.filter), 1);
    EXPECT_EQ(seen, "p.jpg");
    EXPECT_NE(std::string(name).find("p.jpg"), std::string::npos) << name;
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
