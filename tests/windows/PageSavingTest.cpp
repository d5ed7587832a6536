// File > Save Page and Images As in a real frame under Wine and Xvfb, with
// pages from an nginx on 127.0.0.1 that logs every request: the page goes
// to the file chosen in the system's save dialog and its pictures, byte for
// byte as served, to a folder beside it that the saved page names; a picture
// the server does not have keeps its address and is told; the saved page,
// opened when the server has nothing left to give, shows its pictures.
#include <windows.h>

#include <chrono>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "app/DocumentViewers.h"
#include "app/FrameWindow.h"
#include "app/SettingsHandOver.h"
#include "core/AppGlobals.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "resources/CoreIds.h"
#include "tests/app/TestFrame.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"
#include "windows/OpenUrl.h"
#include "windows/PageSaving.h"
#include "windows/WindowList.h"

using namespace testing_support;

namespace {

// The fixtures that nginx serves, by their path on the server.
const char* const kServed[] = {"page.html", "red.gif", "pics/blue.jpg", "other/red.gif"};

// The folder nginx serves (in its scratch folder, Unix side).
std::string ServedFolder() {
    const char* dir = std::getenv("ZINTU_NGINX_DIR");
    return dir ? std::string("Z:") + dir + "\\www" : std::string();
}

std::string Fixture(const std::string& path) {
    return ReadWholeFile(SourcePath("tests/windows/savepage/" + path));
}

// The names in a folder ("." and ".." left out).
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE search = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) return names;
    do {
        const std::string name = found.cFileName;
        if (name != "." && name != "..") names.push_back(name);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return names;
}

std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const size_t at = text.find(from);
    EXPECT_NE(at, std::string::npos) << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

// Pixels of the view of each colour of the pictures: red, the JPEG's blue
// (decoded as (0, 0, 254) or near it) and green.
struct ColourCounts {
    int red = 0, blue = 0, green = 0;
};
ColourCounts CountColours(HWND view) {
    int width = 0, height = 0;
    ColourCounts counts;
    for (uint32_t p : CaptureClientArea(view, width, height)) {
        const int r = p >> 16 & 0xFF, g = p >> 8 & 0xFF, b = p & 0xFF;
        if (p == 0xFF0000) ++counts.red;
        if (r < 16 && g < 16 && b > 235) ++counts.blue;
        if (p == 0x00C000) ++counts.green;
    }
    return counts;
}

class PageSaving : public FrameTest {
protected:
    void SetUp() override {
        const std::string www = ServedFolder();
        ASSERT_FALSE(www.empty());
        for (const char* sub : {"", "\\pics", "\\other"}) CreateDirectoryA((www + sub).c_str(), nullptr);
        for (const char* path : kServed) {
            std::string to = www + "\\" + path;
            for (char& c : to)
                if (c == '/') c = '\\';
            ASSERT_TRUE(CopyFileA(SourcePath(std::string("tests/windows/savepage/") + path).c_str(),
                                  to.c_str(), FALSE))
                << to;
        }
        FrameTest::SetUp();
        InstallDocumentViewers();
    }
    void TearDown() override {
        FrameTest::TearDown();
        RemoveDocumentViewers();
    }
    // Each start has a user folder and a cache of its own, so that it
    // knows only what it loaded itself.
    std::string UserFolder() const override { return dir_.File(user_); }
    // The frame ends and another starts, with a user folder of its own.
    void StartAgain() {
        EndTestFrame(frame_);
        RemoveDocumentViewers();
        user_ = "user2";
        frame_ = StartTestFrame(secondFrame_, dir_.File("again.ini"), BaseIni(),
                                RecordBoxText);
        ASSERT_NE(frame_, nullptr);
        InstallDocumentViewers();
    }

    // A maximised window showing the local file, idle and laid out.
    HWND ShowingFile(const std::string& path) {
        HWND view = NewWindow();
        if (!view) return nullptr;
        SendMessageA(g_mdiClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(GetParent(view)), 0);
        if (!OpenTypedUrl(view, path.c_str(), nullptr, true, 0) || !WaitShown(view)) return nullptr;
        PumpFor(std::chrono::milliseconds(300));
        return view;
    }
    // Save Page and Images As, the dialog answered with the path (or
    // cancelled); runs until no save is left waiting. Answers the name
    // the dialog proposed.
    std::string SaveWithImages(const std::string& path, int button, const std::string& shot = "") {
        std::string proposed;
        {
            DialogDriver driver(
                "Save As",
                [&](HWND d) {
                    if (!shot.empty()) CheckWindowScreenshot(d, shot);
                    proposed = TypeFileName(d, path);
                },
                button);
            SendMessageA(frame_, WM_COMMAND, CMD_SAVE_PAGE_AND_IMAGES, 0);
            EXPECT_TRUE(driver.Found());
        }
        EXPECT_TRUE(PumpUntil([] { return PageSavesInProgress() == 0; }, std::chrono::seconds(15)));
        PumpFor(std::chrono::milliseconds(100));
        return proposed;
    }
    // The saved page as it should be: the pictures named in the folder, the
    // one the server lacks by its whole address, everything else as served.
    std::string ExpectedPage(const std::string& folder) const {
        std::string page = Fixture("page.html");
        page = Replaced(page, "src=\"red.gif\"", "src=\"" + folder + "/red.gif\"");
        page = Replaced(page, "src='pics/blue.jpg'", "src='" + folder + "/blue.jpg'");
        page = Replaced(page, "src=other/red.gif", "src=" + folder + "/red_2.gif");
        page = Replaced(page, "src=\"missing.gif\"", "src=\"" + Url("/missing.gif") + "\"");
        page = Replaced(page, "background=\"red.gif\"", "background=\"" + folder + "/red.gif\"");
        return page;
    }
    // The folder holds the three pictures byte for byte as served, two of
    // the same name apart, and nothing else.
    void ExpectPictures(const std::string& folder) {
        EXPECT_EQ(ReadWholeFile(folder + "\\red.gif"), Fixture("red.gif"));
        EXPECT_EQ(ReadWholeFile(folder + "\\blue.jpg"), Fixture("pics/blue.jpg"));
        EXPECT_EQ(ReadWholeFile(folder + "\\red_2.gif"), Fixture("other/red.gif"));
        EXPECT_EQ(FolderNames(folder).size(), 3u);
    }
    void ExpectMissingPictureTold() {
        ASSERT_EQ(g_boxTexts.size(), 1u);
        EXPECT_NE(g_boxTexts[0].find(Url("/missing.gif")), std::string::npos) << g_boxTexts[0];
        EXPECT_NE(g_boxTexts[0].find("keep their addresses"), std::string::npos) << g_boxTexts[0];
        g_boxTexts.clear();
    }

    std::string user_ = "user";
    FrameWindow secondFrame_;
};

TEST_F(PageSaving, ThePageIsSavedWithItsPicturesAndShowsThemFromTheDisk) {
    HWND view = Showing("/page.html");
    ASSERT_NE(view, nullptr);
    const ColourCounts served = CountColours(view);
    ASSERT_GE(served.red, 2 * 1600) << "the picture and the cell's background";
    ASSERT_GE(served.blue, 1400);
    ASSERT_GE(served.green, 1400);
    const int requestsBefore = Requests("/red.gif") + Requests("/pics/blue.jpg") + Requests("/other/red.gif");

    // The command follows the window: greyed while none is left.
    HMENU menu = GetMenu(frame_);
    for (int id : {CMD_SAVE_AS, CMD_SAVE_PAGE_AND_IMAGES})
        EXPECT_FALSE(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) << id;

    const std::string saved = dir_.File("my page.htm");
    EXPECT_EQ(SaveWithImages(saved, IDOK, "save-page-and-images"), "page.html");
    EXPECT_EQ(ReadWholeFile(saved), ExpectedPage("my_page_files"));
    ExpectPictures(dir_.File("my_page_files"));
    ExpectMissingPictureTold();
    EXPECT_EQ(Requests("/red.gif") + Requests("/pics/blue.jpg") + Requests("/other/red.gif"), requestsBefore)
        << "pictures at hand are not asked for again";

    // Cancelled, nothing is written.
    const std::string cancelled = dir_.File("cancelled.htm");
    SaveWithImages(cancelled, IDCANCEL);
    EXPECT_EQ(GetFileAttributesA(cancelled.c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(GetFileAttributesA(dir_.File("cancelled_files").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_TRUE(g_boxTexts.empty());

    SendMessageA(GetParent(view), WM_CLOSE, 0, 0);
    ASSERT_TRUE(PumpUntil([&] { return !IsWindow(view); }, std::chrono::seconds(5)));
    for (int id : {CMD_SAVE_AS, CMD_SAVE_PAGE_AND_IMAGES})
        EXPECT_TRUE(GetMenuState(menu, id, MF_BYCOMMAND) & MF_GRAYED) << id;

    // The server has nothing left, and a new start knows nothing of it: the
    // saved page shows its pictures from the disk alone.
    for (const char* path : kServed) {
        std::string file = ServedFolder() + "\\" + path;
        for (char& c : file)
            if (c == '/') c = '\\';
        ASSERT_TRUE(DeleteFileA(file.c_str())) << file;
    }
    const int requestsSaved = Requests("/red.gif") + Requests("/pics/blue.jpg") + Requests("/other/red.gif");
    StartAgain();
    HWND opened = ShowingFile(saved);
    ASSERT_NE(opened, nullptr);
    const ColourCounts fromDisk = CountColours(opened);
    CheckWindowScreenshot(opened, "saved-page-from-disk");
    EXPECT_GE(fromDisk.red, 2 * 1600);
    EXPECT_GE(fromDisk.blue, 1400);
    EXPECT_GE(fromDisk.green, 1400);
    EXPECT_EQ(Requests("/red.gif") + Requests("/pics/blue.jpg") + Requests("/other/red.gif"), requestsSaved);
}

// With pictures off the page has none of them; the save asks the server for
// each once, and writes them whole.
class PageSavingWithoutPictures : public PageSaving {
protected:
    std::string MoreIni() const override {
        return PageSaving::MoreIni() + "SHOW FIGURES=0\r\nLOAD FIGURES=0\r\n";
    }
};

TEST_F(PageSavingWithoutPictures, PicturesNotLoadedAreFetchedForTheSave) {
    const int red = Requests("/red.gif"), blue = Requests("/pics/blue.jpg"),
              other = Requests("/other/red.gif"), missing = Requests("/missing.gif");
    HWND view = Showing("/page.html");
    ASSERT_NE(view, nullptr);
    ASSERT_EQ(Requests("/red.gif"), red) << "pictures are off";

    const std::string saved = dir_.File("page.html");
    EXPECT_EQ(SaveWithImages(saved, IDOK), "page.html");
    EXPECT_EQ(ReadWholeFile(saved), ExpectedPage("page_files"));
    ExpectPictures(dir_.File("page_files"));
    ExpectMissingPictureTold();
    EXPECT_EQ(Requests("/red.gif"), red + 1);
    EXPECT_EQ(Requests("/pics/blue.jpg"), blue + 1);
    EXPECT_EQ(Requests("/other/red.gif"), other + 1);
    EXPECT_EQ(Requests("/missing.gif"), missing + 1);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
