#include "windows/OutsideUrls.h"

#include <shellapi.h>

#include <string>

#include "core/AppGlobals.h"
#include "core/ExternalPrograms.h"
#include "core/MessageBoxes.h"
#include "core/Preferences.h"
#include "core/StringHelpers.h"
#include "net/UrlErrorBoxes.h"
#include "net/UrlRecord.h"
#include "net/UrlReloadPolicy.h"
#include "resources/BrowsingIds.h"
#include "resources/CoreIds.h"
#include "windows/WindowList.h"

namespace {

constexpr size_t kLongestHost = 200;
// The command a compose window is opened with for a mailto address.
constexpr int kComposeForMailtoUrl = 0x8320;

void ShowError(HWND owner, UINT id) {
    if (g_messageBoxes) g_messageBoxes->ShowError(owner, id, nullptr, nullptr);
}

const char* Setting(PrefText setting) {
    const char* value = g_preferences ? g_preferences->Get(setting) : nullptr;
    return value && *value ? value : nullptr;
}

// A telnet or tn3270 session: the host without its port goes to the
// program. A host with anything but letters, digits and ".-:[]" is refused
// before anything is started.
void StartTerminal(HWND owner, const UrlHandle& url, PrefText program, UINT noHost, UINT noProgram) {
    char host[kLongestHost + 1] = "";
    if (!url->GetHost(host, sizeof host, false) || !*host) {
        ShowError(owner, noHost);
        return;
    }
    const char* command = Setting(program);
    if (!command) {
        ShowError(owner, noProgram);
        return;
    }
    if (!IsSafeOutsideHost(host)) {
        ShowUrlError(owner, IDS_UNSAFE_OUTSIDE_ARGUMENT, url);
        return;
    }
    RunProgramWithArgument(command, host, SW_SHOWNORMAL, true);
}

void StartMailProgram(HWND owner, const UrlHandle& url) {
    const char* name = url.GetName();
    std::string text = name ? name : "";
    if (!IsSafeOutsideArgument(text)) {
        ShowUrlError(owner, IDS_UNSAFE_OUTSIDE_ARGUMENT, url);
        return;
    }
    RunProgramWithArgument(Setting(PrefText::MailExternalApplication), text.c_str(), SW_SHOWNORMAL, true);
}

// The system's own handler of a scheme the user trusts; a failure is told
// with the system's reason.
void OpenExternally(HWND owner, const UrlHandle& url) {
    HINSTANCE result = ShellExecuteA(owner, nullptr, url.GetName(), nullptr, "", SW_HIDE);
    if (reinterpret_cast<UINT_PTR>(result) > 32) return;
    DWORD error = GetLastError();
    char* reason = nullptr;
    FormatMessageA(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                   nullptr, error, 0, reinterpret_cast<char*>(&reason), 0, nullptr);
    std::string text = reason ? reason : "";
    if (reason) LocalFree(reason);
    while (!text.empty() && (text.back() == '\r' || text.back() == '\n')) text.pop_back();
    ShowUrlErrorWithPrefix(owner, IDS_UNKNOWN_ADDRESS_TYPE, url, text.empty() ? nullptr : text.c_str());
}

ComposeWindowOpener g_composeOpener = nullptr;

// A mailto address (and the text after its '#') fills the next compose
// window's fields; a posting address its news groups (Po&st's command).
void OpenCompose(const UrlHandle& url, int command) {
    if (!g_windowList || !g_composeOpener) return;
    g_windowList->SetComposeUrl(url.GetName());
    g_windowList->SetComposeText2(url.GetFragment());
    (void)g_composeOpener(g_frameWindow, command);
}

}  // namespace

void SetComposeWindowOpener(ComposeWindowOpener opener) {
    g_composeOpener = opener;
}

static MailFileOpener g_mailFileOpener = nullptr;

void SetMailFileOpener(MailFileOpener opener) {
    g_mailFileOpener = opener;
}

bool OpenIfMailFile(const char* path) {
    const size_t n = path ? std::char_traits<char>::length(path) : 0;
    if (n <= 4 || !EqualsNoCase(path + n - 4, ".pst")) return false;
    if (g_mailFileOpener) (void)g_mailFileOpener(path);
    return true;
}

UrlRoadFacts UrlRoadFactsOf(const UrlHandle& url, bool carriesMailForm) {
    UrlRoadFacts f;
    f.scheme = url->GetScheme();
    f.proxyForScheme = HasProxyForScheme(f.scheme);
    f.scriptingOn = g_preferences && g_preferences->Get(PrefInt::Scripting) != 0;
    f.carriesMailForm = carriesMailForm;
    f.mailProgramSet = Setting(PrefText::MailExternalApplication) != nullptr;
    const char* name = url.GetName();
    f.trustedExternal = g_preferences && name && g_preferences->IsTrustedExternalProtocol(name);
    return f;
}

bool FollowOutsideRoad(HWND owner, UrlRoad road, const UrlHandle& url) {
    switch (road) {
        case UrlRoad::Telnet:
            StartTerminal(owner, url, PrefText::TelnetApp, IDS_NO_TELNET_HOST, IDS_NO_TELNET_APP);
            return true;
        case UrlRoad::Tn3270:
            StartTerminal(owner, url, PrefText::Tn3270App, IDS_NO_TN3270_HOST, IDS_NO_TN3270_APP);
            return true;
        case UrlRoad::MailProgram:
            StartMailProgram(owner, url);
            return true;
        case UrlRoad::MailCompose:
            OpenCompose(url, kComposeForMailtoUrl);
            return true;
        case UrlRoad::NewsCompose:
            OpenCompose(url, CMD_POST);
            return true;
        case UrlRoad::NeedsProxy:
            ShowUrlError(owner, IDS_NEEDS_PROXY, url);
            return true;
        case UrlRoad::External:
            OpenExternally(owner, url);
            return true;
        case UrlRoad::Unknown:
            ShowUrlError(owner, IDS_UNKNOWN_ADDRESS_TYPE, url);
            return true;
        default:
            return false;
    }
}
