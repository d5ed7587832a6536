// The document window bars on real windows: made from their templates in a
// frame, laid out, drawn, and driven with keys through the dialog manager as
// the message loop does it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "resources/BrowsingIds.h"
#include "tests/support/WindowTools.h"
#include "windows/BarPainting.h"
#include "windows/DocumentBarHost.h"
#include "windows/DocumentBars.h"

using namespace testing_support;

namespace {

class RecordingHost : public DocumentBarHost {
public:
    int BarMode() const override { return mode; }
    int Scale() const override { return scale; }
    void SetScale(int s) override { scale = s; }
    bool ImagesOff() const override { return false; }
    bool ImagesRestricted() const override { return true; }
    std::string FieldText(int id) const override { return id == IDC_BAR_PROGRESS_TEXT ? "Document: Done." : "42"; }
    void StopLoading() override { log.push_back("stop"); }
    void CycleImageMode() override { log.push_back("images"); }
    void ToggleDocumentMode() override { log.push_back("document mode"); }
    void OpenTypedAddress(const std::string& text) override { log.push_back("open " + text); }
    void ShowHistoryEntry(int index) override { log.push_back("history " + std::to_string(index)); }
    void NewsBarCommand(int id, int code) override {
        log.push_back("news " + std::to_string(id) + " " + std::to_string(code));
    }
    void LayoutBars() override {
        RECT r;
        GetClientRect(frame, &r);
        LayoutChildPanels(frame, WM_SIZE, SIZE_RESTORED, r.right, r.bottom, true);
    }

    HWND frame = nullptr;
    int mode = 2;
    int scale = 100;
    std::vector<std::string> log;
};

std::string Text(HWND window) {
    char text[256] = "";
    GetWindowTextA(window, text, sizeof text);
    return text;
}

class DocumentBars : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPanelMessages();
        host_.frame = CreateTestWindow(
            [this](HWND w, UINT m, WPARAM wp, LPARAM lp) -> LRESULT {
                if (m == WM_SIZE && bottom_) host_.LayoutBars();
                return DefWindowProcA(w, m, wp, lp);
            },
            "Document bars");
        SetWindowPos(host_.frame, nullptr, 40, 40, 640, 300, SWP_NOZORDER);
        ShowWindow(host_.frame, SW_SHOW);
        bottom_ = CreateBottomToolbar(host_.frame, host_);
        news_ = CreateNewsToolbar(host_.frame, host_);
        ASSERT_NE(bottom_, nullptr);
        ASSERT_NE(news_, nullptr);
        host_.LayoutBars();
        PumpDialogKeysFor(bottom_, std::chrono::milliseconds(200));
    }
    void TearDown() override { DestroyWindow(host_.frame); }

    // Types into a combo box's edit part and presses a key there.
    void TypeAndPress(int comboId, const char* text, WPARAM key) {
        testing_support::TypeAndPress(bottom_, GetWindow(GetDlgItem(bottom_, comboId), GW_CHILD), text, key);
    }

    RecordingHost host_;
    HWND bottom_ = nullptr;
    HWND news_ = nullptr;
};

TEST_F(DocumentBars, BarsSitAtTheFrameEdgesAndAreDrawn) {
    RECT frame, bottom, news;
    GetClientRect(host_.frame, &frame);
    GetWindowRect(bottom_, &bottom);
    GetWindowRect(news_, &news);
    MapWindowPoints(nullptr, host_.frame, reinterpret_cast<POINT*>(&bottom), 2);
    MapWindowPoints(nullptr, host_.frame, reinterpret_cast<POINT*>(&news), 2);
    EXPECT_EQ(bottom.bottom, frame.bottom);
    EXPECT_EQ(news.top, 0);
    EXPECT_GT(bottom.bottom - bottom.top, 30) << "two rows";
    EXPECT_EQ(QueryPanelKind(bottom_), PanelBottomBar);
    EXPECT_EQ(QueryPanelKind(news_), PanelTopBar);
    EXPECT_EQ(Text(GetDlgItem(bottom_, IDC_BAR_ZOOM)), "100%");
    EXPECT_EQ(SendDlgItemMessageA(bottom_, IDC_BAR_ZOOM, CB_GETCOUNT, 0, 0), 21);
    // The zoom field ends the first row at the right; the text field ends
    // the second.
    RECT zoom, text;
    GetWindowRect(GetDlgItem(bottom_, IDC_BAR_ZOOM), &zoom);
    GetWindowRect(GetDlgItem(bottom_, IDC_BAR_PROGRESS_TEXT), &text);
    EXPECT_GT(zoom.left, bottom.left + (bottom.right - bottom.left) / 2);
    EXPECT_GT(text.top, zoom.top);
    EXPECT_FALSE(IsWindowVisible(GetDlgItem(news_, IDC_NEWS_FILTER))) << "article lists have no filter";
    EXPECT_TRUE(IsWindowVisible(GetDlgItem(news_, IDC_NEWS_SORT)));
    CheckWindowScreenshot(host_.frame, "document-bars");
}

TEST_F(DocumentBars, EnterInTheZoomFieldRoundsAndBoundsTheScale) {
    struct Case {
        const char* typed;
        int scale;
        const char* shown;
    } cases[] = {{"105", 110, "110%"}, {"15", 20, "20%"}, {"1234", 1000, "1000%"}, {"big", 1000, "1000%"}};
    for (const auto& c : cases) {
        TypeAndPress(IDC_BAR_ZOOM, c.typed, VK_RETURN);
        EXPECT_TRUE(g_zoomFieldHasFocus);
        EXPECT_EQ(host_.scale, c.scale) << c.typed;
        EXPECT_EQ(Text(GetDlgItem(bottom_, IDC_BAR_ZOOM)), c.shown) << c.typed;
    }
    EXPECT_TRUE(host_.log.empty()) << "nothing was opened";
    // A choice from the list.
    HWND zoom = GetDlgItem(bottom_, IDC_BAR_ZOOM);
    SendMessageA(zoom, CB_SETCURSEL, 12, 0);
    SendMessageA(bottom_, WM_COMMAND, MAKEWPARAM(IDC_BAR_ZOOM, CBN_SELENDOK), reinterpret_cast<LPARAM>(zoom));
    EXPECT_EQ(host_.scale, 250);
}

TEST_F(DocumentBars, EnterInTheAddressFieldOpensTheTypedText) {
    TypeAndPress(IDC_BAR_HISTORY, "localhost:8080/a.html", VK_RETURN);
    EXPECT_FALSE(g_zoomFieldHasFocus);
    TypeAndPress(IDC_BAR_HISTORY, "", VK_RETURN);
    EXPECT_EQ(host_.log, std::vector<std::string>{"open localhost:8080/a.html"});
    EXPECT_EQ(host_.scale, 100);
    // A chosen history entry is counted from the oldest; the list shows the
    // newest first.
    HWND history = GetDlgItem(bottom_, IDC_BAR_HISTORY);
    for (const char* entry : {"http://c/", "http://b/", "http://a/"})
        SendMessageA(history, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
    SendMessageA(history, CB_SETCURSEL, 0, 0);
    SendMessageA(bottom_, WM_COMMAND, MAKEWPARAM(IDC_BAR_HISTORY, CBN_SELENDOK), reinterpret_cast<LPARAM>(history));
    EXPECT_EQ(host_.log.back(), "history 3");
}

TEST_F(DocumentBars, EscClosesTheAddressListAndButtonsReachTheWindow) {
    HWND history = GetDlgItem(bottom_, IDC_BAR_HISTORY);
    SendMessageA(history, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("http://a/"));
    SetFocus(history);
    SendMessageA(history, CB_SHOWDROPDOWN, TRUE, 0);
    PumpDialogKeysFor(bottom_, std::chrono::milliseconds(100));
    ASSERT_TRUE(SendMessageA(history, CB_GETDROPPEDSTATE, 0, 0));
    SendMessageA(bottom_, WM_COMMAND, MAKEWPARAM(IDCANCEL, 0), 0);
    EXPECT_FALSE(SendMessageA(history, CB_GETDROPPEDSTATE, 0, 0));
    EXPECT_TRUE(IsWindow(bottom_)) << "Esc closes nothing else";
    for (int id : {IDC_BAR_STOP, IDC_BAR_IMAGES, IDC_BAR_DOCUMENT_MODE})
        SendMessageA(GetDlgItem(bottom_, id), BM_CLICK, 0, 0);
    SendMessageA(GetDlgItem(news_, IDC_NEWS_NEXT), BM_CLICK, 0, 0);
    EXPECT_EQ(host_.log, (std::vector<std::string>{"stop", "images", "document mode", "news 10512 0"}));
}

TEST_F(DocumentBars, TheNewsBarFollowsTheBarMode) {
    struct Case {
        int mode;
        std::vector<int> shown, hidden;
    } cases[] = {
        {1, {IDC_NEWS_ALL_GROUPS, IDC_NEWS_FILTER, IDC_NEWS_MARK_ALL_READ}, {IDC_NEWS_PREVIOUS, IDC_NEWS_SORT}},
        {3, {IDC_NEWS_PREVIOUS, IDC_NEWS_GROUP}, {IDC_NEWS_ALL_GROUPS, IDC_NEWS_FILTER, IDC_NEWS_SORT}},
    };
    for (const auto& c : cases) {
        host_.mode = c.mode;
        LayoutDocumentBar(news_);
        for (int id : c.shown) EXPECT_TRUE(IsWindowVisible(GetDlgItem(news_, id))) << id << " mode " << c.mode;
        for (int id : c.hidden) EXPECT_FALSE(IsWindowVisible(GetDlgItem(news_, id))) << id << " mode " << c.mode;
    }
}

TEST(ImageModeButton, TheLabelSaysWhatPressingItDoes) {
    EXPECT_EQ(ImageModeLabelId(false, false), IDS_IMAGES_OFF);
    EXPECT_EQ(ImageModeLabelId(false, true), IDS_IMAGES_SHOW);
    EXPECT_EQ(ImageModeLabelId(true, true), IDS_IMAGES_LOAD);
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
