#include "settings/ViewerDialogs.h"

#include <commdlg.h>

#include <map>
#include <memory>
#include <string>

#include "core/AppGlobals.h"
#include "core/DialogRuntime.h"
#include "core/WindowBase.h"
#include "core/Preferences.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"
#include "resources/CoreIds.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerTable.h"
#include "settings/ViewerTableIni.h"

namespace {

constexpr int kHelpAssociate = 0;
constexpr int kMaxExtensions = 100;
constexpr int kMaxProgram = 200;
constexpr int kMaxType = 300;

HINSTANCE Instance() {
    return g_instance ? g_instance : GetModuleHandleA(nullptr);
}

// The control's whole text: an entry read from the ini file may hold more
// than the dialog lets the user type, and OK must not cut it.
std::string ItemText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    int length = control ? GetWindowTextLengthA(control) : 0;
    if (length <= 0) return std::string();
    std::string text(static_cast<size_t>(length) + 1, '\0');
    text.resize(static_cast<size_t>(GetWindowTextA(control, &text[0], length + 1)));
    return text;
}

std::string Trimmed(std::string s) {
    size_t a = s.find_first_not_of(" \t");
    size_t b = s.find_last_not_of(" \t");
    return a == std::string::npos ? std::string() : s.substr(a, b - a + 1);
}

void Tell(HWND owner, UINT id, UINT style = MB_OK | MB_ICONEXCLAMATION) {
    (void)ShowStringMessage(owner, id, nullptr, style);
}

void CannotCreate(const char* name) {
    (void)ShowStringMessage(nullptr, IDS_CANNOT_CREATE_DIALOG, name, MB_OK | MB_ICONSTOP);
}

// The program chosen in the open-file dialog, or empty.
std::string BrowseForProgram(HWND owner) {
    char title[64] = "", filter[128] = "";
    LoadStringA(Instance(), IDS_BROWSE_PROGRAM, title, sizeof title);
    LoadStringA(Instance(), IDS_PROGRAM_FILTER, filter, sizeof filter);
    for (char* p = filter; *p; ++p) {
        if (*p == '|') *p = '\0';
    }
    char path[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.lpstrFile = path;
    ofn.nMaxFile = sizeof path;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST;
    return GetOpenFileNameA(&ofn) ? path : std::string();
}

// ---- "New" -----------------------------------------------------------------

class NewViewerDialog : public DialogBase {
public:
    explicit NewViewerDialog(std::string type) : DialogBase(kHelpAssociate), type(std::move(type)) {}
    std::string type;

protected:
    INT_PTR OnInitDialog() override {
        SendDlgItemMessageA(Handle(), IDC_NEWVIEWER_TYPE, EM_LIMITTEXT, kMaxType, 0);
        SetDlgItemTextA(Handle(), IDC_NEWVIEWER_TYPE, type.c_str());
        return TRUE;
    }
    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        if (LOWORD(wParam) == IDOK) {
            type = Trimmed(ItemText(Handle(), IDC_NEWVIEWER_TYPE));
            if (!type.empty()) EndDialog(Handle(), IDOK);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(Handle(), IDCANCEL);
        }
        return TRUE;
    }
};

// The typed type, or empty when cancelled.
std::string AskForType(HWND owner, const std::string& current) {
    NewViewerDialog dialog(current);
    return dialog.RunModal(Instance(), "NEWVIEWER", owner) == IDOK ? dialog.type : std::string();
}

// ---- "Associate" -----------------------------------------------------------

struct ActionButton {
    int id;
    int action;
};
constexpr ActionButton kActionButtons[] = {
    {IDC_VIEWER_SAVE, kViewerSave},          {IDC_VIEWER_SHOW, kViewerShow},
    {IDC_VIEWER_ASK, kViewerAsk},            {IDC_VIEWER_RUN, kViewerRun},
    {IDC_VIEWER_REGISTERED, kViewerRegistered}, {IDC_VIEWER_APPLICATION, kViewerProgram},
    {IDC_VIEWER_PLUGIN, kViewerPlugin},
};

struct ViewersState {
    std::unique_ptr<ViewerTable> copy;
    std::string selectType;
    int selected = -1;  // the index of the entry shown in the controls
};

ViewerEntry* Selected(ViewersState& s) {
    return s.copy->FindByIndex(s.selected);
}

// The list holds every entry, in list order; each item's data is its index.
void FillTypeList(HWND dialog, ViewersState& s) {
    HWND list = GetDlgItem(dialog, IDC_VIEWER_TYPES);
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    for (ViewerEntry* e = s.copy->First(); e; e = e->NextEntry()) {
        auto item = SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(e->mimeType.c_str()));
        SendMessageA(list, CB_SETITEMDATA, static_cast<WPARAM>(item), e->index);
    }
}

void ShowEntry(HWND dialog, ViewersState& s, ViewerEntry* e) {
    s.selected = e ? e->index : -1;
    SetDlgItemTextA(dialog, IDC_VIEWER_EXTENSIONS, e && e->extensions ? e->extensions->c_str() : "");
    SetDlgItemTextA(dialog, IDC_VIEWER_PROGRAM, e && e->program ? e->program->c_str() : "");
    for (const ActionButton& b : kActionButtons)
        CheckDlgButton(dialog, b.id, e && e->action == b.action ? BST_CHECKED : BST_UNCHECKED);
    HWND plugins = GetDlgItem(dialog, IDC_VIEWER_PLUGINS);
    SendMessageA(plugins, CB_RESETCONTENT, 0, 0);
    int chosen = -1, n = 0;
    for (auto* c = e ? e->FirstCandidate() : nullptr; c; c = static_cast<ViewerPluginChoice*>(c->Next()), ++n) {
        SendMessageA(plugins, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(c->name.c_str()));
        if (e->pluginPath && *e->pluginPath == c->path) chosen = n;
    }
    SendMessageA(plugins, CB_SETCURSEL, static_cast<WPARAM>(chosen), 0);
}

// The controls go back into the entry they show, so that switching types
// loses no edit.
void StoreEntry(HWND dialog, ViewersState& s) {
    ViewerEntry* e = Selected(s);
    if (e == nullptr) return;
    std::string extensions = Trimmed(ItemText(dialog, IDC_VIEWER_EXTENSIONS));
    std::string program = Trimmed(ItemText(dialog, IDC_VIEWER_PROGRAM));
    e->extensions = extensions.empty() ? std::nullopt : std::optional<std::string>(extensions);
    e->program = program.empty() ? std::nullopt : std::optional<std::string>(program);
    for (const ActionButton& b : kActionButtons) {
        if (IsDlgButtonChecked(dialog, b.id) == BST_CHECKED) e->action = b.action;
    }
    auto pick = SendDlgItemMessageA(dialog, IDC_VIEWER_PLUGINS, CB_GETCURSEL, 0, 0);
    auto* c = e->FirstCandidate();
    for (LRESULT i = 0; c && i < pick; ++i) c = static_cast<ViewerPluginChoice*>(c->Next());
    if (pick >= 0 && c) {
        e->pluginPath = c->path;
        e->pluginName = c->name;
    }
}

void Select(HWND dialog, ViewersState& s, int index) {
    HWND list = GetDlgItem(dialog, IDC_VIEWER_TYPES);
    auto count = SendMessageA(list, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        if (static_cast<int>(SendMessageA(list, CB_GETITEMDATA, static_cast<WPARAM>(i), 0)) == index) {
            SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
            ShowEntry(dialog, s, s.copy->FindByIndex(index));
            return;
        }
    }
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(-1), 0);
    ShowEntry(dialog, s, nullptr);
}

void OnNewType(HWND dialog, ViewersState& s, bool rename) {
    ViewerEntry* e = Selected(s);
    if (rename) {
        if (e == nullptr) return;
        if (ViewerTable::IsBuiltInType(e->mimeType)) return Tell(dialog, IDS_CANNOT_RENAME_TYPE);
    }
    StoreEntry(dialog, s);
    std::string type = AskForType(dialog, rename ? e->mimeType : std::string());
    if (type.empty()) return;
    ViewerEntry* same = s.copy->FindByMimeType(type);
    if (rename) {
        if (same && same != e) return Tell(dialog, IDS_TYPE_DEFINED);
        e->mimeType = type;
        FillTypeList(dialog, s);
        return Select(dialog, s, e->index);
    }
    int index = s.copy->AddEntry(kViewerAsk, type, nullptr, nullptr, nullptr, nullptr, false);
    if (index == kViewerDuplicateType) return Tell(dialog, IDS_TYPE_DEFINED);
    if (index == kViewerTooManyTypes) return Tell(dialog, IDS_TOO_MANY_TYPES);
    FillTypeList(dialog, s);
    Select(dialog, s, index);
}

void OnDelete(HWND dialog, ViewersState& s) {
    ViewerEntry* e = Selected(s);
    if (e == nullptr) return;
    if (ViewerTable::IsBuiltInType(e->mimeType)) return Tell(dialog, IDS_CANNOT_DELETE_TYPE);
    if (ShowStringMessage(dialog, IDS_DELETE_TYPE, nullptr, MB_YESNO | MB_ICONQUESTION) != IDYES) return;
    ViewerEntry* next = e->NextEntry();
    int nextIndex = next ? next->index : -1;
    s.copy->RemoveEntry(e->index);
    s.selected = -1;
    FillTypeList(dialog, s);
    Select(dialog, s, nextIndex);
}

void OnFindPlugins(HWND dialog, ViewersState& s) {
    StoreEntry(dialog, s);
    s.copy->ForgetPlugins();
    ScanPlugins(*s.copy, g_preferences ? g_preferences->GetPluginPath() : "");
    ResolvePluginsAsking(*s.copy, dialog);
    int keep = s.selected;
    FillTypeList(dialog, s);
    Select(dialog, s, keep);
    Tell(dialog, IDS_PLUGINS_SCANNED, MB_OK | MB_ICONINFORMATION);
}

void OnOk(HWND dialog, ViewersState& s) {
    StoreEntry(dialog, s);
    bool trust = IsDlgButtonChecked(dialog, IDC_VIEWER_TRUST) == BST_CHECKED;
    if (g_preferences) {
        SaveViewerTable(*s.copy, *g_preferences);
        (void)g_preferences->Set(PrefInt::TrustServerTypes, trust ? 1 : 0);
    } else {
        GetUrlSettings().trustServerTypes = trust;
    }
    AdoptViewerTable(std::move(s.copy));
    if (ViewerWindows* windows = GetViewerWindows()) windows->ViewerTableReplaced();
    EndDialog(dialog, IDOK);
}

void InitViewers(HWND dialog, ViewersState& s) {
    SendDlgItemMessageA(dialog, IDC_VIEWER_EXTENSIONS, EM_LIMITTEXT, kMaxExtensions, 0);
    SendDlgItemMessageA(dialog, IDC_VIEWER_PROGRAM, EM_LIMITTEXT, kMaxProgram, 0);
    CheckDlgButton(dialog, IDC_VIEWER_TRUST, GetUrlSettings().trustServerTypes ? BST_CHECKED : BST_UNCHECKED);
    int select = s.copy->First() ? s.copy->First()->index : -1;
    if (!s.selectType.empty()) {
        ViewerEntry* e = s.copy->FindByMimeType(s.selectType);
        int index = e ? e->index
                      : s.copy->AddEntry(kViewerAsk, s.selectType, nullptr, nullptr, nullptr, nullptr, false);
        if (index >= 0) select = index;
    }
    FillTypeList(dialog, s);
    Select(dialog, s, select);
}

void OnViewersCommand(HWND dialog, ViewersState& s, int id, int code) {
    switch (id) {
        case IDC_VIEWER_TYPES:
            if (code == CBN_SELCHANGE) {
                StoreEntry(dialog, s);
                auto item = SendDlgItemMessageA(dialog, IDC_VIEWER_TYPES, CB_GETCURSEL, 0, 0);
                int index = static_cast<int>(
                    SendDlgItemMessageA(dialog, IDC_VIEWER_TYPES, CB_GETITEMDATA, static_cast<WPARAM>(item), 0));
                ShowEntry(dialog, s, s.copy->FindByIndex(index));
            }
            break;
        case IDC_VIEWER_BROWSE: {
            std::string program = BrowseForProgram(dialog);
            if (program.empty()) break;
            SetDlgItemTextA(dialog, IDC_VIEWER_PROGRAM, program.c_str());
            for (const ActionButton& b : kActionButtons)
                CheckDlgButton(dialog, b.id, b.action == kViewerProgram ? BST_CHECKED : BST_UNCHECKED);
            break;
        }
        case IDC_VIEWER_NEW:
            OnNewType(dialog, s, false);
            break;
        case IDC_VIEWER_EDIT:
            OnNewType(dialog, s, true);
            break;
        case IDC_VIEWER_DELETE:
            OnDelete(dialog, s);
            break;
        case IDC_VIEWER_FIND_PLUGINS:
            OnFindPlugins(dialog, s);
            break;
        case IDOK:
            OnOk(dialog, s);
            break;
        case IDCANCEL:
            EndDialog(dialog, IDCANCEL);
            break;
    }
}

class ViewersDialog : public DialogBase {
public:
    explicit ViewersDialog(ViewersState& state) : DialogBase(kHelpAssociate), state_(state) {}

protected:
    INT_PTR OnInitDialog() override {
        InitViewers(Handle(), state_);
        return TRUE;
    }
    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        OnViewersCommand(Handle(), state_, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }

private:
    ViewersState& state_;
};

// ---- "Unknown type" --------------------------------------------------------

std::map<ViewerWindow, HWND> g_unknownDialogs;

struct UnknownState {
    ViewerWindow window;
    UrlHandle url;
};

void CloseUnknown(HWND dialog) {
    DestroyWindow(dialog);
}

void OnUseZintu(HWND dialog, UnknownState& s) {
    ViewerWindows* windows = GetViewerWindows();
    if (windows) windows->SetPendingAction(s.window, kViewerShow);
    int kind = s.url->GetContentKind();
    if (kind == kTypeOther || kind == kTypeUnknown) s.url->SetContentKind(kTypePlainText);
    ViewerWindow window = s.window;
    UrlHandle url = s.url;
    CloseUnknown(dialog);
    ShowDocument(window, url, false);
}

void OnSave(HWND dialog, UnknownState& s) {
    ViewerWindow window = s.window;
    CloseUnknown(dialog);
    if (ViewerWindows* windows = GetViewerWindows()) {
        windows->SetSaving(window, true);
        windows->SaveDocumentAs(window);
        windows->SetLoadFinished(window);
    }
}

void OnShow(HWND dialog, UnknownState& s) {
    std::string program = Trimmed(ItemText(dialog, IDC_UNKNOWN_PROGRAM));
    if (program.empty()) return Tell(dialog, IDS_SPECIFY_PROGRAM);
    ViewerWindows* windows = GetViewerWindows();
    if (s.url->GetLoadStatus(true) != kLoadLoaded) {
        if (windows) {
            windows->SetPendingHandler(s.window, program);
            windows->SetPendingAction(s.window, kViewerProgram);
        }
        return CloseUnknown(dialog);
    }
    std::string file = s.url->GetLocalFilePath(true);
    if (file.empty() && s.url->StoreInCacheFile()) file = s.url->GetLocalFilePath(true);
    // A program that cannot start leaves the dialog open.
    ViewerSystem* system = GetViewerSystem();
    if (system == nullptr || !system->RunProgram(program, file)) return;
    if (windows) windows->SetLoadFinished(s.window);
    CloseUnknown(dialog);
}

void OnUnknownCommand(HWND dialog, UnknownState& s, int id) {
    switch (id) {
        case IDC_UNKNOWN_USE_ZINTU:
            OnUseZintu(dialog, s);
            break;
        case IDC_UNKNOWN_SAVE:
            OnSave(dialog, s);
            break;
        case IDC_UNKNOWN_ASSOCIATE: {
            const char* type = s.url->GetContentType();
            (void)OpenViewersDialog(dialog, type && *type ? type : nullptr);
            break;
        }
        case IDC_VIEWER_BROWSE: {
            std::string program = BrowseForProgram(dialog);
            if (!program.empty()) SetDlgItemTextA(dialog, IDC_UNKNOWN_PROGRAM, program.c_str());
            break;
        }
        case IDC_UNKNOWN_SHOW:
            OnShow(dialog, s);
            break;
        case IDCANCEL: {
            // The load stopped is the one of the dialog's own window, which
            // need not be the active one.
            ViewerWindow window = s.window;
            CloseUnknown(dialog);
            if (ViewerWindows* windows = GetViewerWindows()) windows->StopLoad(window);
            break;
        }
    }
}

// Modeless: the object lives as long as its window and goes with it.
class UnknownTypeDialog : public DialogBase {
public:
    UnknownTypeDialog(ViewerWindow window, const UrlHandle& url)
        : DialogBase(kHelpAssociate), state_{window, url} {}

protected:
    INT_PTR OnInitDialog() override {
        const char* name = state_.url.GetName();
        const char* type = state_.url->GetContentType();
        SetWindowTextA(Handle(), name ? name : "");
        SetDlgItemTextA(Handle(), IDC_UNKNOWN_TYPE, type ? type : "");
        SendDlgItemMessageA(Handle(), IDC_UNKNOWN_PROGRAM, EM_LIMITTEXT, kMaxProgram, 0);
        return TRUE;
    }
    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        OnUnknownCommand(Handle(), state_, LOWORD(wParam));
        return TRUE;
    }
    INT_PTR OnOtherMessage(UINT message, WPARAM, LPARAM) override {
        if (message != WM_DESTROY) return FALSE;
        UnregisterModelessDialog(Handle());
        g_unknownDialogs.erase(state_.window);
        return TRUE;
    }
    void OnFinalMessage() override {
        if (ownedByWindow_) delete this;
    }

public:
    // Set once the window exists; a window that fails while being made
    // leaves the object to its maker.
    bool ownedByWindow_ = false;

private:
    UnknownState state_;
};

}  // namespace

INT_PTR OpenViewersDialog(HWND owner, const char* selectType) {
    ViewerTable* table = GetViewerTable();
    ViewersState state;
    state.copy = table ? std::make_unique<ViewerTable>(*table) : std::make_unique<ViewerTable>();
    if (!table) state.copy->AddBuiltInRows();
    if (selectType) state.selectType = selectType;
    ViewersDialog dialog(state);
    return dialog.RunModal(Instance(), "VIEWERS2", owner);
}

HWND UnknownTypeDialogOf(ViewerWindow window) {
    auto found = g_unknownDialogs.find(window);
    return found == g_unknownDialogs.end() ? nullptr : found->second;
}

HWND OpenUnknownTypeDialog(ViewerWindow window, const UrlHandle& url) {
    if (HWND open = UnknownTypeDialogOf(window)) {
        SetActiveWindow(open);
        return open;
    }
    HWND owner = IsWindow(reinterpret_cast<HWND>(window)) ? reinterpret_cast<HWND>(window) : nullptr;
    auto* dialog = new UnknownTypeDialog(window, url);
    HWND made = dialog->CreateModeless(Instance(), "UNKNOWNDOC", owner);
    if (made == nullptr) {
        delete dialog;
        CannotCreate("UNKNOWNDOC");
        return nullptr;
    }
    dialog->ownedByWindow_ = true;
    g_unknownDialogs[window] = made;
    RegisterModelessDialog(made);
    ShowWindow(made, SW_SHOW);
    return made;
}
