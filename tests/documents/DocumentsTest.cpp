// Documents in a real window under Wine: the base class, a window's
// history, a page loading from a local nginx step by step with its images,
// frame sets with their "FRAMES" windows, link targets, client pull, and the
// selection, copy and search of a page.
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <climits>
#include <cstring>
#include <filesystem>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

#include "core/DelayedMessageQueue.h"
#include "core/InternalMessages.h"
#include "core/MemoryManager.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/DocumentMessages.h"
#include "documents/DocumentWindows.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "documents/PageLayout.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "html/UrlContentFeed.h"
#include "layout/AnimationClockWin32.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutElement.h"
#include "layout/ScreenDevice.h"
#include "layout/SystemFonts.h"
#include "layout/UrlImages.h"
#include "net/NetSettings.h"
#include "net/SocketRegistry.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlSettings.h"
#include "tests/documents/PageTestFixture.h"
#include "tests/documents/TextPrinter.h"
#include "tests/support/LocalServer.h"
#include "tests/support/TestPaths.h"
#include "tests/support/WindowTools.h"

namespace {

namespace fs = std::filesystem;
using testing_support::PumpFor;
using testing_support::PumpUntil;

constexpr int kViewWidth = 400;
constexpr int kViewHeight = 300;

// The folder of the test program: screenshots are saved beside it.
std::string Here() {
    char path[MAX_PATH];
    GetModuleFileNameA(nullptr, path, sizeof path);
    std::string p(path);
    return p.substr(0, p.rfind('\\') + 1);
}

std::string At(const char* path) {
    return "http://127.0.0.1:" + std::to_string(testing_support::ServerPortFromEnv("NGINX")) + path;
}

struct Notice {
    uint32_t message, p1, p2;
    DWORD tick;
};

// The document window of these tests: a visible view with its handler and
// device, the history, and a record of the notices documents post to it.
class TestView : public HistoryOwner, public MessageCallback {
public:
    // fixedMetrics: documents measure and lay out on a device of fixed
    // character metrics (5 units a character, lines of 12) instead of the
    // window's fonts, so that places in the page are known exactly.
    explicit TestView(bool fixedMetrics = false) {
        window_ = CreateWindowExA(0, "ZintuDocumentsTestView", "documents", WS_OVERLAPPED | WS_VISIBLE, 0, 0,
                                  kViewWidth, kViewHeight, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        // The frame takes what it takes: the client area is made the size
        // the tests reckon with.
        RECT client, outer;
        GetClientRect(window_, &client);
        GetWindowRect(window_, &outer);
        SetWindowPos(window_, nullptr, 0, 0, outer.right - outer.left + kViewWidth - client.right,
                     outer.bottom - outer.top + kViewHeight - client.bottom, SWP_NOZORDER | SWP_NOMOVE);
        GetClientRect(window_, &client);
        width_ = client.right;
        height_ = client.bottom;
        handler_ = std::make_unique<MessageHandler>(window_);
        if (fixedMetrics) {
            auto fixed = std::make_unique<FixedMetricsDevice>(kViewWidth, kViewHeight);
            fixed->SetFontHeight(10);
            device_ = std::move(fixed);
        } else {
            device_ = std::make_unique<ScreenDevice>(window_, false);
        }
        for (uint32_t m : {kMsgRepainted, kMsgLoadNotice, kMsgClientPull, kMsgPageLoadsStarted, kMsgPageLoadsDone,
                           kMsgPrintReady, kMsgPrintPageDone, kMsgPrintLastPage})
            (void)handler_->Register(this, m, 0);
        list_ = std::make_unique<DocumentList>(this, width_, height_);
    }
    ~TestView() override {
        list_.reset();
        handler_->UnregisterAll(this);
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        device_.reset();
        DestroyWindow(window_);
    }

    static LRESULT CALLBACK Proc(HWND window, UINT message, WPARAM wp, LPARAM lp) {
        auto* view = reinterpret_cast<TestView*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (view && message >= 0x8000 && message < 0xC000) {
            view->handler_->Dispatch(message, static_cast<uint32_t>(wp), static_cast<uint32_t>(lp));
            return 0;
        }
        if (view && message == WM_PAINT) {
            PAINTSTRUCT ps;
            BeginPaint(window, &ps);
            if (Document* d = view->list_ ? view->list_->GetCurrentDocument() : nullptr) d->Paint(ps.rcPaint);
            EndPaint(window, &ps);
            return 0;
        }
        return DefWindowProcA(window, message, wp, lp);
    }

    // HistoryOwner
    MessageHandler* Handler() override { return handler_.get(); }
    PaintDevice* Device() override { return device_.get(); }
    HWND ViewWindow() override { return window_; }
    void PushHistoryCombo(const char* text) override { combo.push_back(text); }
    void DropHistoryComboTop(int lines) override {
        for (int i = 0; i < lines && !combo.empty(); ++i) combo.pop_back();
    }
    void DropHistoryComboBottom(int lines) override {
        for (int i = 0; i < lines && !combo.empty(); ++i) combo.erase(combo.begin());
    }

    // MessageCallback: what documents tell the window.
    void OnMessage(uint32_t message, uint32_t p1, uint32_t p2) override {
        notices.push_back({message, p1, p2, GetTickCount()});
    }
    int Count(uint32_t message, uint32_t p1, uint32_t p2) const {
        int n = 0;
        for (const Notice& x : notices) n += x.message == message && x.p1 == p1 && x.p2 == p2;
        return n;
    }
    const Notice* Find(uint32_t message) const {
        for (const Notice& x : notices) {
            if (x.message == message) return &x;
        }
        return nullptr;
    }

    DocumentList& List() { return *list_; }
    HWND Window() const { return window_; }
    // Records a message for one id as well.
    void Listen(uint32_t message, uint32_t id) { (void)handler_->Register(this, message, id); }
    std::vector<std::string> combo;
    std::vector<Notice> notices;

private:
    HWND window_;
    int32_t width_ = kViewWidth, height_ = kViewHeight;
    std::unique_ptr<MessageHandler> handler_;
    std::unique_ptr<PaintDevice> device_;
    std::unique_ptr<DocumentList> list_;
};

void RegisterClasses() {
    static bool done = false;
    if (done) return;
    done = true;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC;
    wc.lpfnWndProc = TestView::Proc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = "ZintuDocumentsTestView";
    RegisterClassA(&wc);
}

class DocumentsTest : public testing_support::PageTestFixture {
protected:
    void SetUp() override {
        RegisterClasses();
        SetUpPages("documents-");
        InstallUrlImages();
        view_ = std::make_unique<TestView>();
    }
    void TearDown() override {
        // As a window that closes, the view stops what its page still loads
        // (a slow picture): a record must not outlive the handler it reports to.
        if (view_) {
            if (Document* d = view_->List().GetCurrentDocument()) d->Stop(0);
        }
        view_.reset();
        RemoveUrlImages();
        TearDownPages();
    }

    UrlHandle Find(const std::string& name) { return urls_->FindWithFragment(name.c_str()); }
    // Loads a URL for the view as the window does before it makes the
    // document, and runs until the data is all there.
    UrlHandle Load(const std::string& name) {
        UrlHandle h = Find(name);
        EXPECT_FALSE(h.IsEmpty()) << name;
        (void)h->StartLoad(view_->Handler(), UrlHandle(), false, false);
        EXPECT_TRUE(PumpUntil([&] { return h->GetLoadStatus(true) != kLoadLoading && h->GetLoadStatus(true) != kLoadNever; },
                              std::chrono::seconds(10)))
            << name;
        return h;
    }
    // The page document the window shows (through its HTML document).
    HtmlPageDocument* Page() {
        Document* d = view_->List().GetCurrentDocument();
        return d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d)->Page() : nullptr;
    }
    bool WaitFormatted(std::chrono::seconds limit = std::chrono::seconds(10)) {
        return PumpUntil([&] { return Page() && Page()->IsFormatted(); }, limit);
    }
    // Until the page has started that many loads of what it refers to and
    // all of them are done.
    bool WaitLoadsDone(int started) {
        return PumpUntil([&] { return Page() && Page()->StartedCount() == started && Page()->GetPendingCount() == 0; },
                         std::chrono::seconds(10));
    }

    // Shows a page whose pictures are img/tile.gif once the picture is
    // there (background pictures are the image table's loads, shown once
    // complete), checks its screenshot and answers its pixels.
    bool ShowTiledPage(const char* path, const char* shot, std::vector<uint32_t>& pixels, int& width, int& height) {
        UrlHandle page = Load(At(path));
        if (page->GetLoadStatus(true) != kLoadLoaded) return false;
        view_->List().CreateDocument(page, 0, false);
        if (!WaitFormatted()) return false;
        UrlHandle tileUrl = Find(At("/img/tile.gif"));
        if (!PumpUntil([&] { return tileUrl->GetLoadStatus(true) == kLoadLoaded; }, std::chrono::seconds(10)))
            return false;
        UpdateWindow(view_->Window());
        PumpFor(std::chrono::milliseconds(300));
        testing_support::CheckWindowScreenshot(view_->Window(), shot);
        pixels = testing_support::CaptureClientArea(view_->Window(), width, height);
        return true;
    }

    std::unique_ptr<TestView> view_;
};

// --- the base class and the history ------------------------------------------

// A record that looks loaded, of the content kind given.
UrlHandle FakeLoaded(UrlRegistry& urls, const std::string& name, int contentKind) {
    UrlHandle h = urls.FindWithFragment(name.c_str());
    h->SetLoadStatus(kLoadLoaded);
    h->SetContentKind(contentKind);
    return h;
}

TEST_F(DocumentsTest, APlainDocumentAnswersTheBaseBehaviour) {
    UrlHandle url = FakeLoaded(*urls_, "http://127.0.0.1:1/plain", 15);
    Document plain(view_->Device(), view_->Handler(), url, 100, 50, -1);
    RECT r = {0, 0, 10, 10};
    EXPECT_EQ(plain.GetKind(), kDocPlain);
    EXPECT_EQ(plain.Start(0, 0, 0), kStartShown);
    EXPECT_EQ(plain.Paint(r), 2);
    EXPECT_EQ(plain.IsFormatted(), 0);
    EXPECT_EQ(plain.GetPendingCount(), 0);
    EXPECT_TRUE(plain.GetFrameUrlForId(3).IsEmpty());
    EXPECT_TRUE(plain.ActivateAtPoint(1, 1, nullptr).IsEmpty());
    EXPECT_EQ(plain.GoBackInside(), kHistoryNothing);
    EXPECT_EQ(plain.FindDocumentByFrameId(-1), &plain);
    EXPECT_EQ(plain.ShowsUrlId(url->GetId(), true), 1);
    EXPECT_EQ(plain.ShowsUrlId(url->GetId(), false), 0);

    // SetSize tells the window with the frame id unless asked to be quiet.
    plain.SetSize(200, 100, true, true);
    PumpFor(std::chrono::milliseconds(50));
    EXPECT_EQ(view_->Count(kMsgRepainted, static_cast<uint32_t>(-1), 0), 0);
    plain.SetSize(200, 100, true, false);
    PumpUntil([&] { return view_->Count(kMsgRepainted, static_cast<uint32_t>(-1), 0) > 0; });
    EXPECT_EQ(view_->Count(kMsgRepainted, static_cast<uint32_t>(-1), 0), 1);

    // Activation counts one user of the URL however often it is repeated.
    int32_t before = url->GetInUse();
    plain.SetActive(true);
    plain.SetActive(true);
    EXPECT_EQ(url->GetInUse(), before + 1);
    plain.SetActive(false);
    plain.SetActive(false);
    EXPECT_EQ(url->GetInUse(), before);
}

TEST_F(DocumentsTest, HistoryKeepsAtLeastOneEntryAndTrimsTheOldest) {
    testing_support::ScratchDir dir;
    std::string ini = dir.File("zintu.ini");
    testing_support::WriteWholeFile(ini, "[USER PREFS]\r\nMAX WINDOW HISTORY LINES=0\r\n");
    Preferences prefs(ini.c_str());
    prefs.LoadAll();
    g_preferences = &prefs;
    {
        TestView view;
        DocumentList& list = view.List();
        EXPECT_EQ(list.GetMaxEntries(), 1);
        for (int i = 0; i < 3; ++i) {
            UrlHandle url = FakeLoaded(*urls_, "http://127.0.0.1:1/p" + std::to_string(i), 15);
            EXPECT_EQ(list.CreateDocument(url, 0, false), kHistoryShown);
        }
        EXPECT_EQ(list.GetCount(), 1);
        EXPECT_EQ(view.combo.size(), 1u);
        EXPECT_EQ(list.GetCurrentIndex(), 1);
        EXPECT_EQ(list.GoBack(false), kHistoryNothing);
        EXPECT_EQ(list.GoToIndex(2), kHistoryNothing);
    }
    g_preferences = nullptr;

    // With room for three, a document in use at the oldest place stops the
    // trimming; the count stays the number of entries there are.
    DocumentList& list = view_->List();
    list.SetMaxEntries(3);
    for (int i = 0; i < 3; ++i)
        list.CreateDocument(FakeLoaded(*urls_, "http://127.0.0.1:1/q" + std::to_string(i), 15), 0, false);
    Document* oldest = list.FirstEntry()->document;
    oldest->AddUse();
    list.CreateDocument(FakeLoaded(*urls_, "http://127.0.0.1:1/q3", 15), 0, false);
    EXPECT_EQ(list.GetCount(), 4);
    EXPECT_EQ(list.FirstEntry()->document, oldest);
    oldest->DropUse();
    list.CreateDocument(FakeLoaded(*urls_, "http://127.0.0.1:1/q4", 15), 0, false);
    EXPECT_EQ(list.GetCount(), 3);
    EXPECT_EQ(list.GetCurrentIndex(), 3);
    EXPECT_EQ(list.GoToIndex(3), kHistoryShown);
    EXPECT_EQ(list.GoToIndex(4), kHistoryNothing);
    EXPECT_EQ(list.GoToIndex(-1), kHistoryNothing);

    // An entry whose document is gone is trimmed like any other.
    list.SetEntryDocument(list.FirstEntry(), nullptr);
    list.CreateDocument(FakeLoaded(*urls_, "http://127.0.0.1:1/q5", 15), 0, false);
    EXPECT_EQ(list.GetCount(), 3);
    ASSERT_NE(list.FirstEntry()->document, nullptr);
    EXPECT_EQ(list.GoToIndex(1), kHistoryCannotShow) << "a plain document shows nothing";
    EXPECT_EQ(list.GetCurrentIndex(), 1);
}

TEST_F(DocumentsTest, HistoryMovesBackAndForwardAndCutsTheForwardPart) {
    DocumentList& list = view_->List();
    EXPECT_EQ(list.GoBack(false), kHistoryNothing) << "an empty history";
    UrlHandle page = Load(At("/text.html"));
    UrlHandle other = Load(At("/other.html"));
    EXPECT_EQ(list.CreateDocument(page, 0, false), kHistoryShown);
    EXPECT_EQ(list.CreateDocument(other, 0, false), kHistoryShown);
    EXPECT_EQ(list.GetCount(), 2);
    EXPECT_NE(list.GoBack(false), kHistoryNothing);
    EXPECT_EQ(list.GetCurrentDocument()->GetUrl().Record(), page.Record());
    EXPECT_TRUE(list.CanGoForward());

    // Only a new fragment of the page shown: no new document, the forward
    // history is gone all the same.
    UrlHandle jump = Find(At("/text.html#x"));
    EXPECT_EQ(jump.Record(), page.Record());
    EXPECT_EQ(list.CreateDocument(jump, 0, false), kHistoryMovedInside);
    EXPECT_EQ(list.GetCount(), 1);
    EXPECT_FALSE(list.CanGoForward());
    EXPECT_EQ(view_->combo.size(), 1u);
    EXPECT_EQ(list.GoForward(false), kHistoryNothing);
}

std::vector<const LayoutElement*> Texts(const LayoutElement* box) {
    std::vector<const LayoutElement*> out;
    for (const LayoutElement* c = box->FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kTextFragment) {
            out.push_back(c);
        } else if (c->GetKind() != LayoutElement::kReferenceBox) {
            auto inner = Texts(c);
            out.insert(out.end(), inner.begin(), inner.end());
        }
    }
    return out;
}

// --- a page loading from the server ---------------------------------------------

// The pixels of a window's client area, counted by the colours of the
// page's three images: red (img/a.gif), green (img/b.gif) and the blues of
// the slow image (slow/c.gif).
struct ImageColours {
    int red = 0, green = 0, blue = 0;
};

ImageColours CountImageColours(HWND window) {
    ImageColours counts;
    int width = 0, height = 0;
    for (uint32_t pixel : testing_support::CaptureClientArea(window, width, height)) {
        const int r = (pixel >> 16) & 0xFF, g = (pixel >> 8) & 0xFF, b = pixel & 0xFF;
        counts.red += r > 200 && g < 60 && b < 60;
        counts.green += g > 150 && r < 60 && b < 60;
        counts.blue += b > 150 && r < 110 && g < 110;
    }
    return counts;
}

TEST_F(DocumentsTest, APageWithThreeImagesShowsThemAsTheyArriveAndFinishesOnceAfterTheLast) {
    UrlHandle page = Load(At("/page.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    UrlHandle slow = Find(At("/slow/c.gif"));
    view_->Listen(kMsgLoadStatus, slow->GetId());
    view_->notices.clear();
    int r = view_->List().CreateDocument(page, 0, false);
    EXPECT_TRUE(r == kHistoryLoadsRunning || r == kHistoryShown) << r;
    ASSERT_TRUE(WaitFormatted());
    EXPECT_EQ(Page()->StartedCount(), 3);
    const uint32_t id = page->GetId();
    // While the slow image still loads, the part of it that arrived is
    // already on the screen.
    bool partlyShown = false;
    DWORD lastLook = 0;
    ASSERT_TRUE(PumpUntil(
        [&] {
            if (!partlyShown && slow->GetLoadStatus(true) == kLoadLoading && GetTickCount() - lastLook >= 40) {
                lastLook = GetTickCount();
                partlyShown = CountImageColours(view_->Window()).blue > 0;
            }
            return view_->Count(kMsgLoadNotice, kNoticeDocumentDone, id) > 0;
        },
        std::chrono::seconds(30)));
    EXPECT_EQ(slow->GetLoadStatus(true), kLoadLoaded) << "finished before the slow image";
    EXPECT_EQ(Page()->DoneCount(), 3);
    EXPECT_TRUE(partlyShown) << "the slow image showed only once it was all there";
    int pieces = 0;
    for (const Notice& n : view_->notices) pieces += n.message == kMsgLoadStatus && n.p1 == slow->GetId() && (n.p2 & 0xFF) == 1;
    EXPECT_GT(pieces, 1) << "the slow image's data came in pieces, each shown";
    PumpFor(std::chrono::milliseconds(500));
    EXPECT_EQ(view_->Count(kMsgLoadNotice, kNoticeDocumentDone, id), 1);
    EXPECT_EQ(view_->List().GetCurrentDocument()->GetPendingCount(), 0);

    // All three are laid out at their own sizes and drawn whole.
    UpdateWindow(view_->Window());
    PumpFor(std::chrono::milliseconds(300));
    testing_support::CheckWindowScreenshot(view_->Window(), "documents-page");
    const ImageColours shown = CountImageColours(view_->Window());
    EXPECT_EQ(shown.red, 40 * 24);
    EXPECT_EQ(shown.green, 40 * 24);
    EXPECT_GT(shown.blue, 80 * 50 * 9 / 10);
    EXPECT_GT(Page()->GetContentHeight(), 0);
}

TEST_F(DocumentsTest, ABodyBackgroundTilesTheWholeViewFromThePageOrigin) {
    // img/tile.gif: 16 x 16, red where x mod 16 and y mod 16 fall in the same
    // half, blue elsewhere; the page is shorter than the view.
    UrlHandle page = Load(At("/background.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    const int r = view_->List().CreateDocument(page, 0, false);
    EXPECT_TRUE(r == kHistoryLoadsRunning || r == kHistoryShown) << r;
    ASSERT_TRUE(WaitFormatted());
    ASSERT_TRUE(WaitLoadsDone(1));
    UpdateWindow(view_->Window());
    PumpFor(std::chrono::milliseconds(300));
    testing_support::CheckWindowScreenshot(view_->Window(), "documents-background");
    int width = 0, height = 0;
    const std::vector<uint32_t> pixels = testing_support::CaptureClientArea(view_->Window(), width, height);
    int right = 0, wrong = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
            const bool red = p == 0xFF0000, blue = p == 0x0000FF;
            if (!red && !blue) continue;  // the text
            const bool redHere = ((x % 16) < 8) == ((y % 16) < 8);
            (red == redHere ? right : wrong) += 1;
        }
    }
    EXPECT_EQ(wrong, 0) << "tiles out of place";
    EXPECT_GT(right, width * height * 9 / 10) << "the tiles cover the view, below the page's end too";
}

TEST_F(DocumentsTest, BackgroundPicturesTileACellAndABlock) {
    // img/tile.gif as above: the first cell's BACKGROUND tiled both ways
    // from the cell's corner, the style image of the DIV below it across
    // only (one tile high).
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(ShowTiledPage("/cell-background.html", "documents-cell-background", pixels, width, height));
    auto tile = [&](int x, int y) {
        const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
        return p == 0xFF0000 ? 1 : p == 0x0000FF ? 2 : 0;
    };
    // Bands of rows with tile pixels, each with its left and right ends.
    struct Band {
        int top, bottom, left, right;
    };
    std::vector<Band> bands;
    for (int y = 0; y < height; ++y) {
        int left = width, right = -1;
        for (int x = 0; x < width; ++x) {
            if (tile(x, y)) left = std::min(left, x), right = std::max(right, x);
        }
        if (right < 0) continue;
        if (!bands.empty() && bands.back().bottom == y - 1) {
            Band& b = bands.back();
            b.bottom = y;
            b.left = std::min(b.left, left);
            b.right = std::max(b.right, right);
        } else {
            bands.push_back(Band{y, y, left, right});
        }
    }
    ASSERT_EQ(bands.size(), 2u) << "a tiled cell and a tiled block";
    const Band& cell = bands[0];
    const Band& block = bands[1];
    EXPECT_GE(cell.right - cell.left + 1, 160);
    EXPECT_LT(cell.right - cell.left + 1, width / 2) << "only the first cell";
    EXPECT_GT(cell.bottom - cell.top + 1, 3 * 16) << "three lines and the padding";
    EXPECT_EQ(block.bottom - block.top + 1, 16) << "one row of tiles";
    EXPECT_GT(block.right - block.left + 1, width * 3 / 4) << "across the block";
    for (const Band& b : bands) {
        int right = 0, wrong = 0;
        for (int y = b.top; y <= b.bottom; ++y) {
            for (int x = b.left; x <= b.right; ++x) {
                const int t = tile(x, y);
                if (!t) continue;  // the text
                const bool redHere = (((x - b.left) % 16) < 8) == (((y - b.top) % 16) < 8);
                ((t == 1) == redHere ? right : wrong) += 1;
            }
        }
        EXPECT_EQ(wrong, 0) << "tiles out of place in the band from " << b.top;
        EXPECT_GT(right, (b.right - b.left + 1) * (b.bottom - b.top + 1) * 3 / 4) << "the band from " << b.top;
    }
}

TEST_F(DocumentsTest, BackgroundPositionsPlaceTheFirstTile) {
    // img/tile.gif as above, under three DIVs and a cell, each placed by its
    // style: one tile at the bottom right, a row across from 5 units in and
    // half-way down, tiles both ways from a quarter across and 10 down, one
    // tile at a cell's top right. Every tile pixel is checked against where
    // the boxes the layout made put it.
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
    ASSERT_TRUE(ShowTiledPage("/background-position.html", "documents-background-position", pixels, width, height));

    // The boxes with a picture, as painting sees them: less their margins.
    struct Placed {
        int left, top, width, height;
    };
    std::vector<Placed> boxes;
    std::vector<const LayoutElement*> todo{Page()->Layout()->Root()};
    while (!todo.empty()) {
        const LayoutElement* e = todo.back();
        todo.pop_back();
        for (const LayoutElement* c = e->LastChild(); c; c = c->PrevSibling()) todo.push_back(c);
        if (!e->Style() || e->Style()->backgroundImage <= 0) continue;
        Placed b{e->AbsoluteX(), e->AbsoluteY(), e->Width(), static_cast<int>(e->Height())};
        if (const BoxMetrics* m = e->Metrics()) {
            b.left += m->margin[BoxMetrics::kLeft];
            b.top += m->margin[BoxMetrics::kTop];
            b.width -= m->margin[BoxMetrics::kLeft] + m->margin[BoxMetrics::kRight];
            b.height -= m->margin[BoxMetrics::kTop] + m->margin[BoxMetrics::kBottom];
        }
        boxes.push_back(b);
    }
    ASSERT_EQ(boxes.size(), 4u);

    // Where each box's first tile goes, and which ways it repeats.
    struct Expected {
        int x, y;
        bool acrossX, acrossY;
    };
    const Placed& a = boxes[0];
    const Placed& b = boxes[1];
    const Placed& c = boxes[2];
    const Placed& d = boxes[3];
    const Expected expected[] = {
        {a.left + a.width - 16, a.top + a.height - 16, false, false},
        {b.left + 5, b.top + b.height * 50 / 100 - 8, true, false},
        {c.left + c.width * 25 / 100 - 16 * 25 / 100, c.top + 10, true, true},
        {d.left + d.width - 16, d.top, false, false},
    };
    auto phase = [](int v) { return ((v % 16) + 16) % 16 < 8; };
    for (size_t i = 0; i < boxes.size(); ++i) {
        const Placed& box = boxes[i];
        const Expected& e = expected[i];
        int right = 0, wrong = 0, covered = 0;
        for (int y = box.top; y < box.top + box.height && y < height; ++y) {
            for (int x = box.left; x < box.left + box.width && x < width; ++x) {
                const bool inX = e.acrossX || (x >= e.x && x < e.x + 16);
                const bool inY = e.acrossY || (y >= e.y && y < e.y + 16);
                const uint32_t p = pixels[static_cast<size_t>(y) * width + x];
                const bool red = p == 0xFF0000, blue = p == 0x0000FF;
                covered += inX && inY;
                if (!red && !blue) continue;  // the text, or no tile
                const bool redHere = phase(x - e.x) == phase(y - e.y);
                (inX && inY && red == redHere ? right : wrong) += 1;
            }
        }
        EXPECT_EQ(wrong, 0) << "tiles out of place in box " << i;
        EXPECT_GE(covered, 16 * 16) << "box " << i;
        EXPECT_GT(right, covered * 3 / 4) << "box " << i;
    }
}

TEST_F(DocumentsTest, AnAnimatedImageRunsThroughItsFramesInTheWindow) {
    // img/anim.gif: red, green and blue frames of 150 ms each, looping for ever.
    // The frames come as the program's delayed messages.
    struct ClockOn {
        ClockOn() { InstallAnimationClock(); }
        ~ClockOn() { RemoveAnimationClock(); }
    } clock;
    UrlHandle page = Load(At("/anim.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    ASSERT_TRUE(WaitLoadsDone(1));
    // Each frame is seen on the screen in turn, and more than once round.
    std::vector<char> seen;
    PumpUntil(
        [&] {
            const ImageColours c = CountImageColours(view_->Window());
            const char now = c.red > 0 ? 'r' : c.green > 0 ? 'g' : c.blue > 0 ? 'b' : '-';
            if (seen.empty() || seen.back() != now) seen.push_back(now);
            return seen.size() >= 8;
        },
        std::chrono::seconds(5));
    const std::string order(seen.begin(), seen.end());
    EXPECT_NE(order.find("rgb"), std::string::npos) << order;
    EXPECT_NE(order.find("brg"), std::string::npos) << "round again: " << order;
    testing_support::CheckWindowScreenshot(view_->Window(), "documents-animation");
    view_.reset();  // the window stops viewing it while the clock runs
}

TEST_F(DocumentsTest, OnceLoadedAPageLeavesItsImagesOutOfSightToTheImageCache) {
    // tall.html: img/a.gif at the top, img/b.gif far below the view.
    MemoryManager memory(1u << 20, 1u << 20);
    g_memoryManager = &memory;
    UrlHandle page = Load(At("/tall.html"));
    view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    ASSERT_TRUE(WaitLoadsDone(2));
    UpdateWindow(view_->Window());
    ImageHandle top = ImageOfUrl(Find(At("/img/a.gif")));
    ImageHandle below = ImageOfUrl(Find(At("/img/b.gif")));
    ASSERT_TRUE(top->IsComplete() && below->IsComplete());
    EXPECT_GT(top->ViewerCount(), 0) << "shown";
    EXPECT_EQ(below->ViewerCount(), 0) << "out of sight";
    // Only the picture out of sight may be trimmed.
    EXPECT_EQ(memory.ImageCount(), 1u);
    memory.SetImageBudget(0);
    EXPECT_EQ(below->FrameCount(), 0u) << "trimmed";
    EXPECT_NE(top->FrameCount(), 0u) << "kept while shown";
    view_.reset();
    g_memoryManager = nullptr;
}

TEST_F(DocumentsTest, BackgroundPicturesCountAmongThePagesLoads) {
    // slow-background.html: a cell on slow/c.gif (sent slowly) and a block
    // on img/tile.gif; neither is a referenced URL of the page. The page
    // counts both loads, tells its window the counts, and is done only
    // once the slow picture is all there.
    UrlHandle page = Load(At("/slow-background.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    UrlHandle slow = Find(At("/slow/c.gif"));
    view_->notices.clear();
    view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    const uint32_t id = page->GetId();
    ASSERT_TRUE(PumpUntil([&] { return view_->Count(kMsgLoadNotice, kNoticeDocumentDone, id) > 0; },
                          std::chrono::seconds(30)));
    EXPECT_EQ(slow->GetLoadStatus(true), kLoadLoaded) << "done before its background picture";
    EXPECT_EQ(Page()->StartedCount(), 2);
    EXPECT_EQ(Page()->DoneCount(), 2);
    EXPECT_EQ(Page()->GetPendingCount(), 0);
    // What the window shows as "done/total": 2 started with fewer done
    // while the slow one came, 2 of 2 at the end.
    bool startedShown = false;
    const Notice* last = nullptr;
    for (const Notice& n : view_->notices) {
        if (n.message != kMsgPageLoadsStarted && n.message != kMsgPageLoadsDone) continue;
        EXPECT_EQ(n.p1, id);
        startedShown = startedShown || (n.p2 >> 16 == 2 && (n.p2 & 0xFFFF) < 2);
        last = &n;
    }
    EXPECT_TRUE(startedShown);
    ASSERT_NE(last, nullptr);
    EXPECT_EQ(last->p2, 2u << 16 | 2u);
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_EQ(view_->Count(kMsgLoadNotice, kNoticeDocumentDone, id), 1) << "done once";
    // The slow picture lies under the cell once it is there.
    UpdateWindow(view_->Window());
    EXPECT_GT(CountImageColours(view_->Window()).blue, 200 * 30);
    testing_support::CheckWindowScreenshot(view_->Window(), "documents-slow-background");
}

TEST_F(DocumentsTest, ABackgroundPictureInViewStaysDecodedAndOneOutOfSightGoesToTheImageCache) {
    // tall-background.html: a cell on img/tile.gif at the top, the same
    // picture as an IMG far below the view, and a block on img/b.gif
    // below that.
    MemoryManager memory(1u << 20, 1u << 20);
    g_memoryManager = &memory;
    UrlHandle page = Load(At("/tall-background.html"));
    const uint32_t id = page->GetId();
    view_->notices.clear();
    view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    ASSERT_TRUE(PumpUntil([&] { return view_->Count(kMsgLoadNotice, kNoticeDocumentDone, id) > 0; },
                          std::chrono::seconds(10)));
    UpdateWindow(view_->Window());
    ImageHandle tile = ImageOfUrl(Find(At("/img/tile.gif")));
    ImageHandle below = ImageOfUrl(Find(At("/img/b.gif")));
    ASSERT_TRUE(tile->IsComplete() && below->IsComplete());
    EXPECT_GT(tile->ViewerCount(), 0) << "the cell in view shows it";
    EXPECT_EQ(below->ViewerCount(), 0) << "out of sight";
    auto tilePixels = [&] {
        int width = 0, height = 0, n = 0;
        for (uint32_t p : testing_support::CaptureClientArea(view_->Window(), width, height))
            n += p == 0xFF0000 || p == 0x0000FF;
        return n;
    };
    const int shown = tilePixels();
    EXPECT_GT(shown, 160 * 40);
    // The image cache trims what no window shows: the block's picture, not
    // the cell's, which still paints whole.
    memory.SetImageBudget(0);
    EXPECT_EQ(below->FrameCount(), 0u) << "trimmed";
    EXPECT_NE(tile->FrameCount(), 0u) << "kept while in view";
    InvalidateRect(view_->Window(), nullptr, TRUE);
    UpdateWindow(view_->Window());
    EXPECT_EQ(tilePixels(), shown);
    // Scrolled down to it, the trimmed picture is decoded again and drawn.
    view_->List().GetCurrentDocument()->SetScrollY(Page()->GetContentHeight() - kViewHeight / 2);
    InvalidateRect(view_->Window(), nullptr, TRUE);
    UpdateWindow(view_->Window());
    ImageHandle again = ImageOfUrl(Find(At("/img/b.gif")));
    EXPECT_NE(again->FrameCount(), 0u);
    EXPECT_GT(again->ViewerCount(), 0);
    EXPECT_GT(CountImageColours(view_->Window()).green, 150 * 24) << "the block's picture tiled across it";
    view_.reset();
    g_memoryManager = nullptr;
}

TEST_F(DocumentsTest, AnImageUrlKeepsOneDecodedImageAndDecodesItAgainOnceItWasDropped) {
    UrlHandle url = Load(At("/img/a.gif"));
    ASSERT_EQ(url->GetLoadStatus(true), kLoadLoaded);
    ImageHandle image = ImageOfUrl(url);
    ASSERT_FALSE(image.IsEmpty());
    EXPECT_TRUE(image->IsComplete());
    EXPECT_EQ(image->Width(), 40);
    EXPECT_EQ(image->Height(), 24);
    EXPECT_EQ(ImageOfUrl(url).Get(), image.Get()) << "one image per URL, shared";
    // The image cache empties a picture no window shows; the next page to
    // ask gets it decoded again from the stored data.
    EXPECT_EQ(image->ReleaseData(), 1);
    ImageHandle again = ImageOfUrl(url);
    ASSERT_FALSE(again.IsEmpty());
    EXPECT_TRUE(again->IsComplete());
    ASSERT_NE(again->CurrentFrame(), nullptr);
    EXPECT_EQ(again->CurrentFrame()->rowsDecoded, 24);
    // A URL whose data is no picture has none.
    EXPECT_TRUE(ImageOfUrl(Load(At("/other.html"))).IsEmpty());
}

// Where text lies in a picture: the rows and columns of pixels much darker
// than the background.
struct Ink {
    int left = INT_MAX, top = INT_MAX, right = -1, bottom = -1;
    int Width() const { return right - left + 1; }
    int Height() const { return bottom - top + 1; }
};

bool IsInk(COLORREF c, COLORREF background) {
    auto sum = [](COLORREF v) { return GetRValue(v) + GetGValue(v) + GetBValue(v); };
    return sum(background) - sum(c) > 300;
}

// The bands of rows that hold ink, each with its ink's bounds, from the
// top down; rows without ink separate them.
std::vector<Ink> InkBands(HDC dc, int width, int height, COLORREF background) {
    std::vector<Ink> bands;
    bool inBand = false;
    for (int y = 0; y < height; ++y) {
        int first = -1, last = -1;
        for (int x = 0; x < width; ++x) {
            if (!IsInk(GetPixel(dc, x, y), background)) continue;
            if (first < 0) first = x;
            last = x;
        }
        if (first < 0) {
            inBand = false;
            continue;
        }
        if (!inBand) bands.push_back(Ink());
        inBand = true;
        Ink& band = bands.back();
        band.left = std::min(band.left, first);
        band.right = std::max(band.right, last);
        band.top = std::min(band.top, y);
        band.bottom = y;
    }
    return bands;
}

// The ink of a text drawn alone in black on white with a font.
Ink InkOfText(const LogFont* font, const char* text) {
    testing_support::MemoryCanvas canvas(400);
    LOGFONTA logfont = {};
    if (font) std::memcpy(&logfont, font, sizeof logfont);
    HFONT made = CreateFontIndirectA(&logfont);
    HGDIOBJ old = SelectObject(canvas.dc, made);
    SetBkMode(canvas.dc, TRANSPARENT);
    SetTextColor(canvas.dc, RGB(0, 0, 0));
    TextOutA(canvas.dc, 20, 20, text, static_cast<int>(std::strlen(text)));
    SelectObject(canvas.dc, old);
    DeleteObject(made);
    std::vector<Ink> bands = InkBands(canvas.dc, 400, 400, RGB(255, 255, 255));
    return bands.size() == 1 ? bands[0] : Ink();
}

// The ink bands of a window's client area as the screen shows it.
std::vector<Ink> ShownInkBands(HWND window) {
    RECT client;
    GetClientRect(window, &client);
    POINT origin = {0, 0};
    ClientToScreen(window, &origin);
    testing_support::MemoryCanvas shown(std::max(client.right, client.bottom));
    HDC screen = GetDC(nullptr);
    BitBlt(shown.dc, 0, 0, client.right, client.bottom, screen, origin.x, origin.y, SRCCOPY);
    ReleaseDC(nullptr, screen);
    const COLORREF background = shown.At(client.right - 5, client.bottom - 5);
    return InkBands(shown.dc, client.right, client.bottom, background);
}

TEST_F(DocumentsTest, APageShowsItsTextInTheFontsOfTheSettings) {
    // The font table as the program fills it from its settings: here their
    // defaults, a heading of 28 and text of 16 pixels on this display.
    testing_support::ScratchDir dir;
    const std::string ini = dir.File("fonts.ini");
    testing_support::WriteWholeFile(ini, "[USER PREFS]\r\nZINTU DIRECTORY=" + dir.File("user") + "\r\n");
    Preferences preferences(ini.c_str());
    preferences.LoadAll();
    ASSERT_NE(g_fontTable, nullptr);
    FillFontTable(*g_fontTable, preferences);
    view_ = std::make_unique<TestView>();

    UrlHandle page = Load(At("/fonts.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    (void)view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    InvalidateRect(view_->Window(), nullptr, TRUE);
    UpdateWindow(view_->Window());
    PumpFor(std::chrono::milliseconds(300));
    testing_support::CheckWindowScreenshot(view_->Window(), "documents-fonts");

    std::vector<Ink> bands = ShownInkBands(view_->Window());
    ASSERT_EQ(bands.size(), 2u) << "the heading and the paragraph";

    const Ink heading = InkOfText(g_fontTable->ForElement(268).Font(), "Heading");
    const Ink text = InkOfText(g_fontTable->ForElement(0).Font(), "Body text");
    ASSERT_GT(heading.Height(), text.Height());
    ASSERT_GE(text.Height(), 10) << "text of 16 pixels";
    struct Case {
        const char* what;
        const Ink& drawn;
        const Ink& expected;
    } cases[] = {{"heading", bands[0], heading}, {"paragraph", bands[1], text}};
    for (const Case& c : cases) {
        EXPECT_NEAR(c.drawn.Height(), c.expected.Height(), 1) << c.what;
        EXPECT_NEAR(c.drawn.Width(), c.expected.Width(), 2) << c.what;
    }
    EXPECT_GT(bands[1].top, bands[0].bottom + 4) << "the paragraph stands below the heading";
}

TEST_F(DocumentsTest, AFragmentScrollsToItsElementAndBackInsideThePage) {
    view_ = std::make_unique<TestView>(true);
    UrlHandle page = Load(At("/page.html"));
    ASSERT_EQ(view_->List().CreateDocument(page, 0, false), kHistoryLoadsRunning);
    ASSERT_TRUE(WaitFormatted());
    EXPECT_EQ(Page()->ScrollY(), 0);
    EXPECT_EQ(view_->List().CreateDocument(Find(At("/page.html#middle")), 0, false), kHistoryMovedInside);
    int32_t middle = Page()->ScrollY();
    int32_t named = -1;
    for (const LayoutElement* t : Texts(Page()->Layout()->Root())) {
        if (named < 0 && t->TextLength() >= 6 && std::strncmp(t->TextPointer(), "Middle", 6) == 0) named = t->AbsoluteY();
    }
    EXPECT_GT(middle, 200);
    EXPECT_EQ(middle, named) << "the top of the named element";
    EXPECT_TRUE(view_->List().CanGoBack());
    EXPECT_EQ(view_->List().GoBack(false), kHistoryShown);
    EXPECT_EQ(Page()->ScrollY(), 0);
    EXPECT_EQ(view_->List().GoBack(false), kHistoryNothing) << "no earlier place and no earlier entry";
    EXPECT_EQ(view_->List().GoForward(false), kHistoryShown);
    EXPECT_EQ(Page()->ScrollY(), middle);
}

TEST_F(DocumentsTest, APageInPiecesEndsInTheLayoutOfOneBlock) {
    const std::string body = testing_support::ReadWholeFile(testing_support::SourcePath("tests/documents/www/text.html"));
    std::string whole;
    for (size_t piece : {body.size(), size_t(1), size_t(7), size_t(64)}) {
        std::vector<testing_support::ScriptStep> script = {
            {testing_support::ScriptStep::Expect, "\r\n\r\n"},
            {testing_support::ScriptStep::Send,
             "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) +
                 "\r\n\r\n"}};
        for (size_t at = 0; at < body.size(); at += piece) {
            script.push_back({testing_support::ScriptStep::Send, body.substr(at, piece)});
            script.push_back({testing_support::ScriptStep::Pause, "", 2});
        }
        script.push_back({testing_support::ScriptStep::Close, ""});
        testing_support::ScriptedServer server(script);
        TestView view(true);
        UrlHandle url = Find("http://127.0.0.1:" + std::to_string(server.Port()) + "/piece" + std::to_string(piece));
        (void)url->StartLoad(view.Handler(), UrlHandle(), false, false);
        // The document is made as soon as data arrives, and follows the rest.
        ASSERT_TRUE(PumpUntil([&] { return url->GetPageContent() != nullptr; }, std::chrono::seconds(10)));
        int r = view.List().CreateDocument(url, 0, false);
        (void)r;
        auto page = [&]() -> HtmlPageDocument* {
            Document* d = view.List().GetCurrentDocument();
            return d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d)->Page() : nullptr;
        };
        ASSERT_TRUE(PumpUntil([&] { return page() && page()->IsFormatted() && url->GetLoadStatus(true) == kLoadLoaded; },
                              std::chrono::seconds(20)))
            << "pieces of " << piece;
        std::string dump = page()->Layout()->Dump();
        if (whole.empty())
            whole = dump;
        else
            EXPECT_EQ(dump, whole) << "pieces of " << piece;
    }
    EXPECT_NE(whole.find("fox"), std::string::npos);
}

TEST_F(DocumentsTest, APageShowsWhatHasArrivedWhileTheRestIsOnItsWay) {
    const std::string head = "<html><body><h1>Early heading</h1><p>First words <i>";
    const std::string tail = "then the rest</i></p><p>Later paragraph</p></body></html>";
    testing_support::ScriptedServer server(
        {{testing_support::ScriptStep::Expect, "\r\n\r\n"},
         {testing_support::ScriptStep::Send,
          "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\nContent-Length: " +
              std::to_string(head.size() + tail.size()) + "\r\n\r\n" + head},
         {testing_support::ScriptStep::Pause, "", 4000},
         {testing_support::ScriptStep::Send, tail},
         {testing_support::ScriptStep::Close, ""}});
    UrlHandle url = Find("http://127.0.0.1:" + std::to_string(server.Port()) + "/early.html");
    (void)url->StartLoad(view_->Handler(), UrlHandle(), false, false);
    ASSERT_TRUE(PumpUntil([&] { return url->GetPageContent() != nullptr; }, std::chrono::seconds(10)));
    view_->notices.clear();
    (void)view_->List().CreateDocument(url, 0, false);
    auto laidOut = [&](const char* text) {
        return Page() && Page()->Layout() && Page()->Layout()->Dump().find(text) != std::string::npos;
    };

    // Before the rest comes: the heading and the open paragraph's words are
    // laid out, the window was told of the repaint and shows both lines.
    ASSERT_TRUE(PumpUntil([&] { return laidOut("\"First words"); }, std::chrono::seconds(3)));
    PumpFor(std::chrono::milliseconds(300));
    ASSERT_EQ(url->GetLoadStatus(true), kLoadLoading) << "the pause is still on";
    EXPECT_FALSE(Page()->IsFormatted());
    EXPECT_TRUE(laidOut("\"Early heading\""));
    EXPECT_GT(view_->Count(kMsgRepainted, static_cast<uint32_t>(-1), 0), 0);
    EXPECT_GT(Page()->GetContentHeight(), 0);
    EXPECT_TRUE(testing_support::SaveScreenshot(Here() + "documents-early.bmp"));
    EXPECT_EQ(ShownInkBands(view_->Window()).size(), 2u) << "the heading and the first line drawn";

    // Then the rest joins the open paragraph, once.
    ASSERT_TRUE(PumpUntil([&] { return Page()->IsFormatted() && url->GetLoadStatus(true) == kLoadLoaded; },
                          std::chrono::seconds(10)));
    const std::string dump = Page()->Layout()->Dump();
    EXPECT_EQ(dump.find("First words"), dump.rfind("First words")) << dump;
    EXPECT_NE(dump.find("then the rest"), std::string::npos) << dump;
    EXPECT_NE(dump.find("Later paragraph"), std::string::npos) << dump;
}

// --- image maps -------------------------------------------------------------------

// The image boxes of a layout in page order.
void ImageBoxes(const LayoutElement* box, std::vector<const LayoutElement*>& out) {
    for (const LayoutElement* c = box->FirstChild(); c; c = c->NextSibling()) {
        if (c->GetKind() == LayoutElement::kImageBox)
            out.push_back(c);
        else if (c->GetKind() != LayoutElement::kReferenceBox)
            ImageBoxes(c, out);
    }
}

TEST_F(DocumentsTest, ImageMapsChooseTheirAreaAndAServerMapGetsThePoint) {
    view_ = std::make_unique<TestView>(true);
    UrlHandle page = Load(At("/map.html"));
    (void)view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    Document* doc = view_->List().GetCurrentDocument();
    std::vector<const LayoutElement*> images;
    ImageBoxes(Page()->Layout()->Root(), images);
    ASSERT_EQ(images.size(), 2u);
    const int32_t mx = images[0]->AbsoluteX(), my = images[0]->AbsoluteY();
    struct Case {
        const char* what;
        int32_t x, y;        // inside the image with the map
        const char* url;     // the end of the URL followed, null for none
        const char* target;
    };
    const Case cases[] = {
        {"the rectangle", 5, 5, "/left.html", ""},
        {"the circle, with its target", 30, 12, "/other.html", "right"},
        {"outside every shape: the default area", 25, 2, "/text.html", ""},
        {"an area without a link hides the default", 25, 20, nullptr, ""},
    };
    auto endsWith = [](const std::string& s, const char* end) {
        return s.size() >= std::strlen(end) && s.compare(s.size() - std::strlen(end), std::string::npos, end) == 0;
    };
    for (const Case& c : cases) {
        LinkHit hit;
        UrlHandle url = doc->ActivateAtPoint(mx + c.x, my + c.y, &hit);
        HtmlElement* element = nullptr;
        const char* fragment = nullptr;
        int32_t ismap = -1;
        const char* shown = doc->DescribePoint(mx + c.x, my + c.y, &element, &fragment, &ismap);
        if (!c.url) {
            EXPECT_TRUE(url.IsEmpty()) << c.what;
            EXPECT_EQ(shown, nullptr) << c.what;
            EXPECT_EQ(doc->GetCursorKind(mx + c.x, my + c.y), 0) << c.what;
            continue;
        }
        ASSERT_FALSE(url.IsEmpty()) << c.what;
        EXPECT_TRUE(endsWith(url.GetName(), c.url)) << c.what << ": " << url.GetName();
        EXPECT_STREQ(hit.target, c.target) << c.what;
        ASSERT_NE(element, nullptr) << c.what;
        EXPECT_EQ(element->Type(), kTagArea) << c.what;
        ASSERT_NE(shown, nullptr) << c.what;
        EXPECT_TRUE(endsWith(shown, c.url)) << c.what << ": " << shown;
        EXPECT_EQ(ismap, 0) << c.what;
        EXPECT_EQ(doc->GetCursorKind(mx + c.x, my + c.y), 3) << c.what;
    }

    // The server-side map: the link's address with the point in the image.
    const int32_t sx = images[1]->AbsoluteX(), sy = images[1]->AbsoluteY();
    HtmlElement* element = nullptr;
    int32_t ismap = 0;
    const char* shown = doc->DescribePoint(sx + 7, sy + 9, &element, nullptr, &ismap);
    ASSERT_NE(shown, nullptr);
    EXPECT_TRUE(endsWith(shown, "/cgi/where?7,9")) << shown;
    EXPECT_EQ(ismap, 1);
    EXPECT_EQ(element->Type(), kTagA);
    LinkHit hit;
    UrlHandle url = doc->ActivateAtPoint(sx + 7, sy + 9, &hit);
    ASSERT_FALSE(url.IsEmpty());
    EXPECT_EQ(std::string(url.GetName()), At("/cgi/where?7,9"));
    EXPECT_TRUE(endsWith(doc->ActivateAtPoint(sx, sy + 23, nullptr).GetName(), "/cgi/where?0,23"));
}

// --- frames -------------------------------------------------------------------------

int FrameWindowWidth(FrameNode* node) {
    RECT r;
    if (!node || !node->FrameWindow() || !GetWindowRect(node->FrameWindow(), &r)) return -1;
    return r.right - r.left;
}

TEST_F(DocumentsTest, AFrameSetGivesItsFramesWindowsOfTheirWidths) {
    UrlHandle frames = Load(At("/frames.html"));
    for (const char* p : {"/left.html", "/text.html", "/other.html"}) Load(At(p));
    // The view of these tests is 400 wide only when the system gave it that.
    ASSERT_EQ(view_->List().CreateDocument(frames, 0, false), kHistoryShown);
    auto* doc = static_cast<HtmlDocument*>(view_->List().GetCurrentDocument());
    ASSERT_TRUE(doc->HasFrames());
    FrameNode* root = doc->FrameRoot();
    FrameNode* a = root->FirstChild();
    ASSERT_NE(a, nullptr);
    FrameNode* b = a->NextSibling();
    FrameNode* c = b ? b->NextSibling() : nullptr;
    ASSERT_NE(c, nullptr);
    RECT client;
    GetClientRect(view_->Window(), &client);
    ASSERT_EQ(client.right, kViewWidth);
    EXPECT_EQ(FrameWindowWidth(a), 100);
    EXPECT_EQ(FrameWindowWidth(b), 146);
    EXPECT_EQ(FrameWindowWidth(c), 146);
    char className[32] = {};
    GetClassNameA(a->FrameWindow(), className, sizeof className);
    EXPECT_STREQ(className, "FRAMES");
    ASSERT_TRUE(PumpUntil([&] { return doc->IsFormatted() != 0; }, std::chrono::seconds(10)));
    EXPECT_NE(a->id, b->id);
    EXPECT_NE(b->id, c->id);

    // Link targets: the keywords in any case, and a frame's own NAME.
    auto* left = static_cast<HtmlDocument*>(a->CurrentDocument());
    ASSERT_NE(left, nullptr);
    struct Case {
        const char* target;
        int32_t frameId;
        bool cleared;
    };
    const Case cases[] = {
        {"_top", -1, true}, {"_TOP", -1, true}, {"_blank", -2, true}, {"_self", a->id, true},
        {"_parent", -1, true}, {"Middle", b->id, true}, {"middle", -1, false}, {"", a->id, false},
    };
    for (const Case& k : cases) {
        char target[64];
        std::strcpy(target, k.target);
        int32_t frameId = 99;
        left->ResolveTarget(target, &frameId);
        EXPECT_EQ(frameId, k.frameId) << k.target;
        EXPECT_EQ(target[0] == '\0', k.cleared || !*k.target) << k.target;
    }

    UpdateWindow(view_->Window());
    PumpFor(std::chrono::milliseconds(300));
    EXPECT_TRUE(testing_support::SaveScreenshot(Here() + "documents-frames.bmp"));

    // Dragging the border between the first two columns 50 pixels right.
    EXPECT_EQ(doc->HitFrameBorder(50, 50), 0) << "inside a frame";
    EXPECT_EQ(doc->GetCursorKind(102, 50), 6);
    ASSERT_EQ(doc->HitFrameBorder(102, 50), 1) << "between columns";
    doc->BeginBorderDrag(102, 50);
    doc->MoveBorderDrag(130, 50);
    doc->EndBorderDrag(152, 50);
    // The gap lies centred where the border was let go.
    EXPECT_EQ(FrameWindowWidth(a), 150);
    EXPECT_EQ(FrameWindowWidth(b), 96);
    EXPECT_EQ(FrameWindowWidth(c), 146);
    RECT ra, rb;
    GetWindowRect(a->FrameWindow(), &ra);
    GetWindowRect(b->FrameWindow(), &rb);
    EXPECT_EQ(rb.left - ra.right, 4) << "twice the border between them";
}

TEST_F(DocumentsTest, FramesKeepAHistoryInsideTheFrameSet) {
    UrlHandle frames = Load(At("/frames.html"));
    for (const char* p : {"/left.html", "/text.html", "/other.html"}) Load(At(p));
    UrlHandle left = Find(At("/left.html")), text = Find(At("/text.html")), other = Find(At("/other.html"));
    UrlHandle maps = Load(At("/map.html"));
    DocumentList& list = view_->List();
    ASSERT_EQ(list.CreateDocument(frames, 0, false), kHistoryShown);
    auto* doc = static_cast<HtmlDocument*>(list.GetCurrentDocument());
    ASSERT_TRUE(doc->HasFrames());
    FrameNode* a = doc->FrameRoot()->FirstChild();
    FrameNode* b = a ? a->NextSibling() : nullptr;
    ASSERT_NE(b, nullptr);
    auto shows = [](FrameNode* f, const UrlHandle& url) {
        return f->CurrentDocument() && f->CurrentDocument()->GetUrl().Record() == url.Record();
    };
    ASSERT_TRUE(shows(a, left));
    ASSERT_TRUE(shows(b, text));
    EXPECT_FALSE(list.CanGoBack()) << "one entry, nothing loaded into a frame yet";

    // A link followed in the middle frame: a step of the frame set's history.
    doc->SetFrameAwaitedUrl(b->id, maps);
    doc->ShowFrameUrl(b->id, 0);
    EXPECT_TRUE(shows(b, maps));
    EXPECT_TRUE(shows(a, left));
    EXPECT_EQ(list.GetCount(), 1);
    ASSERT_TRUE(list.CanGoBack());
    EXPECT_EQ(list.GoBack(false), kHistoryShown);
    EXPECT_TRUE(shows(b, text));
    EXPECT_TRUE(shows(a, left));
    ASSERT_NE(b->FrameWindow(), nullptr);
    EXPECT_TRUE(IsWindowVisible(b->FrameWindow()));
    EXPECT_FALSE(list.CanGoBack());
    EXPECT_EQ(list.GoBack(false), kHistoryNothing);
    ASSERT_TRUE(list.CanGoForward());
    EXPECT_EQ(list.GoForward(false), kHistoryShown);
    EXPECT_TRUE(shows(b, maps));

    // Back, then a new page in the left frame: the step forward is gone.
    EXPECT_EQ(list.GoBack(false), kHistoryShown);
    doc->SetFrameAwaitedUrl(a->id, other);
    doc->ShowFrameUrl(a->id, 0);
    EXPECT_TRUE(shows(a, other));
    EXPECT_TRUE(shows(b, text));
    EXPECT_FALSE(list.CanGoForward());
    EXPECT_EQ(list.GoBack(false), kHistoryShown);
    EXPECT_TRUE(shows(a, left));
    EXPECT_TRUE(shows(b, text));
}

TEST_F(DocumentsTest, ZeroSizedAndSelfContainingFrameSetsAreSafe) {
    UrlHandle zero = Load(At("/zero.html"));
    Load(At("/left.html"));
    Load(At("/other.html"));
    ASSERT_EQ(view_->List().CreateDocument(zero, 0, false), kHistoryShown);
    auto* doc = static_cast<HtmlDocument*>(view_->List().GetCurrentDocument());
    ASSERT_TRUE(doc->HasFrames());
    int total = 0;
    for (FrameNode* f = doc->FrameRoot()->FirstChild(); f; f = f->NextSibling()) {
        EXPECT_GE(f->width, 0);
        total += f->width;
    }
    EXPECT_EQ(total, kViewWidth - 4);

    UrlHandle self = Load(At("/self.html"));
    ASSERT_EQ(view_->List().CreateDocument(self, 0, false), kHistoryShown);
    doc = static_cast<HtmlDocument*>(view_->List().GetCurrentDocument());
    ASSERT_TRUE(doc->HasFrames());
    FrameNode* first = doc->FrameRoot()->FirstChild();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->CurrentDocument(), nullptr) << "a frame never loads the frame set that holds it";
    EXPECT_FALSE(first->awaiting);
    ASSERT_NE(first->NextSibling(), nullptr);
    EXPECT_NE(first->NextSibling()->CurrentDocument(), nullptr);
}

// --- client pull ------------------------------------------------------------------

TEST_F(DocumentsTest, ClientPullWaitsTwoSecondsForAFileAndTheHeadersDelayOtherwise) {
    fs::path file = root_ / "refresh.html";
    testing_support::WriteWholeFile(file.string(),
                                    "<html><head><meta http-equiv=\"refresh\" content=\"0; url=other.html\">"
                                    "</head><body><p>Soon elsewhere</p></body></html>");
    std::string name = "file:///" + file.string();
    for (char& ch : name) {
        if (ch == '\\') ch = '/';
    }
    UrlHandle local = Load(name);
    ASSERT_EQ(local->GetLoadStatus(true), kLoadLoaded);
    DWORD start = GetTickCount();
    view_->List().CreateDocument(local, 0, false);
    ASSERT_TRUE(PumpUntil([&] { return view_->Find(kMsgClientPull) != nullptr; }, std::chrono::seconds(6)));
    EXPECT_GE(view_->Find(kMsgClientPull)->tick - start, 1900u);
    EXPECT_EQ(view_->Find(kMsgClientPull)->p1, local->GetId());

    view_->notices.clear();
    UrlHandle http = Load(At("/refresh.html"));
    ASSERT_EQ(http->GetRefreshDelay(), 1);
    start = GetTickCount();
    view_->List().CreateDocument(http, 0, false);
    ASSERT_TRUE(PumpUntil([&] { return view_->Find(kMsgClientPull) != nullptr; }, std::chrono::seconds(6)));
    EXPECT_GE(view_->Find(kMsgClientPull)->tick - start, 900u);
    EXPECT_EQ(view_->Find(kMsgClientPull)->p1, http->GetId());
}

TEST_F(DocumentsTest, APagesMetaSetCookieComesBackToItsServer) {
    UrlHandle page = Load(At("/cookie/meta.html"));
    ASSERT_EQ(page->GetLoadStatus(true), kLoadLoaded);
    view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    // The page's folder without a path; Domain=other.test is no domain of
    // the page's host and is not stored.
    UrlHandle echo = Load(At("/cookie/echo/x.txt"));
    char sent[200] = {};
    int32_t n = echo->ReadLocalData(0, sizeof sent - 1, sent);
    EXPECT_EQ(std::string(sent, n > 0 ? static_cast<size_t>(n) : 0), "[meta=1; deep=2]");
    EXPECT_EQ(urls_->Cookies().BuildCookieHeader(At("/other.html").c_str()), nullptr);
    EXPECT_EQ(urls_->Cookies().BuildCookieHeader("http://other.test/"), nullptr);
}

// --- selection and search -------------------------------------------------------------

TEST_F(DocumentsTest, SelectionCopiesTheSameTextEitherWayAndFindWraps) {
    view_ = std::make_unique<TestView>(true);
    UrlHandle page = Load(At("/text.html"));
    ASSERT_EQ(view_->List().CreateDocument(page, 0, false), kHistoryShown);
    ASSERT_TRUE(WaitFormatted());
    Document* doc = view_->List().GetCurrentDocument();
    auto texts = Texts(Page()->Layout()->Root());
    ASSERT_GE(texts.size(), 2u);
    const LayoutElement* first = texts.front();
    const LayoutElement* last = texts.back();
    const int32_t x1 = first->AbsoluteX() + 1, y1 = first->AbsoluteY() + 2;
    const int32_t x2 = last->AbsoluteX() + last->Width() - 1, y2 = last->AbsoluteY() + 2;

    auto copy = [&](int32_t ax, int32_t ay, int32_t bx, int32_t by) {
        doc->BeginSelection(ax, ay);
        doc->ExtendSelection(bx, by);
        int32_t size = doc->GetSelectionSize();
        EXPECT_GT(size, 10);
        std::string buffer(static_cast<size_t>(size), '\x7f');
        EXPECT_EQ(doc->CopySelection(&buffer[0], size), 1);
        return std::string(buffer.c_str());
    };
    std::string forward = copy(x1, y1, x2, y2);
    std::string backward = copy(x2, y2, x1, y1);
    EXPECT_EQ(forward, backward);
    EXPECT_NE(forward.find("brown"), std::string::npos);
    EXPECT_NE(forward.find("sleeps"), std::string::npos);

    // Within one fragment, right to left: the same size and text too.
    const int32_t right = first->AbsoluteX() + first->Width() - 1;
    doc->BeginSelection(x1, y1);
    doc->ExtendSelection(right, y1);
    int32_t ltr = doc->GetSelectionSize();
    doc->BeginSelection(right, y1);
    doc->ExtendSelection(x1, y1);
    EXPECT_EQ(doc->GetSelectionSize(), ltr);
    EXPECT_GT(ltr, 10);
    char small[4];
    EXPECT_EQ(doc->CopySelection(small, sizeof small), 1);
    EXPECT_EQ(std::strlen(small), 3u) << "never more than the buffer holds";

    // "fox" twice: the third search wraps to the first.
    RECT a, b, c;
    ASSERT_EQ(doc->FindText("fox", 3, true, false, false, false, &a), 1);
    ASSERT_EQ(doc->FindText("fox", 3, true, false, false, true, &b), 1);
    ASSERT_EQ(doc->FindText("fox", 3, true, false, false, true, &c), 1);
    EXPECT_GT(b.top, a.top);
    EXPECT_EQ(c.top, a.top);
    EXPECT_EQ(c.left, a.left);
    EXPECT_EQ(doc->FindText("absent", 6, true, false, false, true, &c), 0);
}

// --- printing --------------------------------------------------------------------------

TEST_F(DocumentsTest, APagePrintsAPageAtATimeAndASelectionAlone) {
    view_ = std::make_unique<TestView>(true);
    UrlHandle page = Load(At("/page.html"));
    (void)view_->List().CreateDocument(page, 0, false);
    ASSERT_TRUE(WaitFormatted());
    Document* doc = view_->List().GetCurrentDocument();
    testing_support::TextPrinter printer(60, 10);
    EXPECT_EQ(doc->PrintPage(&printer, 0, 0), 5) << "nothing prepared";
    EXPECT_EQ(doc->PreparePrint(view_->Device(), 1, 0), 5) << "the screen is no printer";
    EXPECT_EQ(doc->PreparePrint(&printer, 1, 1), 5) << "no selection to print";

    view_->notices.clear();
    ASSERT_EQ(doc->PreparePrint(&printer, 1, 0), 3);
    int rounds = 0;
    while (doc->PrintPage(&printer, 0, 0) == 3 && ++rounds < 100) {
    }
    EXPECT_EQ(doc->PrintPage(&printer, 0, 0), 5) << "the print is over";
    const std::vector<std::string> pages = printer.pages;
    ASSERT_GE(pages.size(), 3u);
    EXPECT_EQ(rounds, static_cast<int>(pages.size()));
    PumpFor(std::chrono::milliseconds(100));
    EXPECT_EQ(view_->Count(kMsgPrintReady, 0, 0), 1);
    for (uint32_t n = 1; n < pages.size(); ++n) EXPECT_EQ(view_->Count(kMsgPrintPageDone, n, 0), 1) << n;
    EXPECT_EQ(view_->Count(kMsgPrintLastPage, static_cast<uint32_t>(pages.size()), 0), 1);
    EXPECT_NE(pages.front().find("A page with three images"), std::string::npos) << pages.front();
    EXPECT_NE(pages.back().find("The end: needle two."), std::string::npos) << pages.back();

    // From the third page on.
    testing_support::TextPrinter later(60, 10);
    ASSERT_EQ(doc->PreparePrint(&later, 3, 0), 3);
    while (doc->PrintPage(&later, 0, 0) == 3) {
    }
    EXPECT_EQ(later.pages, std::vector<std::string>(pages.begin() + 2, pages.end()));

    // Only the selection, from "Middle" to the end, selected right to left.
    const LayoutElement* middle = nullptr;
    const LayoutElement* end = nullptr;
    for (const LayoutElement* t : Texts(Page()->Layout()->Root())) {
        if (!middle && t->TextLength() >= 6 && std::strncmp(t->TextPointer(), "Middle", 6) == 0) middle = t;
        if (t->TextLength() >= 8 && std::strncmp(t->TextPointer(), "The end:", 8) == 0) end = t;
    }
    ASSERT_TRUE(middle && end);
    doc->BeginSelection(end->AbsoluteX() + end->Width() - 1, end->AbsoluteY() + 2 - doc->ScrollY());
    doc->ExtendSelection(middle->AbsoluteX() + 1, middle->AbsoluteY() + 2 - doc->ScrollY());
    testing_support::TextPrinter part(60, 10);
    ASSERT_EQ(doc->PreparePrint(&part, 1, 1), 3);
    while (doc->PrintPage(&part, 1, 0) == 3) {
    }
    ASSERT_FALSE(part.pages.empty());
    const std::string firstLine = part.pages.front().substr(0, part.pages.front().find('\n'));
    EXPECT_NE(firstLine.find("Middle of the page"), std::string::npos) << part.pages.front();
    EXPECT_NE(part.pages.back().find("needle two"), std::string::npos) << part.pages.back();
    for (const std::string& p : part.pages) EXPECT_EQ(p.find("Alpha beta"), std::string::npos);
    EXPECT_LT(part.pages.size(), pages.size());
}

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    testing_support::InstallScreenshotOnFailure();
    return RUN_ALL_TESTS();
}
