#include "windows/AuthenticationDialog.h"

#include <string>

#include "core/AppGlobals.h"
#include "core/InternalMessages.h"
#include "core/MessageBoxes.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "core/WindowBase.h"
#include "net/UrlRecord.h"
#include "resources/BrowsingIds.h"
#include "windows/DocumentDispatch.h"
#include "windows/Navigation.h"
#include "windows/WindowList.h"

namespace {

// One dialog at a time: later requests wait for it.
bool g_busy = false;
constexpr uint32_t kRetryDelayMs = 300;
constexpr int kLongestPrompt = 100;

bool IsProxyMode(uint32_t mode) {
    return mode == kAuthProxy || mode == kAuthProxyAgain;
}

UINT PromptId(uint32_t mode) {
    static const UINT prompts[] = {IDS_AUTH_SERVER,     IDS_AUTH_SERVER_AGAIN, IDS_AUTH_PROXY,
                                   IDS_AUTH_PROXY_AGAIN, IDS_AUTH_NEWS,        IDS_AUTH_NEWS_AGAIN};
    return prompts[mode <= kAuthNewsAgain ? mode : 0];
}

class AuthenticationDialog : public DialogBase {
public:
    AuthenticationDialog(HWND view, uint32_t mode, UrlHandle url)
        : DialogBase(HELP_AUTHENTICATION), view_(view), mode_(mode), url_(std::move(url)) {}

protected:
    INT_PTR OnInitDialog() override {
        HWND dialog = Handle();
        if (DocumentWindow* w = g_windowList->FindWindowById(view_)) w->toolbarDialog = dialog;
        const char* proxy = g_preferences ? g_preferences->GetHttpProxy() : nullptr;
        SetWindowTextA(dialog, IsProxyMode(mode_) && proxy && *proxy ? proxy : url_.GetName());
        // A first request forgets the name typed for an earlier one.
        if (mode_ == kAuthServer || mode_ == kAuthNews) g_windowList->SetLoginUserName(view_, "");
        if (mode_ == kAuthProxy) g_windowList->SetProxyUserName(view_, "");
        char prompt[kLongestPrompt + 1] = "";
        LoadStringResource(PromptId(mode_), prompt, sizeof prompt);
        SetDlgItemTextA(dialog, IDC_AUTH_PROMPT, prompt);
        // The fields take no more than is kept, so nothing typed is cut
        // silently.
        SendDlgItemMessageA(dialog, IDC_AUTH_USER, EM_LIMITTEXT, kLongestUserName, 0);
        SendDlgItemMessageA(dialog, IDC_AUTH_PASSWORD, EM_LIMITTEXT, kLongestPassword, 0);
        const char* user = IsProxyMode(mode_) ? g_windowList->GetProxyUserName(view_)
                                              : g_windowList->GetLoginUserName(view_);
        SetDlgItemTextA(dialog, IDC_AUTH_USER, user ? user : "");
        return TRUE;
    }

    INT_PTR OnCommand(UINT message, WPARAM wParam, LPARAM lParam) override {
        const int id = LOWORD(wParam);
        const int code = HIWORD(wParam);
        if ((id == IDC_AUTH_USER || id == IDC_AUTH_PASSWORD) && code == EN_ERRSPACE) {
            if (g_messageBoxes) g_messageBoxes->ShowError(Handle(), IDS_OUT_OF_MEMORY, nullptr, nullptr);
            return TRUE;
        }
        if (id == IDOK && code == 0) {
            Accept();
            return TRUE;
        }
        if (id == IDCANCEL) {
            Cancel();
            return TRUE;
        }
        return DialogBase::OnCommand(message, wParam, lParam);
    }

private:
    std::string Field(int id, int longest) const {
        std::string text(static_cast<size_t>(longest) + 1, '\0');
        int n = GetDlgItemTextA(Handle(), id, &text[0], longest + 1);
        text.resize(static_cast<size_t>(n > 0 ? n : 0));
        return text;
    }

    void Accept() {
        const std::string user = Field(IDC_AUTH_USER, kLongestUserName);
        const std::string password = Field(IDC_AUTH_PASSWORD, kLongestPassword);
        if (IsProxyMode(mode_)) g_windowList->SetProxyUserName(view_, user.c_str());
        else g_windowList->SetLoginUserName(view_, user.c_str());
        retry_ = {user, password};
        End(IDOK);
    }

    void Cancel() {
        (void)StopWindowLoad(view_, true);
        g_windowList->SetLoadState(view_, kWindowIdle);
        const int strategy = g_preferences ? g_preferences->Get(PrefInt::HttpErrorStrategy) : 2;
        const bool hasReply = url_->GetHttpStatus() >= 400;
        if (strategy == 0 || (strategy == 2 && hasReply)) ShowReply();
        if (IsProxyMode(mode_)) g_windowList->SetProxyUserName(view_, "");
        else g_windowList->SetLoginUserName(view_, "");
        End(IDCANCEL);
    }

    // The server's own answer (its page about the refusal) in the window.
    void ShowReply() {
        if (DocumentDispatch* dispatch = GetDocumentDispatch()) {
            dispatch->DocumentStarting(view_, url_);
            dispatch->DocumentLoaded(view_, url_);
        } else {
            (void)g_windowList->ShowUrl(view_, url_, 0, false);
        }
    }

    void End(int result) {
        if (DocumentWindow* w = g_windowList->FindWindowById(view_); w && w->toolbarDialog == Handle())
            w->toolbarDialog = nullptr;
        EndDialog(Handle(), result);
    }

public:
    struct Credentials {
        std::string user, password;
    } retry_;

private:
    HWND view_;
    uint32_t mode_;
    UrlHandle url_;
};

}  // namespace

INT_PTR RequestAuthentication(HWND view, uint32_t mode, uint32_t recordId) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    if (!w) return 0;
    if (g_busy) {
        if (MessageHandler* handler = w->Handler()) (void)handler->PostDelayed(kMsgAuthNeeded, mode, recordId, kRetryDelayMs);
        return 0;
    }
    UrlHandle url = w->GetUrlById(recordId);
    if (url.IsEmpty()) return 0;
    AuthenticationDialog dialog(view, mode, url);
    g_busy = true;
    HINSTANCE instance = g_instance ? g_instance : GetModuleHandleA(nullptr);
    INT_PTR result = dialog.RunModal(instance, "AUTHENTICATE", w->Frame());
    g_busy = false;
    // The window may have gone while the dialog was open.
    if (result == IDOK && g_windowList->IsDocumentWindow(view) && url->GetLoadStatusHere() != kLoadLoading) {
        if (!url->RetryWithCredentials(dialog.retry_.user.c_str(), dialog.retry_.password.c_str())) {
            (void)StopWindowLoad(view, true);
        }
    }
    return result;
}
