// What documents need of the document windows above them. The window layer
// installs its services at start-up; until then (and in tests that show
// documents in a plain window) every answer is the neutral one: 100 %
// scale, images shown and loaded, no window list.
#pragma once
#include <windows.h>

#include <cstdint>

class DocumentList;
class MessageHandler;
class PaintDevice;

// Image modes of a window: 1 no images, 2 images shown but loaded on
// request, 3 shown and loaded automatically.
constexpr int kImagesNone = 1;
constexpr int kImagesOnRequest = 2;
constexpr int kImagesAutomatic = 3;

class DocumentWindowServices {
public:
    virtual ~DocumentWindowServices() = default;
    // The history of the document window whose view is window, or null.
    virtual DocumentList* GetDocumentList(HWND window) { return nullptr; }
    // The window's security level may only fall.
    virtual void LowerSecurityLevel(HWND window, uint8_t level) {}
    virtual int GetScale(HWND window) { return 100; }
    virtual int GetImageMode(HWND window) { return kImagesAutomatic; }
    // The window's document mode (document colours and the like).
    virtual int GetDocumentMode(HWND window) { return 0; }
    virtual bool GetLoadFlagA(HWND window) { return false; }
    virtual void SetLoadFlagA(HWND window, bool on) {}
    // The window's load state (2: idle) and the start of its progress.
    virtual int GetLoadState(HWND window) { return 0; }
    virtual void SetLoadState(HWND window, int state) {}
    virtual void StartProgress(HWND window) {}
    virtual uint32_t GetWindowUrlId(HWND window) { return 0; }
    virtual int GetWindowNumber(HWND window) { return 1; }
    virtual bool GetShowScrollBars(HWND window) { return false; }
    virtual void UpdateScrollBars(HWND window) {}
    // Scrolls the view by dy layout units without asking the document.
    virtual void ScrollViewVertically(HWND window, int32_t dy) {}
    // Scrolls the view, or a pane of its frame set, by (dx, dy) layout
    // units as its scroll bars would: its document's offsets follow.
    virtual void ScrollViewBy(HWND window, int32_t dx, int32_t dy) {}
    // The device takes its window's client rectangle again (after refreshing
    // itself when asked).
    virtual void RelayoutDevice(PaintDevice& device, bool refresh) {}
    // Plays a local media file in the rectangle of the device's window, and
    // stops what plays there.
    virtual void PlayInlineMedia(PaintDevice& device, const RECT& rect, int contentKind, const char* path) {}
    virtual void StopInlineMedia(PaintDevice& device) {}
    // A message of a frame's pane that the window answers as its view's:
    // the mouse and the wheel, the commands of the pane's context menu, the
    // pane's scroll bars. True when taken, with its result.
    virtual bool HandlePaneMessage(HWND pane, UINT message, WPARAM wParam, LPARAM lParam, LRESULT* result) {
        return false;
    }
};

// Installed by the window layer; null restores the neutral services.
void SetDocumentWindowServices(DocumentWindowServices* services);
DocumentWindowServices& WindowServices();

// The window object that owns a history (the document window).
class HistoryOwner {
public:
    virtual ~HistoryOwner() = default;
    virtual MessageHandler* Handler() = 0;
    virtual PaintDevice* Device() = 0;
    // The window's id: the handle of its view.
    virtual HWND ViewWindow() = 0;
    // The history drop-down of the window.
    virtual void PushHistoryCombo(const char* text) {}
    virtual void DropHistoryComboTop(int lines) {}
    virtual void DropHistoryComboBottom(int lines) {}
    // The window's image setting, passed to a document shown again.
    virtual int ImageSetting() { return 0; }
};
