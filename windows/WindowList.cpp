#include "windows/WindowList.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "core/AppGlobals.h"
#include "core/MemoryManager.h"
#include "core/MessageHandler.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/StartupSettings.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/ScriptHost.h"
#include "layout/PaintDevice.h"
#include "net/UrlAuthority.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "resources/CoreIds.h"
#include "resources/WindowStringIds.h"
#include "windows/DocumentFrame.h"
#include "windows/DocumentView.h"
#include "windows/ViewArithmetic.h"

WindowList* g_windowList = nullptr;

namespace {

HMENU FrameMenu() {
    return g_frameWindow ? GetMenu(g_frameWindow) : nullptr;
}

void EnableItems(HMENU menu, std::initializer_list<int> ids, bool on) {
    if (!menu) return;
    for (int id : ids) EnableMenuItem(menu, id, MF_BYCOMMAND | (on ? MF_ENABLED : MF_GRAYED));
}

// The commands that act on the active window's document.
constexpr std::initializer_list<int> kDocumentCommands = {CMD_SAVE_AS, CMD_SAVE_PAGE_AND_IMAGES,
                                                          CMD_LOAD_ALL_IMAGES, CMD_SOURCE, CMD_PREVIOUS,
                                                          CMD_NEXT, CMD_RELOAD, CMD_STOP};

// A view's commands follow it only while it is the active window (or when
// no window is named).
bool ActsOnMenu(HWND view) {
    return !view || !g_windowList || g_windowList->GetActiveWindow() == view;
}

bool AutoTile() {
    return g_preferences && g_preferences->Get(PrefInt::AutoTile);
}

}  // namespace

void DisableDocumentCommands(HWND view) {
    if (!ActsOnMenu(view)) return;
    HMENU menu = FrameMenu();
    EnableItems(menu,
                {CMD_SAVE_AS, CMD_SAVE_PAGE_AND_IMAGES, CMD_LOAD_ALL_IMAGES, CMD_SOURCE, CMD_PREVIOUS, CMD_NEXT,
                 CMD_RELOAD},
                false);
    // Stop is what a busy window offers; with no window there is none.
    EnableItems(menu, {CMD_STOP}, view != nullptr);
}

void EnableDocumentCommands(HWND view) {
    if (!ActsOnMenu(view) || !view) return;
    EnableItems(FrameMenu(), kDocumentCommands, true);
    UpdateNavigationCommands(view);
}

void UpdateNavigationCommands(HWND view) {
    if (!ActsOnMenu(view) || !view || !g_windowList) return;
    DocumentList* list = g_windowList->GetDocumentList(view);
    HMENU menu = FrameMenu();
    EnableItems(menu, {CMD_PREVIOUS}, list && list->CanGoBack());
    EnableItems(menu, {CMD_NEXT}, list && list->CanGoForward());
}

void UpdateNewsMenu(int mode) {
    HMENU menu = FrameMenu();
    EnableItems(menu, {CMD_PREVIOUS_ARTICLE, CMD_NEXT_ARTICLE}, mode == 2 || mode == 3);
}

ComposeWindowEntry::ComposeWindowEntry(HWND window) : window(window) {
    handler.reset(new (std::nothrow) MessageHandler(window));
}

ComposeWindowEntry::~ComposeWindowEntry() {
    if (handler) {
        if (!url.IsEmpty()) url->RemoveTarget(handler.get());
        if (!url2.IsEmpty()) url2->RemoveTarget(handler.get());
    }
}

WindowList::~WindowList() {
    Clear();
}

// --- lookup -----------------------------------------------------------------

DocumentWindow* WindowList::FindWindowById(HWND id) const {
    if (!id) return nullptr;
    if (cache_ && cache_->ViewWindow() == id) return cache_;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w->ViewWindow() == id) return w;
    }
    return nullptr;
}

DocumentWindow* WindowList::Cached(HWND id) const {
    return FindWindowById(id);
}

DocumentWindow* WindowList::FindByNumber(int number) const {
    if (number <= 0) return nullptr;
    if (cache_ && cache_->Number() == number) return cache_;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w->Number() == number) return w;
    }
    return nullptr;
}

DocumentWindow* WindowList::FindByFrame(HWND frame) const {
    if (!frame) return nullptr;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w->Frame() == frame) return w;
    }
    return nullptr;
}

DocumentWindow* WindowList::FindByToolbarDialog(HWND dialog) const {
    if (!dialog) return nullptr;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w->toolbarDialog == dialog) return w;
    }
    return nullptr;
}

HWND WindowList::ViewForFrame(HWND frame) const {
    DocumentWindow* w = FindByFrame(frame);
    return w ? w->ViewWindow() : nullptr;
}

HWND WindowList::IdForNumber(int number) const {
    DocumentWindow* w = FindByNumber(number);
    return w ? w->ViewWindow() : nullptr;
}

HWND WindowList::NextWindowId(bool first) {
    cursor_ = first ? windows_.First() : (cursor_ ? cursor_->Next() : nullptr);
    return cursor_ ? static_cast<DocumentWindow*>(cursor_)->ViewWindow() : nullptr;
}

int WindowList::Count() const {
    int n = 0;
    for (ListNode* node = windows_.First(); node; node = node->Next()) ++n;
    return n;
}

// --- membership ---------------------------------------------------------------

bool WindowList::Add(HWND view, int32_t width, int32_t height) {
    std::vector<int> used;
    for (ListNode* n = windows_.First(); n; n = n->Next()) used.push_back(static_cast<DocumentWindow*>(n)->Number());
    std::unique_ptr<DocumentWindow> made = DocumentWindow::Create(view_math::LowestFreeNumber(used), view, width, height);
    cache_ = made.get();
    if (!made) return false;
    made.release()->AppendTo(windows_);
    SetActiveWindow(view);
    return true;
}

void WindowList::Remove(HWND id) {
    DocumentWindow* gone = FindWindowById(id);
    if (gone) {
        const int number = gone->Number();
        // Undo the chain links that name the removed window, and only those:
        // a neighbour's link to a third window stays.
        for (int which = 0; which < 3; ++which) {
            if (DocumentWindow* other = FindByNumber(gone->links[which])) {
                for (int k = 0; k < 3; ++k) {
                    if (other->links[k] == number) other->links[k] = 0;
                }
            }
        }
        for (ListNode* n = windows_.First(); n; n = n->Next()) {
            auto* w = static_cast<DocumentWindow*>(n);
            if (w->links[3] == number) w->links[3] = 0;
            if (w->scriptOpener == number) w->scriptOpener = 0;
        }
        if (cache_ == gone) cache_ = nullptr;
        if (cursor_ == gone) cursor_ = nullptr;
        if (download_ == gone) {
            download_ = nullptr;
            downloadId_ = nullptr;
        }
        for (int i = 0; i < reusableCount_; ++i) {
            if (reusable_[i] == id) reusable_[i] = nullptr;
        }
        gone->Remove();
        delete gone;
        // Its pages are gone; the objects scripts knew the window by go too.
        if (ScriptHost* host = ScriptHost::Instance()) host->ForgetWindow(number);
    }
    if (id && id == active_) {
        DisableDocumentCommands(nullptr);
        cache_ = nullptr;
        SetActiveWindow(nullptr);
    }
    if (g_memoryManager) {
        g_memoryManager->TrimImageMemory();
        g_memoryManager->TrimDocumentMemory();
    }
}

void WindowList::Clear() {
    cache_ = nullptr;
    cursor_ = nullptr;
    for (NodeList* list : {&windows_, &composeWindows_}) {
        while (ListNode* n = list->First()) {
            n->Remove();
            delete n;
        }
    }
    composeUrl_.clear();
    composeText2_.clear();
    if (downloadId_ && IsWindow(downloadId_)) DestroyWindow(GetParent(downloadId_));
    download_ = nullptr;
    downloadId_ = nullptr;
    active_ = nullptr;
    reusableCount_ = 0;
}

// --- active window ---------------------------------------------------------------

void WindowList::SetActiveWindow(HWND id) {
    active_ = id;
    DocumentWindow* w = FindWindowById(id);
    cache_ = w;
    HMENU menu = FrameMenu();
    if (!menu) return;
    const std::initializer_list<int> barItems = {CMD_SCROLL_BARS, CMD_PROGRESS_BAR, CMD_LOCAL_BUTTON_BAR};
    if (w) {
        CheckMenuItem(menu, CMD_SCROLL_BARS, MF_BYCOMMAND | (w->ShowScrollBars() ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(menu, CMD_PROGRESS_BAR, MF_BYCOMMAND | (w->BottomToolbar() ? MF_CHECKED : MF_UNCHECKED));
        CheckMenuItem(menu, CMD_LOCAL_BUTTON_BAR,
                      MF_BYCOMMAND | (w->ShowWindowToolbars() ? MF_CHECKED : MF_UNCHECKED));
        EnableItems(menu, barItems, true);
        EnableItems(menu, {CMD_SEND, CMD_INCLUDE}, false);
        EnableItems(menu, kDocumentCommands, true);
        UpdateNewsMenu(w->NewsMode());
        return;
    }
    EnableItems(menu, barItems, false);
    EnableItems(menu, {CMD_SEND, CMD_INCLUDE}, FindComposeWindow(id) != nullptr);
    EnableItems(menu, kDocumentCommands, false);
    UpdateNewsMenu(0);
}

// --- compose windows -------------------------------------------------------------

ComposeWindowEntry* WindowList::FindComposeWindow(HWND window) const {
    if (!window) return nullptr;
    for (ListNode* n = composeWindows_.First(); n; n = n->Next()) {
        auto* e = static_cast<ComposeWindowEntry*>(n);
        if (e->window == window) return e;
    }
    return nullptr;
}

bool WindowList::AddComposeWindow(HWND window) {
    auto* entry = new (std::nothrow) ComposeWindowEntry(window);
    if (!entry || !entry->handler) {
        delete entry;
        return false;
    }
    entry->AppendTo(composeWindows_);
    SetActiveWindow(window);
    return true;
}

void WindowList::RemoveComposeWindow(HWND window) {
    if (ComposeWindowEntry* e = FindComposeWindow(window)) {
        e->Remove();
        delete e;
    }
    if (window && window == active_) {
        DisableDocumentCommands(nullptr);
        active_ = nullptr;
    }
}

// --- status texts -------------------------------------------------------------------

void WindowList::SetStatusText(HWND id, const char* text) {
    if (text && std::strcmp(text, statusText_) == 0) return;
    if (DocumentWindow* w = FindWindowById(id)) {
        if (!text || std::strncmp(w->statusText, text, 500) != 0) CopyTextCut(w->statusText, 500, text);
    }
    CopyTextCut(statusText_, 500, text);
    MaskUrlPassword(statusText_, 5);
    ++statusRepaints_;
    if (statusWindow_ && IsWindow(statusWindow_)) InvalidateRect(statusWindow_, nullptr, TRUE);
}

void WindowList::SetLinkText(const char* text) {
    if (text && std::strcmp(text, linkText_) == 0) return;
    CopyTextCut(linkText_, 500, text);
    MaskUrlPassword(linkText_, 5);
}

void WindowList::SetStatusWindow(HWND window) {
    if (!window) return;
    HWND old = statusWindow_;
    if (window == g_frameWindow || window == g_mdiClient || (g_mdiClient && GetParent(window) == g_mdiClient))
        window = nullptr;
    statusWindow_ = window;
    if (old && IsWindow(old)) InvalidateRect(old, nullptr, TRUE);
    if (window && IsWindow(window)) InvalidateRect(window, nullptr, TRUE);
}

// --- showing URLs -------------------------------------------------------------------

namespace {

// The document is on screen: caption, scroll bars, address, navigation and
// news mode follow it.
void DocumentShown(DocumentWindow& w, bool loadedOnly) {
    Document* d = w.CurrentDocument();
    if (!d) return;
    const char* title = d->GetTitle();
    w.SetTitle(title && *title ? title : d->GetUrl().GetName(), false);
    UpdateScrollBars(w.ViewWindow(), d);
    if (HWND bar = w.BottomToolbar())
        SetDlgItemTextA(bar, kBarAddressCombo, MaskedUrlText(d->GetUrl().GetName()).c_str());
    if (loadedOnly) return;
    UpdateNavigationCommands(w.ViewWindow());
    if (HWND bar = w.BottomToolbar()) {
        LRESULT count = SendDlgItemMessageA(bar, kBarAddressCombo, CB_GETCOUNT, 0, 0);
        SendDlgItemMessageA(bar, kBarAddressCombo, CB_SETCURSEL, count - w.List()->GetCurrentIndex(), 0);
    }
    int scheme = d->GetUrl()->GetScheme();
    w.SetNewsMode(scheme == kSchemeNews || scheme == kSchemeSnews ? 4 : 0);
    InvalidateRect(w.ViewWindow(), nullptr, FALSE);
}

}  // namespace

int WindowList::ShowUrl(HWND id, const UrlHandle& url, int32_t startArg, bool asPlugin) {
    DocumentWindow* w = FindWindowById(id);
    if (!w || !w->List()) return kHistoryCannotShow;
    if (ShowInFrame(*w, url)) return kHistoryShown;
    int code = w->List()->CreateDocument(url, startArg, asPlugin);
    switch (code) {
        case kHistoryCannotShow:
            ShowUrlMessage(url, IDS_UNKNOWN_DOCUMENT);
            w->SetLoadState(kWindowIdle);
            return code;
        case kHistoryNoData:
            ShowUrlMessage(url, IDS_UNKNOWN_DOCUMENT);
            return code;
        case kHistoryLoading: case kHistoryIncomplete:
            w->StartProgress(true);
            w->SetLoadState(kWindowLoading);
            (void)url->StartLoad(w->Handler(), UrlHandle(), false, false);
            return code;
        case kStartWaiting: case kStartRelayout: case kHistoryLoadsRunning:
            if (w->LoadState() == kWindowIdle) {
                w->StartProgress(true);
                w->SetLoadState(kWindowUsable);
            }
            break;
        case kHistoryReload:
            w->StartProgress(true);
            w->SetLoadState(kWindowLoading);
            (void)url->StartLoad(w->Handler(), UrlHandle(), false, false);
            break;
        case kHistoryMovedInside:
            w->ResetProgress();
            w->SetLoadState(kWindowIdle);
            break;
        default:
            break;
    }
    DocumentShown(*w, false);
    return code;
}

bool WindowList::ShowInFrame(DocumentWindow& w, const UrlHandle& url) {
    Document* d = w.CurrentDocument();
    const int target = w.CurrentUrlTarget();
    if (target < 0 || !d || !d->HasFrames() || w.CurrentUrl().Record() != url.Record()) return false;
    // The frame was given the URL with the window's current one.
    if (d->GetFrameUrlForId(target).Record() != url.Record()) return false;
    // The load's first and last decision both come here: the frame's new
    // document is made once, and takes the rest of the data as it comes.
    if (!w.shownInFrame) {
        w.shownInFrame = true;
        d->ShowFrameUrl(target, 0);
    }
    if (w.LoadState() == kWindowLoading) w.SetLoadState(kWindowUsable);
    return true;
}

int WindowList::GoToHistoryIndex(HWND id, int index) {
    DocumentWindow* w = FindWindowById(id);
    if (!w || !w->List()) return kHistoryNothing;
    int code = w->List()->GoToIndex(index);
    if (code == kHistoryCannotShow || code == kHistoryNoData || code == kHistoryNothing ||
        code == kHistoryLoading)
        return code;
    if (Document* d = w->CurrentDocument()) w->SetCurrentUrl(d->GetUrl(), -1);
    if (code == kHistoryReload) {
        w->StartProgress(true);
        w->SetLoadState(kWindowLoading);
        (void)w->CurrentUrl()->StartLoad(w->Handler(), UrlHandle(), false, false);
    }
    DocumentShown(*w, false);
    return code;
}

int WindowList::Navigate(HWND id, bool forward) {
    DocumentWindow* w = FindWindowById(id);
    if (!w || !w->List()) return kHistoryNothing;
    // The load the window waits for is not the page it goes to.
    UrlHandle url = w->CurrentUrl();
    Document* before = w->CurrentDocument();
    if (!url.IsEmpty() && w->Handler()) url->RemoveTarget(w->Handler());
    if (before && before->GetUrl().Record() == url.Record()) before->Stop(1);
    w->StartProgress(true);
    w->SetLoadState(kWindowLoading);
    int code = forward ? w->List()->GoForward(false) : w->List()->GoBack(false);
    Document* d = w->CurrentDocument();
    switch (code) {
        case kHistoryIncomplete: case kHistoryShown: case kHistoryReload:
        case kHistoryLoadsRunning: case kHistoryMovedInside:
            if (d) w->SetCurrentUrl(d->GetUrl(), -1);
            DocumentShown(*w, false);
            break;
        default:
            break;
    }
    if (code == kHistoryReload && d) {
        (void)d->GetUrl()->StartLoad(w->Handler(), UrlHandle(), false, false);
    } else if (code == kHistoryIncomplete || code == kHistoryLoadsRunning) {
        w->SetLoadState(kWindowUsable);
    } else {
        w->ResetProgress();
        w->SetLoadState(kWindowIdle);
    }
    return code;
}

int WindowList::ShowLoadedUrl(HWND id, const UrlHandle& url, bool asPlugin) {
    DocumentWindow* w = FindWindowById(id);
    if (!w || !w->List()) return kHistoryCannotShow;
    int code = w->List()->ReplaceCurrentDocument(url, asPlugin);
    if (code == kHistoryNoData || code == kHistoryCannotShow) return code;
    DocumentShown(*w, true);
    return code;
}

// --- window choice ---------------------------------------------------------------

void WindowList::TileAfterOpening(int* tileFlag) {
    if (!tileFlag) return;
    if (*tileFlag == 0) {
        *tileFlag = 1;
    } else if (AutoTile()) {
        CmdTileWindows();
    } else {
        *tileFlag = 1;
    }
}

HWND WindowList::OpenNewWindow(int* tileFlag) {
    HWND id = CreateDocumentWindow(true, false, true);
    if (!id) {
        if (g_messageBoxes) g_messageBoxes->ShowError(nullptr, IDS_NEW_WINDOW_FAILED, nullptr, nullptr);
        return nullptr;
    }
    TileAfterOpening(tileFlag);
    return id;
}

HWND WindowList::ChooseWindowForUrl(int index, int* tileFlag) {
    if (index == 0) {
        reusableCount_ = 0;
        auto take = [&](DocumentWindow* w) {
            if (!w || reusableCount_ >= kMaxReusable) return;
            if (w->LoadState() != kWindowIdle || w->SpecialKind() != 0 || IsIconic(w->Frame())) return;
            reusable_[reusableCount_++] = w->ViewWindow();
        };
        DocumentWindow* active = FindWindowById(active_);
        take(active);
        for (ListNode* n = windows_.First(); n; n = n->Next()) {
            if (n != active) take(static_cast<DocumentWindow*>(n));
        }
    }
    if (index >= 0 && index < kMaxReusable && index < reusableCount_ && reusable_[index] &&
        FindWindowById(reusable_[index]))
        return reusable_[index];
    return OpenNewWindow(tileFlag);
}

HWND WindowList::FindOrOpenWindowFor(int number, int* tileFlag) {
    HWND found = nullptr;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w->Number() != number) continue;
        TileAfterOpening(tileFlag);
        found = w->ViewWindow();
    }
    if (found) return found;
    HWND id = OpenNewWindow(tileFlag);
    if (DocumentWindow* w = FindWindowById(id)) w->SetNumber(number);
    return id;
}

HWND WindowList::FindOrOpenNamedWindow(HWND defaultWindow, const char* name, int* target, int* created) {
    *created = 0;
    if (name && *name) {
        for (ListNode* n = windows_.First(); n; n = n->Next()) {
            auto* w = static_cast<DocumentWindow*>(n);
            if (w->Name() == name) return w->ViewWindow();
        }
        if (g_preferences && g_preferences->Get(PrefInt::IgnoreTarget)) return defaultWindow;
        *created = 1;
        *target = -1;
        int tile = 1;
        HWND id = OpenNewWindow(&tile);
        if (DocumentWindow* w = FindWindowById(id)) w->SetName(name);
        return id;
    }
    *target = -1;
    if (defaultWindow) return defaultWindow;
    *created = 1;
    int tile = 1;
    return OpenNewWindow(&tile);
}

void WindowList::OpenDownloadWindow() {
    HWND id = CreateDocumentWindow(false, false, false);
    DocumentWindow* w = FindWindowById(id);
    download_ = w;
    downloadId_ = w ? id : nullptr;
    if (!w) return;
    w->SetSpecialKind(1);
    w->ShowBottomToolbar(false);
    UrlRegistry* registry = UrlRegistry::Instance();
    if (!registry) return;
    UrlHandle url = registry->FindWithFragment("zintu:download");
    if (url.IsEmpty()) return;
    url->SetLoadStatus(kLoadLoaded);
    (void)ShowUrl(id, url, 0, false);
}

void WindowList::CloseDownloadWindow() {
    if (downloadId_ && IsWindow(downloadId_)) PostMessageA(GetParent(downloadId_), WM_CLOSE, 0, 0);
}

// --- whole list ---------------------------------------------------------------------

void WindowList::CloseAll() {
    if (!g_messageBoxes || g_messageBoxes->AskOkCancel(nullptr, IDS_CLOSE_ALL_WINDOWS, nullptr) != IDOK) return;
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (w != download_) PostMessageA(w->Frame(), WM_CLOSE, 0, 0);
    }
    for (ListNode* n = composeWindows_.First(); n; n = n->Next())
        PostMessageA(static_cast<ComposeWindowEntry*>(n)->window, WM_CLOSE, 0, 0);
}

void WindowList::MinimizeAllExcept(const HWND* keep, int count) {
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (std::find(keep, keep + std::max(count, 0), w->ViewWindow()) == keep + std::max(count, 0))
            ShowWindow(w->Frame(), SW_MINIMIZE);
    }
    for (ListNode* n = composeWindows_.First(); n; n = n->Next())
        PostMessageA(static_cast<ComposeWindowEntry*>(n)->window, WM_CLOSE, 0, 0);
}

void WindowList::RepaintAll(bool recompute) {
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        auto* w = static_cast<DocumentWindow*>(n);
        if (recompute) UpdateScrollBars(w->ViewWindow(), w->CurrentDocument());
        InvalidateRect(w->ViewWindow(), nullptr, FALSE);
    }
}

void WindowList::SetImageModeAll(int mode) {
    for (ListNode* n = windows_.First(); n; n = n->Next()) static_cast<DocumentWindow*>(n)->SetImageMode(mode);
}

void WindowList::SetMaxHistoryAll(int n) {
    for (ListNode* node = windows_.First(); node; node = node->Next()) {
        if (DocumentList* list = static_cast<DocumentWindow*>(node)->List()) list->SetMaxEntries(std::max(1, n));
    }
}

void WindowList::NotifyUrlChangedAll(const UrlHandle& url) {
    for (ListNode* n = windows_.First(); n; n = n->Next()) {
        if (DocumentList* list = static_cast<DocumentWindow*>(n)->List()) list->NotifyUrlChanged(url);
    }
}

// --- facade ---------------------------------------------------------------------------

int WindowList::GetScale(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->Scale() : 100;
}

void WindowList::SetScale(HWND id, int percent) {
    if (DocumentWindow* w = Cached(id)) w->SetScale(percent);
}

// The unit divides scroll positions, so an unknown window answers 1.
int WindowList::GetScrollUnit(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? std::max(w->scrollUnit, 1) : 1;
}

void WindowList::SetScrollUnit(HWND id, int unit) {
    if (DocumentWindow* w = Cached(id)) w->scrollUnit = std::max(unit, 1);
}

int WindowList::GetLoadState(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->LoadState() : 0;
}

void WindowList::SetLoadState(HWND id, int state) {
    if (DocumentWindow* w = Cached(id)) w->SetLoadState(state);
}

void WindowList::StartProgress(HWND id, bool reset) {
    if (DocumentWindow* w = Cached(id)) w->StartProgress(reset);
}

void WindowList::ResetProgress(HWND id) {
    if (DocumentWindow* w = Cached(id)) w->ResetProgress();
}

void WindowList::HideProgress(HWND id) {
    if (DocumentWindow* w = Cached(id)) w->HideProgress();
}

int WindowList::GetWindowNumber(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->Number() : 0;
}

void WindowList::SetWindowNumber(HWND id, int number) {
    if (DocumentWindow* w = Cached(id)) w->SetNumber(number);
}

DocumentList* WindowList::GetDocumentList(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->List() : nullptr;
}

PaintDevice* WindowList::GetPaintDevice(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->Device() : nullptr;
}

MessageHandler* WindowList::GetMessageHandler(HWND id) const {
    if (DocumentWindow* w = Cached(id)) return w->Handler();
    ComposeWindowEntry* e = FindComposeWindow(id);
    return e ? e->handler.get() : nullptr;
}

UrlHandle WindowList::GetWindowUrl(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->CurrentUrl() : UrlHandle();
}

void WindowList::SetCurrentUrl(HWND id, const UrlHandle& url, int target) {
    if (DocumentWindow* w = Cached(id)) w->SetCurrentUrl(url, target);
}

void WindowList::SetTargetUrl(HWND id, const UrlHandle& url, int target) {
    if (DocumentWindow* w = Cached(id)) w->SetTargetUrl(url, target);
}

bool WindowList::GetShowScrollBars(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->ShowScrollBars() : true;
}

void WindowList::SetShowScrollBars(HWND id, bool on) {
    if (DocumentWindow* w = Cached(id)) w->SetShowScrollBars(on);
}

void WindowList::ShowBottomToolbar(HWND id, bool on) {
    if (DocumentWindow* w = Cached(id)) w->ShowBottomToolbar(on);
}

HWND WindowList::GetBottomToolbar(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->BottomToolbar() : nullptr;
}

void WindowList::LayoutToolbarsById(HWND id, bool reposition) {
    if (DocumentWindow* w = Cached(id)) w->LayoutToolbars(reposition);
}

void WindowList::SetTitle(HWND id, const char* urlText, bool force) {
    if (DocumentWindow* w = Cached(id)) w->SetTitle(urlText, force);
}

void WindowList::SetWindowPlacementById(HWND id, int showState, int left, int top, int width, int height) {
    if (DocumentWindow* w = Cached(id)) w->SetPlacement(showState, left, top, width, height);
}

void WindowList::SetPlacementXY(HWND id, int left, int top) {
    if (DocumentWindow* w = Cached(id)) w->SetPlacementXY(left, top);
}

void WindowList::ApplyPendingSize(HWND id) {
    if (DocumentWindow* w = Cached(id)) w->ApplyPendingSize();
}

void WindowList::LowerSecurityLevel(HWND id, int level) {
    if (DocumentWindow* w = Cached(id)) w->LowerSecurityLevel(level);
}

int WindowList::GetSecurityLevel(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->SecurityLevel() : 0;
}

void WindowList::SetNewsMode(HWND id, int mode) {
    if (DocumentWindow* w = Cached(id)) w->SetNewsMode(mode);
}

int WindowList::GetNewsMode(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->NewsMode() : 0;
}

void WindowList::SetImageMode(HWND id, int mode) {
    if (DocumentWindow* w = Cached(id)) w->SetImageMode(mode);
}

int WindowList::GetImageSetting(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->ImageSetting() : 3;
}

void WindowList::SetDocumentMode(HWND id, int value) {
    if (DocumentWindow* w = Cached(id)) w->SetDocumentMode(value);
}

int WindowList::GetDocumentMode(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->DocumentMode() : 0;
}

bool WindowList::GetLoadFlagA(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w && w->loadFlagA;
}

void WindowList::SetLoadFlagA(HWND id, bool on) {
    DocumentWindow* w = Cached(id);
    if (!w) return;
    w->loadFlagA = on;
    if (!on) w->reloadRequested = false;
}

void WindowList::RequestReload(HWND id) {
    if (DocumentWindow* w = Cached(id)) w->reloadRequested = true;
}

void WindowList::SetSpecialKind(HWND id, int kind) {
    if (DocumentWindow* w = Cached(id)) w->SetSpecialKind(kind);
}

int WindowList::GetSpecialKind(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->SpecialKind() : 0;
}

void WindowList::SetLink(HWND id, int which, HWND other) {
    DocumentWindow* w = Cached(id);
    if (!w || which < 1 || which > 4) return;
    DocumentWindow* o = FindWindowById(other);
    w->links[which - 1] = o ? o->Number() : 0;
}

HWND WindowList::GetLink(HWND id, int which) const {
    DocumentWindow* w = Cached(id);
    if (!w || which < 1 || which > 4) return nullptr;
    return IdForNumber(w->links[which - 1]);
}

void WindowList::SetStateByte(HWND id, uint8_t value) {
    if (DocumentWindow* w = Cached(id)) w->stateByte = value;
}

int WindowList::GetStateByte(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->stateByte : 0;
}

void WindowList::SetStateWord(HWND id, int32_t value) {
    if (DocumentWindow* w = Cached(id)) w->stateWord = value;
}

int32_t WindowList::GetStateWord(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->stateWord : 1;
}

HCURSOR WindowList::GetCursor(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->cursor : nullptr;
}

void WindowList::SetCursor(HWND id, HCURSOR cursor) {
    if (DocumentWindow* w = Cached(id)) w->cursor = cursor;
}

int WindowList::GetCurrentUrlTarget(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? static_cast<uint16_t>(w->CurrentUrlTarget()) : 0xFFFF;
}

UrlHandle WindowList::GetUrlById(HWND id, uint32_t recordId) const {
    DocumentWindow* w = Cached(id);
    return w ? w->GetUrlById(recordId) : UrlHandle();
}

void WindowList::SetBytesLoaded(HWND id, int32_t bytes) {
    if (DocumentWindow* w = Cached(id)) w->bytesLoaded = bytes;
}

int32_t WindowList::GetBytesLoaded(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->bytesLoaded : 0;
}

void WindowList::SetBytesTotal(HWND id, int32_t bytes) {
    if (DocumentWindow* w = Cached(id)) w->bytesTotal = bytes;
}

int32_t WindowList::GetBytesTotal(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->bytesTotal : 0;
}

uint32_t WindowList::GetLoadStartTime(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->loadStartTime : 0;
}

int WindowList::NextAnimation(HWND id, bool second) {
    DocumentWindow* w = Cached(id);
    return w ? w->NextAnimation(second) : 0;
}

void WindowList::SetImageCounts(HWND id, uint16_t done, uint16_t total) {
    DocumentWindow* w = Cached(id);
    if (!w) return;
    w->imagesDone = done;
    w->imagesTotal = total;
}

void WindowList::GetImageCounts(HWND id, uint16_t* done, uint16_t* total) const {
    DocumentWindow* w = Cached(id);
    if (!w) return;
    if (done) *done = w->imagesDone;
    if (total) *total = w->imagesTotal;
}

void WindowList::SetProgressText(HWND id, const char* text) {
    if (DocumentWindow* w = Cached(id)) w->SetProgressText(text);
}

const char* WindowList::GetProgressText(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->ProgressText() : nullptr;
}

void WindowList::SetShortProgressText(HWND id, const char* text) {
    if (DocumentWindow* w = Cached(id)) w->SetShortProgressText(text);
}

const char* WindowList::GetShortProgressText(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->ShortProgressText() : nullptr;
}

bool WindowList::GetProgressShown(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w && w->ProgressShown();
}

void WindowList::SetMaxHistory(HWND id, int n) {
    DocumentWindow* w = Cached(id);
    if (w && w->List()) w->List()->SetMaxEntries(std::max(1, n));
}

bool WindowList::GetReloadRequested(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w && w->reloadRequested;
}

namespace {

const char* NullWhenEmpty(const std::string& text) {
    return text.empty() ? nullptr : text.c_str();
}

}  // namespace

void WindowList::SetLoginUserName(HWND id, const char* name) {
    if (DocumentWindow* w = Cached(id)) w->loginUserName = name ? name : "";
}

const char* WindowList::GetLoginUserName(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? NullWhenEmpty(w->loginUserName) : nullptr;
}

void WindowList::SetProxyUserName(HWND id, const char* name) {
    if (DocumentWindow* w = Cached(id)) w->proxyUserName = name ? name : "";
}

const char* WindowList::GetProxyUserName(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? NullWhenEmpty(w->proxyUserName) : nullptr;
}

void WindowList::SetWindowHomeUrl(HWND id, const char* url) {
    DocumentWindow* w = Cached(id);
    if (!w) return;
    std::string text = url ? url : "";
    size_t begin = text.find_first_not_of(" \t\r\n");
    size_t end = text.find_last_not_of(" \t\r\n");
    w->homeUrl = begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

const char* WindowList::GetWindowHomeUrl(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? NullWhenEmpty(w->homeUrl) : nullptr;
}

void WindowList::ApplyToWindow(HWND id, const char* text) {
    if (DocumentWindow* w = Cached(id)) CopyTextCut(w->textBuffer, sizeof w->textBuffer - 1, text);
}

const char* WindowList::GetTextBuffer(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->textBuffer : nullptr;
}

void WindowList::SetOpenDropDown(HWND id, HWND dropDown) {
    if (DocumentWindow* w = Cached(id)) w->openDropDown = dropDown;
}

HWND WindowList::GetOpenDropDown(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->openDropDown : nullptr;
}

void WindowList::SetFrameValue(HWND id, uint16_t value) {
    if (DocumentWindow* w = Cached(id)) w->frameValue = value;
}

uint16_t WindowList::GetFrameValue(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->frameValue : 0xFFFF;
}

void WindowList::SetToolbarDialog(HWND id, HWND dialog) {
    if (DocumentWindow* w = Cached(id)) w->toolbarDialog = dialog;
}

HWND WindowList::GetToolbarDialog(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w ? w->toolbarDialog : nullptr;
}

void WindowList::SetCachePageFlag(HWND id, bool on) {
    if (DocumentWindow* w = Cached(id)) w->cachePageFlag = on;
}

bool WindowList::GetCachePageFlag(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w && w->cachePageFlag;
}

bool WindowList::GetSizePending(HWND id) const {
    DocumentWindow* w = Cached(id);
    return w && w->SizePending();
}

// --- the document side's services ------------------------------------------------------

namespace {

class ListServices : public DocumentWindowServices {
public:
    DocumentList* GetDocumentList(HWND window) override {
        return g_windowList ? g_windowList->GetDocumentList(window) : nullptr;
    }
    void LowerSecurityLevel(HWND window, uint8_t level) override {
        if (g_windowList) g_windowList->LowerSecurityLevel(window, level);
    }
    int GetScale(HWND window) override { return g_windowList ? g_windowList->GetScale(window) : 100; }
    int GetImageMode(HWND window) override { return g_windowList ? g_windowList->GetImageSetting(window) : 3; }
    int GetDocumentMode(HWND window) override { return g_windowList ? g_windowList->GetDocumentMode(window) : 0; }
    bool GetLoadFlagA(HWND window) override { return g_windowList && g_windowList->GetLoadFlagA(window); }
    void SetLoadFlagA(HWND window, bool on) override {
        if (g_windowList) g_windowList->SetLoadFlagA(window, on);
    }
    int GetLoadState(HWND window) override { return g_windowList ? g_windowList->GetLoadState(window) : 0; }
    void SetLoadState(HWND window, int state) override {
        if (g_windowList) g_windowList->SetLoadState(window, state);
    }
    void StartProgress(HWND window) override {
        if (g_windowList) g_windowList->StartProgress(window, true);
    }
    uint32_t GetWindowUrlId(HWND window) override {
        if (!g_windowList) return 0;
        UrlHandle url = g_windowList->GetWindowUrl(window);
        return url.IsEmpty() ? 0 : url->GetId(true);
    }
    int GetWindowNumber(HWND window) override { return g_windowList ? g_windowList->GetWindowNumber(window) : 1; }
    bool GetShowScrollBars(HWND window) override { return g_windowList && g_windowList->GetShowScrollBars(window); }
    void UpdateScrollBars(HWND window) override {
        if (!g_windowList) return;
        DocumentList* list = g_windowList->GetDocumentList(window);
        ::UpdateScrollBars(window, list ? list->GetCurrentDocument() : nullptr);
    }
    void ScrollViewVertically(HWND window, int32_t dy) override {
        if (!g_windowList || !g_windowList->IsDocumentWindow(window)) return;
        const int scale = g_windowList->GetScale(window);
        ScrollWindow(window, 0, -view_math::ScrollPixels(dy, scale), nullptr, nullptr);
        DocumentList* list = g_windowList->GetDocumentList(window);
        ::UpdateScrollBars(window, list ? list->GetCurrentDocument() : nullptr);
        UpdateWindow(window);
    }
    bool HandlePaneMessage(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) override {
        return HandleFramePaneMessage(pane, message, wParam, lParam, result);
    }
    void ScrollViewBy(HWND window, int32_t dx, int32_t dy) override {
        if (!g_windowList) return;
        const bool pane = !g_windowList->IsDocumentWindow(window);
        if (dx) (void)::ScrollViewHorizontally(window, kMsgScrollBy, 0, dx, pane);
        if (dy) (void)::ScrollViewVertically(window, kMsgScrollBy, 0, dy, pane);
    }
    void RelayoutDevice(PaintDevice& device, bool refresh) override {
        HWND window = static_cast<HWND>(device.Window());
        if (window && refresh) InvalidateRect(window, nullptr, FALSE);
    }
};

ListServices g_services;

int ScaleOfWindow(void* window) {
    return g_windowList ? g_windowList->GetScale(static_cast<HWND>(window)) : 100;
}

}  // namespace

void InstallDocumentWindowServices() {
    SetDocumentWindowServices(&g_services);
    PaintDevice::SetScaleLookup(ScaleOfWindow);
}

void RemoveDocumentWindowServices() {
    SetDocumentWindowServices(nullptr);
    PaintDevice::SetScaleLookup(nullptr);
}
