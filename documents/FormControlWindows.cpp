#include "documents/FormControlWindows.h"

#include <algorithm>
#include <commdlg.h>
#include <cstring>
#include <map>
#include <utility>

#include "core/Preferences.h"
#include "documents/DocumentWindows.h"
#include "html/HtmlElement.h"
#include "layout/ScreenDevice.h"
#include "resources/FormIds.h"

namespace {
// The fields that have windows, in the order they were made: the order of
// the page, which Tab follows.
std::vector<FormControl*>& LiveFields() {
    static std::vector<FormControl*> fields;
    return fields;
}

constexpr char kFieldProperty[] = "ZintuFormField";
constexpr int kCheckPixels = 17;
constexpr int kMaxDropDownPixels = 300;
constexpr int kChooserBufferSize = 8192;

// Subclassing: the class procedure of each kind, kept once for the program.
enum FieldKind { kKindEdit = 0, kKindButton = 1, kKindList = 2, kKindCombo = 3, kKindCount = 4 };
WNDPROC g_classProcs[kKindCount] = {};

LRESULT CALLBACK EditProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ButtonProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ListProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
LRESULT CALLBACK ComboProc(HWND w, UINT m, WPARAM wp, LPARAM lp);
const WNDPROC kFieldProcs[kKindCount] = {EditProc, ButtonProc, ListProc, ComboProc};

void Subclass(HWND window, FieldKind kind, FormControl* field) {
    SetPropA(window, kFieldProperty, field);
    const auto old = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(kFieldProcs[kind])));
    if (!g_classProcs[kind]) g_classProcs[kind] = old;
}

std::string WindowText(HWND window) {
    const int length = static_cast<int>(SendMessageA(window, WM_GETTEXTLENGTH, 0, 0));
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, &text[0], length + 1);
    text.resize(static_cast<size_t>(got > 0 ? got : 0));
    return text;
}

HWND Hwnd(void* window) {
    return static_cast<HWND>(window);
}

int32_t ToUnits(int32_t pixels, int scale) {
    return scale > 0 ? pixels * 100 / scale : pixels;
}
int32_t ToPixels(int32_t units, int scale) {
    return units * scale / 100;
}

// The window, font and placing that every windowed field shares.
class FieldWindow {
public:
    FieldWindow(PaintDevice& device, int fontIndex) : device_(device), fontIndex_(fontIndex) {
        screen_ = dynamic_cast<ScreenDevice*>(&device);
        font_ = screen_ ? screen_->AcquireControlFont(fontIndex) : nullptr;
        if (!font_) font_ = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    }
    ~FieldWindow() {
        Destroy();
        if (screen_) screen_->ReleaseControlFont(fontIndex_);
    }
    void Destroy() {
        if (window_) DestroyWindow(window_);
        window_ = nullptr;
    }
    FieldWindow(const FieldWindow&) = delete;
    FieldWindow& operator=(const FieldWindow&) = delete;

    HWND Create(const char* className, int id, DWORD style, DWORD exStyle, const char* text,
                void* parameter = nullptr) {
        window_ = CreateWindowExA(
            exStyle, className, text ? text : "", style, 0, 0, 10, 10, static_cast<HWND>(device_.Window()),
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), GetModuleHandleA(nullptr), parameter);
        if (window_) SendMessageA(Hwnd(window_), WM_SETFONT, reinterpret_cast<WPARAM>(font_), 0);
        return window_;
    }
    // The average character width and height of the font, and a text's
    // extent, in pixels.
    void Measure(int32_t& ave, int32_t& height, const std::string* text = nullptr,
                 int32_t* extent = nullptr) {
        HDC dc = GetDC(window_);
        HGDIOBJ old = SelectObject(dc, font_);
        TEXTMETRICA metrics = {};
        GetTextMetricsA(dc, &metrics);
        ave = metrics.tmAveCharWidth > 0 ? metrics.tmAveCharWidth : 1;
        height = metrics.tmHeight > 0 ? metrics.tmHeight : 1;
        if (text && extent) {
            SIZE size = {};
            GetTextExtentPoint32A(dc, text->data(), static_cast<int>(text->size()), &size);
            *extent = size.cx;
        }
        SelectObject(dc, old);
        ReleaseDC(window_, dc);
    }
    void Size(int32_t width, int32_t height) {
        SetWindowPos(window_, nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOACTIVATE | SWP_NOZORDER);
    }
    // Moves the window to the place in layout units at the bottom of the
    // z-order, then shows it.
    void Place(int32_t x, int32_t y) {
        const int scale = device_.GetScale();
        SetWindowPos(window_, HWND_BOTTOM, ToPixels(x, scale), ToPixels(y, scale), 0, 0,
                     SWP_NOSIZE | SWP_NOACTIVATE);
        SetWindowPos(window_, nullptr, 0, 0, 0, 0,
                     SWP_SHOWWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    // Hidden while the page is laid out again.
    void Hide() {
        if (window_) ShowWindow(window_, SW_HIDE);
    }
    // The size of the field's box in pixels, and in layout units at the
    // device's present scale.
    void SetBox(int32_t wide, int32_t high) {
        boxWide_ = wide;
        boxHigh_ = high;
    }
    void BoxUnits(int32_t& width, int32_t& height) {
        width = ToUnits(boxWide_, Scale());
        height = ToUnits(boxHigh_, Scale());
    }
    int Scale() { return device_.GetScale(); }
    HWND Handle() const { return window_; }
    HFONT Font() const { return font_; }

private:
    PaintDevice& device_;
    ScreenDevice* screen_ = nullptr;
    int fontIndex_;
    HFONT font_ = nullptr;
    HWND window_ = nullptr;
    int32_t boxWide_ = 0, boxHigh_ = 0;
};

// A window-less field with its window: placing, hiding, focusing and the
// size in layout units go through the window.
template <class Control>
class WithWindow : public Control {
public:
    template <class... Args>
    WithWindow(PaintDevice& device, int fontIndex, Args&&... args)
        : Control(device, std::forward<Args>(args)...), field_(device, fontIndex) {}

protected:
    void PlaceWindow(int32_t x, int32_t y) override { field_.Place(x, y); }
    void HideWindow() override { field_.Hide(); }
    void Rescale() override { field_.BoxUnits(this->width_, this->height_); }
    void Focus() override {
        if (this->window_) SetFocus(Hwnd(this->window_));
    }
    bool HasFocus() const override {
        const HWND focus = GetFocus();
        return this->window_ && focus && (focus == Hwnd(this->window_) || IsChild(Hwnd(this->window_), focus));
    }

    FieldWindow field_;
};

void AddLive(FormControl* field) {
    LiveFields().push_back(field);
}
void RemoveLive(FormControl* field) {
    auto& fields = LiveFields();
    fields.erase(std::remove(fields.begin(), fields.end(), field), fields.end());
}

// --- INPUT ---------------------------------------------------------------------------------

// Radio buttons of one name in one window: checking one clears the others.
void ClearOtherRadios(HWND checked) {
    const HWND parent = GetParent(checked);
    const auto* group = static_cast<const std::string*>(GetPropA(checked, "ZintuRadioName"));
    for (FormControl* other : LiveFields()) {
        HWND w = static_cast<HWND>(other->Window());
        if (!w || w == checked || GetParent(w) != parent || other->Type() != kControlRadio) continue;
        const auto* otherGroup = static_cast<const std::string*>(GetPropA(w, "ZintuRadioName"));
        if (group && otherGroup && *group == *otherGroup) SendMessageA(w, BM_SETCHECK, BST_UNCHECKED, 0);
    }
}

bool IsButtonType(int type) {
    return type == kControlSubmit || type == kControlReset || type == kControlButton;
}

class InputWindow : public WithWindow<InputControl> {
public:
    InputWindow(PaintDevice& device, int type, int32_t size, int32_t maxLength, const char* value,
                bool checked, const std::string& group)
        : WithWindow(device, IsButtonType(type) ? kControlFontButton : kControlFontField, type, size,
                     maxLength, value, checked),
          group_(group) {
        if (type == kControlHidden || type == kControlImage) return;
        const DWORD child = WS_CHILD | WS_TABSTOP;
        if (IsButton()) {
            field_.Create("BUTTON", kIdPushButton, child, 0, Label().c_str());
        } else if (type == kControlCheckbox) {
            field_.Create("BUTTON", kIdCheckBox, child | BS_AUTOCHECKBOX, 0, "");
        } else if (type == kControlRadio) {
            field_.Create("BUTTON", kIdRadioButton, child | BS_AUTORADIOBUTTON, 0, "");
        } else {
            const DWORD password = type == kControlPassword ? ES_PASSWORD : 0;
            field_.Create("EDIT", kIdTextField, child | ES_AUTOHSCROLL | password, WS_EX_CLIENTEDGE,
                          value_.c_str());
        }
        window_ = field_.Handle();
        if (!window_) return;
        Subclass(Hwnd(window_), IsButton() || IsCheckable() ? kKindButton : kKindEdit, this);
        if (type == kControlRadio) SetPropA(Hwnd(window_), "ZintuRadioName", &group_);
        int32_t pixelsWide = kCheckPixels, pixelsHigh = kCheckPixels;
        if (IsCheckable()) {
            SendMessageA(Hwnd(window_), BM_SETCHECK, checked_ ? BST_CHECKED : BST_UNCHECKED, 0);
        } else {
            int32_t ave = 0, height = 0, extent = -1;
            const std::string label = Label();
            field_.Measure(ave, height, IsButton() ? &label : nullptr, IsButton() ? &extent : nullptr);
            ComputeSize(ave, height, IsButton() ? extent : -1);
            pixelsWide = width_;
            pixelsHigh = height_;
            if (!IsButton()) {
                if (maxLength_ > 0)
                    SendMessageA(Hwnd(window_), EM_LIMITTEXT, static_cast<WPARAM>(maxLength_), 0);
                const LRESULT margins = SendMessageA(Hwnd(window_), EM_GETMARGINS, 0, 0);
                SendMessageA(Hwnd(window_), EM_SETMARGINS, EC_LEFTMARGIN | EC_RIGHTMARGIN, margins);
            }
        }
        field_.Size(pixelsWide, pixelsHigh);
        field_.SetBox(pixelsWide, pixelsHigh);
        Rescale();
        AddLive(this);
    }
    ~InputWindow() override {
        RemoveLive(this);
        if (window_) RemovePropA(Hwnd(window_), "ZintuRadioName");
    }

    bool GetValue(std::string& value) override {
        if (!window_) return InputControl::GetValue(value);
        if (IsCheckable()) {
            checked_ = SendMessageA(Hwnd(window_), BM_GETCHECK, 0, 0) == BST_CHECKED;
            return InputControl::GetValue(value);
        }
        if (IsButton()) return InputControl::GetValue(value);
        value = WindowText(Hwnd(window_));
        return true;
    }
    void SetValue(const char* text) override {
        InputControl::SetValue(text);
        if (!window_) return;
        if (IsCheckable()) {
            SendMessageA(Hwnd(window_), BM_SETCHECK, text ? BST_CHECKED : BST_UNCHECKED, 0);
        } else if (IsButton()) {
            SetWindowTextA(Hwnd(window_), Label().c_str());
        } else {
            SetWindowTextA(Hwnd(window_), text ? text : "");
        }
    }

private:
    std::string group_;
};

// --- SELECT --------------------------------------------------------------------------------

class SelectWindow : public WithWindow<SelectControl> {
public:
    SelectWindow(PaintDevice& device, bool list, int32_t rows)
        : WithWindow(device, kControlFontList, list, rows) {
        const DWORD style = WS_CHILD | WS_VSCROLL | WS_TABSTOP;
        if (IsList()) {
            field_.Create("LISTBOX", kIdListBox, style | LBS_NOTIFY | LBS_HASSTRINGS | LBS_EXTENDEDSEL,
                          WS_EX_CLIENTEDGE, nullptr);
        } else {
            field_.Create("COMBOBOX", kIdDropDown, style | CBS_DROPDOWNLIST | CBS_HASSTRINGS,
                          WS_EX_CLIENTEDGE, nullptr);
        }
        window_ = field_.Handle();
        if (!window_) return;
        Subclass(Hwnd(window_), IsList() ? kKindList : kKindCombo, this);
        field_.Measure(ave_, charHeight_);
        pixelsHigh_ = IsList() ? charHeight_ * rows_ + 4 : charHeight_ + charHeight_ / 3 + 2;
        pixelsWide_ = GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER) + 7;
        Resize();
        AddLive(this);
    }
    ~SelectWindow() override { RemoveLive(this); }

    // The options are measured on the window's DC with the font selected
    // once, and the window draws nothing until they are all in.
    void BeginOptions() override {
        if (!window_) return;
        SendMessageA(Hwnd(window_), WM_SETREDRAW, FALSE, 0);
        dc_ = GetDC(Hwnd(window_));
        oldFont_ = SelectObject(dc_, field_.Font());
    }
    void AddOption(const std::string& text, bool selected) override {
        SelectControl::AddOption(text, selected);
        if (!window_) return;
        const int index = static_cast<int>(SendMessageA(Hwnd(window_), IsList() ? LB_ADDSTRING : CB_ADDSTRING,
                                                        0, reinterpret_cast<LPARAM>(text.c_str())));
        if (index < 0) return;
        if (!IsList() && (index == 0 || selected))
            SendMessageA(Hwnd(window_), CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        if (IsList() && selected && firstSelected_ < 0) firstSelected_ = index;
        SIZE extent = {};
        if (dc_) GetTextExtentPoint32A(dc_, text.data(), static_cast<int>(text.size()), &extent);
        const int32_t wide =
            GetSystemMetrics(SM_CXVSCROLL) + 2 * GetSystemMetrics(SM_CXBORDER) + 7 + extent.cx;
        pixelsWide_ = std::max(pixelsWide_, wide);
    }
    void EndOptions() override {
        if (!window_) return;
        if (dc_) {
            SelectObject(dc_, oldFont_);
            ReleaseDC(Hwnd(window_), dc_);
            dc_ = nullptr;
        }
        // A list takes its selection run by run, not option by option: a
        // list of thousands is then made at once.
        if (IsList()) SelectRuns();
        SendMessageA(Hwnd(window_), WM_SETREDRAW, TRUE, 0);
        if (IsList() && firstSelected_ >= 0)
            SendMessageA(Hwnd(window_), LB_SETTOPINDEX, static_cast<WPARAM>(firstSelected_), 0);
        Resize();
    }

    // The selected positions, however many: the list asks the window for
    // their number first.
    bool GetValue(std::string& value) override {
        if (!window_) return SelectControl::GetValue(value);
        value.clear();
        if (IsList()) {
            const int count = static_cast<int>(SendMessageA(Hwnd(window_), LB_GETSELCOUNT, 0, 0));
            if (count <= 0) return false;
            std::vector<int> items(static_cast<size_t>(count));
            const int got =
                static_cast<int>(SendMessageA(Hwnd(window_), LB_GETSELITEMS, static_cast<WPARAM>(count),
                                              reinterpret_cast<LPARAM>(items.data())));
            for (int i = 0; i < got; ++i) {
                if (!value.empty()) value += ',';
                value += std::to_string(items[static_cast<size_t>(i)] + 1);
            }
            return !value.empty();
        }
        const LRESULT current = SendMessageA(Hwnd(window_), CB_GETCURSEL, 0, 0);
        if (current < 0) return false;
        value = std::to_string(current + 1);
        return true;
    }
    void SetValue(const char* text) override {
        SelectControl::SetValue(text);
        if (!window_) return;
        if (IsList()) {
            SendMessageA(Hwnd(window_), LB_SETSEL, FALSE, -1);
            SelectRuns();
            return;
        }
        const auto first = std::find(selected_.begin(), selected_.end(), true);
        SendMessageA(Hwnd(window_), CB_SETCURSEL,
                     first == selected_.end() ? 0 : static_cast<WPARAM>(first - selected_.begin()), 0);
    }

private:
    void SelectRuns() {
        for (size_t i = 0; i < selected_.size();) {
            if (!selected_[i]) {
                ++i;
                continue;
            }
            size_t end = i;
            while (end + 1 < selected_.size() && selected_[end + 1]) ++end;
            SendMessageA(Hwnd(window_), LB_SELITEMRANGEEX, static_cast<WPARAM>(i), static_cast<LPARAM>(end));
            i = end + 1;
        }
    }
    void Resize() {
        int32_t windowHigh = pixelsHigh_;
        if (!IsList()) {
            const int item = static_cast<int>(SendMessageA(Hwnd(window_), CB_GETITEMHEIGHT, 0, 0));
            windowHigh =
                std::min<int32_t>(pixelsHigh_ + (OptionCount() + 1) * std::max(item, 1), kMaxDropDownPixels);
            windowHigh = std::max(windowHigh, pixelsHigh_);
        }
        field_.Size(pixelsWide_, windowHigh);
        // A drop-down stands as high as its field; its list hangs below.
        field_.SetBox(pixelsWide_, pixelsHigh_);
        Rescale();
    }

    int32_t ave_ = 0, pixelsWide_ = 0, pixelsHigh_ = 0;
    int firstSelected_ = -1;
    HDC dc_ = nullptr;
    HGDIOBJ oldFont_ = nullptr;
};

// --- TEXTAREA ------------------------------------------------------------------------------

// Every LF without a CR before it gets one: the edit shows CR LF lines.
std::string WithCrLf(const char* text) {
    std::string out;
    for (const char* p = text; p && *p; ++p) {
        if (*p == '\n' && (p == text || p[-1] != '\r')) out += '\r';
        out += *p;
    }
    return out;
}

class TextAreaWindow : public WithWindow<TextAreaControl> {
public:
    TextAreaWindow(PaintDevice& device, int32_t rows, int32_t columns, const char* text)
        : WithWindow(device, kControlFontTextArea, rows, columns, text) {
        field_.Create("EDIT", kIdTextArea,
                      WS_CHILD | WS_VSCROLL | WS_TABSTOP | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                      WS_EX_CLIENTEDGE, nullptr);
        window_ = field_.Handle();
        if (!window_) return;
        Subclass(Hwnd(window_), kKindEdit, this);
        SendMessageA(Hwnd(window_), EM_LIMITTEXT, static_cast<WPARAM>(kTextAreaLimit), 0);
        // The page's text is shown whole, even beyond what typing may add.
        SetValue(text);
        int32_t ave = 0, height = 0;
        field_.Measure(ave, height);
        const int32_t wide =
            GetSystemMetrics(SM_CXVSCROLL) + ave * columns_ + 6 + 2 * GetSystemMetrics(SM_CXBORDER);
        const int32_t high = height / 3 + height * rows_ + 2 + 2 * GetSystemMetrics(SM_CYBORDER);
        field_.Size(wide, high);
        field_.SetBox(wide, high);
        Rescale();
        AddLive(this);
    }
    ~TextAreaWindow() override { RemoveLive(this); }

    bool GetValue(std::string& value) override {
        if (!window_) return TextAreaControl::GetValue(value);
        value = WindowText(Hwnd(window_));
        return true;
    }
    void SetValue(const char* text) override {
        TextAreaControl::SetValue(text);
        if (window_) SetWindowTextA(Hwnd(window_), text && *text ? WithCrLf(text).c_str() : "");
    }
};

// --- the file-upload field -------------------------------------------------------------------

int g_fileUploadFields = 0;
std::string g_uploadFolder;

LRESULT CALLBACK FileUploadProc(HWND w, UINT m, WPARAM wp, LPARAM lp);

class FileUploadWindow : public WithWindow<FileUploadControl> {
public:
    FileUploadWindow(PaintDevice& device, int32_t columns, int32_t rows, const char* value)
        : WithWindow(device, kControlFontField, columns, rows, value) {
        if (g_fileUploadFields++ == 0) {
            WNDCLASSA wc = {};
            wc.lpfnWndProc = FileUploadProc;
            wc.cbWndExtra = sizeof(LONG_PTR);
            wc.hInstance = GetModuleHandleA(nullptr);
            wc.lpszClassName = kFileUploadClass;
            RegisterClassA(&wc);
        }
        window_ = field_.Create(kFileUploadClass, kIdFileUpload, WS_CHILD, 0, nullptr, this);
        if (!window_) return;
        DWORD editStyle = WS_CHILD | WS_VISIBLE | WS_TABSTOP | ES_AUTOHSCROLL | ES_AUTOVSCROLL;
        if (rows_ > 1) editStyle |= WS_VSCROLL | ES_MULTILINE;
        edit_ = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", value_.c_str(), editStyle, 0, 0, 10, 10,
                                static_cast<HWND>(window_), reinterpret_cast<HMENU>(static_cast<INT_PTR>(2)),
                                GetModuleHandleA(nullptr), nullptr);
        button_ =
            CreateWindowExA(0, "BUTTON", " ... ", WS_CHILD | WS_VISIBLE | WS_TABSTOP, 0, 0, 10, 10,
                            static_cast<HWND>(window_), reinterpret_cast<HMENU>(static_cast<INT_PTR>(1)),
                            GetModuleHandleA(nullptr), nullptr);
        for (HWND child : {edit_, button_}) {
            if (child) SendMessageA(child, WM_SETFONT, reinterpret_cast<WPARAM>(field_.Font()), 0);
        }
        if (edit_) Subclass(edit_, kKindEdit, this);
        if (button_) Subclass(button_, kKindButton, this);
        int32_t ave = 0, height = 0, extent = 0;
        const std::string dots = " ... ";
        field_.Measure(ave, height, &dots, &extent);
        RECT area = {0, 0, columns_ * ave, rows_ * (height + 1) + 2};
        AdjustWindowRectEx(&area, 0, FALSE, WS_EX_CLIENTEDGE);
        int32_t editWide = area.right - area.left + (rows_ > 1 ? GetSystemMetrics(SM_CXVSCROLL) : 0) + 2;
        const int32_t high = area.bottom - area.top;
        MoveWindow(edit_, 0, 0, editWide, high, FALSE);
        MoveWindow(button_, editWide, 0, extent + 8, high - (rows_ - 1) * height, FALSE);
        field_.Size(editWide + extent + 8, high);
        field_.SetBox(editWide + extent + 8, high);
        Rescale();
        AddLive(this);
    }
    ~FileUploadWindow() override {
        RemoveLive(this);
        if (window_) SetWindowLongPtrA(static_cast<HWND>(window_), 0, 0);
        field_.Destroy();
        // The class goes with its last field.
        if (--g_fileUploadFields == 0) UnregisterClassA(kFileUploadClass, GetModuleHandleA(nullptr));
    }

    bool GetValue(std::string& value) override {
        if (!edit_) return FileUploadControl::GetValue(value);
        value = WindowText(edit_);
        return true;
    }
    void SetValue(const char* text) override {
        FileUploadControl::SetValue(text);
        if (edit_) SetWindowTextA(edit_, text ? text : "");
    }
    HWND Edit() const { return edit_; }

    // Lets the user choose files and writes their names into the field.
    void ChooseFiles() {
        std::vector<char> names(kChooserBufferSize, '\0');
        OPENFILENAMEA ofn = {};
        ofn.lStructSize = sizeof ofn;
        ofn.hwndOwner = static_cast<HWND>(window_);
        ofn.lpstrFilter = "*.*\0*.*\0";
        ofn.nFilterIndex = 1;
        ofn.lpstrFile = names.data();
        ofn.nMaxFile = kChooserBufferSize;
        ofn.lpstrInitialDir = g_uploadFolder.empty() ? nullptr : g_uploadFolder.c_str();
        ofn.Flags =
            OFN_EXPLORER | OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_ALLOWMULTISELECT | OFN_HIDEREADONLY;
        if (!GetOpenFileNameA(&ofn)) return;
        std::vector<std::string> parts;
        for (const char* p = names.data(); *p; p += std::strlen(p) + 1) parts.emplace_back(p);
        if (parts.empty()) return;
        g_uploadFolder =
            parts.size() == 1 ? parts[0].substr(0, ofn.nFileOffset ? ofn.nFileOffset - 1 : 0) : parts[0];
        SetWindowTextA(edit_, "");
        const std::string text = ChosenFilesText(parts, rows_ > 1);
        SendMessageA(edit_, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(text.c_str()));
    }

private:
    HWND edit_ = nullptr;
    HWND button_ = nullptr;
};

LRESULT CALLBACK FileUploadProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    auto* field = reinterpret_cast<FileUploadWindow*>(GetWindowLongPtrA(w, 0));
    switch (m) {
        case WM_CREATE:
            SetWindowLongPtrA(
                w, 0, reinterpret_cast<LONG_PTR>(reinterpret_cast<CREATESTRUCTA*>(lp)->lpCreateParams));
            return 0;
        case WM_SETFOCUS:
            if (field && field->Edit()) SetFocus(field->Edit());
            return 0;
        case WM_CLOSE:
            return 0;
        case WM_COMMAND:
            if (field && LOWORD(wp) == 1 && HIWORD(wp) == BN_CLICKED) field->ChooseFiles();
            return 0;
        default:
            return DefWindowProcA(w, m, wp, lp);
    }
}

// --- the subclassed procedures -------------------------------------------------------------------

bool IsArrow(WPARAM key) {
    return key == VK_LEFT || key == VK_RIGHT || key == VK_UP || key == VK_DOWN;
}

// --- the menu of a text field --------------------------------------------------------------

struct PersonalCommand {
    int id;
    PrefText setting;
};
const PersonalCommand kPersonalCommands[] = {
    {CMD_FIELD_FIRST_NAME, PrefText::PersonalFirstName}, {CMD_FIELD_SURNAME, PrefText::PersonalSurname},
    {CMD_FIELD_ADDRESS, PrefText::PersonalAddress},      {CMD_FIELD_CITY, PrefText::PersonalCity},
    {CMD_FIELD_STATE, PrefText::PersonalState},          {CMD_FIELD_COUNTRY, PrefText::PersonalCountry},
    {CMD_FIELD_TELEPHONE, PrefText::PersonalTelephone},  {CMD_FIELD_TELEFAX, PrefText::PersonalTelefax},
    {CMD_FIELD_EMAIL, PrefText::PersonalEmail},          {CMD_FIELD_HOME_PAGE, PrefText::PersonalHomePage},
    {CMD_FIELD_SPECIAL_1, PrefText::PersonalSpecial1},   {CMD_FIELD_SPECIAL_2, PrefText::PersonalSpecial2},
    {CMD_FIELD_SPECIAL_3, PrefText::PersonalSpecial3},
};

std::string PersonalSetting(PrefText setting) {
    const char* text = g_preferences ? g_preferences->Get(setting) : nullptr;
    return text ? text : "";
}

// The text a personal-information choice types into the field (empty: the
// field stays as it is); false for other commands.
bool PersonalText(int id, std::string& text) {
    if (id == CMD_FIELD_FULL_NAME) {
        const std::string first = PersonalSetting(PrefText::PersonalFirstName);
        const std::string last = PersonalSetting(PrefText::PersonalSurname);
        text = !first.empty() && !last.empty() ? first + " " + last : first + last;
        return true;
    }
    for (const PersonalCommand& c : kPersonalCommands) {
        if (c.id == id) {
            text = PersonalSetting(c.setting);
            return true;
        }
    }
    return false;
}

bool FieldMenuCommand(HWND edit, int id) {
    UINT message = 0;
    switch (id) {
        case CMD_FIELD_UNDO:
            message = WM_UNDO;
            break;
        case CMD_FIELD_CUT:
            message = WM_CUT;
            break;
        case CMD_FIELD_COPY:
            message = WM_COPY;
            break;
        case CMD_FIELD_PASTE:
            message = WM_PASTE;
            break;
        case CMD_FIELD_DELETE:
            message = WM_CLEAR;
            break;
        case CMD_FIELD_SELECT_ALL:
            // The whole text, however long (a text area holds more than
            // 0x7fff characters).
            SendMessageA(edit, EM_SETSEL, 0, -1);
            return true;
        default:
            break;
    }
    if (message) {
        SendMessageA(edit, message, 0, 0);
        return true;
    }
    std::string text;
    if (!PersonalText(id, text)) return false;
    if (!text.empty()) SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text.c_str()));
    return true;
}

// Opens the field menu at the point (client coordinates of the field); its
// choices come back to the field as WM_COMMAND.
void OpenFieldMenu(HWND edit, LPARAM at) {
    HMENU menu = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(MENU_FIELD));
    if (!menu) return;
    POINT p = {static_cast<short>(LOWORD(at)), static_cast<short>(HIWORD(at))};
    ClientToScreen(edit, &p);
    TrackPopupMenu(GetSubMenu(menu, 0), TPM_RIGHTBUTTON, p.x, p.y, 0, edit, nullptr);
    DestroyMenu(menu);
}

// The document window a field sits in: its view, a frame pane's view, or
// the view of the file-upload control the window belongs to.
HWND DocumentWindowAbove(HWND field) {
    HWND up = GetParent(field);
    for (int level = 0; up && level < 3; ++level, up = GetParent(up)) {
        if (WindowServices().GetDocumentList(up)) return up;
    }
    return nullptr;
}

// How far to scroll so that the span [low, high) shows in [0, extent): not
// at all when it does; else its far edge at the far side when it fits and
// lies beyond, otherwise its near edge at the near side.
int32_t ScrollToShow(int32_t low, int32_t high, int32_t extent) {
    if (low >= 0 && high <= extent) return 0;
    if (low >= 1 && high - low < extent) return high - extent;
    return low;
}

// A field that takes the keyboard is brought into the view (or frame pane)
// it sits in, so that what is typed is seen.
void ScrollControlIntoView(HWND window) {
    FormControl* field = FormControlOfWindow(window);
    HWND control = field ? Hwnd(field->Window()) : nullptr;
    HWND view = control ? DocumentWindowAbove(control) : nullptr;
    if (!view) return;
    HWND pane = GetParent(control);
    const int scale = WindowServices().GetScale(view);
    RECT r = {}, client = {};
    GetWindowRect(control, &r);
    MapWindowPoints(nullptr, pane, reinterpret_cast<POINT*>(&r), 2);
    GetClientRect(pane, &client);
    const int32_t dx = ScrollToShow(ToUnits(r.left, scale), ToUnits(r.right, scale), ToUnits(client.right, scale));
    const int32_t dy =
        ScrollToShow(ToUnits(r.top, scale), ToUnits(r.bottom, scale), ToUnits(client.bottom, scale));
    if (dx || dy) WindowServices().ScrollViewBy(pane, dx, dy);
}

LRESULT FieldProc(FieldKind kind, HWND w, UINT m, WPARAM wp, LPARAM lp) {
    WNDPROC base = g_classProcs[kind];
    const bool shift = GetKeyState(VK_SHIFT) < 0;
    switch (m) {
        case WM_GETDLGCODE: {
            LRESULT code = CallWindowProcA(base, w, m, wp, lp) | DLGC_WANTTAB;
            if (kind != kKindEdit) code |= DLGC_WANTALLKEYS;
            if (kind == kKindButton) code |= DLGC_WANTARROWS;
            return code;
        }
        case WM_KEYDOWN:
            if (wp == VK_TAB) {
                // Inside a file field Tab first goes to its " ... " button.
                char className[32] = {};
                GetClassNameA(GetParent(w), className, sizeof className);
                if (kind == kKindEdit && !shift && std::strcmp(className, kFileUploadClass) == 0) {
                    if (HWND next = GetWindow(w, GW_HWNDNEXT)) {
                        SetFocus(next);
                        return 0;
                    }
                }
                // In a document window the view steps through the page's
                // links and fields alike; elsewhere from field to field.
                if (HWND view = DocumentWindowAbove(w)) {
                    SendMessageA(view, WM_KEYDOWN, VK_TAB, lp);
                    return 0;
                }
                return FocusNextFormField(w, shift) ? 0 : -1;
            }
            if (kind == kKindButton && IsArrow(wp)) {
                const LONG style = GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK;
                if (style == BS_AUTOCHECKBOX || style == BS_AUTORADIOBUTTON) {
                    FocusNextFormField(w, wp == VK_LEFT || wp == VK_UP);
                    return 0;
                }
            }
            break;
        case WM_KEYUP:
        case WM_CHAR:
            if (wp == VK_TAB || (kind == kKindButton && m == WM_KEYUP && IsArrow(wp))) return 0;
            break;
        case WM_SETFOCUS:
            ScrollControlIntoView(w);
            if (kind == kKindButton) InvalidateRect(w, nullptr, FALSE);
            break;
        case WM_RBUTTONUP:
            if (kind == kKindEdit) {
                OpenFieldMenu(w, lp);
                return 0;
            }
            break;
        case WM_COMMAND:
            // The field menu's choices come back to the field.
            if (kind == kKindEdit && lp == 0 && FieldMenuCommand(w, LOWORD(wp))) return 0;
            break;
        default:
            break;
    }
    const bool radio =
        kind == kKindButton && (GetWindowLongA(w, GWL_STYLE) & BS_TYPEMASK) == BS_AUTORADIOBUTTON;
    const bool pressed = radio && (m == WM_LBUTTONUP || (m == WM_KEYUP && wp == VK_SPACE)) &&
                         (SendMessageA(w, BM_GETSTATE, 0, 0) & BST_PUSHED);
    const LRESULT result = CallWindowProcA(base, w, m, wp, lp);
    // Radio buttons of one name are one choice, wherever their windows lie:
    // a press checks the button, and checking it clears the others.
    if (pressed && SendMessageA(w, BM_GETCHECK, 0, 0) != BST_CHECKED)
        SendMessageA(w, BM_SETCHECK, BST_CHECKED, 0);
    if (radio && m == BM_SETCHECK && wp == BST_CHECKED) ClearOtherRadios(w);
    if (m == WM_NCDESTROY) RemovePropA(w, kFieldProperty);
    return result;
}

LRESULT CALLBACK EditProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return FieldProc(kKindEdit, w, m, wp, lp);
}
LRESULT CALLBACK ButtonProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return FieldProc(kKindButton, w, m, wp, lp);
}
LRESULT CALLBACK ListProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return FieldProc(kKindList, w, m, wp, lp);
}
LRESULT CALLBACK ComboProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
    return FieldProc(kKindCombo, w, m, wp, lp);
}

bool OnScreen(PaintDevice& device) {
    return !device.IsNotScreen() && device.Window();
}
}  // namespace

FormControl* FormControlOfWindow(HWND window) {
    for (HWND w = window; w; w = GetParent(w)) {
        if (auto* field = static_cast<FormControl*>(GetPropA(w, kFieldProperty))) return field;
    }
    return nullptr;
}

bool FocusNextFormField(HWND from, bool backwards) {
    FormControl* field = FormControlOfWindow(from);
    auto& fields = LiveFields();
    const auto at = std::find(fields.begin(), fields.end(), field);
    if (at == fields.end()) return false;
    const HWND view = GetParent(static_cast<HWND>(field->Window()));
    const ptrdiff_t step = backwards ? -1 : 1;
    for (ptrdiff_t i = (at - fields.begin()) + step; i >= 0 && i < static_cast<ptrdiff_t>(fields.size());
         i += step) {
        HWND w = static_cast<HWND>(fields[static_cast<size_t>(i)]->Window());
        if (w && GetParent(w) == view && IsWindowVisible(w) && IsWindowEnabled(w)) {
            SetFocus(w);
            return true;
        }
    }
    return false;
}

std::string ChosenFilesText(const std::vector<std::string>& names, bool multiRow) {
    if (names.empty()) return std::string();
    if (names.size() == 1) return "\"" + names[0] + "\"";
    std::string folder = names[0];
    if (!folder.empty() && folder.back() != '\\') folder += '\\';
    std::string text;
    for (size_t i = 1; i < names.size(); ++i) {
        if (i > 1) text += multiRow ? ", \r\n" : ", ";
        text += "\"" + folder + names[i] + "\"";
    }
    return text;
}

FormControl* ScreenControlFactory::NewInputControl(PaintDevice& device, int type, int32_t size,
                                                   int32_t maxLength, const char* value, bool checked) {
    if (!OnScreen(device))
        return PageControlFactory::NewInputControl(device, type, size, maxLength, value, checked);
    // Radio buttons are one choice per form and name.
    std::string group;
    const FormFieldRecord* record = Making() ? Making()->GetFormField() : nullptr;
    if (type == kControlRadio && record) {
        group = std::to_string(record->formNumber) + ":" + (record->name.Get() ? record->name.Get() : "");
    }
    return new InputWindow(device, type, size, maxLength, value, checked, group);
}

SelectControl* ScreenControlFactory::NewSelectControl(PaintDevice& device, bool list, int32_t rows) {
    if (!OnScreen(device)) return PageControlFactory::NewSelectControl(device, list, rows);
    return new SelectWindow(device, list, rows);
}

FormControl* ScreenControlFactory::NewTextAreaControl(PaintDevice& device, int32_t rows, int32_t columns,
                                                      const char* text) {
    if (!OnScreen(device)) return PageControlFactory::NewTextAreaControl(device, rows, columns, text);
    return new TextAreaWindow(device, rows, columns, text);
}

FormControl* ScreenControlFactory::NewFileUploadControl(PaintDevice& device, int32_t columns, int32_t rows,
                                                        const char* value) {
    if (!OnScreen(device)) return PageControlFactory::NewFileUploadControl(device, columns, rows, value);
    return new FileUploadWindow(device, columns, rows, value);
}

void InstallFormControlWindows() {
    static ScreenControlFactory factory;
    RegisterFormControlFactory(&factory);
}
