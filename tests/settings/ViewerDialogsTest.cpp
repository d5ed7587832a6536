// The viewer table on real ini files, the plug-in scan with our sample
// plug-in, action 3 with a recording program, and the dialogs "Associate",
// "New" and "Unknown type" shown for real.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <fstream>
#include <functional>
#include <gtest/gtest.h>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/Preferences.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerDialogs.h"
#include "settings/ViewerDispatch.h"
#include "settings/ViewerSystemWin32.h"
#include "settings/ViewerTable.h"
#include "settings/ViewerTableIni.h"
#include "tests/settings/RecordingViewerWindows.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

using namespace testing_support;

namespace {

void Press(HWND dialog, int id) {
    PressDialogButton(dialog, id);
}

void ScreenshotCheck(HWND window, const std::string& name) {
    CheckWindowScreenshot(window, name);
}

// Adds a static control's text to the string in out. A plain function:
// a callback of Windows needs its calling convention on 32-bit builds.
BOOL CALLBACK AppendStaticText(HWND child, LPARAM out) {
    char cls[16] = "", t[400] = "";
    GetClassNameA(child, cls, sizeof cls);
    if (lstrcmpiA(cls, "Static") == 0 && GetWindowTextA(child, t, sizeof t) > 0)
        *reinterpret_cast<std::string*>(out) += t;
    return TRUE;
}

// The texts of a message box's static controls.
std::string StaticText(HWND box) {
    std::string text;
    EnumChildWindows(box, AppendStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

std::string ComboText(HWND dialog, int id) {
    char text[320] = "";
    GetDlgItemTextA(dialog, id, text, sizeof text);
    return text;
}

// Selects the list item of that text in a drop-down list as a user would.
void SelectType(HWND dialog, const char* type) {
    HWND list = GetDlgItem(dialog, IDC_VIEWER_TYPES);
    auto item = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(type));
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(item), 0);
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIEWER_TYPES, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}


class ViewerDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        g_instance = GetModuleHandleA(nullptr);
        RegisterPanelMessages();
        GetUrlSettings() = UrlSettings();
        std::string cache = dir_.File("cache") + "\\";
        CreateDirectoryA(dir_.File("cache").c_str(), nullptr);
        SetUrlCacheDirectory(cache.c_str());
        SetViewerWindows(&windows_);
        SetViewerSystem(&system_);
    }
    void TearDown() override {
        for (ViewerWindow w : {ViewerWindow(1), ViewerWindow(2)}) {
            if (HWND d = UnknownTypeDialogOf(w)) DestroyWindow(d);
        }
        SetViewerWindows(nullptr);
        SetViewerSystem(nullptr);
        AdoptViewerTable(nullptr);
        prefs_.reset();
        g_preferences = nullptr;
        SetUrlCacheDirectory("");
        GetUrlSettings() = UrlSettings();
    }
    void LoadPrefs(const std::string& ini) {
        WriteWholeFile(ini_, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir_.File("user") + "\r\n" + ini);
        prefs_.reset();
        prefs_ = std::make_unique<Preferences>(ini_.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
    }
    // A new run on the same ini file.
    void Reopen() {
        prefs_.reset();
        prefs_ = std::make_unique<Preferences>(ini_.c_str());
        prefs_->LoadAll();
        g_preferences = prefs_.get();
    }
    std::string IniValue(const char* section, const char* key) {
        char value[600];
        GetPrivateProfileStringA(section, key, "(missing)", value, sizeof value, ini_.c_str());
        return value;
    }
    UrlHandle Loaded(const char* name, const char* type, const std::string& data) {
        UrlHandle h(name, true);
        h->SetStoredContentType(type);
        h->SetContentKind(kTypeOther);
        h->SetLoadStatus(kLoadLoaded);
        std::string file = "znt" + std::to_string(++files_) + ".dat";
        WriteWholeFile(dir_.File("cache\\" + file), data);
        h->SetFileName(file.c_str());
        h->SetStorage(kStoredInFile);
        return h;
    }

    ScratchDir dir_;
    std::string ini_ = dir_.File("zintu-test.ini");
    std::unique_ptr<Preferences> prefs_;
    RecordingViewerWindows windows_;
    Win32ViewerSystem system_;
    int files_ = 0;
};

TEST_F(ViewerDialogs, AssociateOkWritesEveryEntryAndTheyReadBackAlike) {
    LoadPrefs("[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n[FILE TYPES]\r\n"
              "x-first/type=3,C:\\tools\\first.exe,,,fst,first\r\n"
              "text/html=1,,,,htm,html,shtml\r\n");
    AdoptViewerTable(LoadViewerTable(*prefs_));
    ViewerTable* before = GetViewerTable();
    ASSERT_NE(before, nullptr);
    EXPECT_EQ(*before->FindByMimeType("x-first/type")->extensions, "fst,first");
    std::vector<std::string> lines;
    for (ViewerEntry* e = before->First(); e; e = e->NextEntry())
        lines.push_back(e->mimeType + "=" + FormatFileTypeValue(*e));

    std::string shownType;
    DialogDriver driver("Associate", [&](HWND d) {
        shownType = ComboText(d, IDC_VIEWER_TYPES);
        ScreenshotCheck(d, "associate");
        Press(d, IDOK);
    });
    EXPECT_EQ(OpenViewersDialog(nullptr), IDOK);
    ASSERT_TRUE(driver.Found());
    EXPECT_EQ(shownType, "x-first/type");
    EXPECT_EQ(IniValue("FILE TYPES SECTION INFO", "VERSION"), "1");
    EXPECT_EQ(IniValue("FILE TYPES", "x-first/type"), "3,C:\\tools\\first.exe,,,fst,first");

    // A restart reads every entry back as it was, the first line included.
    AdoptViewerTable(nullptr);
    Reopen();
    AdoptViewerTable(LoadViewerTable(*prefs_));
    std::vector<std::string> after;
    for (ViewerEntry* e = GetViewerTable()->First(); e; e = e->NextEntry())
        after.push_back(e->mimeType + "=" + FormatFileTypeValue(*e));
    EXPECT_EQ(after, lines);
}

// The [FILE TYPES] lines as the file holds them, read from its text.
std::vector<std::string> FileTypeLines(const std::string& ini) {
    std::string text = ReadWholeFile(ini);
    std::vector<std::string> lines;
    bool inSection = false;
    for (size_t at = 0; at < text.size();) {
        size_t end = text.find('\n', at);
        if (end == std::string::npos) end = text.size();
        std::string line = text.substr(at, end - at);
        at = end + 1;
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty() && line[0] == '[') inSection = line == "[FILE TYPES]";
        else if (inSection && !line.empty()) lines.push_back(line);
    }
    return lines;
}

std::vector<std::string> TableLines(const ViewerTable& table) {
    std::vector<std::string> lines;
    for (ViewerEntry* e = table.First(); e; e = e->NextEntry())
        lines.push_back(e->mimeType + "=" + FormatFileTypeValue(*e));
    return lines;
}

// Sections that a fixed buffer would cut: a line longer than 519
// characters (first in its section, so that Associate shows it) and a
// section larger than 16,384 bytes. Each reads whole, OK in Associate
// writes it back whole, and a restart reads the same table again.
TEST_F(ViewerDialogs, LongLinesAndLongSectionsReadWholeAndAreWrittenBackWhole) {
    std::string longProgram = "C:\\tools\\" + std::string(700, 'p') + ".exe";
    std::vector<std::string> manyLines;
    for (int i = 0; i < 600; ++i)
        manyLines.push_back("x-many/type" + std::to_string(i) + "=2,,,,ext" + std::to_string(i) + ",more");
    std::vector<std::string> longLines = {"x-long/program=3," + longProgram + ",,,lng",
                                          "x-after/long=1,,,,aft", "text/html=2,,,,htm,html,shtml"};
    struct Case {
        const char* what;
        std::vector<std::string> lines;
    };
    const Case cases[] = {{"a line over 519 characters", longLines}, {"a section over 16384 bytes", manyLines}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string section;
        for (const std::string& line : c.lines) section += line + "\r\n";
        if (c.lines == manyLines) {
            ASSERT_GT(section.size(), 16384u);
        }
        LoadPrefs("[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n[FILE TYPES]\r\n" + section);
        AdoptViewerTable(LoadViewerTable(*prefs_));
        std::vector<std::string> loaded = TableLines(*GetViewerTable());
        for (const std::string& line : c.lines)
            EXPECT_NE(std::find(loaded.begin(), loaded.end(), line), loaded.end()) << "not read: " << line;

        std::string shownProgram;
        DialogDriver driver("Associate", [&](HWND d) {
            char text[1000] = "";
            GetDlgItemTextA(d, IDC_VIEWER_PROGRAM, text, sizeof text);
            shownProgram = text;
        }, IDOK);
        EXPECT_EQ(OpenViewersDialog(nullptr), IDOK);
        ASSERT_TRUE(driver.Found());
        if (c.lines == longLines) {
            EXPECT_EQ(shownProgram, longProgram);
        }
        std::vector<std::string> written = FileTypeLines(ini_);
        for (const std::string& line : c.lines)
            EXPECT_NE(std::find(written.begin(), written.end(), line), written.end()) << "not written: " << line;
        EXPECT_EQ(written, loaded) << "one line per entry, in the table's order";

        AdoptViewerTable(nullptr);
        Reopen();
        AdoptViewerTable(LoadViewerTable(*prefs_));
        EXPECT_EQ(TableLines(*GetViewerTable()), loaded);
        AdoptViewerTable(nullptr);
    }
}

// Indexes freed by an override line (it replaces the entry of the first
// file with a new one) and by a deletion leave gaps; the list shows every
// entry all the same.
TEST_F(ViewerDialogs, AssociateListsEveryEntryWhateverGapsItsIndexesHave) {
    std::string override = dir_.File("override.ini");
    WriteWholeFile(override, "[FILE TYPES]\r\nx-first/a=5,,,,fa\r\n");
    LoadPrefs("[SYSTEM]\r\nSUPER INI=" + override + "\r\n[FILE TYPES SECTION INFO]\r\nVERSION=1\r\n"
              "[FILE TYPES]\r\nx-first/a=2,,,,a\r\nx-first/b=2,,,,b\r\nx-first/c=2,,,,c\r\n");
    AdoptViewerTable(LoadViewerTable(*prefs_));
    ViewerTable& table = *GetViewerTable();
    ASSERT_EQ(table.FindByIndex(0), nullptr) << "the override left a gap";
    ASSERT_EQ(table.FindByMimeType("x-first/a")->action, kViewerRun);
    std::vector<std::string> listed;
    DialogPresser yes("Zintu", IDYES);
    DialogDriver driver("Associate", [&](HWND d) {
        SelectType(d, "x-first/b");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_VIEWER_DELETE, BN_CLICKED), 0);
        HWND list = GetDlgItem(d, IDC_VIEWER_TYPES);
        auto count = SendMessageA(list, CB_GETCOUNT, 0, 0);
        for (LRESULT i = 0; i < count; ++i) {
            char text[320] = "";
            SendMessageA(list, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            listed.push_back(text);
        }
    }, IDOK);
    EXPECT_EQ(OpenViewersDialog(nullptr), IDOK);
    EXPECT_EQ(yes.Presses(), 1);
    std::vector<std::string> expected;
    for (ViewerEntry* e = GetViewerTable()->First(); e; e = e->NextEntry()) expected.push_back(e->mimeType);
    std::sort(expected.begin(), expected.end());
    std::sort(listed.begin(), listed.end());
    EXPECT_EQ(listed, expected);
    EXPECT_EQ(GetViewerTable()->FindByMimeType("x-first/b"), nullptr);
    EXPECT_NE(std::find(listed.begin(), listed.end(), "x-first/c"), listed.end());
    EXPECT_NE(std::find(listed.begin(), listed.end(), "application/x-javascript"), listed.end());
}

TEST_F(ViewerDialogs, BuiltInTypesAreNotDeletedAndNewTypesAre) {
    LoadPrefs("");
    AdoptViewerTable(LoadViewerTable(*prefs_));
    DialogPresser refusal("Zintu", IDOK);
    std::string newTypeShown;
    DialogDriver newType("New", [&](HWND d) {
        ScreenshotCheck(d, "newviewer");
        SetDlgItemTextA(d, IDC_NEWVIEWER_TYPE, "  x-added/type  ");
        Press(d, IDOK);
    });
    DialogDriver driver("Associate", [&](HWND d) {
        SelectType(d, "text/html");
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_VIEWER_DELETE, BN_CLICKED), 0);
        SendMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_VIEWER_NEW, BN_CLICKED), 0);
        newTypeShown = ComboText(d, IDC_VIEWER_TYPES);
        Press(d, IDOK);
    });
    EXPECT_EQ(OpenViewersDialog(nullptr), IDOK);
    EXPECT_NE(refusal.SeenText().find("Could not delete viewer type. The type is handled by Zintu"),
              std::string::npos)
        << refusal.SeenText();
    EXPECT_EQ(newTypeShown, "x-added/type");
    ASSERT_NE(GetViewerTable()->FindByMimeType("text/html"), nullptr);
    ASSERT_NE(GetViewerTable()->FindByMimeType("x-added/type"), nullptr);
    EXPECT_EQ(IniValue("FILE TYPES", "x-added/type"), "0,,,,");
}

TEST_F(ViewerDialogs, TheSamplePluginAddsItsTypeWithActionSix) {
    LoadPrefs("PLUGIN PATH=" + SourcePath("tests") + ";" + ProgramFolder() + "..\\..\\plugins\\\r\n");
    std::unique_ptr<ViewerTable> table = LoadViewerTable(*prefs_);
    ViewerEntry* sample = table->FindByMimeType("application/x-zintu-sample");
    ASSERT_NE(sample, nullptr);
    EXPECT_EQ(sample->action, kViewerPlugin);
    EXPECT_EQ(*sample->extensions, "zsm,zsample");
    EXPECT_EQ(*sample->pluginName, "Zintu Sample Plugin");
    ASSERT_NE(sample->FirstCandidate(), nullptr);
    EXPECT_EQ(sample->FirstCandidate()->openText, "Zintu Sample Files (*.zsm)");
    EXPECT_EQ(table->FindByMimeType("*"), nullptr);
    ViewerEntry* html = table->FindByMimeType("text/html");
    EXPECT_EQ(html->action, kViewerShow) << "a known type keeps its action";
    ASSERT_NE(html->FirstCandidate(), nullptr);
    EXPECT_EQ(table->Plugins().Count(), 1u);

    // "Associate" shows the type with the plug-in as its action.
    AdoptViewerTable(std::move(table));
    bool pluginChecked = false;
    std::string pluginShown;
    DialogDriver driver("Associate", [&](HWND d) {
        pluginChecked = IsDlgButtonChecked(d, IDC_VIEWER_PLUGIN) == BST_CHECKED;
        pluginShown = ComboText(d, IDC_VIEWER_PLUGINS);
        ScreenshotCheck(d, "associate-plugin");
    }, IDCANCEL);
    EXPECT_EQ(OpenViewersDialog(nullptr, "application/x-zintu-sample"), IDCANCEL);
    EXPECT_TRUE(pluginChecked);
    EXPECT_EQ(pluginShown, "Zintu Sample Plugin");
}

TEST_F(ViewerDialogs, ActionThreeRunsTheProgramWithTheCacheFile) {
    std::string recorder = ProgramFolder() + "record_args.exe";
    std::string record = ProgramFolder() + "recorded-args.txt";
    DeleteFileA(record.c_str());
    ViewerTable table;
    table.AddBuiltInRows();
    (void)table.AddEntry(kViewerProgram, "x-run/prog", recorder.c_str(), nullptr, nullptr, nullptr, false);
    UrlHandle h = Loaded("http://127.0.0.1/doc.prg", "x-run/prog", "document");
    HandleLoadedDocument(table, 1, h);
    ASSERT_TRUE(PumpUntil([&] { return GetFileAttributesA(record.c_str()) != INVALID_FILE_ATTRIBUTES; },
                          std::chrono::seconds(20)));
    Sleep(200);
    std::string args = ReadWholeFile(record);
    std::string file = h->GetLocalFilePath(true);
    EXPECT_NE(args.find(file), std::string::npos) << args << " / " << file;
    EXPECT_EQ(windows_.log, std::vector<std::string>{"finished"});
}

TEST_F(ViewerDialogs, UnknownTypeShowsTheTypeAndCancelStopsItsOwnWindow) {
    GetUrlSettings().trustServerTypes = true;
    ViewerTable table;
    table.AddBuiltInRows();
    UrlHandle h = Loaded("http://127.0.0.1/a.gif", "application/octet-stream", "GIF89a");
    HandleDocumentStart(table, 2, h);
    HWND dialog = UnknownTypeDialogOf(2);
    ASSERT_NE(dialog, nullptr);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(WindowTitle(dialog), "http://127.0.0.1/a.gif");
    EXPECT_EQ(ComboText(dialog, IDC_UNKNOWN_TYPE), "application/octet-stream");
    ScreenshotCheck(dialog, "unknowndoc");
    // Asked again, the open one comes forward.
    HandleLoadedDocument(table, 2, h);
    EXPECT_EQ(UnknownTypeDialogOf(2), dialog);
    // Show without a program asks for one and stays.
    // (A driver that stops once it pressed: a presser still looking at this
    // thread's windows while the test waits for it would wait forever.)
    std::string asked;
    {
        DialogDriver ask("Zintu", [&](HWND box) {
            asked = StaticText(box);
            Press(box, IDOK);
        });
        SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDC_UNKNOWN_SHOW, BN_CLICKED), 0);
    }
    EXPECT_NE(asked.find("Please specify what program to use to show the file"), std::string::npos) << asked;
    EXPECT_TRUE(IsWindow(dialog));
    SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
    EXPECT_FALSE(IsWindow(dialog));
    EXPECT_EQ(UnknownTypeDialogOf(2), nullptr);
    EXPECT_EQ(windows_.log, std::vector<std::string>{"stop 2"});

    // Without trust, the extension decides: the image is shown.
    GetUrlSettings().trustServerTypes = false;
    windows_.log.clear();
    windows_.pending.clear();
    HandleDocumentStart(table, 1, h);
    EXPECT_EQ(UnknownTypeDialogOf(1), nullptr);
    EXPECT_EQ(windows_.log, std::vector<std::string>{"show"});
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
