// The one pattern of the program's windows and dialogs: an object per window.
// The static procedure finds the object in the window's pointer-sized user
// data (GWLP_USERDATA of a window, DWLP_USER of a dialog), stored when the
// window is made, and forwards every message to the object's handler.
//
// The object owns nothing of the window's life: the window may go first (the
// object then answers a null handle) or the object may go first (it destroys
// its window). Messages sent before the object is known (those before
// WM_NCCREATE or WM_INITDIALOG) get the default handling. An MDI child made
// through the MDI client passes the object as its MDICREATESTRUCT's lParam.
#pragma once
#include <windows.h>

#include "core/DialogRuntime.h"

class WindowBase {
public:
    WindowBase() = default;
    virtual ~WindowBase();
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND Handle() const { return window_; }
    // The object of a window made by this pattern, or null.
    static WindowBase* FromHandle(HWND window);

    // Registers a class whose procedure forwards to the objects; the class's
    // lpfnWndProc is set here.
    static ATOM RegisterWindowClass(WNDCLASSA& windowClass);

protected:
    // Makes the window of a class registered above, with this object as its
    // own; null when it could not be made.
    HWND CreateWindowFor(DWORD exStyle, const char* className, const char* title, DWORD style, int x, int y,
                         int width, int height, HWND parent, HMENU menu, HINSTANCE instance);
    // Every message of the window.
    virtual LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    // What a message not handled gets: DefWindowProc unless a kind of window
    // has another default (a frame's DefFrameProc).
    virtual LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam);
    // After the window's last message, when the object no longer has a
    // window: an object that owns itself deletes itself here.
    virtual void OnFinalMessage() {}

private:
    static LRESULT CALLBACK StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

    HWND window_ = nullptr;
};

class DialogBase {
public:
    // The help page of the dialog's context (0: none) and the colour flags
    // of the dialog run-time's front step (see DialogProcFront).
    explicit DialogBase(int helpContext = 0, int colourFlags = DialogGreyControls)
        : helpContext_(helpContext), colourFlags_(colourFlags) {}
    virtual ~DialogBase();
    DialogBase(const DialogBase&) = delete;
    DialogBase& operator=(const DialogBase&) = delete;

    HWND Handle() const { return dialog_; }
    // The object of a dialog made by this pattern, or null.
    static DialogBase* FromHandle(HWND dialog);

    // A modal dialog of the template: what EndDialog was given, or -1 when it
    // could not be made (the user has been told).
    INT_PTR RunModal(HINSTANCE instance, const char* templateName, HWND owner);
    // A modeless dialog of the template: its window, or null when it could
    // not be made (the caller decides whether to tell the user).
    HWND CreateModeless(HINSTANCE instance, const char* templateName, HWND owner);
    // A child panel of the kind (PanelKind) made from the template inside
    // the parent (see CreatePanelFromTemplate); null when it could not be
    // made. A panel answers its kind itself, in its HandleMessage.
    HWND CreatePanel(const char* templateName, HWND parent, int kind);

protected:
    // Every message of the dialog, as a dialog procedure answers it (TRUE:
    // handled; FALSE: the dialog manager's default). First the run-time's
    // front step (help, colours), then WM_INITDIALOG and WM_COMMAND to their
    // handlers and the rest to OnOtherMessage.
    virtual INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnInitDialog() { return TRUE; }
    // By default the command dispatcher's: a button means the same in every
    // dialog as in the menus.
    virtual INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam);
    virtual INT_PTR OnOtherMessage(UINT message, WPARAM wParam, LPARAM lParam) { return FALSE; }
    // After the dialog's last message, when the object no longer has a
    // window: a modeless dialog that owns itself deletes itself here.
    virtual void OnFinalMessage() {}

private:
    static INT_PTR CALLBACK StaticProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

    HWND dialog_ = nullptr;
    int helpContext_;
    int colourFlags_;
};
