// The one list of document windows. Every other part of the program names a
// document window by its id (the handle of its view) and reaches its data
// through this list: lookup, numbering, the active window and the menu items
// that follow it, the status and link texts, handing a URL to a window's
// history and acting on the answer, and choosing or opening the window for
// a new load. An unknown id is never an error: getters answer a default
// and setters do nothing.
//
// The list owns its DocumentWindow objects; a window enters when its view is
// created (Add) and leaves when the view is destroyed (Remove).
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/ListNode.h"
#include "net/UrlHandle.h"
#include "windows/DocumentWindow.h"

class MessageHandler;

// A mail or news compose window as the list knows it: its window, the URLs
// it was opened for and the handler its sending reports to.
class ComposeWindowEntry : public ListNode {
public:
    explicit ComposeWindowEntry(HWND window);
    ~ComposeWindowEntry() override;
    HWND window;
    UrlHandle url, url2;
    std::unique_ptr<MessageHandler> handler;
    // 1: sent (or nothing to send).
    int mailSent = 1, newsPosted = 1;
};

class WindowList;
// Made with the frame's global objects; null outside their life.
extern WindowList* g_windowList;

// Menu items that follow the active window.
void DisableDocumentCommands(HWND view);
void EnableDocumentCommands(HWND view);
void UpdateNavigationCommands(HWND view);
void UpdateNewsMenu(int mode);

class WindowList {
public:
    static constexpr int kMaxReusable = 30;

    WindowList() = default;
    ~WindowList();
    WindowList(const WindowList&) = delete;
    WindowList& operator=(const WindowList&) = delete;

    // Lookup.
    DocumentWindow* FindWindowById(HWND id) const;
    DocumentWindow* FindByNumber(int number) const;
    DocumentWindow* FindByFrame(HWND frame) const;
    DocumentWindow* FindByToolbarDialog(HWND dialog) const;
    HWND ViewForFrame(HWND frame) const;
    HWND IdForNumber(int number) const;
    bool IsDocumentWindow(HWND id) const { return FindWindowById(id) != nullptr; }
    // Iterates over the windows: from the first with first set, else on from
    // the last answer; 0 at the end.
    HWND NextWindowId(bool first);
    HWND GetActiveWindow() const { return active_; }
    int Count() const;

    // Membership. Add answers false when the window's object could not be
    // made (nothing was added).
    [[nodiscard]] bool Add(HWND view, int32_t width, int32_t height);
    void Remove(HWND id);
    void Clear();
    // Compose windows: AddComposeWindow makes the window the active one;
    // false when its entry could not be made.
    [[nodiscard]] bool AddComposeWindow(HWND window);
    void RemoveComposeWindow(HWND window);
    ComposeWindowEntry* FindComposeWindow(HWND window) const;
    bool IsComposeWindow(HWND window) const { return FindComposeWindow(window) != nullptr; }
    void SetComposeUrl(const char* text) { composeUrl_ = text ? text : ""; }
    void SetComposeText2(const char* text) { composeText2_ = text ? text : ""; }
    const std::string& GetComposeUrlText() const { return composeUrl_; }
    const std::string& GetComposeText2() const { return composeText2_; }

    void SetActiveWindow(HWND id);

    // Status texts (passwords masked).
    void SetStatusText(HWND id, const char* text);
    void SetLinkText(const char* text);
    const char* GetStatusText() const { return statusText_[0] ? statusText_ : nullptr; }
    const char* GetLinkText() const { return linkText_; }
    void SetStatusWindow(HWND window);
    HWND GetStatusWindow() const { return statusWindow_; }
    // How many times a status change asked for a repaint (tests).
    int StatusRepaints() const { return statusRepaints_; }
    void SetContextUrl(UrlHandle url) { linkUrl_ = std::move(url); }
    const UrlHandle& ContextUrl() const { return linkUrl_; }

    // Hands the URL to the window's history and acts on the answer; the
    // answer is passed back. A URL opened for a frame of the frame set the
    // window shows goes into that frame instead (its history inside the
    // frame set grows).
    int ShowUrl(HWND id, const UrlHandle& url, int32_t startArg, bool asPlugin);
    int GoToHistoryIndex(HWND id, int index);
    // One step back or forward in the window's history, its loads stopped
    // first; the history's answer.
    int Navigate(HWND id, bool forward);
    int ShowLoadedUrl(HWND id, const UrlHandle& url, bool asPlugin);

    // Window choice for new loads; tileFlag is kept by the caller across a
    // series of openings. 0 when no window could be made (the user is told).
    HWND ChooseWindowForUrl(int index, int* tileFlag);
    HWND OpenNewWindow(int* tileFlag);
    HWND FindOrOpenWindowFor(int number, int* tileFlag);
    HWND FindOrOpenNamedWindow(HWND defaultWindow, const char* name, int* target, int* created);

    void OpenDownloadWindow();
    void CloseDownloadWindow();
    HWND DownloadWindow() const { return downloadId_; }

    // Whole-list actions.
    void CloseAll();
    void MinimizeAllExcept(const HWND* keep, int count);
    void RepaintAll(bool recompute);
    void SetImageModeAll(int mode);
    void SetMaxHistoryAll(int n);
    void NotifyUrlChangedAll(const UrlHandle& url);

    // Per-window facade (see DocumentWindow); defaults for unknown ids.
    int GetScale(HWND id) const;
    void SetScale(HWND id, int percent);
    int GetScrollUnit(HWND id) const;
    void SetScrollUnit(HWND id, int unit);
    int GetLoadState(HWND id) const;
    void SetLoadState(HWND id, int state);
    void StartProgress(HWND id, bool reset);
    void ResetProgress(HWND id);
    void HideProgress(HWND id);
    int GetWindowNumber(HWND id) const;
    void SetWindowNumber(HWND id, int number);
    DocumentList* GetDocumentList(HWND id) const;
    PaintDevice* GetPaintDevice(HWND id) const;
    MessageHandler* GetMessageHandler(HWND id) const;
    UrlHandle GetWindowUrl(HWND id) const;
    void SetCurrentUrl(HWND id, const UrlHandle& url, int target);
    void SetTargetUrl(HWND id, const UrlHandle& url, int target);
    bool GetShowScrollBars(HWND id) const;
    void SetShowScrollBars(HWND id, bool on);
    void ShowBottomToolbar(HWND id, bool on);
    HWND GetBottomToolbar(HWND id) const;
    void LayoutToolbarsById(HWND id, bool reposition);
    void SetTitle(HWND id, const char* urlText, bool force);
    void SetWindowPlacementById(HWND id, int showState, int left, int top, int width, int height);
    void SetPlacementXY(HWND id, int left, int top);
    void ApplyPendingSize(HWND id);
    void LowerSecurityLevel(HWND id, int level);
    int GetSecurityLevel(HWND id) const;
    void SetNewsMode(HWND id, int mode);
    int GetNewsMode(HWND id) const;
    void SetImageMode(HWND id, int mode);
    int GetImageSetting(HWND id) const;
    void SetDocumentMode(HWND id, int value);
    int GetDocumentMode(HWND id) const;
    bool GetLoadFlagA(HWND id) const;
    void SetLoadFlagA(HWND id, bool on);
    void RequestReload(HWND id);
    void SetSpecialKind(HWND id, int kind);
    int GetSpecialKind(HWND id) const;
    // Links store the other window's number; getters answer its id.
    void SetLink(HWND id, int which, HWND other);
    HWND GetLink(HWND id, int which) const;
    void SetStateByte(HWND id, uint8_t value);
    int GetStateByte(HWND id) const;
    void SetStateWord(HWND id, int32_t value);
    int32_t GetStateWord(HWND id) const;
    HCURSOR GetCursor(HWND id) const;
    void SetCursor(HWND id, HCURSOR cursor);
    int GetCurrentUrlTarget(HWND id) const;
    UrlHandle GetUrlById(HWND id, uint32_t recordId) const;
    void SetBytesLoaded(HWND id, int32_t bytes);
    int32_t GetBytesLoaded(HWND id) const;
    void SetBytesTotal(HWND id, int32_t bytes);
    int32_t GetBytesTotal(HWND id) const;
    uint32_t GetLoadStartTime(HWND id) const;
    int NextAnimation(HWND id, bool second);
    void SetImageCounts(HWND id, uint16_t done, uint16_t total);
    // Leaves the outputs as they are for an unknown window.
    void GetImageCounts(HWND id, uint16_t* done, uint16_t* total) const;
    void SetProgressText(HWND id, const char* text);
    const char* GetProgressText(HWND id) const;
    void SetShortProgressText(HWND id, const char* text);
    const char* GetShortProgressText(HWND id) const;
    bool GetProgressShown(HWND id) const;
    void SetMaxHistory(HWND id, int n);
    bool GetReloadRequested(HWND id) const;
    void SetLoginUserName(HWND id, const char* name);
    const char* GetLoginUserName(HWND id) const;
    void SetProxyUserName(HWND id, const char* name);
    const char* GetProxyUserName(HWND id) const;
    // The window's own home page (trimmed; empty clears it).
    void SetWindowHomeUrl(HWND id, const char* url);
    const char* GetWindowHomeUrl(HWND id) const;
    void ApplyToWindow(HWND id, const char* text);
    const char* GetTextBuffer(HWND id) const;
    void SetOpenDropDown(HWND id, HWND dropDown);
    HWND GetOpenDropDown(HWND id) const;
    void SetFrameValue(HWND id, uint16_t value);
    uint16_t GetFrameValue(HWND id) const;
    void SetToolbarDialog(HWND id, HWND dialog);
    HWND GetToolbarDialog(HWND id) const;
    void SetCachePageFlag(HWND id, bool on);
    bool GetCachePageFlag(HWND id) const;
    bool GetSizePending(HWND id) const;

private:
    bool ShowInFrame(DocumentWindow& w, const UrlHandle& url);
    DocumentWindow* Cached(HWND id) const;
    void TileAfterOpening(int* tileFlag);

    mutable DocumentWindow* cache_ = nullptr;
    NodeList windows_;
    NodeList composeWindows_;
    HWND active_ = nullptr;
    ListNode* cursor_ = nullptr;
    char statusText_[501] = {};
    char linkText_[501] = {};
    int statusRepaints_ = 0;
    UrlHandle linkUrl_;
    HWND statusWindow_ = nullptr;
    std::string composeUrl_, composeText2_;
    DocumentWindow* download_ = nullptr;
    HWND downloadId_ = nullptr;
    HWND reusable_[kMaxReusable] = {};
    int reusableCount_ = 0;
};

// The document side's view of the windows (scale, history, load state,
// scroll bars of a view), answered from the list; installed by start-up.
void InstallDocumentWindowServices();
void RemoveDocumentWindowServices();
