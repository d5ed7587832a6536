// Addresses that end outside the program (telnet, the mail program, refused
// schemes) and the timed message box, with real preferences, real boxes and
// a recording program standing in for the outside programs.
#include <gtest/gtest.h>

#include <chrono>
#include <memory>
#include <string>

#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "net/UrlHandle.h"
#include "net/UrlRecord.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OutsideUrls.h"
#include "windows/TimedMessageBox.h"

using namespace testing_support;

namespace {

using Clock = std::chrono::steady_clock;

class BrowsingFixture : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(CreateMessageBoxes());
        SetTimedMessageBox(ShowMessageBox);
        // A recorder of our own, so that no other test's record is read.
        std::string recorder = ZINTU_RECORD_ARGS_EXE;
        for (char& c : recorder)
            if (c == '/') c = '\\';
        recorder_ = dir_.File("record_args.exe");
        ASSERT_TRUE(CopyFileA(("Z:" + recorder).c_str(), recorder_.c_str(), FALSE));
        record_ = dir_.File("recorded-args.txt");
    }
    void TearDown() override {
        SetTimedMessageBox(nullptr);
        DestroyMessageBoxes();
        g_preferences = nullptr;
    }

    void LoadPrefs(const std::string& ini) {
        std::string path = dir_.File("zintu.ini");
        WriteWholeFile(path, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n" + ini);
        prefs_ = std::make_unique<Preferences>(path.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
    }

    // Opens the URL by its road; answers the text of the box it showed
    // (pressed at once), empty when none showed. A box titled with the URL
    // when no title is given.
    std::string Open(const char* address, const char* boxTitle = nullptr) {
        UrlHandle url(address, true);
        DialogPresser presser(boxTitle ? boxTitle : url.GetName(), IDOK);
        // A host the URL parser itself refuses gets the program's own box.
        std::unique_ptr<DialogPresser> plain;
        if (!boxTitle) plain = std::make_unique<DialogPresser>("Zintu", IDOK);
        EXPECT_TRUE(FollowOutsideRoad(nullptr, ChooseUrlRoad(UrlRoadFactsOf(url)), url)) << address;
        PumpFor(std::chrono::milliseconds(300));
        return presser.SeenText() + (plain ? plain->SeenText() : std::string());
    }

    std::string Recorded() {
        std::string line;
        PumpUntil([&] { return !(line = ReadWholeFile(record_)).empty(); }, std::chrono::seconds(20));
        return line;
    }

    ScratchDir dir_;
    std::unique_ptr<Preferences> prefs_;
    std::string recorder_, record_;
};

using OutsidePrograms = BrowsingFixture;

TEST_F(OutsidePrograms, TelnetGetsTheQuotedHostWithoutItsPort) {
    LoadPrefs("[ADV USER PREFS]\r\nTELNET APP=" + recorder_ + "\r\n");
    for (const char* address : {"telnet://host", "telnet://host:23/"}) {
        DeleteFileA(record_.c_str());
        EXPECT_EQ(Open(address, "Zintu"), "") << address;
        std::string line = Recorded();
        EXPECT_NE(line.find("record_args.exe \"host\""), std::string::npos) << line;
    }
}

TEST_F(OutsidePrograms, HostileHostsAndMailAddressesStartNothing) {
    LoadPrefs("[ADV USER PREFS]\r\nTELNET APP=" + recorder_ + "\r\n[MAIL]\r\nEXTERNAL APPLICATION=" + recorder_ +
              "\r\n");
    DeleteFileA(record_.c_str());
    for (const char* address : {"telnet://-oProxyCommand=calc/", "telnet://a&calc/"}) {
        std::string seen = Open(address);
        EXPECT_NE(seen.find("cannot be handed to another program"), std::string::npos) << address << ": " << seen;
    }
    EXPECT_NE(Open("telnet://a%20-e%20x/").find("No host name specified"), std::string::npos);
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(GetFileAttributesA(record_.c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing was started: " << ReadWholeFile(record_);
    // A mail address reaches the mail program whole, as one quoted
    // argument; quotes and blanks of a page's address arrive encoded.
    EXPECT_EQ(Open("mailto:a@b", "Zintu"), "");
    EXPECT_NE(Recorded().find("record_args.exe \"mailto:a@b\""), std::string::npos);
    DeleteFileA(record_.c_str());
    EXPECT_EQ(Open("mailto:a@b\" -x \"c", "Zintu"), "");
    EXPECT_NE(Recorded().find("record_args.exe \"mailto:a@b%22%20-x%20%22c\""), std::string::npos);
}

TEST_F(OutsidePrograms, MissingProgramsHostsAndProxiesAreTold) {
    LoadPrefs("");
    EXPECT_NE(Open("telnet://host", "Zintu").find("No telnet application specified"), std::string::npos);
    EXPECT_NE(Open("tn3270://host", "Zintu").find("No TN3270 application specified"), std::string::npos);
    EXPECT_NE(Open("telnet://", "Zintu").find("No host name specified"), std::string::npos);
    ScriptedServer server({{ScriptStep::Send, "0Nothing here\r\n.\r\n"}, {ScriptStep::Close, ""}});
    std::string gopher = "gopher://127.0.0.1:" + std::to_string(server.Port()) + "/";
    EXPECT_NE(Open(gopher.c_str()).find("requires the use of a PROXY server"), std::string::npos);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(server.Connections(), 0) << "the server saw no request";
    EXPECT_NE(Open("bogus://x").find("unknown or unsupported"), std::string::npos);
}

using TimedMessageBox = BrowsingFixture;

TEST_F(TimedMessageBox, AnInformationBoxClosesItselfAfterTheTimeOut) {
    LoadPrefs("[SPECIAL]\r\nBOX TIME OUT=2\r\n");
    std::string seen;
    DialogDriver driver("Page information", [&](HWND box) {
        seen = StaticTexts(box);
        CheckWindowScreenshot(box, "timed-message-box");
    });
    auto start = Clock::now();
    int result = ShowMessageBox(nullptr, "The page is loaded.", "Page information", MB_OK | MB_ICONINFORMATION);
    auto took = Clock::now() - start;
    EXPECT_EQ(result, IDOK);
    EXPECT_TRUE(driver.Found());
    EXPECT_NE(seen.find("The page is loaded."), std::string::npos) << seen;
    EXPECT_GE(took, std::chrono::milliseconds(1800));
    EXPECT_LT(took, std::chrono::seconds(10));
    // The error boxes of the program take the same road.
    start = Clock::now();
    g_messageBoxes->ShowError(nullptr, 20076, "Timed", nullptr);
    EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(1800));
}

TEST_F(TimedMessageBox, QuestionsWaitForTheUser) {
    LoadPrefs("[SPECIAL]\r\nBOX TIME OUT=2\r\n");
    bool stillThere = false;
    DialogDriver driver("Zintu", [&](HWND box) {
        Sleep(3500);
        stillThere = IsWindow(box) && IsWindowVisible(box);
    }, IDNO);
    int result = ShowMessageBox(nullptr, "Close all windows?", "Zintu", MB_YESNO | MB_ICONQUESTION);
    EXPECT_TRUE(stillThere) << "the question did not answer itself";
    EXPECT_EQ(result, IDNO);
}

TEST_F(TimedMessageBox, WithoutATimeOutBoxesAreTheSystemsOwn) {
    LoadPrefs("");
    EXPECT_FALSE(BoxTimesOut(MB_OK, 0));
    EXPECT_FALSE(BoxTimesOut(MB_OKCANCEL, 5));
    EXPECT_TRUE(BoxTimesOut(MB_OK | MB_ICONEXCLAMATION | MB_TASKMODAL, 5));
    DialogPresser presser("Plain", IDOK);
    auto start = Clock::now();
    EXPECT_EQ(ShowMessageBox(nullptr, "Plain box", "Plain", MB_OK), IDOK);
    EXPECT_EQ(presser.Presses(), 1);
    EXPECT_LT(Clock::now() - start, std::chrono::seconds(10));
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
