#include "settings/ViewerDispatch.h"

#include "core/StringHelpers.h"
#include "core/TextRoutines.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"
#include "settings/ViewerTable.h"

namespace {

ViewerWindows* g_windows = nullptr;
ViewerSystem* g_system = nullptr;

bool IsNewsScheme(int scheme) {
    return scheme == kSchemeNews || scheme == kSchemeSnews;
}

ViewerChoice ChoiceOf(const ViewerEntry* e) {
    ViewerChoice c;
    if (e == nullptr) return c;
    c.action = e->action;
    const std::optional<std::string>& handler = e->action == kViewerPlugin ? e->pluginPath : e->program;
    if (handler) c.handler = *handler;
    return c;
}

// The file that holds the data, written from memory when there is none yet.
std::string LocalFileOf(UrlRecord& url) {
    std::string path = url.GetLocalFilePath(true);
    if (path.empty() && url.GetStorage() == kStoredInMemory && url.StoreInCacheFile())
        path = url.GetLocalFilePath(true);
    return path;
}

bool IsLoaded(UrlRecord& url) {
    return url.GetLoadStatus(true) == kLoadLoaded;
}

void AskUser(ViewerWindows& windows, ViewerWindow window, const UrlHandle& url) {
    if (windows.IsSaving(window)) return;
    url->AddUser();
    if (g_system) g_system->OpenUnknownTypeDialog(window, url);
}

void Save(ViewerWindows& windows, ViewerWindow window, const UrlHandle& url) {
    url->AddUser();
    if (url->GetCacheRelation() != kListNever && !windows.IsSaving(window)) windows.SaveDocumentAs(window);
}

// The window's pending choice, else the table's; kept as the window's
// pending action so that the second decision carries out the first.
template <typename Lookup>
ViewerChoice Decide(ViewerWindows& windows, ViewerWindow window, Lookup lookup) {
    ViewerChoice choice;
    choice.action = windows.PendingAction(window);
    if (choice.action >= 0) {
        choice.handler = windows.PendingHandler(window);
    } else {
        choice = lookup();
    }
    windows.SetPendingAction(window, choice.action);
    return choice;
}

// A program or the shell took the document: the window is done with it.
void Finish(ViewerWindows& windows, ViewerWindow window, const UrlHandle& url) {
    url->RemoveUser();
    windows.SetLoadFinished(window);
}

}  // namespace

void SetViewerWindows(ViewerWindows* windows) {
    g_windows = windows;
}
ViewerWindows* GetViewerWindows() {
    return g_windows;
}
void SetViewerSystem(ViewerSystem* system) {
    g_system = system;
}
ViewerSystem* GetViewerSystem() {
    return g_system;
}

ViewerChoice LookupViewerForUrl(const ViewerTable& table, const UrlRecord& url) {
    ViewerChoice choice;
    if (IsNewsScheme(url.GetScheme())) {
        choice.action = kViewerShow;
        return choice;
    }
    const char* type = url.GetContentType();
    if (type && *type == '\0') type = nullptr;
    if (type) choice = ChoiceOf(table.FindByMimeType(type));
    const char* name = url.GetName(true);
    bool weakType = !type || (!GetUrlSettings().trustServerTypes &&
                              (EqualsNoCase(type, "text/plain") || EqualsNoCase(type, "application/octet-stream")));
    if (name && weakType) {
        if (const char* extension = UrlFileExtension(name)) {
            int index = table.FindByExtension(extension);
            if (index >= 0) choice = ChoiceOf(table.FindByIndex(index));
        }
    }
    if (choice.action < 0) choice = ChoiceOf(table.Fallback());
    return choice;
}

void ShowDocument(ViewerWindow window, const UrlHandle& url, bool withPlugin) {
    ViewerWindows* windows = g_windows;
    if (windows == nullptr || url.IsEmpty()) return;
    int kind = url->GetContentKind();
    if (!withPlugin && (kind == kTypeOther || kind == kTypeUnknown)) {
        url->SetContentKind(kTypePlainText);
        kind = kTypePlainText;
    }
    if (!withPlugin && (kind == kTypeWav || kind == kTypeMidi)) {
        // Sounds are played, once they are all there.
        if (!IsLoaded(*url.Record())) return;
        std::string file = LocalFileOf(*url.Record());
        if (!file.empty()) windows->PlaySound(window, file, kind == kTypeMidi);
        windows->SetLoadFinished(window);
        return;
    }
    // Certificates and MIME messages are taken care of where they arrive.
    if (kind == kTypeUserCert || kind == kTypeCaCert || kind == kTypePem || kind == kTypeMimeMessage) return;
    windows->ShowInWindow(window, url, withPlugin);
}

void HandleDocumentStart(ViewerTable& table, ViewerWindow window, const UrlHandle& url) {
    ViewerWindows* windows = g_windows;
    if (windows == nullptr || url.IsEmpty()) return;
    ViewerChoice choice = Decide(*windows, window, [&] { return LookupViewerForUrl(table, *url.Record()); });
    switch (choice.action) {
        case kViewerSave:
            Save(*windows, window, url);
            break;
        case kViewerShow:
            ShowDocument(window, url, false);
            break;
        case kViewerProgram:
            url->AddUser();
            if (!choice.handler.empty()) {
                windows->SetPendingHandler(window, choice.handler);  // runs at load end
            } else if (!windows->IsSaving(window) && g_system) {
                g_system->OpenUnknownTypeDialog(window, url);
            }
            break;
        case kViewerRegistered:
        case kViewerRun:
            url->AddUser();  // waits for load end
            break;
        case kViewerPlugin:
            ShowDocument(window, url, true);
            break;
        default:
            AskUser(*windows, window, url);
            break;
    }
}

void HandleLoadedDocument(ViewerTable& table, ViewerWindow window, const UrlHandle& url) {
    ViewerWindows* windows = g_windows;
    if (windows == nullptr || url.IsEmpty()) return;
    // At load end the server's type is not weighed against the extension.
    ViewerChoice choice = Decide(*windows, window, [&] {
        if (IsNewsScheme(url->GetScheme())) return ViewerChoice{kViewerShow, std::string()};
        const char* type = url->GetContentType();
        const ViewerEntry* entry = nullptr;
        if (type && *type) {
            entry = table.FindByMimeType(type);
        } else if (const char* extension = UrlFileExtension(url->GetName(true))) {
            entry = table.FindByIndex(table.FindByExtension(extension));
        }
        return ChoiceOf(entry ? entry : table.Fallback());
    });
    bool loaded = IsLoaded(*url.Record());
    switch (choice.action) {
        case kViewerSave:
            Save(*windows, window, url);
            break;
        case kViewerShow:
            ShowDocument(window, url, false);
            break;
        case kViewerProgram: {
            if (choice.handler.empty()) {
                AskUser(*windows, window, url);
                break;
            }
            url->AddUser();
            int mark = url->GetPageMark();
            // Partial data is never written out as if it were the document.
            std::string file = loaded ? LocalFileOf(*url.Record()) : url->GetLocalFilePath(true);
            if ((!loaded && mark == 0) || file.empty()) {
                windows->SetPendingHandler(window, choice.handler);
                break;
            }
            // A program that cannot start leaves the document pending.
            if (g_system && g_system->RunProgram(choice.handler, ProgramArgument(file, mark)))
                Finish(*windows, window, url);
            break;
        }
        case kViewerRegistered:
        case kViewerRun: {
            url->AddUser();
            std::string file = loaded ? LocalFileOf(*url.Record()) : url->GetLocalFilePath(true);
            if (file.empty()) {
                if (loaded) AskUser(*windows, window, url);
                break;
            }
            if (!loaded) break;  // stays pending
            bool started = g_system && (choice.action == kViewerRegistered ? g_system->ShellOpen(file)
                                                                           : g_system->RunProgram(file, ""));
            if (started) Finish(*windows, window, url);
            break;
        }
        case kViewerPlugin:
            ShowDocument(window, url, true);
            break;
        default:
            AskUser(*windows, window, url);
            break;
    }
}

std::string ProgramArgument(const std::string& localFile, int mediaMark) {
    if (mediaMark != 1 && mediaMark != 2) return localFile;
    size_t slash = localFile.find_last_of("\\/");
    std::string name =
        slash != std::string::npos && slash + 1 < localFile.size() ? localFile.substr(slash + 1) : localFile;
    return name + (mediaMark == 1 ? ",HD" : ",CD");
}
