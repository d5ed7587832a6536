#include "windows/ViewMouse.h"

#include <mmsystem.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <memory>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/FileDialogs.h"
#include "core/SaveFileNames.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/Win32Utilities.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/FormControlWindows.h"
#include "documents/FrameTree.h"
#include "documents/HtmlDocument.h"
#include "documents/HtmlPageDocument.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "layout/FormSubmission.h"
#include "layout/UrlImages.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "net/UrlRecord.h"
#include "security/SecurityStrings.h"
#include "windows/DocumentView.h"
#include "windows/LinkHint.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/PointerArithmetic.h"
#include "windows/ViewArithmetic.h"
#include "windows/WindowList.h"

namespace {

// The state of the mouse across views: one user, one mouse.
struct MouseState {
    bool captured = false;
    bool selecting = false;
    int edgeFlags = 0;  // auto-scroll directions; 0 while the timer is off
    HWND focusedControl = nullptr;
    bool controlChanged = false;
    pointer_math::WheelAccumulator ctrlWheel, shiftWheel;
    // The windows' own wheel for other windows: the rest of the last one.
    HWND wheelWindow = nullptr;
    pointer_math::WheelAccumulator otherWheel;
    UINT rollMessage = WM_MOUSEWHEEL;
    bool nativeWheel = true;
    int wheelLines = 3;
};
MouseState g_mouse;

struct PanState {
    HWND window = nullptr;   // set by the first step
    HWND started = nullptr;  // the window the timer runs for
    UINT timer = 0;
    bool skip = false;
    bool frame = false;
    double accumulator = 0.0;
    double speed = 10.0;
    RECT rect = {};
    POINT centre = {};
    HCURSOR up = nullptr, neutral = nullptr, down = nullptr;
};
PanState g_pan;

// What the last right press found, for the commands of its menu. The
// elements belong to the document, which is checked to be still shown.
struct ContextState {
    HWND owner = nullptr;
    HWND pane = nullptr;           // the view, or the frame's pane
    Document* top = nullptr;       // the owner's current document then
    Document* document = nullptr;  // the one under the mouse (a frame's)
    HtmlElement* link = nullptr;
    HtmlElement* image = nullptr;
};
ContextState g_context;

constexpr uint16_t kNoLink = 0xFFFF;

Document* CurrentDocumentOfList(HWND owner) {
    DocumentList* list = g_windowList ? g_windowList->GetDocumentList(owner) : nullptr;
    return list ? list->GetCurrentDocument() : nullptr;
}

HWND OwnerOf(HWND window, bool frameMode) {
    return frameMode ? GetParent(window) : window;
}

// A device point of the window as a window-relative layout point.
POINT LayoutPoint(HWND owner, LPARAM lParam) {
    const int scale = g_windowList ? g_windowList->GetScale(owner) : 100;
    const int x = static_cast<short>(LOWORD(lParam)), y = static_cast<short>(HIWORD(lParam));
    return {x * 100 / scale, y * 100 / scale};
}

bool Loading(HWND owner) {
    return g_windowList->GetLoadState(owner) == kWindowLoading;
}

bool StatusLineOn() {
    return g_preferences && g_preferences->Get(PrefInt::StatusLine);
}

void SetCursorOf(HWND owner, HCURSOR cursor) {
    g_windowList->SetCursor(owner, cursor);
    ::SetCursor(cursor);
}

HCURSOR LinkCursor() {
    static HCURSOR cursor = LoadCursorA(g_instance ? g_instance : GetModuleHandleA(nullptr), "SELECT");
    return cursor ? cursor : LoadCursor(nullptr, IDC_HAND);
}

void CloseDropDown(HWND owner) {
    if (HWND open = g_windowList->GetOpenDropDown(owner); open && IsWindow(open))
        SendMessageA(open, CB_SHOWDROPDOWN, FALSE, 0);
    g_windowList->SetOpenDropDown(owner, nullptr);
}

// A script of the page may keep the default action for itself.
bool EventAllows(Document* document, int code, POINT p) {
    return document->FireEvent(code, p.x, p.y, 0, 0) != 0;
}

// --- left button --------------------------------------------------------------------

void FollowLinkAt(HWND window, HWND owner, Document* document, POINT p, bool shift) {
    LinkHit hit;
    UrlHandle url = document->ActivateAtPoint(p.x, p.y, &hit);
    if (url.IsEmpty()) {
        if (shift) {
            document->ExtendSelection(p.x, p.y);
        } else {
            document->BeginSelection(p.x, p.y);
            g_mouse.selecting = true;
        }
        return;
    }
    document->ClearSelection();
    // A place of the same page: the page has already moved there.
    if (url.Record() == document->GetUrl().Record() && url.GetFragment() && *url.GetFragment()) return;
    if (!EventAllows(document, kEventLinkClick, p)) return;
    HWND target = owner;
    int targetValue = hit.targetFrame;
    if (HWND chosen = g_windowList->GetLink(owner, 4)) {
        target = chosen;
        targetValue = -1;
    } else if (hit.target[0]) {
        int created = 0;
        target = g_windowList->FindOrOpenNamedWindow(owner, hit.target, &targetValue, &created);
    }
    if (!target) return;
    g_windowList->SetStatusText(target, "");
    (void)FollowLink(target, url, document->GetUrl(), targetValue);
    (void)window;
}

// Why a form was not sent, when the user has not been told yet: a KEYGEN
// field with nothing to make its key, or a fault with a message of its own
// (an upload whose file cannot be read).
void ReportSubmitError(HWND owner, int error) {
    UINT message = 0;
    if (error == kSubmitNoKeyMaker) message = IDS_SECURITY_NOT_AVAILABLE;
    else if (error > kSubmitNoKey) message = static_cast<UINT>(error);
    if (message) (void)ShowStringMessage(owner, message, nullptr, MB_OK | MB_ICONEXCLAMATION);
}

void SubmitFormAt(HWND window, HWND owner, Document* document, POINT p, HtmlElement* element) {
    std::unique_ptr<FormSubmission> submission(document->SubmitAtPoint(p.x, p.y, element));
    if (!submission) return;
    const UrlHandle url = SubmitForm(*submission);
    if (url.IsEmpty()) {
        ReportSubmitError(owner, submission->error);
        return;
    }
    (void)OpenLinkInTarget(url, window == owner ? owner : window, document, -1, submission->target.c_str());
}

void OnLeftDown(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode) {
    HWND owner = OwnerOf(window, frameMode);
    if (DocumentWindow* w = g_windowList->FindWindowById(owner)) SetFocus(w->Frame());
    g_windowList->SetFrameValue(owner, kNoLink);
    g_windowList->SetStatusText(owner, "");
    g_windowList->SetLinkText("");
    if (!Loading(owner)) {
        CloseDropDown(owner);
        Document* document = CurrentDocumentOfList(owner);
        if (document && frameMode && document->HasFrames() && document->GetKind() == kDocHtml) {
            auto* html = static_cast<HtmlDocument*>(document);
            FrameNode* frame = html->FindFrameByWindow(window);
            if (frame) html->SetActiveFrame(frame);
            document = frame ? frame->CurrentDocument() : nullptr;
        }
        if (document) {
            const POINT p = LayoutPoint(owner, lParam);
            const bool shift = (wParam & MK_SHIFT) != 0;
            switch (document->GetCursorKind(p.x, p.y)) {
                case 6: document->BeginBorderDrag(p.x, p.y); break;
                case 7: (void)document->LoadElementImage(document->ElementAtPoint(p.x, p.y)); break;
                case 1:
                    if (EventAllows(document, kEventClick, p)) SubmitFormAt(window, owner, document, p, nullptr);
                    break;
                default: FollowLinkAt(window, owner, document, p, shift); break;
            }
        }
    }
    if ((wParam & MK_LBUTTON) && !g_mouse.captured) {
        g_mouse.captured = true;
        SetCapture(window);
    }
}

void OnLeftUp(HWND window, LPARAM lParam, bool frameMode) {
    HWND owner = OwnerOf(window, frameMode);
    Document* document = Loading(owner) ? nullptr : WindowDocument(owner, window);
    if (document) {
        POINT p = LayoutPoint(owner, lParam);
        p.x = std::clamp<LONG>(p.x, 0, document->Width());
        p.y = std::clamp<LONG>(p.y, 0, document->Height());
        document->EndBorderDrag(p.x, p.y);
        if (g_mouse.selecting) {
            document->ExtendSelection(p.x, p.y);
            g_mouse.selecting = false;
        }
    }
    if (g_mouse.captured) {
        g_mouse.captured = false;
        ReleaseCapture();
        KillTimer(owner, kSelectionTimer);
        g_mouse.edgeFlags = 0;
    }
}

// --- moving -------------------------------------------------------------------------

void HoverLink(HWND owner, Document* document, POINT p) {
    HtmlElement* element = nullptr;
    const char* fragment = nullptr;
    int32_t ismap = 0;
    const char* text = document->DescribePoint(p.x, p.y, &element, &fragment, &ismap);
    const int previous = g_windowList->GetFrameValue(owner) == kNoLink ? -1 : g_windowList->GetFrameValue(owner);
    const int current = element ? element->GetLinkIndex() : -1;
    const bool news = document->GetKind() == kDocNewsList || document->GetKind() == kDocNewsGroup;
    if (previous >= 0 && previous != current) {
        (void)document->FireEvent(kEventMouseOut, p.x, p.y, 0, 0);
        g_windowList->SetFrameValue(owner, kNoLink);
    }
    if (!text || !element) {
        // Off the link: its address goes from the hint, and from the texts
        // that would bring the hint back.
        if (previous >= 0 || (g_windowList->GetLinkText() && *g_windowList->GetLinkText())) {
            g_windowList->SetLinkText("");
            g_windowList->SetStatusText(owner, "");
        }
        HideLinkHint();
        SetCursorOf(owner, LoadCursor(nullptr, IDC_ARROW));
        return;
    }
    if (news) {
        g_windowList->SetStatusText(owner, "");
    } else if (current != previous || current < 0) {
        g_windowList->SetFrameValue(owner, static_cast<uint16_t>(current));
        if (document->FireEvent(kEventMouseOver, p.x, p.y, 0, 0)) ShowLinkStatus(owner, text, fragment);
    } else if (g_windowList->GetStatusText() == nullptr) {
        ShowLinkStatus(owner, text, fragment);
    }
    SetCursorOf(owner, LinkCursor());
}

void OnMouseMove(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode) {
    if (g_pan.window) return;
    HWND owner = OwnerOf(window, frameMode);
    if (Loading(owner)) {
        if (StatusLineOn()) (void)SetStatusText("");
        HideLinkHint();
        return;
    }
    Document* document = WindowDocument(owner, window);
    if (!document) {
        HideLinkHint();
        return;
    }
    const POINT p = LayoutPoint(owner, lParam);
    if (!(wParam & MK_LBUTTON)) {
        if (int border = document->HitFrameBorder(p.x, p.y)) {
            SetCursorOf(owner, LoadCursor(nullptr, border == 1 ? IDC_SIZEWE : IDC_SIZENS));
            HideLinkHint();
        } else if (document->GetCursorKind(p.x, p.y) == 7) {
            SetCursorOf(owner, LinkCursor());
        } else {
            HoverLink(owner, document, p);
        }
        return;
    }
    document->MoveBorderDrag(p.x, p.y);
    g_windowList->SetStatusText(owner, "");
    const int flags = pointer_math::EdgeFlags(p.x, p.y, document->Width(), document->Height());
    if (flags && !g_mouse.edgeFlags) SetTimer(owner, kSelectionTimer, 50, nullptr);
    else if (!flags && g_mouse.edgeFlags) KillTimer(owner, kSelectionTimer);
    g_mouse.edgeFlags = flags;
    if (!flags && g_mouse.selecting) document->ExtendSelection(p.x, p.y);
}

// Auto-scroll while a selection is dragged past an edge.
void OnSelectionTimer(HWND owner) {
    Document* document = CurrentDocumentOfList(owner);
    if (!document) return;
    HWND window = owner;
    bool frameMode = false;
    if (document->HasFrames() && document->GetKind() == kDocHtml) {
        if (FrameNode* frame = static_cast<HtmlDocument*>(document)->ActiveFrame()) {
            window = frame->FrameWindow() ? frame->FrameWindow() : owner;
            frameMode = window != owner;
            document = frame->CurrentDocument();
        }
    }
    if (!document) return;
    POINT cursor;
    GetCursorPos(&cursor);
    ScreenToClient(window, &cursor);
    const int scale = g_windowList->GetScale(owner);
    int32_t x = cursor.x * 100 / scale, y = cursor.y * 100 / scale;
    const int flags = g_mouse.edgeFlags;
    if (flags & 2) {
        ScrollViewHorizontally(window, WM_HSCROLL, SB_LINEDOWN, 0, frameMode);
        x = document->Width();
    } else if (flags & 1) {
        ScrollViewHorizontally(window, WM_HSCROLL, SB_LINEUP, 0, frameMode);
        x = 0;
    }
    if (flags & 8) {
        ScrollViewVertically(window, WM_VSCROLL, SB_LINEDOWN, 0, frameMode);
        y = document->Height();
    } else if (flags & 4) {
        ScrollViewVertically(window, WM_VSCROLL, SB_LINEUP, 0, frameMode);
        y = 0;
    }
    document->ExtendSelection(x, y);
}

bool OnSetCursor(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode) {
    if (reinterpret_cast<HWND>(wParam) != window) return false;
    HWND owner = OwnerOf(window, frameMode);
    if (LOWORD(lParam) != HTCLIENT) {
        ::SetCursor(LoadCursor(nullptr, IDC_ARROW));
        g_windowList->SetStatusText(owner, "");
        (void)SetStatusText("");
        HideLinkHint();
        return true;
    }
    HCURSOR cursor = g_windowList->GetCursor(owner);
    if (!cursor) cursor = LoadCursor(nullptr, IDC_ARROW);
    if (GetCursor() != cursor) ::SetCursor(cursor);
    return true;
}

// --- context menus ------------------------------------------------------------------

void OnRightDown(HWND window, LPARAM lParam, bool frameMode) {
    HWND owner = OwnerOf(window, frameMode);
    int flags = 0;
    g_context = ContextState();
    if (!Loading(owner)) {
        CloseDropDown(owner);
        Document* document = WindowDocument(owner, window);
        // The page menu's frame commands are the frame's under the mouse.
        if (Document* top = CurrentDocumentOfList(owner); frameMode && top && top->GetKind() == kDocHtml) {
            auto* html = static_cast<HtmlDocument*>(top);
            if (FrameNode* frame = html->FindFrameByWindow(window)) html->SetActiveFrame(frame);
        }
        g_context = {owner, window, CurrentDocumentOfList(owner), document, nullptr, nullptr};
        const POINT p = LayoutPoint(owner, lParam);
        HtmlElement* innermost = document ? document->ElementAtPoint(p.x, p.y) : nullptr;
        for (HtmlElement* e = innermost; e; e = e->Parent()) {
            const int type = e->Type();
            if (type == kTagA || type == kTagImg) {
                LinkHit hit;
                HtmlElement* element = nullptr;
                const char* fragment = nullptr;
                int32_t ismap = 0;
                (void)document->DescribePoint(p.x, p.y, &element, &fragment, &ismap);
                UrlHandle url;
                if (element && element->RecordAs<AnchorRecord>() && element->RecordAs<AnchorRecord>()->href)
                    url = *element->RecordAs<AnchorRecord>()->href;
                g_windowList->SetContextUrl(url);
                if (!url.IsEmpty() && (e != innermost || type == kTagImg)) flags |= 1;
                if (type == kTagImg) {
                    flags |= 2;
                    g_context.image = e;
                } else {
                    g_context.link = e;
                }
            } else if (type == kTagInput && !e->GetImageUrl().IsEmpty()) {
                flags |= 2;
                g_context.image = e;
            }
        }
    }
    const char* name = flags == 1 ? "LinkMenu" : flags == 2 ? "ImageMenu" : flags == 3 ? "ImageLinkMenu" : "DefaultMenu";
    HMENU menu = LoadMenuA(g_instance ? g_instance : GetModuleHandleA(nullptr), name);
    if (!menu) return;
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    ClientToScreen(window, &at);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, window, nullptr);
    DestroyMenu(menu);
}

// The document the menu was opened on, while its window still shows it.
Document* ContextDocument() {
    if (!g_windowList || !g_context.document || !g_windowList->IsDocumentWindow(g_context.owner)) return nullptr;
    if (CurrentDocumentOfList(g_context.owner) != g_context.top) return nullptr;
    // A frame may have gone on to another document since.
    return WindowDocument(g_context.owner, g_context.pane) == g_context.document ? g_context.document : nullptr;
}

// The image the context menu was opened on, while its page is still shown.
HtmlElement* ContextImage() {
    if (!g_context.image || !g_windowList->IsDocumentWindow(g_context.owner)) return nullptr;
    return CurrentDocumentOfList(g_context.owner) == g_context.top ? g_context.image : nullptr;
}

// The decoded image of the URL as a device-independent bitmap on the
// clipboard.
void CopyImageOfUrl(const UrlHandle& url) {
    ImageHandle image = url.IsEmpty() ? ImageHandle() : ImageOfUrl(url);
    const uint32_t size = image.IsEmpty() ? 0 : image.Get()->GetDibSize();
    if (!size) return;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block) return;
    auto* bytes = static_cast<uint8_t*>(GlobalLock(block));
    const bool copied = bytes && image.Get()->CopyDib(bytes, size);
    if (bytes) GlobalUnlock(block);
    if (!copied || !SetClipboardBlock(g_context.owner, CF_DIB, block)) GlobalFree(block);
}

// The URL's data in a file the user names, its own name proposed.
void SaveImageOfUrl(const UrlHandle& url) {
    if (url.IsEmpty() || !url.GetName()) return;
    ProposedFile proposed = SplitFileNameFromUrl(url.GetName());
    char name[MAX_PATH] = {};
    lstrcpynA(name, proposed.name.c_str(), sizeof name);
    if (!ShowSaveFileDialog(g_context.owner, 0, IDS_IMAGE_FILE_FILTER, name, proposed.filter)) return;
    if (!url->SaveToFile(name) && g_messageBoxes)
        g_messageBoxes->ShowError(g_context.owner, IDS_IMAGE_NOT_SAVED, nullptr, name);
}

LRESULT CmdCopyImage(HWND, UINT, WPARAM, LPARAM) {
    if (HtmlElement* element = ContextImage()) CopyImageOfUrl(element->GetImageUrl());
    return 0;
}

LRESULT CmdSaveImage(HWND, UINT, WPARAM, LPARAM) {
    if (HtmlElement* element = ContextImage()) SaveImageOfUrl(element->GetImageUrl());
    return 0;
}

// The background image of the document under the menu.
UrlHandle ContextBackground() {
    Document* d = ContextDocument();
    return d ? d->GetBackgroundImageUrl() : UrlHandle();
}

LRESULT CmdCopyBackground(HWND, UINT, WPARAM, LPARAM) {
    CopyImageOfUrl(ContextBackground());
    return 0;
}

LRESULT CmdSaveBackground(HWND, UINT, WPARAM, LPARAM) {
    SaveImageOfUrl(ContextBackground());
    return 0;
}

LRESULT CmdCopyBackgroundAddress(HWND, UINT, WPARAM, LPARAM) {
    const UrlHandle url = ContextBackground();
    if (!url.IsEmpty() && url.GetName()) (void)CopyTextToClipboard(g_frameWindow, url.GetName());
    return 0;
}

// The background comes from its server again; a window that showed its
// page idle shows the load in its progress display until the page has it.
LRESULT CmdReloadBackground(HWND, UINT, WPARAM, LPARAM) {
    Document* d = ContextDocument();
    auto* html = d && d->GetKind() == kDocHtml ? static_cast<HtmlDocument*>(d) : nullptr;
    HtmlPageDocument* page = html ? html->Page() : nullptr;
    DocumentWindow* w = g_windowList->FindWindowById(g_context.owner);
    if (!page || !w) return 0;
    // Only the window's own page reports its end to the window.
    const bool ownPage = d == g_context.top && w->LoadState() == kWindowIdle;
    if (!page->ReloadBackground() || !ownPage) return 0;
    w->StartProgress(true);
    w->SetLoadState(kWindowLoading);
    w->SetLoadState(kWindowUsable);
    return 0;
}

// Loads the image the menu was opened on (its page held images back).
LRESULT CmdGetFigure(HWND, UINT, WPARAM, LPARAM) {
    HtmlElement* element = ContextImage();
    DocumentWindow* w = element ? g_windowList->FindWindowById(g_context.owner) : nullptr;
    if (!w || !g_context.document) return 0;
    const bool idle = w->LoadState() == kWindowIdle || w->LoadState() == kWindowJustMade;
    if (idle) {
        w->StartProgress(true);
        w->SetLoadState(kWindowLoading);
        w->SetLoadState(kWindowUsable);
    }
    if (w->ImagesRestricted()) w->SetImageMode(2);
    if (!g_context.document->LoadElementImage(element) && idle) {
        w->ResetProgress();
        w->SetLoadState(kWindowIdle);
    }
    return 0;
}

// --- form controls ------------------------------------------------------------------

// The point of a control: its top-left corner plus 1 pixel (5 for a
// submission), as a window-relative layout point.
POINT ControlPoint(HWND owner, HWND control, int inset) {
    RECT r;
    GetWindowRect(control, &r);
    POINT p = {r.left + inset, r.top + inset};
    ScreenToClient(owner, &p);
    return LayoutPoint(owner, MAKELPARAM(p.x, p.y));
}

int FieldTypeAt(Document* document, POINT p, HtmlElement** element) {
    *element = document->ElementAtPoint(p.x, p.y);
    FormFieldRecord* field = *element ? (*element)->GetFormField() : nullptr;
    return field ? field->fieldType : -1;
}

// A reset button puts its form back through the page that lays it out.
void ResetFormOf(Document* document, HtmlElement* element) {
    Document* top = document->GetTopDocument();
    for (Document* d : {document, top}) {
        if (d && d->GetKind() == kDocHtml) {
            if (HtmlPageDocument* page = static_cast<HtmlDocument*>(d)->Page()) {
                page->SubmitOrResetForm(element, false);
                return;
            }
        }
        if (d && d->GetKind() == kDocHtmlPage) {
            static_cast<HtmlPageDocument*>(d)->SubmitOrResetForm(element, false);
            return;
        }
    }
}

bool OnControlCommand(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode) {
    HWND owner = OwnerOf(window, frameMode);
    const int id = LOWORD(wParam), code = HIWORD(wParam);
    HWND control = reinterpret_cast<HWND>(lParam);
    Document* document = WindowDocument(owner, window);
    if (!document) return false;
    HtmlElement* element = nullptr;
    if (!control && code == 0) {
        // Enter in a field, as the dialog keys send it.
        if (!g_mouse.focusedControl || !IsWindow(g_mouse.focusedControl)) return false;
        const POINT p = ControlPoint(owner, g_mouse.focusedControl, 5);
        if (EventAllows(document, kEventClick, p)) SubmitFormAt(window, owner, document, p, nullptr);
        return true;
    }
    if (!control) return false;
    switch (id) {
        case kIdPushButton:
            if (code == BN_CLICKED) {
                const POINT p = ControlPoint(owner, control, 5);
                const int type = FieldTypeAt(document, p, &element);
                if (!EventAllows(document, kEventClick, p)) return true;
                if (type == kFieldSubmit || type == kFieldImage) SubmitFormAt(window, owner, document, p, element);
                else if (type == kFieldReset) ResetFormOf(document, element);
            }
            return true;
        case kIdTextField: case kIdTextArea: {
            const POINT p = ControlPoint(owner, control, 1);
            if (code == EN_SETFOCUS) {
                g_mouse.focusedControl = control;
                g_mouse.controlChanged = false;
                (void)document->FireEvent(kEventFocus, p.x, p.y, 0, 0);
            } else if (code == EN_KILLFOCUS) {
                if (g_mouse.controlChanged) (void)document->FireEvent(kEventChange, p.x, p.y, 0, 0);
                (void)document->FireEvent(kEventBlur, p.x, p.y, 0, 0);
                g_mouse.focusedControl = nullptr;
            } else if (code == EN_CHANGE) {
                g_mouse.controlChanged = true;
            }
            return true;
        }
        case kIdDropDown:
            if (code == CBN_DROPDOWN) g_windowList->SetOpenDropDown(owner, control);
            else if (code == CBN_CLOSEUP) g_windowList->SetOpenDropDown(owner, nullptr);
            else if (code == CBN_SELCHANGE) {
                const POINT p = ControlPoint(owner, control, 1);
                (void)document->FireEvent(kEventChange, p.x, p.y, 0, 0);
            }
            return true;
        case kIdListBox:
            if (code == LBN_SELCHANGE) {
                const POINT p = ControlPoint(owner, control, 1);
                (void)document->FireEvent(kEventChange, p.x, p.y, 0, 0);
            }
            return true;
        case kIdCheckBox: case kIdRadioButton:
            if (code == BN_CLICKED) {
                const POINT p = ControlPoint(owner, control, 1);
                (void)document->FireEvent(kEventClick, p.x, p.y, 0, 0);
            }
            return true;
        default:
            return false;
    }
}

// --- panning ------------------------------------------------------------------------

void CALLBACK PanTimerCallback(UINT, UINT, DWORD_PTR user, DWORD_PTR, DWORD_PTR) {
    PostMessageA(reinterpret_cast<HWND>(user), kMsgPanStep, 0, 0);
}

void StartPanning(HWND window) {
    StopPanning();
    timeBeginPeriod(10);
    SetCapture(window);
    RECT client;
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    ClipCursor(&client);
    g_pan.timer = timeSetEvent(10, 0, PanTimerCallback, reinterpret_cast<DWORD_PTR>(window), TIME_PERIODIC);
    g_pan.started = window;
    if (!g_pan.timer) {
        g_pan.started = nullptr;
        ReleaseCapture();
        ClipCursor(nullptr);
        timeEndPeriod(10);
    }
}

void OnMiddleUp(HWND window, WPARAM wParam, bool frameMode) {
    // With Ctrl the press already set the scale back to 100.
    if (wParam == MK_CONTROL) {
        if (frameMode) PostMessageA(OwnerOf(window, frameMode), kMsgZoom, 0, view_math::AbsoluteZoom(100));
        return;
    }
    if (wParam != 0) return;
    if (g_pan.timer && g_pan.started == window) StopPanning();
    else StartPanning(window);
}

bool StepMessageWaiting(HWND window) {
    MSG m;
    return PeekMessageA(&m, window, WM_MOUSEFIRST, WM_MOUSELAST, PM_NOREMOVE | PM_NOYIELD) ||
           PeekMessageA(&m, window, WM_KEYFIRST, WM_KEYLAST, PM_NOREMOVE | PM_NOYIELD);
}

void OnPanStep(HWND window) {
    if (g_pan.skip) {
        g_pan.skip = false;
        return;
    }
    int steps = 1;
    MSG m;
    while (PeekMessageA(&m, window, kMsgPanStep, kMsgPanStep, PM_REMOVE | PM_NOYIELD)) ++steps;
    if (steps > 1) g_pan.skip = true;
    if (!g_pan.timer || StepMessageWaiting(window)) return;
    if (g_pan.window != window) {
        char className[16] = {};
        GetClassNameA(window, className, sizeof className);
        g_pan.frame = lstrcmpA(className, "FRAMES") == 0;
        HWND frame = g_pan.frame ? GetParent(GetParent(window)) : GetParent(window);
        if (g_mdiClient && frame) SendMessageA(g_mdiClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(frame), 0);
        g_pan.window = window;
        GetWindowRect(window, &g_pan.rect);
        g_pan.centre = {(g_pan.rect.left + g_pan.rect.right) / 2, (g_pan.rect.top + g_pan.rect.bottom) / 2};
        HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
        g_pan.up = LoadCursorA(instance, "PAN_UP");
        g_pan.neutral = LoadCursorA(instance, "PAN_SUD");
        g_pan.down = LoadCursorA(instance, "PAN_DOWN");
        SetCursorPos(g_pan.centre.x, g_pan.centre.y);
        g_pan.speed = 10.0;
        g_pan.accumulator = 0.0;
        return;
    }
    POINT cursor;
    GetCursorPos(&cursor);
    if (WindowFromPoint(cursor) != window) return;
    const int32_t dy = cursor.y - g_pan.centre.y;
    if (pointer_math::InPanDeadZone(dy)) {
        ::SetCursor(g_pan.neutral);
        return;
    }
    ::SetCursor(dy < 0 ? g_pan.up : g_pan.down);
    g_pan.accumulator += pointer_math::PanStepAmount(dy, std::abs(g_pan.rect.bottom - g_pan.rect.top), steps);
    if (std::fabs(g_pan.accumulator) >= 1.0) {
        SmoothScroll(window, static_cast<int>(g_pan.accumulator), &g_pan.speed, 5.0, g_pan.frame);
        g_pan.accumulator = 0.0;
    }
}

// Whether the message ends panning before anything else sees it.
bool StopsPanning(UINT message) {
    if (message >= WM_LBUTTONDOWN && message <= WM_RBUTTONDBLCLK) return true;
    if (message >= WM_KEYUP && message <= WM_SYSDEADCHAR) return true;
    return message == WM_MOUSEWHEEL;
}

// --- wheel --------------------------------------------------------------------------

void OnWheel(HWND window, WPARAM wParam, bool frameMode) {
    const int delta = static_cast<short>(HIWORD(wParam));
    const int keys = LOWORD(wParam);
    HWND owner = OwnerOf(window, frameMode);
    if (keys == 0) {
        // A notch scrolls the set lines whatever the delta's size.
        for (int i = 0; i < g_mouse.wheelLines; ++i)
            ScrollViewVertically(window, WM_VSCROLL, delta > 0 ? SB_LINEUP : SB_LINEDOWN, 0, frameMode);
    } else if (keys == MK_CONTROL) {
        if (int notches = g_mouse.ctrlWheel.Add(delta))
            PostMessageA(owner, kMsgZoom, 0, view_math::RelativeZoom(notches * 10));
    } else if (keys == MK_SHIFT) {
        const int notches = g_mouse.shiftWheel.Add(delta);
        for (int i = 0; i < std::abs(notches); ++i) {
            if (notches < 0) (void)NavigatePrevious(owner);
            else (void)NavigateNext(owner);
        }
    }
}

}  // namespace

Document* WindowDocument(HWND owner, HWND window) {
    Document* document = CurrentDocumentOfList(owner);
    if (document && document->HasFrames() && document->GetKind() == kDocHtml) {
        if (FrameNode* frame = static_cast<HtmlDocument*>(document)->FindFrameByWindow(window))
            return frame->CurrentDocument();
    }
    return document;
}

Document* ContextMenuDocument(HWND* owner) {
    Document* d = ContextDocument();
    if (owner) *owner = d ? g_context.owner : nullptr;
    return d;
}

HtmlElement* ContextMenuLink() {
    return ContextDocument() ? g_context.link : nullptr;
}

void RegisterViewMouseCommands() {
    static const CommandBinding bindings[] = {
        {CMD_COPY_IMAGE, CmdCopyImage},
        {CMD_SAVE_IMAGE, CmdSaveImage},
        {CMD_GET_FIGURE, CmdGetFigure},
        {CMD_SEL_RELOAD, CmdReloadBackground},
        {CMD_SEL_COPY, CmdCopyBackground},
        {CMD_SEL_SAVE, CmdSaveBackground},
        {CMD_SEL_COPY_ADDRESS, CmdCopyBackgroundAddress},
    };
    RegisterCommands(bindings);
}

HWND OpenLinkInTarget(const UrlHandle& url, HWND window, Document* document, int target, const char* targetName) {
    if (!g_windowList || url.IsEmpty()) return nullptr;
    HWND owner = g_windowList->IsDocumentWindow(window) ? window : GetParent(window);
    HWND into = g_windowList->GetLink(owner, 4);
    if (into) {
        target = -1;
    } else {
        char name[128] = {};
        lstrcpynA(name, targetName ? targetName : "", sizeof name);
        int32_t frame = target;
        if (name[0] == '_' && document) {
            document->ResolveTarget(name, &frame);
            target = frame;
        }
        into = owner;
        if (name[0]) {
            int created = 0;
            into = g_windowList->FindOrOpenNamedWindow(owner, name, &target, &created);
        } else if (target == -2) {
            int created = 0;
            into = g_windowList->FindOrOpenNamedWindow(nullptr, nullptr, &target, &created);
        }
    }
    if (!into) return nullptr;
    g_windowList->SetStatusText(into, "");
    g_windowList->SetLinkText("");
    return OpenUrlInWindow(into, url, nullptr, true, 0, document ? document->GetUrl() : UrlHandle(), target);
}

void ShowLinkStatus(HWND window, const char* url, const char* fragment) {
    if (!g_windowList || !url) return;
    std::string text = url;
    if (fragment && *fragment) text += std::string("#") + fragment;
    if (StatusLineOn()) (void)SetStatusText(text.c_str());
    g_windowList->SetStatusText(window, text.c_str());
    g_windowList->SetLinkText(text.c_str());
    // The hint shows after the delay; one already shown takes the new text.
    RestartLinkHintDelay();
    if (HWND hint = LinkHintWindow(); hint && IsWindowVisible(hint) && g_preferences &&
                                      g_preferences->Get(PrefInt::PopupLinkAddress))
        UpdateLinkHint(false);
}

bool HandleViewMouseMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam, bool frameMode,
                            LRESULT* result) {
    if (!g_windowList) return false;
    *result = 0;
    if (g_pan.timer && StopsPanning(message)) {
        StopPanning();
        return false;
    }
    switch (message) {
        case WM_KILLFOCUS:
            if (g_pan.timer) StopPanning();
            return false;
        case WM_LBUTTONDOWN: OnLeftDown(window, wParam, lParam, frameMode); break;
        case WM_LBUTTONUP: OnLeftUp(window, lParam, frameMode); break;
        case WM_MOUSEMOVE: OnMouseMove(window, wParam, lParam, frameMode); break;
        case WM_SETCURSOR:
            if (!OnSetCursor(window, wParam, lParam, frameMode)) return false;
            *result = 1;
            return true;
        case WM_RBUTTONDOWN: OnRightDown(window, lParam, frameMode); break;
        case WM_MBUTTONUP: OnMiddleUp(window, wParam, frameMode); break;
        case WM_MOUSEWHEEL: OnWheel(window, wParam, frameMode); return true;
        case WM_TIMER:
            if (wParam != kSelectionTimer) return false;
            OnSelectionTimer(OwnerOf(window, frameMode));
            return true;
        default:
            if (message == kMsgPanStep) {
                OnPanStep(window);
                return true;
            }
            return false;
    }
    *result = DefWindowProcA(window, message, wParam, lParam);
    return true;
}

void StopPanning() {
    // The timer runs from the middle release on, before the first step
    // makes the window the panned one.
    if (g_pan.timer) {
        timeKillEvent(g_pan.timer);
        g_pan.timer = 0;
        ReleaseCapture();
        ClipCursor(nullptr);
        timeEndPeriod(10);
    }
    g_pan.window = nullptr;
    g_pan.started = nullptr;
    g_pan.skip = false;
}

HWND PannedWindow() {
    return g_pan.timer ? g_pan.started : nullptr;
}

void SmoothScroll(HWND window, int amount, double* speed, double maxStep, bool frameMode) {
    if (amount == 0) return;
    timeBeginPeriod(1);
    const DWORD start = timeGetTime();
    for (int32_t step : pointer_math::SmoothScrollSteps(amount, *speed, maxStep))
        ScrollViewByPixels(window, frameMode, step);
    *speed = pointer_math::NextPanSpeed(std::max(*speed, 1.0), timeGetTime() - start, amount);
    timeEndPeriod(1);
}

void InitWheelSupport() {
    OSVERSIONINFOA version = {};
    version.dwOSVersionInfoSize = sizeof version;
    g_mouse.nativeWheel = true;
#if defined(_MSC_VER) || defined(__GNUC__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
#endif
    if (GetVersionExA(&version))
        g_mouse.nativeWheel = (version.dwPlatformId == VER_PLATFORM_WIN32_NT && version.dwMajorVersion >= 4) ||
                              version.dwMajorVersion >= 5;
#if defined(_MSC_VER) || defined(__GNUC__)
#pragma GCC diagnostic pop
#endif
    if (g_mouse.nativeWheel) {
        g_mouse.rollMessage = WM_MOUSEWHEEL;
        UINT lines = 3;
        if (SystemParametersInfoA(SPI_GETWHEELSCROLLLINES, 0, &lines, 0)) g_mouse.wheelLines = static_cast<int>(lines);
        return;
    }
    HWND driver = FindWindowA("MouseZ", "Magellan MSWHEEL");
    g_mouse.rollMessage = RegisterWindowMessageA("MSWHEEL_ROLLMSG");
    const UINT support = RegisterWindowMessageA("MSH_WHEELSUPPORT_MSG");
    const UINT lines = RegisterWindowMessageA("MSH_SCROLL_LINES_MSG");
    g_mouse.wheelLines = 3;
    if (driver && lines) g_mouse.wheelLines = static_cast<int>(SendMessageA(driver, lines, 0, 0));
    if (!support || !driver || !SendMessageA(driver, support, 0, 0)) g_mouse.rollMessage = 0;
}

UINT WheelRollMessage() {
    return g_mouse.rollMessage;
}

int WheelScrollLines() {
    return g_mouse.wheelLines;
}

bool TranslateDriverWheelMessage(MSG* message) {
    if (!message || !g_mouse.rollMessage || message->message != g_mouse.rollMessage) return false;
    POINT at = message->pt;
    if (HWND under = WindowFromPoint(at)) message->hwnd = under;
    if (!g_mouse.nativeWheel) {
        const bool swapped = GetSystemMetrics(SM_SWAPBUTTON) != 0;
        WORD keys = 0;
        if (GetKeyState(VK_CONTROL) & 0x8000) keys |= MK_CONTROL;
        if (GetKeyState(VK_SHIFT) & 0x8000) keys |= MK_SHIFT;
        if (GetKeyState(VK_LBUTTON) & 0x8000) keys |= swapped ? MK_RBUTTON : MK_LBUTTON;
        if (GetKeyState(VK_RBUTTON) & 0x8000) keys |= swapped ? MK_LBUTTON : MK_RBUTTON;
        if (GetKeyState(VK_MBUTTON) & 0x8000) keys |= MK_MBUTTON;
        message->wParam = MAKEWPARAM(keys, LOWORD(message->wParam));
        message->message = WM_MOUSEWHEEL;
    }
    return true;
}

LRESULT ScrollWindowByWheel(HWND window, UINT message, WPARAM wParam) {
    (void)message;
    if (LOWORD(wParam)) return 0;
    if (window != g_mouse.wheelWindow) {
        g_mouse.wheelWindow = window;
        g_mouse.otherWheel.Clear();
    }
    const int lines = pointer_math::WheelLines(g_mouse.otherWheel.Add(static_cast<short>(HIWORD(wParam))),
                                               g_mouse.wheelLines);
    for (int i = 0; i < std::abs(lines); ++i) PostMessageA(window, WM_VSCROLL, lines < 1 ? SB_LINEDOWN : SB_LINEUP, 0);
    return 1;
}

bool HandleViewControlCommand(HWND window, WPARAM wParam, LPARAM lParam, bool frameMode) {
    return g_windowList && OnControlCommand(window, wParam, lParam, frameMode);
}
