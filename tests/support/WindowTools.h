// Helpers for tests that open real windows under Wine (and Xvfb).
#pragma once
#include <windows.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

// The first top-level window of this process with the class (and, when given,
// the title), or null.
HWND FindWindowByClass(const char* className, const char* title = nullptr);
// The same for the windows of another process (a program the test started).
HWND FindWindowOfProcess(DWORD pid, const char* className, const char* title = nullptr);
std::string WindowTitle(HWND window);

// Runs this thread's message loop until the predicate holds or the time is
// up; answers the predicate's last value.
bool PumpUntil(const std::function<bool()>& done,
               std::chrono::milliseconds timeout = std::chrono::seconds(5));
// Runs the message loop for the given time.
void PumpFor(std::chrono::milliseconds time);
// The same, giving the dialog its keys as the program's loop gives its
// registered dialogs: Enter and Esc reach its OK and Cancel buttons.
void PumpDialogKeysFor(HWND dialog, std::chrono::milliseconds time);
// Puts the text into an edit (or a combo box's edit part) of the dialog,
// gives it the focus and presses the key there.
void TypeAndPress(HWND dialog, HWND edit, const char* text, WPARAM key);
// Presses the key and lets it go through the system's input queue, as a
// person on the keyboard would, the held keys (Shift, Control...) down
// around it. Sends only: the caller runs the loop that should see them.
void SendKeyPress(WORD key, const std::vector<WORD>& held = {});

// A plain hidden window of a class of our own; its messages go to the handler
// when one is given (the window keeps it until destroyed), else to
// DefWindowProc.
using TestWindowHandler = std::function<LRESULT(HWND, UINT, WPARAM, LPARAM)>;
HWND CreateTestWindow(TestWindowHandler handler = nullptr, const char* title = "zintu-test");

// Presses a button of a dialog box as soon as one with the title shows up
// (checked from another thread, since a modal box runs its own loop), so a
// modal box never hangs a run. Stops when destroyed.
class DialogPresser {
public:
    DialogPresser(std::string title, int buttonId);
    ~DialogPresser();
    DialogPresser(const DialogPresser&) = delete;
    DialogPresser& operator=(const DialogPresser&) = delete;
    // The text of the dialog's static controls as last seen, joined by '\n'.
    std::string SeenText() const;
    int Presses() const { return presses_.load(); }

private:
    std::string title_;
    int buttonId_;
    std::atomic<bool> stop_{false};
    std::atomic<int> presses_{0};
    mutable std::atomic_flag lock_ = ATOMIC_FLAG_INIT;
    std::string seen_;
    std::thread thread_;
};

// Works a modal dialog of this process from another thread: waits for a
// dialog with the title, lets it paint, then runs the steps (which may
// press buttons themselves) and presses the button when one is given.
// Found tells whether it showed up.
class DialogDriver {
public:
    DialogDriver(const char* title, std::function<void(HWND)> steps, int button = 0);
    ~DialogDriver();
    DialogDriver(const DialogDriver&) = delete;
    DialogDriver& operator=(const DialogDriver&) = delete;
    bool Found() const { return found_; }

private:
    std::atomic<bool> stop_{false}, found_{false};
    std::thread thread_;
};

// The texts of a window's static controls, joined by '\n'.
std::string StaticTexts(HWND window);

// Posts a button's click to a dialog, as the button itself would send it.
void PressDialogButton(HWND dialog, int id);

// Types the path into an open or save dialog's file-name field (a combo box
// or an edit, by the system's version); answers the name it held before.
std::string TypeFileName(HWND dialog, const std::string& path);

// The folder of the running test program, with its trailing backslash (the
// helper programs built beside it are found there).
std::string ProgramFolder();

// The window on screen as a picture: saved beside the test program as
// name.bmp and checked (a test failure otherwise) to hold drawn content:
// at least three colours inside it.
void CheckWindowScreenshot(HWND window, const std::string& name);

// The pixels of a window's client area as 0x00RRGGBB, row by row from the
// top, as they are on the screen now; width and height receive its size.
std::vector<uint32_t> CaptureClientArea(HWND window, int& width, int& height);

// The clipboard's CF_TEXT ("(clipboard busy)" when it cannot be opened),
// and emptying it.
std::string ClipboardText();
void ClearClipboard();

// Real mouse input through the system's queue: the pointer to a point of
// the window's client area, or a button (MOUSEEVENTF_*, with a wheel's
// delta); then the messages it brought are pumped.
void SendMouseTo(HWND window, POINT client);
void SendMouseButton(DWORD flags, int wheel = 0);

// Saves the whole screen as a BMP file; answers false when it could not.
bool SaveScreenshot(const std::string& path);

// A square 24-bit bitmap in a memory DC, filled with one colour, for
// drawing tests that read pixels back.
class MemoryCanvas {
public:
    explicit MemoryCanvas(int size = 48, COLORREF fill = RGB(255, 255, 255));
    ~MemoryCanvas();
    MemoryCanvas(const MemoryCanvas&) = delete;
    MemoryCanvas& operator=(const MemoryCanvas&) = delete;
    COLORREF At(int x, int y) const { return GetPixel(dc, x, y) & 0xFFFFFF; }

    HDC dc = nullptr;

private:
    HBITMAP bitmap_ = nullptr;
    HGDIOBJ old_ = nullptr;
};

// Call once from a test program's main (or a global environment): when a
// test fails, the screen is saved beside the test as <suite>.<test>.bmp.
void InstallScreenshotOnFailure();

}  // namespace testing_support
