#include "windows/ScriptWindowList.h"

#include <cstring>
#include <map>
#include <string>

#include "core/InternalMessages.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/ScriptHost.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/WindowList.h"

namespace {

// Only posts of this file carry it: other senders use the number too.
constexpr LPARAM kHistoryMoveTag = 0x53484D21;
// A target met while a script of its window still runs waits this long.
constexpr uint32_t kBusyRetryMs = 50;

// What a script asked a window to open, until the window's message comes.
struct PendingOpen {
    UrlHandle url;
    int32_t frameId = -1;
    UrlHandle origin;
};
std::map<int, PendingOpen> pending;

DocumentWindow* WindowOf(int number) {
    return g_windowList ? g_windowList->FindByNumber(number) : nullptr;
}

bool ScriptRunsFor(int number) {
    ScriptHost* host = ScriptHost::Instance();
    return host && host->IsRunningForWindow(number);
}

}  // namespace

int ScriptWindowList::WindowNumber(HWND view) {
    // A frame's document reports through its own window, a child of the view.
    for (HWND w = view; w && g_windowList; w = GetParent(w)) {
        if (DocumentWindow* window = g_windowList->FindWindowById(w)) return window->Number();
    }
    return 0;
}

Document* ScriptWindowList::CurrentDocument(int number) {
    DocumentWindow* w = WindowOf(number);
    return w ? w->CurrentDocument() : nullptr;
}

HWND ScriptWindowList::BoxOwner(int number) {
    DocumentWindow* w = WindowOf(number);
    return w ? w->ViewWindow() : nullptr;
}

const char* ScriptWindowList::GetName(int number) {
    DocumentWindow* w = WindowOf(number);
    return w ? w->Name().c_str() : "";
}

void ScriptWindowList::SetName(int number, const char* name) {
    if (DocumentWindow* w = WindowOf(number)) w->SetName(name);
}

void ScriptWindowList::SetStatusText(int number, const char* text) {
    DocumentWindow* w = WindowOf(number);
    if (w && g_windowList->GetActiveWindow() == w->ViewWindow())
        g_windowList->SetStatusText(w->ViewWindow(), text);
}

void ScriptWindowList::OpenUrl(int number, int32_t frameId, const UrlHandle& url, const UrlHandle& origin) {
    DocumentWindow* w = WindowOf(number);
    if (!w || url.IsEmpty() || !w->Handler()) return;
    pending[number] = PendingOpen{url, frameId, origin};
    w->Handler()->Post(kMsgOpenScriptTarget, url->GetId(), static_cast<uint32_t>(frameId));
}

int ScriptWindowList::OpenNamedWindow(const char* name, int opener) {
    if (!g_windowList) return 0;
    DocumentWindow* from = WindowOf(opener);
    const bool reuse = !g_preferences || !g_preferences->Get(PrefInt::NewWindow);
    HWND fallback = reuse && from ? from->ViewWindow() : nullptr;
    int target = -1, created = 0;
    HWND id = g_windowList->FindOrOpenNamedWindow(fallback, name, &target, &created);
    DocumentWindow* w = id ? g_windowList->FindWindowById(id) : nullptr;
    if (!w) return 0;
    if (w->Number() != opener) w->scriptOpener = opener;
    // A maximised window gives way, so that the opened one is seen.
    if (HWND frame = w->Frame(); frame && IsZoomed(frame)) ShowWindow(frame, SW_RESTORE);
    return w->Number();
}

void ScriptWindowList::ResizeWindow(int number, int width, int height) {
    DocumentWindow* w = WindowOf(number);
    if (w && w->Frame()) SetWindowPos(w->Frame(), nullptr, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER);
}

int ScriptWindowList::Opener(int number) {
    DocumentWindow* w = WindowOf(number);
    return w && WindowOf(w->scriptOpener) ? w->scriptOpener : 0;
}

void ScriptWindowList::CloseWindow(int number) {
    DocumentWindow* w = WindowOf(number);
    if (w && w->Frame()) PostMessageA(w->Frame(), WM_CLOSE, 0, 0);
}

void ScriptWindowList::MoveInHistory(int number, int steps) {
    DocumentWindow* w = WindowOf(number);
    if (w && steps)
        PostMessageA(w->ViewWindow(), kMsgScriptHistoryMove, static_cast<WPARAM>(steps), kHistoryMoveTag);
}

void ScriptWindowList::FocusNextWindow(int number) {
    DocumentWindow* w = WindowOf(number);
    if (!w) return;
    auto* next = static_cast<DocumentWindow*>(w->Next());
    if (!next || !next->ViewWindow()) next = static_cast<DocumentWindow*>(w->Prev());
    if (next && next->ViewWindow()) SetFocus(next->ViewWindow());
}

namespace {
ScriptWindowList plainList;
}  // namespace

void InstallScriptWindowServices(ScriptWindowList* services) {
    SetScriptWindowServices(services ? services : &plainList);
}

void RemoveScriptWindowServices() {
    SetScriptWindowServices(nullptr);
    pending.clear();
}

bool OpenScriptTarget(HWND view, uint32_t urlId) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    if (!w) return false;
    auto it = pending.find(w->Number());
    if (it == pending.end() || it->second.url->GetId() != urlId) return false;
    if (ScriptRunsFor(w->Number())) {
        // A box of the script is open: its page must stay until it returns.
        if (w->Handler())
            w->Handler()->PostDelayed(kMsgOpenScriptTarget, urlId, static_cast<uint32_t>(it->second.frameId),
                                      kBusyRetryMs);
        return true;
    }
    PendingOpen open = std::move(it->second);
    pending.erase(it);
    if (open.url->GetScheme() == kSchemeJavascript) return RunScriptUrlInWindow(view, open.frameId, open.url);
    if (open.frameId >= 0) {
        if (Document* top = w->CurrentDocument()) (void)top->LoadUrlIntoFrameById(open.frameId, open.url);
        return true;
    }
    (void)StopWindowLoad(view, false);
    (void)OpenUrlInWindow(view, open.url, nullptr, true, 0, open.origin, -1);
    return true;
}

bool MoveInHistoryForScript(HWND view, WPARAM steps, LPARAM tag) {
    if (tag != kHistoryMoveTag || !g_windowList || !g_windowList->IsDocumentWindow(view)) return false;
    const int count = static_cast<int>(static_cast<int32_t>(steps));
    if (count == 1 || count == -1) {
        (void)NavigateInWindow(view, count > 0);
    } else if (DocumentList* list = g_windowList->GetDocumentList(view)) {
        (void)g_windowList->GoToHistoryIndex(view, list->GetCurrentIndex() + count);
    }
    return true;
}

bool RunScriptUrlInWindow(HWND view, int32_t frameId, const UrlHandle& url) {
    DocumentWindow* w = g_windowList ? g_windowList->FindWindowById(view) : nullptr;
    Document* top = w ? w->CurrentDocument() : nullptr;
    Document* document = top && frameId >= 0 ? top->FindDocumentByFrameId(frameId) : nullptr;
    if (!document) document = top;
    return document && document->RunScriptUrl(url, 0, 0) != 0;
}
