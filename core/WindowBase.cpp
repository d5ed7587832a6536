#include "core/WindowBase.h"

#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"

WindowBase::~WindowBase() {
    if (window_ && IsWindow(window_)) {
        // The window outlived its object: it must not reach it any more.
        SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        DestroyWindow(window_);
    }
}

WindowBase* WindowBase::FromHandle(HWND window) {
    return window ? reinterpret_cast<WindowBase*>(GetWindowLongPtrA(window, GWLP_USERDATA)) : nullptr;
}

ATOM WindowBase::RegisterWindowClass(WNDCLASSA& windowClass) {
    windowClass.lpfnWndProc = StaticProcedure;
    return RegisterClassA(&windowClass);
}

HWND WindowBase::CreateWindowFor(DWORD exStyle, const char* className, const char* title, DWORD style, int x,
                                 int y, int width, int height, HWND parent, HMENU menu, HINSTANCE instance) {
    return CreateWindowExA(exStyle, className, title, style, x, y, width, height, parent, menu, instance,
                           this);
}

LRESULT WindowBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefaultHandling(message, wParam, lParam);
}

LRESULT WindowBase::DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(window_, message, wParam, lParam);
}

LRESULT CALLBACK WindowBase::StaticProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<CREATESTRUCTA*>(lParam);
        void* parameter = create->lpCreateParams;
        // An MDI child made by the client gets the client's record, which
        // carries the maker's parameter.
        if ((create->dwExStyle & WS_EX_MDICHILD) && parameter)
            parameter = reinterpret_cast<void*>(static_cast<MDICREATESTRUCTA*>(parameter)->lParam);
        auto* made = static_cast<WindowBase*>(parameter);
        if (made) {
            made->window_ = window;
            SetWindowLongPtrA(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(made));
        }
    }
    WindowBase* object = FromHandle(window);
    if (!object) return DefWindowProcA(window, message, wParam, lParam);
    LRESULT result = object->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(window, GWLP_USERDATA, 0);
        object->window_ = nullptr;
        object->OnFinalMessage();
    }
    return result;
}

DialogBase::~DialogBase() {
    if (dialog_ && IsWindow(dialog_)) {
        SetWindowLongPtrA(dialog_, DWLP_USER, 0);
        DestroyWindow(dialog_);
    }
}

DialogBase* DialogBase::FromHandle(HWND dialog) {
    return dialog ? reinterpret_cast<DialogBase*>(GetWindowLongPtrA(dialog, DWLP_USER)) : nullptr;
}

INT_PTR DialogBase::RunModal(HINSTANCE instance, const char* templateName, HWND owner) {
    INT_PTR result =
        DialogBoxParamA(instance, templateName, owner, StaticProcedure, reinterpret_cast<LPARAM>(this));
    if (result == -1) ReportDialogFailure(templateName);
    return result;
}

HWND DialogBase::CreateModeless(HINSTANCE instance, const char* templateName, HWND owner) {
    return CreateDialogParamA(instance, templateName, owner, StaticProcedure, reinterpret_cast<LPARAM>(this));
}

HWND DialogBase::CreatePanel(const char* templateName, HWND parent, int kind) {
    return CreatePanelFromTemplate(templateName, parent, 0, StaticProcedure, reinterpret_cast<LPARAM>(this), kind);
}

INT_PTR DialogBase::HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) {
    LRESULT result;
    if (DialogProcFront(dialog_, message, wParam, lParam, PanelNone, helpContext_, &result, colourFlags_))
        return result;
    switch (message) {
        case WM_INITDIALOG:
            return OnInitDialog();
        case WM_COMMAND:
            return OnCommand(message, wParam, lParam);
        default:
            return OnOtherMessage(message, wParam, lParam);
    }
}

INT_PTR DialogBase::OnCommand(UINT message, WPARAM wParam, LPARAM lParam) {
    return CommandDispatcher(dialog_, message, wParam, lParam);
}

INT_PTR CALLBACK DialogBase::StaticProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* made = reinterpret_cast<DialogBase*>(lParam);
        made->dialog_ = dialog;
        SetWindowLongPtrA(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(made));
    }
    DialogBase* object = FromHandle(dialog);
    if (!object) return FALSE;
    INT_PTR result = object->HandleMessage(message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(dialog, DWLP_USER, 0);
        object->dialog_ = nullptr;
        object->OnFinalMessage();
    }
    return result;
}
