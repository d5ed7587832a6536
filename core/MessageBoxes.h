// Error, information and question boxes whose text comes from the string
// table: an error status is the id of its message. A box has an optional
// caption (cut to 50 characters and "..." past 53), an optional prefix (the
// URL or file concerned, cut the same way, then an empty line) and the
// message, 300 characters in all.
#pragma once
#include <windows.h>

// Shows a box and answers the button pressed; the document windows install
// their timed box (which closes itself after [SPECIAL] BOX TIME OUT
// seconds), MessageBoxA until then.
using MessageBoxFunction = int (*)(HWND owner, const char* text, const char* caption, UINT style);
void SetTimedMessageBox(MessageBoxFunction show);
// A box of the caller's own text through the installed function.
int ShowTextBox(HWND owner, const char* text, const char* caption, UINT style);

class MessageBoxes {
public:
    // Loads the internal-error text; HasLanguage tells whether it was there.
    MessageBoxes();
    bool HasLanguage() const { return hasLanguage_; }

    // A null owner means the frame window.
    void ShowError(HWND owner, UINT id, const char* caption, const char* prefix) const;
    void ShowInfo(HWND owner, UINT id, const char* caption) const;
    // IDOK or IDCANCEL.
    int AskOkCancel(HWND owner, UINT id, const char* caption) const;
    // IDYES, IDNO, or with the flag IDCANCEL too.
    int AskYesNo(HWND owner, UINT id, const char* caption, const char* prefix, bool withCancel) const;
    // Text and caption from the string table ("Warning" and "Zintu" when
    // missing); the owner is passed on as given.
    int ShowStringTableBox(HWND owner, UINT textId, UINT captionId, UINT style) const;

    // The text of a box: the prefix rule, then the message or, for a
    // missing id, the internal-error text (with the id when withId).
    void ComposeText(UINT id, const char* prefix, bool withId, char* text, size_t size) const;

private:
    int Show(MessageBoxFunction show, HWND owner, UINT id, const char* caption, const char* prefix,
             bool withId, UINT style) const;

    char internalError_[300];
    bool hasLanguage_ = false;
};

// The one message-box object, made by start-up after the settings.
extern MessageBoxes* g_messageBoxes;

// Start-up's check that the string table is there: makes g_messageBoxes and
// answers true; without the table it shows "Could not load language. Out of
// resource memory." and answers false, and start-up must end.
[[nodiscard]] bool CreateMessageBoxes();
void DestroyMessageBoxes();

// The caption rule: a caption of at most 53 characters whole, a longer one
// cut to 50 and "...", an empty or missing one "Zintu".
void ComposeCaption(const char* caption, char* out, size_t size);

// LoadStringA from the program: the length of the text, 0 when the id has none.
int LoadStringResource(UINT id, char* buffer, int size);
// 1 when a text was loaded, else 0.
int LoadStringChecked(UINT id, char* buffer, int size);

// Puts the text into the current window of the status-window table; answers
// 0 when there is none (the document windows write their own status bars).
int SetStatusText(const char* text);
