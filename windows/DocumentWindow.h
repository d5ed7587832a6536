// One document window: an MDI child frame ("ZUV_ObjWin") holding the view
// ("ZUV_MDICHILD") whose handle is the window's id. The object owns the
// window's paint device, its history (DocumentList) and its message
// handler, and keeps its load state, progress figures, scale, image mode,
// security level, news mode, title and links to other windows.
//
// Only the WindowList makes and deletes these objects (Create, then the
// destructor); everyone else reaches a window through the list by its id.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/ListNode.h"
#include "documents/DocumentWindows.h"
#include "net/UrlHandle.h"
#include "resources/BrowsingIds.h"
#include "windows/DocumentBarHost.h"

class Document;
class DocumentList;
class MessageHandler;
class PaintDevice;

// A URL's text as the user may see it: its password as at most 5 '*'.
std::string MaskedUrlText(const char* text);
// Copies at most `limit` characters into a buffer of limit + 1.
void CopyTextCut(char* buffer, size_t limit, const char* text);
// An error box with the string's text for the URL (password masked).
void ShowUrlMessage(const UrlHandle& url, unsigned id);

// Tests: the next window's paint device (1), message handler (2) or history
// (3) fails to be made, as when memory runs out.
void FailNextDocumentWindowPart(int part);

// Controls of the bottom bar the window itself drives.
enum BottomBarControl : int {
    kBarAddressCombo = IDC_BAR_HISTORY,
    kBarProgressText = IDC_BAR_PROGRESS_TEXT,
    kBarBytesLoaded = IDC_BAR_PERCENT,
    kBarImages = IDC_BAR_FIGURES,
    kBarBytesReceived = IDC_BAR_BYTES,
    kBarScale = IDC_BAR_ZOOM,
    kBarShortProgress = IDC_BAR_IMAGE_MODE,
    kBarStopButton = IDC_BAR_STOP,
    kBarImageModeButton = IDC_BAR_IMAGES,
    kBarSecurityIcon = IDC_BAR_SECURITY,
    kBarAnimationA = IDC_BAR_CONNECTIONS,
    kBarAnimationB = IDC_BAR_TIME,
};

// Load states of a window.
enum WindowLoadState : int {
    kWindowLoading = 0,   // busy: document commands greyed
    kWindowUsable = 1,    // a document can be used while loading goes on
    kWindowIdle = 2,
    kWindowJustMade = 3,  // until the first load
};

class DocumentWindow : public ListNode, public HistoryOwner, public DocumentBarHost {
public:
    // Makes the window's object for its view; null when its device, history
    // or message handler could not be made (nothing is left behind).
    static std::unique_ptr<DocumentWindow> Create(int number, HWND view, int32_t width, int32_t height);
    ~DocumentWindow() override;

    // HistoryOwner
    MessageHandler* Handler() override { return handler_.get(); }
    PaintDevice* Device() override { return device_.get(); }
    HWND ViewWindow() override { return view_; }
    void PushHistoryCombo(const char* text) override;
    void DropHistoryComboTop(int lines) override;
    void DropHistoryComboBottom(int lines) override;
    int ImageSetting() override { return imageFlagA_ ? (imageFlagB_ ? 3 : 2) : 1; }

    // DocumentBarHost: what the window's bars show and ask.
    int BarMode() const override { return newsMode_ >= 1 && newsMode_ <= 3 ? newsMode_ : 0; }
    bool ImagesOff() const override { return !imageFlagA_; }
    bool ImagesRestricted() const override { return imageFlagA_ && !imageFlagB_; }
    std::string FieldText(int controlId) const override;
    void StopLoading() override;
    void CycleImageMode() override { SetImageMode(ImageSetting() % 3 + 1); }
    void ToggleDocumentMode() override { SetDocumentMode(255); }
    void OpenTypedAddress(const std::string& text) override;
    void ShowHistoryEntry(int index) override;
    void NewsBarCommand(int controlId, int notification) override {}
    void LayoutBars() override { LayoutToolbars(true); }

    DocumentList* List() const { return list_.get(); }
    Document* CurrentDocument() const;
    HWND Frame() const { return frame_; }

    // Load state and progress.
    void SetLoadState(int state);
    int LoadState() const { return loadState_; }
    void StartProgress(bool reset);
    void HideProgress();
    void ResetProgress();
    void SetProgressText(const char* text);
    const char* ProgressText() const { return progressText_; }
    void SetShortProgressText(const char* text);
    const char* ShortProgressText() const { return shortProgress_; }
    bool ProgressShown() const { return progressShown_; }
    // A field of the bottom bar shows a figure that changed.
    void RepaintBarField(int id) { RepaintBarControl(id); }
    int NextAnimation(bool second);

    // Display.
    void SetScale(int percent) override;
    int Scale() const override { return scale_; }
    void LowerSecurityLevel(int level);
    int SecurityLevel() const { return securityLevel_; }
    void SetNewsMode(int mode);
    int NewsMode() const { return newsMode_; }
    void SetImageMode(int mode);
    // Images shown (A) and loaded without asking (B).
    bool ImageFlagA() const { return imageFlagA_; }
    bool ImageFlagB() const { return imageFlagB_; }
    void SetDocumentMode(int value);
    int DocumentMode() const { return documentMode_; }
    void Reformat(bool checkMode);
    void SetShowScrollBars(bool on);
    bool ShowScrollBars() const { return showScrollBars_; }
    void SetShowWindowToolbars(bool on);
    bool ShowWindowToolbars() const { return showWindowToolbars_; }
    void ShowBottomToolbar(bool on);
    HWND BottomToolbar() const { return bottomBar_; }
    HWND TopToolbar() const { return topBar_; }
    void LayoutToolbars(bool reposition);
    void SetTitle(const char* urlText, bool force);
    const std::string& TitleUrl() const { return titleUrl_; }
    void SetPlacement(int showState, int left, int top, int width, int height);
    void SetPlacementXY(int left, int top);
    void ApplyPendingSize();
    bool SizePending() const { return sizePending_; }
    void SetSpecialKind(int kind);
    int SpecialKind() const { return specialKind_; }

    // URLs.
    void SetCurrentUrl(const UrlHandle& url, int target);
    const UrlHandle& CurrentUrl() const { return currentUrl_; }
    int CurrentUrlTarget() const { return static_cast<int16_t>(currentTarget_); }
    void SetTargetUrl(const UrlHandle& url, int target);
    UrlHandle GetUrlById(uint32_t id);

    int Number() const { return number_; }
    void SetNumber(int number) { number_ = number; }
    const std::string& Name() const { return name_; }
    void SetName(const char* name) { name_ = name ? name : ""; }

    // Plain fields that other parts of the program set and read.
    HCURSOR cursor = nullptr;
    char statusText[501] = {};
    HWND openDropDown = nullptr;
    bool loadFlagA = false;
    bool reloadRequested = false;
    int32_t scrollUnit = 1;
    char textBuffer[256] = {};
    uint8_t stateByte = 0;
    int32_t stateWord = 0;
    HWND toolbarDialog = nullptr, dialog2 = nullptr, dialog3 = nullptr;
    int showState = 0;
    int left = 0, top = 0, width = 0, height = 0;
    std::string loginUserName, proxyUserName, homeUrl;
    int32_t bytesLoaded = -1, bytesTotal = -1;
    uint32_t loadStartTime = 0;
    int32_t showAllGroups = 0, showAllMessages = 0, showThreads = 0, newsSort = 0;
    int links[4] = {};  // window numbers; 0 none
    int scriptOpener = 0;  // the number of the window whose script opened this one
    uint16_t imagesDone = 0, imagesTotal = 0;
    int32_t historyCount = 0, historyPosition = 0;
    uint16_t frameValue = 0xFFFF;
    bool cachePageFlag = false;
    // The current URL, meant for a frame, went into that frame; cleared
    // with every new current URL.
    bool shownInFrame = false;

private:
    DocumentWindow(int number, HWND view, int32_t width, int32_t height);
    bool MakeOwnedObjects(int32_t width, int32_t height);
    void RepaintBarControl(int id);
    void ShowBarControl(int id, bool show);
    bool BarControlVisible(int id);
    void FocusFrameWhenActive();

    int specialKind_ = 0;
    HWND view_;
    HWND frame_;
    UrlHandle currentUrl_;
    int32_t currentTarget_ = -1;
    std::unique_ptr<PaintDevice> device_;
    std::unique_ptr<DocumentList> list_;
    std::unique_ptr<MessageHandler> handler_;
    bool sizePending_ = false;
    HWND topBar_ = nullptr;
    HWND bottomBar_ = nullptr;
    bool imageFlagA_ = true, imageFlagB_ = true;
    int newsMode_ = 0;
    char shortProgress_[5] = {};
    uint16_t scale_ = 100;
    uint8_t animation_[2] = {};
    char progressText_[201] = {};
    bool showScrollBars_ = true;
    bool showWindowToolbars_ = true;
    int number_;
    bool progressShown_ = false;
    std::string name_;
    uint8_t documentMode_ = 0;
    int loadState_ = kWindowIdle;
    uint8_t securityLevel_ = 10;
    UrlHandle targetUrl_;
    std::string titleUrl_;
    bool hasTitleUrl_ = false;
};
