#include "windows/DocumentWindow.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>

#include "core/AppGlobals.h"
#include "core/CoarseClock.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "layout/ScreenDevice.h"
#include "net/UrlAuthority.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "resources/CoreIds.h"
#include "windows/DocumentBars.h"
#include "windows/DocumentView.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/ViewArithmetic.h"
#include "windows/WindowList.h"
#include "windows/ZoomField.h"

namespace {

int g_failPart = 0;

int Pref(PrefInt key, int fallback) {
    return g_preferences ? g_preferences->Get(key) : fallback;
}

std::string Trimmed(const char* text) {
    if (!text) return std::string();
    const char* begin = text;
    while (*begin == ' ' || *begin == '\t' || *begin == '\r' || *begin == '\n') ++begin;
    const char* end = begin + std::strlen(begin);
    while (end > begin && (end[-1] == ' ' || end[-1] == '\t' || end[-1] == '\r' || end[-1] == '\n')) --end;
    return std::string(begin, end);
}

}  // namespace

std::string MaskedUrlText(const char* text) {
    std::string copy = text ? text : "";
    copy.push_back('\0');
    MaskUrlPassword(&copy[0], 5);
    return std::string(copy.c_str());
}

void CopyTextCut(char* buffer, size_t limit, const char* text) {
    size_t n = text ? std::min(std::strlen(text), limit) : 0;
    if (n) std::memcpy(buffer, text, n);
    buffer[n] = '\0';
}

void ShowUrlMessage(const UrlHandle& url, unsigned id) {
    if (g_messageBoxes) g_messageBoxes->ShowError(nullptr, id, nullptr, MaskedUrlText(url.GetName()).c_str());
}

void FailNextDocumentWindowPart(int part) {
    g_failPart = part;
}

DocumentWindow::DocumentWindow(int number, HWND view, int32_t width, int32_t height)
    : view_(view), frame_(GetParent(view)), number_(number) {
    RECT outer = {};
    if (frame_ && GetWindowRect(frame_, &outer)) {
        HWND client = GetParent(frame_);
        MapWindowPoints(nullptr, client, reinterpret_cast<POINT*>(&outer), 2);
        left = outer.left;
        top = outer.top;
        this->width = outer.right - outer.left + 1;
        this->height = outer.bottom - outer.top + 1;
    }
    cursor = g_arrowCursor;
    imageFlagA_ = Pref(PrefInt::ShowFigures, 1) != 0;
    imageFlagB_ = Pref(PrefInt::LoadFigures, 1) != 0;
    showAllGroups = Pref(PrefInt::NewsShowAllGroups, 0);
    showAllMessages = Pref(PrefInt::NewsShowAllMessages, 0);
    showThreads = Pref(PrefInt::NewsShowThreads, 1);
    newsSort = Pref(PrefInt::NewsSort, 1);
    showScrollBars_ = Pref(PrefInt::ShowScrollbars, 1) != 0;
    showWindowToolbars_ = Pref(PrefInt::ShowWindowToolbars, 1) != 0;
    documentMode_ = static_cast<uint8_t>(Pref(PrefInt::DocumentMode, 0) ? 1 : 0);
}

// The device, the history and the handler are the window: without any one
// of them a load would reach a null object, so creation fails as a whole.
bool DocumentWindow::MakeOwnedObjects(int32_t w, int32_t h) {
    int fail = g_failPart;
    g_failPart = 0;
    if (fail != 1) device_.reset(new (std::nothrow) ScreenDevice(view_, false));
    if (fail != 2) handler_.reset(new (std::nothrow) MessageHandler(view_));
    if (!device_ || !handler_) return false;
    if (fail != 3) list_.reset(new (std::nothrow) DocumentList(this, w, h));
    return list_ != nullptr;
}

std::unique_ptr<DocumentWindow> DocumentWindow::Create(int number, HWND view, int32_t width, int32_t height) {
    std::unique_ptr<DocumentWindow> window(new (std::nothrow) DocumentWindow(number, view, width, height));
    if (!window || !window->MakeOwnedObjects(width, height)) return nullptr;
    return window;
}

DocumentWindow::~DocumentWindow() {
    if (handler_ && !currentUrl_.IsEmpty()) currentUrl_->RemoveTarget(handler_.get());
    list_.reset();
    device_.reset();
    if (handler_) {
        if (UrlRegistry* registry = UrlRegistry::Instance()) registry->ForgetWindow(handler_.get());
    }
    handler_.reset();
}

Document* DocumentWindow::CurrentDocument() const {
    return list_ ? list_->GetCurrentDocument() : nullptr;
}

void DocumentWindow::PushHistoryCombo(const char* text) {
    if (!bottomBar_) return;
    std::string masked = MaskedUrlText(text);
    SendDlgItemMessageA(bottomBar_, kBarAddressCombo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(masked.c_str()));
}

void DocumentWindow::DropHistoryComboTop(int lines) {
    if (!bottomBar_) return;
    int count = static_cast<int>(SendDlgItemMessageA(bottomBar_, kBarAddressCombo, CB_GETCOUNT, 0, 0));
    while (count > 0 && lines-- > 0) {
        SendDlgItemMessageA(bottomBar_, kBarAddressCombo, CB_DELETESTRING, 0, 0);
        --count;
    }
}

void DocumentWindow::DropHistoryComboBottom(int lines) {
    if (!bottomBar_) return;
    int count = static_cast<int>(SendDlgItemMessageA(bottomBar_, kBarAddressCombo, CB_GETCOUNT, 0, 0));
    while (count > 0 && lines-- > 0) {
        SendDlgItemMessageA(bottomBar_, kBarAddressCombo, CB_DELETESTRING, count - 1, 0);
        --count;
    }
}

void DocumentWindow::RepaintBarControl(int id) {
    if (!bottomBar_) return;
    if (HWND control = GetDlgItem(bottomBar_, id)) InvalidateRect(control, nullptr, TRUE);
}

void DocumentWindow::ShowBarControl(int id, bool show) {
    if (HWND control = bottomBar_ ? GetDlgItem(bottomBar_, id) : nullptr)
        ShowWindow(control, show ? SW_SHOWNA : SW_HIDE);
}

bool DocumentWindow::BarControlVisible(int id) {
    HWND control = bottomBar_ ? GetDlgItem(bottomBar_, id) : nullptr;
    return control && IsWindowVisible(control);
}

void DocumentWindow::FocusFrameWhenActive() {
    if (g_windowList && g_windowList->GetActiveWindow() == view_ && frame_) SetFocus(frame_);
}

void DocumentWindow::SetLoadState(int state) {
    loadState_ = state;
    if (state == kWindowLoading) {
        cursor = g_waitCursor;
        if (cursor) ::SetCursor(cursor);
        DisableDocumentCommands(view_);
    } else if (state == kWindowUsable) {
        cursor = g_arrowCursor;
        UpdateNavigationCommands(view_);
    } else if (state == kWindowIdle) {
        cursor = g_arrowCursor;
        EnableDocumentCommands(view_);
        HideProgress();
    }
}

void DocumentWindow::StartProgress(bool reset) {
    if (reset) ResetProgress();
    securityLevel_ = 10;
    loadStartTime = CoarseClockNow();
    if (bottomBar_ && !BarControlVisible(kBarBytesLoaded)) {
        for (int id : {kBarAddressCombo, kBarScale}) ShowBarControl(id, false);
        for (int id : {kBarBytesLoaded, kBarImages, kBarBytesReceived, kBarAnimationA, kBarAnimationB})
            ShowBarControl(id, true);
        InvalidateRect(bottomBar_, nullptr, TRUE);
        for (int id : {kBarStopButton, kBarProgressText}) ShowBarControl(id, true);
    }
    progressShown_ = true;
}

void DocumentWindow::HideProgress() {
    progressShown_ = false;
    if (bottomBar_ && !BarControlVisible(kBarAddressCombo)) {
        for (int id : {kBarBytesLoaded, kBarImages, kBarBytesReceived, kBarAnimationA, kBarAnimationB,
                       kBarStopButton, kBarProgressText})
            ShowBarControl(id, false);
        for (int id : {kBarAddressCombo, kBarScale}) ShowBarControl(id, true);
    }
}

void DocumentWindow::ResetProgress() {
    shortProgress_[0] = '\0';
    RepaintBarControl(kBarShortProgress);
    bytesLoaded = bytesTotal = -1;
    progressText_[0] = '\0';
    RepaintBarControl(kBarProgressText);
    animation_[0] = animation_[1] = 0;
    imagesDone = imagesTotal = 0;
    if (bottomBar_ && !BarControlVisible(kBarAddressCombo)) {
        for (int id : {kBarImages, kBarBytesLoaded, kBarBytesReceived}) RepaintBarControl(id);
    }
    HideProgress();
}

void DocumentWindow::SetProgressText(const char* text) {
    if (!text || !*text) {
        bool had = progressText_[0] != '\0';
        progressText_[0] = '\0';
        if (had) RepaintBarControl(kBarProgressText);
        return;
    }
    if (std::strncmp(progressText_, text, 200) == 0 && std::strlen(text) <= 200) return;
    CopyTextCut(progressText_, 200, text);
    RepaintBarControl(kBarProgressText);
}

void DocumentWindow::SetShortProgressText(const char* text) {
    CopyTextCut(shortProgress_, 4, text);
    RepaintBarControl(kBarShortProgress);
}

int DocumentWindow::NextAnimation(bool second) {
    uint8_t& counter = animation_[second ? 1 : 0];
    if (counter >= 10) counter = 0;
    return counter++;
}

void DocumentWindow::SetScale(int percent) {
    if (percent == scale_ && percent != 0) return;
    scale_ = static_cast<uint16_t>(view_math::ClampScale(percent));
    HDC dc = GetDC(view_);
    if (dc) {
        SetMapMode(dc, MM_ANISOTROPIC);
        SetWindowExtEx(dc, 100, 100, nullptr);
        SetViewportExtEx(dc, scale_, scale_, nullptr);
        ReleaseDC(view_, dc);
    }
    RECT r = {};
    GetWindowRect(view_, &r);
    int w = r.right - r.left;
    if (showScrollBars_) w -= GetSystemMetrics(SM_CXVSCROLL);
    w = std::max(w, 0);
    int h = r.bottom - r.top;
    if (list_) list_->SetSize(view_math::LogicalSize(w, scale_), view_math::LogicalSize(h, scale_), true);
    if (specialKind_ == 5) {
        if (HWND first = GetWindow(frame_, GW_CHILD)) SetWindowTextA(first, ZoomFieldText(scale_).c_str());
    } else if (bottomBar_) {
        ShowScaleInBottomToolbar(bottomBar_);
    }
    InvalidateRect(view_, nullptr, FALSE);
}

void DocumentWindow::LowerSecurityLevel(int level) {
    if (level >= securityLevel_) return;
    securityLevel_ = static_cast<uint8_t>(std::max(level, 0));
    RepaintBarControl(kBarSecurityIcon);
}

void DocumentWindow::SetNewsMode(int mode) {
    if (mode == newsMode_ && mode != 4) {
        bool settled = (mode == 0 && !topBar_) || (mode != 0 && topBar_ && showWindowToolbars_);
        if (settled) return;
    }
    if (mode != 4) {
        newsMode_ = mode;
    } else {
        // Telling news kinds apart belongs to the news code; without it a
        // window shows no news bar.
        newsMode_ = 0;
    }
    if (showWindowToolbars_ && newsMode_ >= 1 && newsMode_ <= 3) {
        if (!topBar_) topBar_ = CreateNewsToolbar(frame_, *this);
        else LayoutDocumentBar(topBar_);
    } else if (topBar_) {
        DestroyWindow(topBar_);
        topBar_ = nullptr;
    }
    UpdateNewsMenu(newsMode_);
    LayoutToolbars(true);
    FocusFrameWhenActive();
}

void DocumentWindow::SetImageMode(int mode) {
    if (mode == 1) {
        imageFlagA_ = imageFlagB_ = false;
    } else if (mode == 2) {
        imageFlagA_ = true;
        imageFlagB_ = false;
    } else {
        imageFlagA_ = imageFlagB_ = true;
    }
    if (Document* d = CurrentDocument()) {
        if (d->ApplyImageMode(ImageSetting()) == 109 && imageFlagB_) {
            StartProgress(true);
            SetLoadState(kWindowLoading);
            SetLoadState(kWindowUsable);
        }
    }
    if (bottomBar_) RefreshBottomToolbar(bottomBar_);
}

void DocumentWindow::SetDocumentMode(int value) {
    if (value >= 255)
        documentMode_ = documentMode_ >= 1 ? 0 : 1;
    else
        documentMode_ = static_cast<uint8_t>(value);
    Reformat(true);
}

void DocumentWindow::Reformat(bool checkMode) {
    Document* d = CurrentDocument();
    if (checkMode && d && d->NeedsNewFormat()) {
        d->MarkForNewFormat();
        (void)d->Start(0, 0, 0);
        UpdateScrollBars(view_, d);
    }
    InvalidateRect(view_, nullptr, FALSE);
}

void DocumentWindow::SetShowScrollBars(bool on) {
    showScrollBars_ = on;
    if (!on) {
        SetScrollRange(view_, SB_VERT, 0, 0, TRUE);
        SetScrollRange(view_, SB_HORZ, 0, 0, TRUE);
    } else if (!CurrentDocument()) {
        SetScrollRange(view_, SB_VERT, 0, 1, TRUE);
        SetScrollRange(view_, SB_HORZ, 0, 1, TRUE);
    }
    if (g_frameWindow) {
        if (HMENU menu = GetMenu(g_frameWindow))
            CheckMenuItem(menu, CMD_SCROLL_BARS, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
    UpdateScrollBars(view_, CurrentDocument());
}

void DocumentWindow::SetShowWindowToolbars(bool on) {
    showWindowToolbars_ = on;
    if (CurrentDocument()) SetNewsMode(4);
    if (g_frameWindow) {
        if (HMENU menu = GetMenu(g_frameWindow))
            CheckMenuItem(menu, CMD_LOCAL_BUTTON_BAR, MF_BYCOMMAND | (on ? MF_CHECKED : MF_UNCHECKED));
    }
}

void DocumentWindow::ShowBottomToolbar(bool on) {
    HMENU menu = g_frameWindow ? GetMenu(g_frameWindow) : nullptr;
    auto check = [&](bool checked) {
        if (menu) CheckMenuItem(menu, CMD_PROGRESS_BAR, MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
    };
    if (!bottomBar_) {
        if (on && specialKind_ == 0) bottomBar_ = CreateBottomToolbar(frame_, *this);
        if (!bottomBar_) {
            check(on);
            return;
        }
        SetWindowPos(bottomBar_, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        if (HWND stop = GetDlgItem(bottomBar_, kBarStopButton)) EnableWindow(stop, TRUE);
        check(true);
        if (list_) list_->FillAddressList();
        if (Document* d = CurrentDocument())
            SetDlgItemTextA(bottomBar_, kBarAddressCombo, MaskedUrlText(d->GetUrl().GetName()).c_str());
        LayoutToolbars(true);
        FocusFrameWhenActive();
        return;
    }
    if (on) {
        check(true);
        return;
    }
    DestroyWindow(bottomBar_);
    bottomBar_ = nullptr;
    check(false);
    LayoutToolbars(true);
    FocusFrameWhenActive();
}

void DocumentWindow::LayoutToolbars(bool reposition) {
    if (!frame_) return;
    RECT client = {};
    GetClientRect(frame_, &client);
    RECT topRect = {}, bottomRect = {};
    if (topBar_) {
        LayoutDocumentBar(topBar_);
        GetWindowRect(topBar_, &topRect);
    }
    if (bottomBar_) {
        LayoutDocumentBar(bottomBar_);
        GetWindowRect(bottomBar_, &bottomRect);
    }
    int topHeight = topRect.bottom - topRect.top;
    int bottomHeight = bottomRect.bottom - bottomRect.top;
    if (reposition) {
        if (bottomBar_)
            SetWindowPos(bottomBar_, nullptr, 0, client.bottom - bottomHeight, client.right + 1, bottomHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE);
        if (topBar_)
            SetWindowPos(topBar_, nullptr, 0, 0, bottomBar_ ? client.right + 1 : client.right, topHeight,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
    int viewHeight = std::max<int>(client.bottom - topHeight - bottomHeight, 0);
    SetWindowPos(view_, nullptr, 0, topHeight, client.right, viewHeight, SWP_NOZORDER | SWP_NOACTIVATE);
    UpdateScrollBars(view_, CurrentDocument());
}

void DocumentWindow::SetTitle(const char* urlText, bool force) {
    if (specialKind_ == 6) return;
    std::string text = Trimmed(urlText);
    if (!hasTitleUrl_ || text != titleUrl_) {
        titleUrl_ = text;
        hasTitleUrl_ = true;
    } else if (!force) {
        return;
    }
    bool showSize = Pref(PrefInt::ShowWindowSize, 0) != 0;
    if (text.empty() && !(force && showSize) && titleUrl_.empty()) {
        // Nothing to name the window by.
        if (!showSize) return;
    }
    char caption[600];
    if (showSize)
        std::snprintf(caption, sizeof caption, "%.480s (%d:%d)", text.c_str(), width, height);
    else
        std::snprintf(caption, sizeof caption, "%.499s", text.c_str());
    MaskUrlPassword(caption, 5);
    if (frame_) SetWindowTextA(frame_, caption);
}

void DocumentWindow::SetPlacement(int state, int l, int t, int w, int h) {
    sizePending_ = true;
    bool resized = w != width || h != height;
    if (state == 1 || state == 2) {
        showState = state;
    } else {
        showState = 0;
        left = l;
        top = t;
        width = w;
        height = h;
    }
    SetTitle(titleUrl_.c_str(), resized);
}

void DocumentWindow::SetPlacementXY(int l, int t) {
    left = l;
    top = t;
}

void DocumentWindow::ApplyPendingSize() {
    if (!sizePending_) return;
    sizePending_ = false;
    RECT client = {};
    GetClientRect(view_, &client);
    // The client size in layout units, rounded up (client + 1 at 100 %); the
    // scroll bars measure what is visible the same way.
    if (list_) list_->SetSize(view_math::LogicalSize(client.right, scale_), view_math::LogicalSize(client.bottom, scale_),
                              false);
}

void DocumentWindow::SetSpecialKind(int kind) {
    specialKind_ = kind;
    if (kind != 0 && bottomBar_) ShowBottomToolbar(false);
}

void DocumentWindow::SetCurrentUrl(const UrlHandle& url, int target) {
    currentUrl_ = url;
    currentTarget_ = target;
    shownInFrame = false;
    if (target >= 0) {
        if (Document* d = CurrentDocument()) d->SetFrameAwaitedUrl(target, url);
    }
}

void DocumentWindow::SetTargetUrl(const UrlHandle& url, int target) {
    if (target < 0) {
        targetUrl_ = url;
    } else if (Document* d = CurrentDocument()) {
        d->SetFrameAwaitedUrl(target, url);
    }
}

UrlHandle DocumentWindow::GetUrlById(uint32_t id) {
    if (!currentUrl_.IsEmpty() && currentUrl_->GetId(true) == id) return currentUrl_;
    if (Document* d = CurrentDocument()) return d->GetUrlIfId(id, true);
    return UrlHandle();
}

std::string DocumentWindow::FieldText(int controlId) const {
    char text[64] = "";
    switch (controlId) {
        case kBarProgressText: return progressText_;
        case kBarShortProgress: return shortProgress_;
        case kBarBytesLoaded:
            if (bytesLoaded >= 0 && bytesTotal > 0)
                std::snprintf(text, sizeof text, "%d%%",
                              static_cast<int>(std::min<int64_t>(100, int64_t{bytesLoaded} * 100 / bytesTotal)));
            break;
        case kBarImages:
            if (imagesTotal) std::snprintf(text, sizeof text, "%u/%u", imagesDone, imagesTotal);
            break;
        case kBarBytesReceived:
            if (bytesLoaded >= 0) std::snprintf(text, sizeof text, "%d", static_cast<int>(bytesLoaded));
            break;
        case kBarAnimationB:
            if (progressShown_) std::snprintf(text, sizeof text, "%us", CoarseClockNow() - loadStartTime);
            break;
        default: break;
    }
    return text;
}

void DocumentWindow::StopLoading() {
    (void)StopWindowLoad(view_, false);
}

void DocumentWindow::OpenTypedAddress(const std::string& text) {
    (void)OpenTypedUrl(view_, text.c_str(), text.c_str(), true, 0);
}

void DocumentWindow::ShowHistoryEntry(int index) {
    if (g_windowList) (void)g_windowList->GoToHistoryIndex(view_, index);
}
