#include "mailnews/ComposeWindow.h"

#include <algorithm>
#include <string>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/ExternalPrograms.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "core/StringHelpers.h"
#include "core/WindowBase.h"
#include "core/Win32Utilities.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "resources/MailIds.h"
#include "windows/OutsideUrls.h"
#include "windows/WindowList.h"

namespace {

const char kClassName[] = "ZUV_Mail";
const char kWindowTitle[] = "Mail & news posting";
const char kFieldsTemplate[] = "MAILCLIENT";
constexpr int kFieldLimit = 500;
constexpr int kMinimumField = 100;

const char* Setting(PrefText setting) {
    const char* value = g_preferences ? g_preferences->Get(setting) : nullptr;
    return value && *value ? value : nullptr;
}

std::string FieldText(HWND panel, int id) {
    HWND field = GetDlgItem(panel, id);
    std::string text(static_cast<size_t>(std::max(GetWindowTextLengthA(field), 0)) + 1, '\0');
    const int n = GetWindowTextA(field, &text[0], static_cast<int>(text.size()));
    text.resize(static_cast<size_t>(std::max(n, 0)));
    return text;
}

// The fields of a mailto address: the recipient before '?', and of the
// query only a first item "subject=...".
void FieldsFromMailto(const std::string& url, std::string& to, std::string& subject) {
    const std::string rest = url.substr(std::char_traits<char>::length("mailto:"));
    const size_t query = rest.find('?');
    to = DecodePercentEscapes(rest.substr(0, query));
    if (query == std::string::npos) return;
    std::string item = rest.substr(query + 1);
    item.resize(std::min(item.size(), item.find_first_of("?&")));
    item.erase(0, item.find_first_not_of(' '));
    const size_t equals = item.find('=');
    if (equals == std::string::npos || !StartsWithNoCase(DecodePercentEscapes(item.substr(0, equals)), "subject"))
        return;
    subject = DecodePercentEscapes(item.substr(equals + 1));
    subject.erase(0, subject.find_first_not_of(' '));
}

// The fields panel: addresses, subject, body and the Send button.
class ComposeFields : public DialogBase {
public:
    ComposeFields() : DialogBase(0) {}

protected:
    INT_PTR HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result;
        if (DialogProcFront(Handle(), message, wParam, lParam, PanelClient, 0, &result)) return result;
        switch (message) {
            case WM_INITDIALOG: return OnInitDialog();
            case WM_SIZE: Layout(LOWORD(lParam), HIWORD(lParam)); return TRUE;
            case WM_GETDLGCODE: return 0;
            case WM_NCDESTROY: UnregisterModelessDialog(Handle()); return FALSE;
            case WM_COMMAND: return OnCommand(message, wParam, lParam);
            default: return FALSE;
        }
    }
    INT_PTR OnInitDialog() override {
        FitWindowToPanel(GetParent(Handle()), Handle());
        for (int id : {IDC_MAIL_TO, IDC_MAIL_CC, IDC_MAIL_BCC, IDC_MAIL_SUBJECT})
            SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, kFieldLimit, 0);
        const std::string url = g_windowList ? g_windowList->GetComposeUrlText() : std::string();
        if (StartsWithNoCase(url, "mailto:")) {
            std::string to, subject;
            FieldsFromMailto(url, to, subject);
            SetDlgItemTextA(Handle(), IDC_MAIL_TO, to.c_str());
            SetDlgItemTextA(Handle(), IDC_MAIL_SUBJECT, subject.c_str());
        }
        // Taken once: the next window starts empty.
        if (g_windowList) g_windowList->SetComposeUrl(nullptr);
        return TRUE;
    }
    INT_PTR OnCommand(UINT, WPARAM wParam, LPARAM) override {
        if (LOWORD(wParam) != IDC_MAIL_SEND || HIWORD(wParam) != 0) return FALSE;
        SendComposeWindow(Handle());
        return TRUE;
    }
    void OnFinalMessage() override { delete this; }

private:
    // The fields take the panel's width; the body the rest of the panel.
    void Layout(int width, int height) {
        for (int id : {IDC_MAIL_TO, IDC_MAIL_CC, IDC_MAIL_BCC, IDC_MAIL_SUBJECT, IDC_MAIL_BODY}) {
            HWND field = GetDlgItem(Handle(), id);
            RECT r;
            GetWindowRect(field, &r);
            MapWindowPoints(nullptr, Handle(), reinterpret_cast<POINT*>(&r), 2);
            const int w = std::max(width - static_cast<int>(r.left) - 2, kMinimumField);
            const int h = id == IDC_MAIL_BODY ? std::max(height - static_cast<int>(r.top) - 2, kMinimumField)
                                              : static_cast<int>(r.bottom - r.top);
            SetWindowPos(field, nullptr, 0, 0, w, h, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        }
    }
};

class ComposeWindow : public WindowBase {
public:
    static ATOM RegisterClass(HINSTANCE instance) {
        WNDCLASSA wc = {};
        wc.style = CS_DBLCLKS;
        wc.hInstance = instance;
        wc.hIcon = LoadIconA(instance, "ZINTU");
        wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
        wc.lpszClassName = kClassName;
        return RegisterWindowClass(wc);
    }

    HWND Make() {
        MDICREATESTRUCTA create = {};
        create.szClass = kClassName;
        create.szTitle = kWindowTitle;
        create.hOwner = g_instance ? g_instance : GetModuleHandleA(nullptr);
        create.x = create.y = create.cx = create.cy = CW_USEDEFAULT;
        create.style = WS_CHILD | WS_CLIPSIBLINGS | WS_CAPTION | WS_SYSMENU | WS_VISIBLE;
        if (IsActiveMdiChildMaximized(g_mdiClient)) create.style |= WS_MAXIMIZE;
        create.lParam = reinterpret_cast<LPARAM>(static_cast<WindowBase*>(this));
        return reinterpret_cast<HWND>(SendMessageA(g_mdiClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&create)));
    }

protected:
    LRESULT HandleMessage(UINT message, WPARAM wParam, LPARAM lParam) override {
        LRESULT result;
        if (WindowProcFront(Handle(), message, wParam, lParam, 0, &result)) return result;
        switch (message) {
            case WM_CREATE: return OnCreate();
            case WM_DESTROY: OnDestroy(); break;
            case WM_SETFOCUS: FocusClientPanel(Handle()); return 0;
            case WM_SIZE:
                (void)LayoutChildPanels(Handle(), message, wParam, LOWORD(lParam), HIWORD(lParam), true);
                break;
            case WM_CHILDACTIVATE:
                if (g_windowList && g_windowList->GetActiveWindow() != Handle()) g_windowList->SetActiveWindow(Handle());
                break;
            case WM_MDIACTIVATE:
                if (g_frameWindow) DrawMenuBar(g_frameWindow);
                break;
            default:
                if (message >= 0x8000 && message < 0xC000) return OnInternalMessage(message, wParam, lParam);
                break;
        }
        return DefaultHandling(message, wParam, lParam);
    }
    LRESULT DefaultHandling(UINT message, WPARAM wParam, LPARAM lParam) override {
        return DefMDIChildProcA(Handle(), message, wParam, lParam);
    }
    void OnFinalMessage() override {
        if (goneFlag_) *goneFlag_ = true;
        delete this;
    }

public:
    // Set while the window is being made: tells the maker that the window
    // came and went, taking this object with it.
    bool* goneFlag_ = nullptr;

private:
    LRESULT OnCreate() {
        auto* fields = new ComposeFields();
        HWND panel = fields->CreatePanel(kFieldsTemplate, Handle(), PanelClient);
        if (!panel) delete fields;
        if (panel && !RegisterModelessDialog(panel)) {
            DestroyWindow(panel);  // the panel takes its object with it
            panel = nullptr;
        }
        if (!panel) {
            ShowStringMessage(Handle(), 4001, kFieldsTemplate, MB_ICONHAND);
            return -1;
        }
        if (!g_windowList || !g_windowList->AddComposeWindow(Handle())) return -1;
        char caption[64] = "";
        if (LoadStringResource(IDS_ZINTU_MAIL, caption, sizeof caption) > 0) SetWindowTextA(Handle(), caption);
        return 0;
    }
    void OnDestroy() {
        if (g_windowList) g_windowList->RemoveComposeWindow(Handle());
        if (g_frameWindow) DrawMenuBar(g_frameWindow);
    }
    LRESULT OnInternalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        ComposeWindowEntry* entry = g_windowList ? g_windowList->FindComposeWindow(Handle()) : nullptr;
        if (!entry) return 0;
        const auto p1 = static_cast<uint32_t>(wParam);
        const auto p2 = static_cast<uint32_t>(lParam);
        const bool ours = !entry->url.IsEmpty() && entry->url->GetId() == p2;
        if (message == kMsgLoadNotice && p1 == kNoticeLoaded && ours) {
            if (g_messageBoxes) g_messageBoxes->ShowInfo(Handle(), IDS_MAIL_POSTED, nullptr);
            entry->mailSent = 1;
            if (entry->newsPosted) SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(Handle()), 0);
            return 0;
        }
        if (message == kMsgLoadError && ours) {
            // The mail did not go: the window stays, with what the user wrote.
            if (g_messageBoxes && p1) g_messageBoxes->ShowError(Handle(), p1, nullptr, nullptr);
            return 0;
        }
        if (entry->handler) entry->handler->Dispatch(message, p1, p2);
        return 0;
    }
};

HWND ComposeWindowOf(HWND window) {
    if (!g_windowList) return nullptr;
    if (window == g_frameWindow) window = g_windowList->GetActiveWindow();
    if (window && !g_windowList->IsComposeWindow(window)) window = GetParent(window);
    return g_windowList->IsComposeWindow(window) ? window : nullptr;
}

HWND OpenForMailto(HWND frame, int command) {
    return OpenComposeWindow(frame, 0, command, 0);
}

LRESULT CmdNewMail(HWND, UINT, WPARAM wParam, LPARAM) {
    (void)OpenComposeWindow(g_frameWindow, 0, LOWORD(wParam), 0);
    return 0;
}

LRESULT CmdSend(HWND, UINT, WPARAM, LPARAM) {
    SendComposeWindow(g_frameWindow);
    return 0;
}

}  // namespace

HWND OpenComposeWindow(HWND frame, int, int command, int) {
    if (!g_mdiClient) return nullptr;
    if (command == CMD_NEW_MAIL) {
        if (const char* program = Setting(PrefText::MailExternalApplication)) {
            (void)RunProgramWithArgument(program, "", SW_SHOWNORMAL, true);
            return nullptr;
        }
    }
    if (!Setting(PrefText::MailServer)) {
        if (g_messageBoxes) g_messageBoxes->ShowError(frame, IDS_NO_MAIL_SERVER, nullptr, nullptr);
        return nullptr;
    }
    static const ATOM registered = ComposeWindow::RegisterClass(g_instance ? g_instance : GetModuleHandleA(nullptr));
    (void)registered;
    if (command == CMD_NEW_MAIL && g_windowList) g_windowList->SetComposeUrl(nullptr);
    auto* made = new ComposeWindow();
    bool gone = false;
    made->goneFlag_ = &gone;
    HWND window = made->Make();
    if (!gone) made->goneFlag_ = nullptr;
    if (!window) {
        // A window that came and went took the object with it.
        if (!gone) delete made;
        ShowStringMessage(frame, IDS_CANNOT_CREATE_WINDOW, kWindowTitle, MB_ICONINFORMATION);
        return nullptr;
    }
    if (g_preferences && g_preferences->Get(PrefInt::AutoTile)) SendMessageA(g_mdiClient, WM_MDITILE, 0, 0);
    return window;
}

void SendComposeWindow(HWND window) {
    window = ComposeWindowOf(window);
    ComposeWindowEntry* entry = window ? g_windowList->FindComposeWindow(window) : nullptr;
    HWND panel = window ? GetWindow(window, GW_CHILD) : nullptr;
    while (panel && QueryPanelKind(panel) != PanelClient) panel = GetWindow(panel, GW_HWNDNEXT);
    if (!entry || !panel) return;
    const std::string to = FieldText(panel, IDC_MAIL_TO), cc = FieldText(panel, IDC_MAIL_CC),
                      bcc = FieldText(panel, IDC_MAIL_BCC);
    if (to.empty() && cc.empty() && bcc.empty()) {
        if (g_messageBoxes) g_messageBoxes->ShowError(window, IDS_NO_RECIPIENT, nullptr, nullptr);
        return;
    }
    UrlRegistry* registry = UrlRegistry::Instance();
    // A record of its own for every mail: two windows sending at once must
    // not share one.
    UrlHandle mail = registry ? registry->Find(nullptr, "mailto:", nullptr, true) : UrlHandle();
    if (mail.IsEmpty() || !entry->handler) return;
    if (!entry->url.IsEmpty()) entry->url->RemoveTarget(entry->handler.get());
    entry->url = mail;
    entry->mailSent = 0;
    mail->SetMailFrom(Setting(PrefText::MailAddress));
    mail->SetMailTo(to.c_str());
    mail->SetMailCc(cc.c_str());
    mail->SetMailBcc(bcc.c_str());
    mail->SetMailSubject(FieldText(panel, IDC_MAIL_SUBJECT).c_str());
    mail->SetMailBody(FieldText(panel, IDC_MAIL_BODY).c_str(), nullptr);
    (void)mail->StartLoad(entry->handler.get(), UrlHandle(), false, false);
}

void RegisterComposeCommands() {
    static const CommandBinding bindings[] = {
        {CMD_NEW_MAIL_WINDOW, CmdNewMail},
        {CMD_NEW_MAIL, CmdNewMail},
        {CMD_SEND, CmdSend},
    };
    RegisterCommands(bindings);
    SetComposeWindowOpener(OpenForMailto);
}
