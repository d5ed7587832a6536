#include "mailnews/ComposeWindow.h"

#include <algorithm>
#include <cstdio>
#include <string>

#include "core/AppGlobals.h"
#include "core/CommandDispatcher.h"
#include "core/DialogRuntime.h"
#include "core/FileDialogs.h"
#include "core/ExternalPrograms.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "core/StringHelpers.h"
#include "core/WindowBase.h"
#include "core/Win32Utilities.h"
#include "core/CoarseClock.h"
#include "core/Dates.h"
#include "mailnews/MailFile.h"
#include "mailnews/NewsPosting.h"
#include "net/NntpConnection.h"
#include "net/UrlAuthority.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/Winsock.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "resources/CoreStringIds.h"
#include "resources/MailIds.h"
#include "security/SecureNewsConnection.h"
#include "windows/OutsideUrls.h"
#include "windows/WindowList.h"

namespace {

const char kClassName[] = "ZUV_Mail";
const char kWindowTitle[] = "Mail & news posting";
const char kFieldsTemplate[] = "MAILCLIENT";
constexpr int kFieldLimit = 500;
constexpr int kMinimumField = 100;
// The command a compose window is opened with for a mail file.
constexpr int kComposeForMailFile = 33568;
const int kLineFields[] = {IDC_MAIL_TO, IDC_MAIL_NEWSGROUPS, IDC_MAIL_CC, IDC_MAIL_BCC, IDC_MAIL_SUBJECT};

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
class ComposePanel : public DialogBase {
public:
    ComposePanel() : DialogBase(0) {}

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
        for (int id : kLineFields)
            SendDlgItemMessageA(Handle(), id, EM_LIMITTEXT, kFieldLimit, 0);
        // The body takes what the user writes or a mail file holds, however long.
        SendDlgItemMessageA(Handle(), IDC_MAIL_BODY, EM_LIMITTEXT, 0, 0);
        const std::string url = g_windowList ? g_windowList->GetComposeUrlText() : std::string();
        if (StartsWithNoCase(url, "mailto:")) {
            std::string to, subject;
            FieldsFromMailto(url, to, subject);
            SetDlgItemTextA(Handle(), IDC_MAIL_TO, to.c_str());
            SetDlgItemTextA(Handle(), IDC_MAIL_SUBJECT, subject.c_str());
        }
        PostingAddress posting;
        if (SplitPostingUrl(url, posting)) SetDlgItemTextA(Handle(), IDC_MAIL_NEWSGROUPS, posting.groups.c_str());
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
        for (int id : {IDC_MAIL_TO, IDC_MAIL_NEWSGROUPS, IDC_MAIL_CC, IDC_MAIL_BCC, IDC_MAIL_SUBJECT, IDC_MAIL_BODY}) {
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

    // The mail to the mail server, the article to the news server. A side
    // that went already is not sent again when the other failed and the
    // user sends once more; nothing is sent while a side is on its way.
    void Send() {
        ComposeWindowEntry* entry = g_windowList ? g_windowList->FindComposeWindow(Handle()) : nullptr;
        HWND panel = FieldsPanel();
        if (!entry || !entry->handler || !panel || mail_ == Side::kPending || news_ == Side::kPending) return;
        const std::string to = FieldText(panel, IDC_MAIL_TO), cc = FieldText(panel, IDC_MAIL_CC),
                          bcc = FieldText(panel, IDC_MAIL_BCC), groups = FieldText(panel, IDC_MAIL_NEWSGROUPS);
        const bool mail = !(to.empty() && cc.empty() && bcc.empty());
        if (!mail && groups.empty()) {
            if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), IDS_NO_RECIPIENT, nullptr, nullptr);
            return;
        }
        const bool news = !groups.empty() && news_ != Side::kDone;
        // Checked before anything leaves, so that nothing goes half.
        NewsServer server;
        if (news && !PostingServer(server)) {
            if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), IDS_NO_NEWS_SERVER, nullptr, nullptr);
            return;
        }
        // A side that failed and is no longer asked for is given up.
        if (!mail && mail_ == Side::kFailed) mail_ = Side::kIdle;
        if (groups.empty() && news_ == Side::kFailed) news_ = Side::kIdle;
        if (mail && mail_ != Side::kDone) SendMail(*entry, panel, to, cc, bcc);
        if (news)
            StartPosting(*entry, server, groups, FieldText(panel, IDC_MAIL_SUBJECT), FieldText(panel, IDC_MAIL_BODY));
        CloseWhenFinished();
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
    struct NewsServer {
        std::string host;
        uint16_t port = 0;  // 0: the protocol's own
        bool secure = false;
    };

    LRESULT OnCreate() {
        // A posting address names the server it goes to; the panel takes
        // its groups.
        PostingAddress posting;
        if (g_windowList && SplitPostingUrl(g_windowList->GetComposeUrlText(), posting)) {
            postServer_ = posting.server;
            postSecure_ = posting.secure;
        }
        auto* fields = new ComposePanel();
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
        // Closed while the server answers: the article went or not, the
        // connection ends on its own.
        DropPosting();
        if (g_windowList) g_windowList->RemoveComposeWindow(Handle());
        if (g_frameWindow) DrawMenuBar(g_frameWindow);
    }
    LRESULT OnInternalMessage(UINT message, WPARAM wParam, LPARAM lParam) {
        ComposeWindowEntry* entry = g_windowList ? g_windowList->FindComposeWindow(Handle()) : nullptr;
        if (!entry) return 0;
        const auto p1 = static_cast<uint32_t>(wParam);
        const auto p2 = static_cast<uint32_t>(lParam);
        if (posting_ && p1 == posting_->Id()) {
            OnPostingReport(message, p2);
            return 0;
        }
        const bool ours = !entry->url.IsEmpty() && entry->url->GetId() == p2;
        if (message == kMsgLoadNotice && p1 == kNoticeLoaded && ours && mail_ == Side::kPending) {
            SetSide(mail_, Side::kDone);
            Told(IDS_MAIL_POSTED);
            return 0;
        }
        if (message == kMsgLoadError && ours && mail_ == Side::kPending) {
            // The mail did not go: the window stays, with what the user wrote.
            SetSide(mail_, Side::kFailed);
            if (g_messageBoxes && p1) g_messageBoxes->ShowError(Handle(), p1, nullptr, nullptr);
            return 0;
        }
        if (entry->handler) entry->handler->Dispatch(message, p1, p2);
        return 0;
    }

    HWND FieldsPanel() const;

    void SendMail(ComposeWindowEntry& entry, HWND panel, const std::string& to, const std::string& cc,
                  const std::string& bcc) {
        UrlRegistry* registry = UrlRegistry::Instance();
        // A record of its own for every mail: two windows sending at once
        // must not share one.
        UrlHandle mail = registry ? registry->Find(nullptr, "mailto:", nullptr, true) : UrlHandle();
        if (mail.IsEmpty()) return;
        if (!entry.url.IsEmpty()) entry.url->RemoveTarget(entry.handler.get());
        entry.url = mail;
        SetSide(mail_, Side::kPending);
        mail->SetMailFrom(Setting(PrefText::MailAddress));
        mail->SetMailTo(to.c_str());
        mail->SetMailCc(cc.c_str());
        mail->SetMailBcc(bcc.c_str());
        mail->SetMailSubject(FieldText(panel, IDC_MAIL_SUBJECT).c_str());
        mail->SetMailBody(FieldText(panel, IDC_MAIL_BODY).c_str(), nullptr);
        (void)mail->StartLoad(entry.handler.get(), UrlHandle(), false, false);
    }

    // The server of the posting address, else the one of the settings
    // ("host" or "host:port"), secure as the address or the settings say.
    bool PostingServer(NewsServer& server) const {
        const char* setting = Setting(PrefText::NewsServer);
        const std::string text = !postServer_.empty() ? postServer_ : setting ? setting : "";
        UrlAuthority split;
        if (text.empty() || SplitAuthorityText(text, 0, 256, split) != AuthoritySplit::kOk) return false;
        server.host = split.host;
        server.port = split.port;
        server.secure = postSecure_ || (g_preferences && g_preferences->Get(PrefInt::SecureNewsServer));
        return true;
    }

    void StartPosting(ComposeWindowEntry& entry, const NewsServer& server, const std::string& groups,
                      const std::string& subject, const std::string& body) {
        static uint32_t posted = 0;
        NewsArticleFields article;
        article.address = TextSetting(PrefText::MailAddress);
        article.name = TextSetting(PrefText::MailName);
        article.newsgroups = groups;
        article.subject = subject;
        article.body = body;
        char date[64];
        if (FormatNowHttp(date, sizeof date)) article.date = date;
        const char* host = GetLocalHostName();
        article.messageId = MakeNewsMessageId(CoarseClockNow(), ++posted, article.address, host ? host : "");
        NntpConnection* connection =
            server.secure ? CreateSecureNewsConnection(entry.handler.get(), server.host.c_str(), server.port, false)
                          : new NntpConnection(entry.handler.get(), server.host.c_str(), server.port, false);
        if (!connection) {
            if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), kErrNewsNotAvailable, nullptr, nullptr);
            return;
        }
        connection->SetPostRequest(BuildNewsArticle(article));
        if (const int32_t refused = connection->StartRequest()) {
            delete connection;
            if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), static_cast<UINT>(refused), nullptr, nullptr);
            return;
        }
        posting_ = connection;
        SetSide(news_, Side::kPending);
    }

    // The news client's reports of the posting: done, or failed with the
    // reason; the connection then says goodbye and ends.
    void OnPostingReport(UINT message, uint32_t p2) {
        if (message == kMsgNewsDone && news_ == Side::kPending) {
            SetSide(news_, Side::kDone);
            Told(IDS_NEWS_POSTED);
            return;
        }
        if (message != kMsgConnectionFailed && message != kMsgConnectionEnded && message != kMsgNewsFailed) return;
        DropPosting();
        if (news_ != Side::kPending) return;
        // Not posted: the window stays, with what the user wrote.
        SetSide(news_, Side::kFailed);
        const int32_t code = message == kMsgConnectionEnded ? kErrNewsNotAvailable : static_cast<int32_t>(p2);
        if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), static_cast<UINT>(code), nullptr, nullptr);
    }

    void DropPosting() {
        NntpConnection* connection = posting_;
        posting_ = nullptr;
        if (!connection) return;
        if (connection->IsIdle()) delete connection;
        else connection->Detach();
    }

    // What is on its way, done, failed or not asked for, on each side; the
    // window list's flags say whether a side is still on its way.
    enum class Side { kIdle, kPending, kDone, kFailed };
    void SetSide(Side& side, Side state) {
        side = state;
        if (ComposeWindowEntry* entry = g_windowList ? g_windowList->FindComposeWindow(Handle()) : nullptr) {
            entry->mailSent = mail_ == Side::kPending ? 0 : 1;
            entry->newsPosted = news_ == Side::kPending ? 0 : 1;
        }
    }

    // A side went: the user is told, then the window closes when nothing
    // is left on its way or failed.
    void Told(UINT text) {
        HWND window = Handle();
        if (g_messageBoxes) g_messageBoxes->ShowInfo(window, text, nullptr);
        // The box ran its own loop: the window may have gone, and this
        // object with it.
        if (!IsWindow(window) || WindowBase::FromHandle(window) != this) return;
        CloseWhenFinished();
    }
    void CloseWhenFinished() {
        const bool open = mail_ == Side::kPending || mail_ == Side::kFailed || news_ == Side::kPending ||
                          news_ == Side::kFailed;
        if (!open && (mail_ == Side::kDone || news_ == Side::kDone))
            SendMessageA(g_mdiClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(Handle()), 0);
    }

    static std::string TextSetting(PrefText setting) {
        const char* value = Setting(setting);
        return value ? value : "";
    }

    std::string postServer_;
    bool postSecure_ = false;
    NntpConnection* posting_ = nullptr;  // owned; see DropPosting
    Side mail_ = Side::kIdle, news_ = Side::kIdle;
};

HWND FieldsPanelOf(HWND compose) {
    HWND panel = GetWindow(compose, GW_CHILD);
    while (panel && QueryPanelKind(panel) != PanelClient) panel = GetWindow(panel, GW_HWNDNEXT);
    return panel;
}

HWND ComposeWindowOf(HWND window) {
    if (!g_windowList) return nullptr;
    if (window == g_frameWindow) window = g_windowList->GetActiveWindow();
    if (window && !g_windowList->IsComposeWindow(window)) window = GetParent(window);
    return g_windowList->IsComposeWindow(window) ? window : nullptr;
}

HWND ComposeWindow::FieldsPanel() const {
    return FieldsPanelOf(Handle());
}

// The fields of a mail file go into the panel's fields, the body whole.
void FillFields(HWND panel, const ComposeFields& fields) {
    const struct {
        int id;
        const std::string& text;
    } values[] = {{IDC_MAIL_TO, fields.to},           {IDC_MAIL_NEWSGROUPS, fields.newsgroups},
                  {IDC_MAIL_CC, fields.cc},           {IDC_MAIL_BCC, fields.bcc},
                  {IDC_MAIL_SUBJECT, fields.subject}, {IDC_MAIL_BODY, fields.body}};
    for (const auto& v : values) SetDlgItemTextA(panel, v.id, v.text.c_str());
}

bool ReadWholeFile(const char* path, std::string& text) {
    std::FILE* file = std::fopen(path, "rb");
    if (!file) return false;
    char buffer[16384];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, file)) > 0) text.append(buffer, n);
    const bool ok = !std::ferror(file);
    std::fclose(file);
    return ok;
}

HWND OpenForUrl(HWND frame, int command) {
    return OpenComposeWindow(frame, 0, command, 0);
}

LRESULT CmdNewMail(HWND, UINT, WPARAM wParam, LPARAM) {
    (void)OpenComposeWindow(g_frameWindow, 0, LOWORD(wParam), 0);
    return 0;
}

// Po&st: a posting to the group the active window shows, when it shows one.
LRESULT CmdPost(HWND, UINT, WPARAM, LPARAM) {
    if (!g_windowList) return 0;
    HWND active = g_windowList->GetActiveWindow();
    const UrlHandle shown = active ? g_windowList->GetWindowUrl(active) : UrlHandle();
    const char* name = shown.IsEmpty() ? nullptr : shown.GetName();
    g_windowList->SetComposeUrl(name ? PostingUrlForGroup(name).c_str() : nullptr);
    (void)OpenComposeWindow(g_frameWindow, 0, CMD_POST, 0);
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
    // A posting goes to the news server, and a mail file may hold one: they
    // need no mail server.
    if (command != CMD_POST && command != kComposeForMailFile && !Setting(PrefText::MailServer)) {
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
    if (auto* compose = window ? dynamic_cast<ComposeWindow*>(WindowBase::FromHandle(window)) : nullptr)
        compose->Send();
}

bool SaveComposeToFile(HWND window, const char* path) {
    window = ComposeWindowOf(window);
    HWND panel = window ? FieldsPanelOf(window) : nullptr;
    if (!panel || !path) return false;
    ComposeFields fields;
    fields.to = FieldText(panel, IDC_MAIL_TO);
    fields.newsgroups = FieldText(panel, IDC_MAIL_NEWSGROUPS);
    fields.cc = FieldText(panel, IDC_MAIL_CC);
    fields.bcc = FieldText(panel, IDC_MAIL_BCC);
    fields.subject = FieldText(panel, IDC_MAIL_SUBJECT);
    fields.body = FieldText(panel, IDC_MAIL_BODY);
    const std::string text = FormatMailFile(fields);
    HCURSOR before = SetCursor(LoadCursor(nullptr, IDC_WAIT));
    std::FILE* file = std::fopen(path, "wb");
    bool written = file && std::fwrite(text.data(), 1, text.size(), file) == text.size();
    if (file && std::fclose(file) != 0) written = false;
    SetCursor(before);
    if (!written) {
        // Half a mail file would open as damaged: none is left.
        if (file) std::remove(path);
        if (g_messageBoxes) g_messageBoxes->ShowError(window, IDS_MAIL_FILE_NOT_SAVED, nullptr, nullptr);
    }
    return written;
}

bool SaveComposeWindowAs(HWND window) {
    window = ComposeWindowOf(window);
    if (!window) return false;
    char name[MAX_PATH] = "";
    if (!ShowSaveFileDialog(window, IDS_SAVE_MAIL_FILE, IDS_MAIL_FILE_FILTER, name, "")) return false;
    return SaveComposeToFile(window, name);
}

HWND OpenMailFile(const char* path) {
    std::string text;
    ComposeFields fields;
    if (!path || !ReadWholeFile(path, text) || !ParseMailFile(text, fields)) {
        if (g_messageBoxes) g_messageBoxes->ShowError(g_frameWindow, IDS_MAIL_FILE_DAMAGED, nullptr, nullptr);
        return nullptr;
    }
    // Always a window of its own: what another compose window holds is the
    // user's and stays.
    if (g_windowList) g_windowList->SetComposeUrl(nullptr);
    HWND window = OpenComposeWindow(g_frameWindow, 0, kComposeForMailFile, 0);
    HWND panel = window ? FieldsPanelOf(window) : nullptr;
    if (panel) FillFields(panel, fields);
    return window;
}

void RegisterComposeCommands() {
    static const CommandBinding bindings[] = {
        {CMD_NEW_MAIL_WINDOW, CmdNewMail},
        {CMD_NEW_MAIL, CmdNewMail},
        {CMD_SEND, CmdSend},
        {CMD_POST, CmdPost},
    };
    RegisterCommands(bindings);
    SetComposeWindowOpener(OpenForUrl);
    SetMailFileOpener(OpenMailFile);
}
