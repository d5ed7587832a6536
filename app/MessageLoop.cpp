#include "app/MessageLoop.h"

#include "app/FrameWindow.h"
#include "core/AppGlobals.h"
#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "windows/ViewMouse.h"
#include "windows/WindowCommands.h"

HWND g_lastMouseWindow = nullptr;

namespace {

// The highest message the drain step takes (a WM_USER range the dialogs use
// stays in the queue for the next full pass).
constexpr UINT kLastDrainedMessage = 0x464;

void NoteMouseMove(const MSG& m) {
    if (m.message != WM_MOUSEMOVE || m.hwnd == g_lastMouseWindow) return;
    if (g_lastMouseWindow) {
        POINT at = m.pt;
        SendMessageA(g_lastMouseWindow, kMsgMouseLeft, reinterpret_cast<WPARAM>(m.hwnd),
                     reinterpret_cast<LPARAM>(&at));
    }
    g_lastMouseWindow = m.hwnd;
}

// The steps from the keyboard hook to the tool-bar dialogs; true when one
// took the message.
bool Filtered(MSG& m, bool drained) {
    if (HandleShortcutKey(m)) return true;
    if (g_mdiClient) {
        if (TranslateMDISysAccel(g_mdiClient, &m)) return true;
        if (!drained && m.message == WM_KEYDOWN && m.hwnd == g_mdiClient) {
            // Keys that reach the MDI client itself are the frame's.
            if (g_frameWindow && g_accelerators) TranslateAcceleratorA(g_frameWindow, g_accelerators, &m);
            return true;
        }
    }
    return FrameMessageFilter(&m) != 0;
}

void Deliver(MSG& m) {
    TranslateMessage(&m);
    DispatchMessageA(&m);
}

void PumpDeferred() {
    if (g_mainHandler) g_mainHandler->PumpDeferred();
}

}  // namespace

int RunMessageLoop() {
    MSG m;
    while (GetMessageA(&m, nullptr, 0, 0) > 0) {
        NoteMouseMove(m);
        (void)TranslateDriverWheelMessage(&m);
        if (Filtered(m, false)) {
            PumpDeferred();
            continue;
        }
        Deliver(m);
        PumpDeferred();
        // One more waiting message, so input keeps up with a busy queue.
        MSG more;
        if (!PeekMessageA(&more, nullptr, 0, kLastDrainedMessage, PM_REMOVE)) continue;
        if (more.message == WM_QUIT) {
            // Put it back with its own exit code.
            PostQuitMessage(static_cast<int>(more.wParam));
            continue;
        }
        (void)TranslateDriverWheelMessage(&more);
        if (Filtered(more, true))
            PumpDeferred();
        else
            Deliver(more);
    }
    return static_cast<int>(m.wParam);
}
