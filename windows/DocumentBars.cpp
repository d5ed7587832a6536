#include "windows/DocumentBars.h"

#include <algorithm>
#include <string>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "resources/BrowsingIds.h"
#include "windows/BarPainting.h"
#include "windows/DocumentBarHost.h"
#include "windows/DocumentBarLayout.h"
#include "windows/ZoomField.h"

bool g_zoomFieldHasFocus = false;

namespace {

const char kBottomTemplate[] = "BOTTOMTOOLBARFULL";
const char kNewsTemplate[] = "TOPTOOLBAR4";
constexpr int kLongestAddress = 500;

std::string ControlText(HWND dialog, int id, int longest) {
    std::string text(static_cast<size_t>(longest) + 1, '\0');
    int n = GetDlgItemTextA(dialog, id, &text[0], longest + 1);
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

int TextWidth(HDC dc, const char* text) {
    SIZE size{};
    GetTextExtentPoint32A(dc, text, lstrlenA(text), &size);
    return size.cx;
}

// The text of an entry of a combo box's list.
std::string EntryText(HWND combo, LRESULT index) {
    LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    length = SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&text[0]));
    text.resize(length == CB_ERR || length < 0 ? 0 : static_cast<size_t>(length));
    return text;
}

// The edit part of a drop-down combo box.
HWND ComboEdit(HWND combo) {
    return combo ? GetWindow(combo, GW_CHILD) : nullptr;
}

class DocumentBar : public DialogBase {
public:
    DocumentBar(DocumentBarHost& host, int kind) : DialogBase(HELP_BARS), host_(host), kind_(kind) {}

    HWND Make(const char* templateName, HWND frame) {
        HWND bar = CreatePanel(templateName, frame, kind_);
        if (bar && !RegisterModelessDialog(bar)) {
            DestroyWindow(bar);  // the window takes this object with it
            bar = nullptr;
        }
        return bar;
    }

    void Layout() {
        HWND bar = Handle();
        if (!bar) return;
        BarMetrics m = Measure();
        BarLayout layout = Arrange(m);
        if (layout.controls.empty()) return;
        HDWP moves = BeginDeferWindowPos(static_cast<int>(layout.controls.size()));
        for (const auto& c : layout.controls) {
            HWND control = GetDlgItem(bar, c.id);
            if (!control) continue;
            UINT flags = SWP_NOZORDER | SWP_NOACTIVATE | (c.shown ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
            if (!c.shown) flags |= SWP_NOMOVE | SWP_NOSIZE;
            if (moves) moves = DeferWindowPos(moves, control, nullptr, c.x, c.y, c.width, c.height, flags);
        }
        if (moves) EndDeferWindowPos(moves);
        RECT client, outer;
        GetClientRect(bar, &client);
        if (client.bottom != layout.height) {
            GetWindowRect(bar, &outer);
            int border = (outer.bottom - outer.top) - client.bottom;
            SetWindowPos(bar, nullptr, 0, 0, outer.right - outer.left, layout.height + border,
                         SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
            host_.LayoutBars();
        }
    }

protected:
    virtual BarLayout Arrange(const BarMetrics& m) const = 0;
    virtual bool SmallButtons() const = 0;
    virtual int FieldControl() const = 0;  // a field whose height is the control height

    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result;
        if (DialogProcFront(Handle(), message, wParam, lParam, kind_, HELP_BARS, &result)) return result;
        switch (message) {
            case WM_INITDIALOG:
                return OnInitDialog();
            case WM_NCDESTROY:
                UnregisterModelessDialog(Handle());
                return FALSE;
            case WM_SIZE:
                Layout();
                return TRUE;
            case WM_DRAWITEM:
                return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
            case WM_COMMAND:
                return OnCommand(message, wParam, lParam);
            default:
                return FALSE;
        }
    }
    virtual INT_PTR OnDrawItem(const DRAWITEMSTRUCT* item) = 0;
    void OnFinalMessage() override {
        if (goneFlag_) *goneFlag_ = true;
        delete this;
    }

    DocumentBarHost& host_;

public:
    // Set while the bar is being made: tells the maker that the window
    // came and went, taking this object with it.
    bool* goneFlag_ = nullptr;

private:
    BarMetrics Measure() const {
        BarMetrics m;
        RECT r;
        GetClientRect(Handle(), &r);
        m.barWidth = r.right;
        bool small = SmallButtons();
        m.buttonWidth = g_preferences && !small ? g_preferences->GetButtonWidth() : 22;
        m.buttonHeight = g_preferences && !small ? g_preferences->GetButtonHeight() : 20;
        m.progressStyle = g_preferences ? g_preferences->Get(PrefInt::ToolbarType) : 0;
        m.smallButtons = small;
        m.arrowWidth = GetSystemMetrics(SM_CXVSCROLL);
        HWND field = GetDlgItem(Handle(), FieldControl());
        RECT fr{};
        if (field) GetWindowRect(field, &fr);
        HDC dc = GetDC(Handle());
        HGDIOBJ old = SelectObject(dc, BarFont());
        TEXTMETRICA tm{};
        GetTextMetricsA(dc, &tm);
        // A field as tall as its text and the edit's frame, or as the
        // closed combo box where there is one.
        m.controlHeight = std::max<int>(tm.tmHeight + 8, std::min<int>(fr.bottom - fr.top, tm.tmHeight + 12));
        m.digits5 = TextWidth(dc, "22222");
        m.digits7 = TextWidth(dc, "2222222");
        m.digits8 = TextWidth(dc, "22222222");
        m.digits10 = TextWidth(dc, "2222222222");
        SelectObject(dc, old);
        ReleaseDC(Handle(), dc);
        return m;
    }

    int kind_;
};

class BottomBar : public DocumentBar {
public:
    explicit BottomBar(DocumentBarHost& host) : DocumentBar(host, PanelBottomBar) {}

    void ShowScale() {
        SetDlgItemTextA(Handle(), IDC_BAR_ZOOM, ZoomFieldText(host_.Scale()).c_str());
    }
    void Refresh() {
        for (int id : kBottomBarPainted) InvalidateRect(GetDlgItem(Handle(), id), nullptr, FALSE);
        InvalidateRect(GetDlgItem(Handle(), IDC_BAR_IMAGE_MODE), nullptr, FALSE);
    }

protected:
    BarLayout Arrange(const BarMetrics& m) const override { return LayoutBottomWindowBar(m); }
    bool SmallButtons() const override {
        return g_preferences && g_preferences->Get(PrefInt::SmallProgressButtons) != 0;
    }
    int FieldControl() const override { return IDC_BAR_ZOOM; }

    INT_PTR OnInitDialog() override {
        HWND bar = Handle();
        SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOREDRAW | SWP_NOACTIVATE);
        for (int id : {IDC_BAR_ZOOM, IDC_BAR_HISTORY}) {
            HWND combo = GetDlgItem(bar, id);
            SendMessageA(combo, WM_SETFONT, reinterpret_cast<WPARAM>(BarFont()), FALSE);
            SendMessageA(ComboEdit(combo), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, MAKELONG(3, 3));
            SendMessageA(combo, CB_SETEXTENDEDUI, TRUE, 0);
        }
        HWND zoom = GetDlgItem(bar, IDC_BAR_ZOOM);
        SendMessageA(zoom, CB_RESETCONTENT, 0, 0);
        for (const char* entry : kZoomListEntries)
            SendMessageA(zoom, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry));
        ShowScale();
        return TRUE;
    }

    INT_PTR OnDrawItem(const DRAWITEMSTRUCT* item) override {
        if (!item) return FALSE;
        if (item->CtlID == IDC_BAR_IMAGE_MODE) {
            DrawImageModeButton(item, host_.ImagesOff(), host_.ImagesRestricted());
            return TRUE;
        }
        if (IsBottomBarPainted(static_cast<int>(item->CtlID))) {
            DrawBarItem(item, host_.FieldText(static_cast<int>(item->CtlID)));
            return TRUE;
        }
        return HandleDraw3dButton(item);
    }

    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        switch (id) {
            case IDOK:
                if (code != 0) return FALSE;
                if (g_zoomFieldHasFocus) {
                    ApplyTypedZoom();
                } else {
                    AddressEnter();
                }
                return TRUE;
            case IDCANCEL:
                if (code != 0) return FALSE;
                SendDlgItemMessageA(Handle(), IDC_BAR_HISTORY, CB_SHOWDROPDOWN, FALSE, 0);
                return TRUE;
            case IDC_BAR_HISTORY:
                if (code == CBN_SETFOCUS) g_zoomFieldHasFocus = false;
                if (code == CBN_SELENDOK) AddressSelect();
                return TRUE;
            case IDC_BAR_ZOOM:
                if (code == CBN_SETFOCUS) g_zoomFieldHasFocus = true;
                if (code == CBN_SELENDOK) ApplyChosenZoom();
                return TRUE;
            case IDC_BAR_STOP:
                if (code == 0) host_.StopLoading();
                return code == 0;
            case IDC_BAR_IMAGES:
                if (code == 0) host_.CycleImageMode();
                return code == 0;
            case IDC_BAR_DOCUMENT_MODE:
                if (code == 0) host_.ToggleDocumentMode();
                return code == 0;
            default:
                return FALSE;
        }
    }

private:
    static constexpr int kBottomBarPainted[] = {IDC_BAR_STOP,     IDC_BAR_IMAGES,      IDC_BAR_PROGRESS_TEXT,
                                                IDC_BAR_PERCENT,  IDC_BAR_FIGURES,     IDC_BAR_BYTES,
                                                IDC_BAR_DOCUMENT_MODE, IDC_BAR_SECURITY, IDC_BAR_CONNECTIONS,
                                                IDC_BAR_TIME};
    static bool IsBottomBarPainted(int id) {
        return std::find(std::begin(kBottomBarPainted), std::end(kBottomBarPainted), id) !=
               std::end(kBottomBarPainted);
    }

    // Enter in the zoom field: the typed scale, bounded and rounded, is
    // written back and applied; text that is no number shows the scale
    // again.
    void ApplyTypedZoom() {
        int scale = ScaleFromTypedZoom(ControlText(Handle(), IDC_BAR_ZOOM, 15));
        HWND zoom = GetDlgItem(Handle(), IDC_BAR_ZOOM);
        SendMessageA(zoom, CB_SHOWDROPDOWN, FALSE, 0);
        if (scale < 0) {
            ShowScale();
            return;
        }
        SetWindowTextA(zoom, ZoomFieldText(scale).c_str());
        host_.SetScale(scale);
    }

    void ApplyChosenZoom() {
        HWND zoom = GetDlgItem(Handle(), IDC_BAR_ZOOM);
        LRESULT chosen = SendMessageA(zoom, CB_GETCURSEL, 0, 0);
        if (chosen < 0 || chosen >= static_cast<LRESULT>(std::size(kZoomListEntries))) return;
        int scale = ScaleFromZoomEntry(kZoomListEntries[chosen]);
        if (scale > 0) host_.SetScale(scale);
    }

    void AddressEnter() {
        HWND history = GetDlgItem(Handle(), IDC_BAR_HISTORY);
        std::string text = ControlText(Handle(), IDC_BAR_HISTORY, kLongestAddress);
        if (text.empty()) return;
        LRESULT chosen = SendMessageA(history, CB_GETCURSEL, 0, 0);
        // The list keeps the entry of the page shown (and the system's combo
        // selects an entry the typed text begins) while the edit holds a new
        // address: an entry counts as chosen only while the edit shows it.
        if (chosen >= 0 && EntryText(history, chosen) == text) {
            SendMessageA(history, CB_SHOWDROPDOWN, FALSE, 0);
            SetFocus(GetParent(Handle()));
            ShowChosenEntry(chosen);
            return;
        }
        host_.OpenTypedAddress(text);
    }

    // The list closed on a choice: a click on an entry, or Enter while it
    // was dropped down (the combo takes that Enter for itself), which means
    // the address typed in the field when the field no longer shows the
    // entry.
    void AddressSelect() { AddressEnter(); }

    // The list shows the newest entry first.
    void ShowChosenEntry(LRESULT chosen) {
        LRESULT count = SendDlgItemMessageA(Handle(), IDC_BAR_HISTORY, CB_GETCOUNT, 0, 0);
        if (count > chosen) host_.ShowHistoryEntry(static_cast<int>(count - chosen));
    }
};

constexpr int BottomBar::kBottomBarPainted[];

class NewsBar : public DocumentBar {
public:
    explicit NewsBar(DocumentBarHost& host) : DocumentBar(host, PanelTopBar) {}

protected:
    BarLayout Arrange(const BarMetrics& m) const override { return LayoutTopWindowBar(host_.BarMode(), m); }
    bool SmallButtons() const override {
        return g_preferences && g_preferences->Get(PrefInt::SmallNewsButtons) != 0;
    }
    int FieldControl() const override { return IDC_NEWS_FILTER; }

    INT_PTR OnInitDialog() override {
        for (int id : {IDC_NEWS_SORT, IDC_NEWS_FILTER})
            SendDlgItemMessageA(Handle(), id, WM_SETFONT, reinterpret_cast<WPARAM>(BarFont()), FALSE);
        return TRUE;
    }

    INT_PTR OnDrawItem(const DRAWITEMSTRUCT* item) override {
        if (HandleDraw3dButton(item)) return TRUE;
        if (!item || item->CtlType != ODT_BUTTON) return FALSE;
        DrawBarItem(item, std::string());
        return TRUE;
    }

    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM lParam) override {
        int id = LOWORD(wParam);
        int code = HIWORD(wParam);
        bool fromButton = code == 0 && lParam != 0 && id != IDC_NEWS_SORT && id != IDC_NEWS_FILTER;
        if (fromButton || (id == IDC_NEWS_SORT && code == CBN_SELENDOK) ||
            (id == IDC_NEWS_FILTER && code == EN_UPDATE)) {
            host_.NewsBarCommand(id, code);
            return TRUE;
        }
        return FALSE;
    }
};

DocumentBar* BarOf(HWND bar) {
    return dynamic_cast<DocumentBar*>(DialogBase::FromHandle(bar));
}

template <typename Bar>
HWND MakeBar(const char* templateName, HWND frame, DocumentBarHost& host) {
    bool gone = false;
    auto* made = new Bar(host);
    made->goneFlag_ = &gone;
    HWND bar = made->Make(templateName, frame);
    if (!gone) made->goneFlag_ = nullptr;
    if (!bar) {
        // A window that was made took the object with it; without one the
        // object is still here.
        if (!gone) delete made;
        ShowStringMessage(frame, 4001, templateName, MB_ICONHAND);
        return nullptr;
    }
    ShowWindow(bar, SW_SHOW);
    return bar;
}

}  // namespace

HWND CreateBottomToolbar(HWND frame, DocumentBarHost& host) {
    return MakeBar<BottomBar>(kBottomTemplate, frame, host);
}

HWND CreateNewsToolbar(HWND frame, DocumentBarHost& host) {
    HWND bar = MakeBar<NewsBar>(kNewsTemplate, frame, host);
    if (bar) {
        LayoutDocumentBar(bar);
        SetWindowPos(bar, nullptr, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return bar;
}

void LayoutDocumentBar(HWND bar) {
    if (DocumentBar* object = BarOf(bar)) object->Layout();
}

void RefreshBottomToolbar(HWND bar) {
    if (auto* object = dynamic_cast<BottomBar*>(DialogBase::FromHandle(bar))) object->Refresh();
}

void ShowScaleInBottomToolbar(HWND bar) {
    if (auto* object = dynamic_cast<BottomBar*>(DialogBase::FromHandle(bar))) object->ShowScale();
}
