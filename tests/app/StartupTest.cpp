// The real program under Wine: started as a child process, its frame window
// found by class, its menus and title read, closed, and its exit checked;
// the single instance, kiosk mode, the problem-solving dialog after a killed
// run, and a build without its language strings.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

// Wine starts a program in a second or two, longer on a busy machine.
constexpr std::chrono::seconds kPatience{30};

std::string WindowsPath(std::string unixPath) {
    for (char& c : unixPath)
        if (c == '/') c = '\\';
    return "Z:" + unixPath;
}

HWND FindProcessWindow(DWORD pid, const char* className, const char* title = nullptr) {
    return FindWindowOfProcess(pid, className, title);
}

std::string ChildTexts(HWND dialog) {
    std::string all;
    for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char text[512] = "";
        DWORD_PTR got = 0;  // WM_GETTEXT crosses processes; GetWindowText may not
        SendMessageTimeoutA(c, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text), SMTO_ABORTIFHUNG,
                            2000, &got);
        all += text;
        all += '\n';
    }
    return all;
}

// One run of the program (or of a variant build); killed if still running
// at the end of the test.
class ProgramRun {
public:
    explicit ProgramRun(const std::string& arguments, const char* exe = ZINTU_EXE) {
        std::string line = "\"" + WindowsPath(exe) + "\" " + arguments;
        STARTUPINFOA si{};
        si.cb = sizeof si;
        started_ = CreateProcessA(nullptr, &line[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi_);
    }
    ~ProgramRun() {
        if (!started_) return;
        if (WaitForSingleObject(pi_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(pi_.hProcess, 99);
        WaitForSingleObject(pi_.hProcess, 10000);
        CloseHandle(pi_.hProcess);
        CloseHandle(pi_.hThread);
    }
    bool Started() const { return started_; }
    DWORD Pid() const { return pi_.dwProcessId; }
    HWND WaitForWindow(const char* className, const char* title = nullptr, int seconds = 30) {
        HWND found = nullptr;
        PumpUntil([&] { return (found = FindProcessWindow(Pid(), className, title)) != nullptr || Ended(); },
                  std::chrono::seconds(seconds));
        return found;
    }
    bool Ended() const { return WaitForSingleObject(pi_.hProcess, 0) == WAIT_OBJECT_0; }
    // The exit code, or -1 when it did not end in time.
    long WaitForExit(int seconds = 30) {
        if (!PumpUntil([&] { return Ended(); }, std::chrono::seconds(seconds))) return -1;
        DWORD code = 0;
        GetExitCodeProcess(pi_.hProcess, &code);
        return static_cast<long>(code);
    }
    void Kill() {
        TerminateProcess(pi_.hProcess, 9);
        WaitForSingleObject(pi_.hProcess, 10000);
    }

private:
    PROCESS_INFORMATION pi_{};
    bool started_ = false;
};

int IniInt(const std::string& ini, const char* section, const char* key) {
    return static_cast<int>(GetPrivateProfileIntA(section, key, -1, ini.c_str()));
}

std::string IniText(const std::string& ini, const char* section, const char* key) {
    char value[64] = "";
    GetPrivateProfileStringA(section, key, "", value, sizeof value, ini.c_str());
    return value;
}

HWND MdiClientOf(HWND frame) {
    for (HWND c = GetWindow(frame, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
        char name[32] = "";
        GetClassNameA(c, name, sizeof name);
        if (!lstrcmpiA(name, "MDIClient")) return c;
    }
    return nullptr;
}

class Startup : public ::testing::Test {
protected:
    void WriteIni(const std::string& text) {
        WriteWholeFile(ini_, "[USER PREFS]\r\nSHOW SPLASH SCREEN=0\r\n" + text);
    }
    ScratchDir dir_;
    std::string ini_ = dir_.File("my.ini");
};

TEST_F(Startup, OneInstanceShowsTheFrameAndEndsCleanlyOnClose) {
    WriteIni("[INSTALL]\r\nHELLO=yes\r\n");
    ProgramRun first(ini_);
    ASSERT_TRUE(first.Started());
    HWND frame = first.WaitForWindow("BLDZINTU");
    ASSERT_NE(frame, nullptr) << "no frame window";
    // Found while it may still be in creation: shown means start-up made it.
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(frame) != FALSE; }, kPatience));
    EXPECT_EQ(WindowTitle(frame), "Zintu");
    EXPECT_NE(MdiClientOf(frame), nullptr);
    LONG style = GetWindowLongA(frame, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX),
              WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX);
    // The menu lives in the program's process; from here we see that the
    // frame has one and that its bar takes room above the client area.
    EXPECT_NE(GetMenu(frame), nullptr);
    RECT outer, inner;
    GetWindowRect(frame, &outer);
    GetClientRect(frame, &inner);
    MapWindowPoints(frame, nullptr, reinterpret_cast<POINT*>(&inner), 2);
    EXPECT_GE(inner.top - outer.top, GetSystemMetrics(SM_CYCAPTION) + GetSystemMetrics(SM_CYMENU));

    // The ini file named on the command line is the one in use.
    EXPECT_TRUE(PumpUntil([&] { return IniText(ini_, "INSTALL", "HELLO") == "NO"; }, kPatience));
    EXPECT_EQ(IniInt(ini_, "STATE", "RUN"), 1);

    ProgramRun second(ini_);
    ASSERT_TRUE(second.Started());
    EXPECT_EQ(second.WaitForExit(), 0);
    EXPECT_FALSE(first.Ended());
    EXPECT_TRUE(IsWindow(frame));

    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.WaitForExit(), 0);
    EXPECT_EQ(IniInt(ini_, "STATE", "RUN"), 0);
    // Closing keeps the frame's place for the next start (SAVE WINDOWS is 1
    // by default).
    EXPECT_GT(IniInt(ini_, "WINDOW", "RIGHT"), IniInt(ini_, "WINDOW", "LEFT"));
    EXPECT_GT(IniInt(ini_, "WINDOW", "BOTTOM"), IniInt(ini_, "WINDOW", "TOP"));
    EXPECT_NE(IniInt(ini_, "WINDOW", "SHOWCMD"), -1);
}

// The frame takes the place it had, and the addresses typed in one run are
// offered in the next.
TEST_F(Startup, TheFramesPlaceAndTheTypedAddressesLastAcrossRuns) {
    std::string user = dir_.File("user");
    CreateDirectoryA(user.c_str(), nullptr);
    const std::string typed = "2\r\nhttp://older.example/\r\nhttp://newer.example/\r\n";
    WriteWholeFile(user + "\\zintu.dir", typed);
    WriteIni("ZINTU DIRECTORY=" + user + "\r\n[WINDOW]\r\nLEFT=30\r\nTOP=40\r\nRIGHT=530\r\nBOTTOM=440\r\nSHOWCMD=1\r\n");
    ProgramRun run(ini_);
    ASSERT_TRUE(run.Started());
    HWND frame = run.WaitForWindow("BLDZINTU");
    ASSERT_NE(frame, nullptr);
    ASSERT_TRUE(PumpUntil([&] { return IsWindowVisible(frame) != FALSE; }, kPatience));
    RECT r{};
    EXPECT_TRUE(PumpUntil([&] { return GetWindowRect(frame, &r) && r.left == 30 && r.top == 40; }, kPatience))
        << r.left << "," << r.top;
    EXPECT_EQ(r.right, 530);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(), 0);
    std::string saved = ReadWholeFile(user + "\\zintu.dir");
    EXPECT_NE(saved.find("http://older.example/"), std::string::npos) << saved;
    EXPECT_LT(saved.find("http://older.example/"), saved.find("http://newer.example/")) << saved;
}

// The splash is decided before every setting is read: the file's value
// counts, not the default.
TEST_F(Startup, TheSplashFollowsItsSetting) {
    for (int shown : {1, 0}) {
        SCOPED_TRACE(shown);
        WriteWholeFile(ini_, "[USER PREFS]\r\nSHOW SPLASH SCREEN=" + std::to_string(shown) + "\r\n");
        ProgramRun run(ini_);
        ASSERT_TRUE(run.Started());
        bool splashSeen = false;
        HWND frame = nullptr;
        // Watched from the start until the frame has finished starting (the
        // splash closes then).
        PumpUntil(
            [&] {
                if (HWND box = FindProcessWindow(run.Pid(), "#32770"))
                    splashSeen |= ChildTexts(box).find("Starting, please wait") != std::string::npos;
                frame = FindProcessWindow(run.Pid(), "BLDZINTU");
                return (frame && IsWindowVisible(frame) && splashSeen == (shown == 1)) || run.Ended();
            },
            kPatience);
        ASSERT_NE(frame, nullptr);
        EXPECT_EQ(splashSeen, shown == 1);
        PostMessageA(frame, WM_CLOSE, 0, 0);
        EXPECT_EQ(run.WaitForExit(), 0);
    }
}

TEST_F(Startup, KioskModeFrameHasNoSystemMenuNorMinMaxBoxes) {
    WriteIni("");
    ProgramRun run("/k " + ini_);
    HWND frame = run.WaitForWindow("BLDZINTU");
    ASSERT_NE(frame, nullptr);
    LONG style = GetWindowLongA(frame, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(style & WS_CAPTION, WS_CAPTION);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(run.WaitForExit(), 0);
}

TEST_F(Startup, AfterAKilledRunTheProblemDialogComesBeforeTheFrame) {
    WriteIni("SHOW PROBLEM DIALOG=1\r\n");
    {
        ProgramRun crashed(ini_);
        ASSERT_NE(crashed.WaitForWindow("BLDZINTU"), nullptr);
        ASSERT_TRUE(PumpUntil([&] { return IniInt(ini_, "STATE", "RUN") == 1; }, kPatience));
        crashed.Kill();
    }
    EXPECT_EQ(IniInt(ini_, "STATE", "RUN"), 1);

    ProgramRun next(ini_);
    HWND dialog = next.WaitForWindow("#32770", "Problem Solving");
    ASSERT_NE(dialog, nullptr);
    EXPECT_EQ(FindProcessWindow(next.Pid(), "BLDZINTU"), nullptr) << "the frame came first";
    // Found as soon as it exists: its controls follow.
    EXPECT_TRUE(PumpUntil([&] { return ChildTexts(dialog).find("Synchronous DNS") != std::string::npos; },
                          kPatience));
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(10362, BN_CLICKED), 0);
    HWND frame = next.WaitForWindow("BLDZINTU");
    ASSERT_NE(frame, nullptr);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(next.WaitForExit(), 0);

    // With the setting off, a killed run is not mentioned.
    WriteIni("SHOW PROBLEM DIALOG=0\r\n[STATE]\r\nRUN=1\r\n");
    ProgramRun quiet(ini_);
    frame = quiet.WaitForWindow("BLDZINTU");
    ASSERT_NE(frame, nullptr);
    EXPECT_EQ(FindProcessWindow(quiet.Pid(), "#32770", "Problem Solving"), nullptr);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(quiet.WaitForExit(), 0);
}

TEST_F(Startup, WithoutItsLanguageStringsTheProgramSaysSoAndEnds) {
    WriteIni("");
    ProgramRun run(ini_, ZINTU_WITHOUT_LANGUAGE_EXE);
    HWND box = run.WaitForWindow("#32770", "Zintu");
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(PumpUntil(
        [&] {
            return ChildTexts(box).find("Could not load language. Out of resource memory.") !=
                   std::string::npos;
        },
        kPatience))
        << ChildTexts(box);
    EXPECT_EQ(FindProcessWindow(run.Pid(), "BLDZINTU"), nullptr);
    PostMessageA(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    EXPECT_EQ(run.WaitForExit(), 0);
    EXPECT_EQ(FindProcessWindow(run.Pid(), "BLDZINTU"), nullptr);
    EXPECT_EQ(IniInt(ini_, "STATE", "RUN"), 0);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
