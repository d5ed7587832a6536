// The progress dialog of long tasks, and the text and nickname prompts.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/ListNode.h"

// One user of the progress dialog. Deleting it destroys its window.
class ProgressEntry : public ListNode {
public:
    ~ProgressEntry() override;
    HWND window = nullptr;
    uint8_t value = 0;  // percent, or a step counter
    int32_t cancelled = 0;
    int32_t percentStyle = 0;  // nonzero: value is a percentage; zero: a moving block
};

// The one progress window (null when none).
HWND ProgressWindow();

// Opens the progress dialog (or brings the open one forward), appends an
// entry for the caller and answers the window, or null.
HWND OpenProgressDialog(HWND owner, const char* caption, const char* text, int percentStyle);

// Ends one user's entry (the last one made for that window) and with it the
// window.
void ReleaseProgressDialog(HWND window);

namespace ProgressDialog {
void SetBarState(HWND window, unsigned value);
unsigned GetBarState(HWND window);
int IsCancelled(HWND window);
void Cancel(HWND window);
int IsPercentStyle(HWND window);
// The bar's filled part within its inner rectangle [left, right).
void BarExtent(int left, int width, unsigned value, bool percentStyle, int* from, int* to);
}  // namespace ProgressDialog

// Modal prompts: 1 for OK, 2 for Cancel (-1 when the dialog cannot be made).
INT_PTR AskText(HWND owner, const char* prompt, char* buffer, int bufferSize);
INT_PTR AskNickname(HWND owner);
