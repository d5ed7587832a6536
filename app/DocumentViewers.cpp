#include "app/DocumentViewers.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>

#include "core/AppGlobals.h"
#include "core/FileDialogs.h"
#include "core/MessageBoxes.h"
#include "core/SaveFileNames.h"
#include "documents/Document.h"
#include "documents/DocumentWindows.h"
#include "core/CommandDispatcher.h"
#include "html/UrlContentFeed.h"
#include "layout/PageText.h"
#include "mailnews/ComposeWindow.h"
#include "resources/CoreIds.h"
#include "net/UrlRecord.h"
#include "resources/ViewerIds.h"
#include "settings/ViewerDialogs.h"
#include "settings/ViewerDispatch.h"
#include "settings/ViewerTable.h"
#include "windows/DocumentDispatch.h"
#include "windows/Navigation.h"
#include "windows/OpenUrl.h"
#include "windows/OutsideUrls.h"
#include "windows/PageSaving.h"
#include "windows/ViewMouse.h"
#include "windows/WindowList.h"

namespace {

constexpr int kTextColumns = 80;

bool HasTextExtension(const char* path) {
    const char* dot = std::strrchr(path, '.');
    return dot && dot > std::strrchr(path, '\\') && lstrcmpiA(dot + 1, "txt") == 0;
}

// A page saved under a ".txt" name is written as the text it shows, 80
// columns wide; a file that could not be written whole is removed.
bool WritePageText(const UrlHandle& url, const char* path) {
    DocumentContentHandle content = DocumentContentOf(*url.Record()->ChainEnd());
    if (content.IsEmpty() || !content->Root()) return false;
    std::FILE* out = std::fopen(path, "wb");
    if (!out) return false;
    int error = WritePageAsText(*content.Get(), out, kTextColumns);
    if (std::fflush(out) != 0) error = error ? error : EIO;
    if (std::fclose(out) != 0) error = error ? error : EIO;
    if (error) std::remove(path);
    return error == 0;
}

// The document written to the file the user chose: a page as its text or
// its source, by the file's name; anything else as it came. Nothing is
// reported as saved that was not written whole.
bool WriteDocumentFile(HWND owner, const UrlHandle& url, const char* path) {
    bool saved = false;
    if (url->GetLoadStatus(true) != kLoadLoading) {
        saved = url->GetContentKind() == kTypeHtml && HasTextExtension(path) ? WritePageText(url, path)
                                                                             : url->SaveToFile(path);
    }
    if (!saved && g_messageBoxes) g_messageBoxes->ShowError(owner, IDS_DOCUMENT_NOT_SAVED, nullptr, path);
    return saved;
}

// File > Save As on a shown document (the window's, or a frame's): the
// file is asked for in the system's save dialog, proposing the address's
// name; a cancelled dialog stops the window's loading. With images, a page
// saved as a page takes its pictures along.
void SaveShownDocumentAs(HWND view, Document* document, bool withImages = false) {
    if (!view || !document) return;
    UrlHandle url = document->GetUrl();
    const char* address = url.IsEmpty() ? nullptr : url.GetName();
    if (!address) return;
    ProposedFile proposed = SplitFileNameFromUrl(address);
    char name[MAX_PATH] = {};
    lstrcpynA(name, proposed.name.c_str(), sizeof name);
    if (!ShowSaveFileDialog(GetAncestor(view, GA_ROOT), 0, IDS_SAVE_DOCUMENT_FILTER, name, proposed.filter)) {
        (void)StopWindowLoad(view, true);
        return;
    }
    if (withImages && url->GetContentKind() == kTypeHtml && !HasTextExtension(name) &&
        url->GetLoadStatus(true) != kLoadLoading) {
        (void)SavePageWithImages(view, url, name);
        return;
    }
    (void)WriteDocumentFile(view, url, name);
}

// "Save As..." of the File menu: the active window's document.
LRESULT CmdSaveAs(HWND, UINT, WPARAM, LPARAM) {
    HWND view = g_windowList ? g_windowList->GetActiveWindow() : nullptr;
    // A compose window saves what is being written as a mail file.
    if (view && g_windowList->IsComposeWindow(view)) {
        (void)SaveComposeWindowAs(view);
        return 0;
    }
    DocumentWindow* w = view ? g_windowList->FindWindowById(view) : nullptr;
    if (w) SaveShownDocumentAs(view, w->CurrentDocument());
    return 0;
}

// "Save Page and Images As...": the active window's page with its pictures.
LRESULT SaveActiveDocumentAs(HWND, UINT, WPARAM, LPARAM) {
    HWND view = g_windowList ? g_windowList->GetActiveWindow() : nullptr;
    DocumentWindow* w = view ? g_windowList->FindWindowById(view) : nullptr;
    if (w) SaveShownDocumentAs(view, w->CurrentDocument(), true);
    return 0;
}

// File > Open: a mail file opens in a compose window, any other file as a
// page in a new window.
LRESULT CmdOpenFile(HWND, UINT, WPARAM, LPARAM) {
    const char* chosen = ShowOpenFileDialog(g_frameWindow, 0, IDS_OPEN_DOCUMENT_FILTER, false);
    if (!chosen || !*chosen) return 0;
    const std::string path = chosen;
    if (OpenIfMailFile(path.c_str()) || !g_windowList) return 0;
    int tile = 1;
    if (HWND fresh = g_windowList->OpenNewWindow(&tile)) (void)OpenLocalFileAsUrl(fresh, path.c_str());
    return 0;
}

// "Save As..." of the frame's context menu: the document the menu was
// opened on, a frame's in a frame set.
LRESULT CmdSaveContextDocumentAs(HWND, UINT, WPARAM, LPARAM) {
    HWND owner = nullptr;
    Document* document = ContextMenuDocument(&owner);
    SaveShownDocumentAs(owner, document);
    return 0;
}

HWND ViewOf(ViewerWindow window) {
    return reinterpret_cast<HWND>(window);
}

DocumentWindow* WindowOf(ViewerWindow window) {
    return g_windowList ? g_windowList->FindWindowById(ViewOf(window)) : nullptr;
}

// The global table, or the built-in rows while there is none (a run
// without settings).
ViewerTable& Table() {
    if (ViewerTable* table = GetViewerTable()) return *table;
    static ViewerTable builtIn = [] {
        ViewerTable t;
        t.AddBuiltInRows();
        return t;
    }();
    return builtIn;
}

class DocumentViewers : public ViewerWindows, public DocumentDispatch {
public:
    // ---- DocumentDispatch: the two decisions for each load
    void DocumentStarting(HWND view, const UrlHandle& url) override {
        if (url.IsEmpty()) return;
        ForgetClosedWindows();
        Pending& p = pending_[view];
        // A load announces its content more than once; it is decided once.
        bool loading = g_windowList && g_windowList->GetLoadState(view) != kWindowIdle;
        if (p.started && p.urlId == url->GetId() && loading) return;
        p = Pending();
        p.urlId = url->GetId();
        p.started = true;
        Decide(view, [&] { HandleDocumentStart(Table(), reinterpret_cast<ViewerWindow>(view), url); });
    }
    void DocumentLoaded(HWND view, const UrlHandle& url) override {
        if (url.IsEmpty()) return;
        Pending& p = pending_[view];
        if (p.urlId != url->GetId()) {
            p = Pending();
            p.urlId = url->GetId();
        }
        // The user chose the file while the document was still arriving:
        // now it is all there to be written.
        if (!p.saveTo.empty()) {
            std::string path;
            path.swap(p.saveTo);
            WriteSavedDocument(reinterpret_cast<ViewerWindow>(view), url, path);
            return;
        }
        Decide(view, [&] { HandleLoadedDocument(Table(), reinterpret_cast<ViewerWindow>(view), url); });
        // The next load of the same address is decided afresh; what the
        // decision left pending stays for the "Unknown type" dialog.
        pending_[view].started = false;
    }

    // ---- ViewerWindows
    int PendingAction(ViewerWindow window) override {
        auto found = pending_.find(ViewOf(window));
        return found == pending_.end() ? -1 : found->second.action;
    }
    void SetPendingAction(ViewerWindow window, int action) override {
        if (!WindowOf(window)) return;
        Pending& p = pending_[ViewOf(window)];
        p.action = action;
        p.fromTable = deciding_ == ViewOf(window);
    }
    std::string PendingHandler(ViewerWindow window) override {
        auto found = pending_.find(ViewOf(window));
        return found == pending_.end() ? std::string() : found->second.handler;
    }
    void SetPendingHandler(ViewerWindow window, const std::string& handler) override {
        if (!WindowOf(window)) return;
        Pending& p = pending_[ViewOf(window)];
        p.handler = handler;
        p.fromTable = deciding_ == ViewOf(window);
    }
    bool IsSaving(ViewerWindow window) override {
        if (!WindowOf(window)) return true;
        auto found = pending_.find(ViewOf(window));
        return found != pending_.end() && found->second.saving;
    }
    void SetSaving(ViewerWindow window, bool saving) override {
        if (WindowOf(window)) pending_[ViewOf(window)].saving = saving;
    }
    // The window's document goes to a file the user names in the system's
    // save dialog; a cancelled dialog stops the window's load.
    void SaveDocumentAs(ViewerWindow window) override {
        DocumentWindow* w = WindowOf(window);
        if (!w) return;
        UrlHandle url = w->CurrentUrl();
        const char* address = url.IsEmpty() ? nullptr : url.GetName();
        if (!address) return;
        HWND view = ViewOf(window);
        // A load that ends while the dialog is open finds the window saving
        // and leaves the file to this call.
        pending_[view].saving = true;
        ProposedFile proposed = SplitFileNameFromUrl(address);
        char name[MAX_PATH] = {};
        lstrcpynA(name, proposed.name.c_str(), sizeof name);
        if (!ShowSaveFileDialog(GetAncestor(view, GA_ROOT), 0, IDS_SAVE_DOCUMENT_FILTER, name, proposed.filter)) {
            StopLoad(window);
            return;
        }
        if (!WindowOf(window)) return;  // closed while the user chose
        if (url->GetLoadStatus(true) == kLoadLoading) {
            pending_[view].saveTo = name;
            return;
        }
        WriteSavedDocument(window, url, name);
    }
    void ShowInWindow(ViewerWindow window, const UrlHandle& url, bool withPlugin) override {
        DocumentWindow* w = WindowOf(window);
        if (!w || url.IsEmpty()) return;
        // Both decisions may show the same document: once is enough.
        Document* shown = w->CurrentDocument();
        if (shown && shown->GetUrl().Record() == url.Record()) return;
        (void)g_windowList->ShowUrl(ViewOf(window), url, 0, withPlugin);
    }
    void PlaySound(ViewerWindow window, const std::string& path, bool midi) override {
        DocumentWindow* w = WindowOf(window);
        if (!w || !w->Device()) return;
        RECT client{};
        GetClientRect(w->ViewWindow(), &client);
        WindowServices().PlayInlineMedia(*w->Device(), client, midi ? kTypeMidi : kTypeWav, path.c_str());
    }
    void SetLoadFinished(ViewerWindow window) override {
        if (DocumentWindow* w = WindowOf(window)) {
            w->ResetProgress();
            w->SetLoadState(kWindowIdle);
        }
    }
    void StopLoad(ViewerWindow window) override {
        DocumentWindow* w = WindowOf(window);
        if (!w) return;
        UrlHandle loading = w->CurrentUrl();
        if (!loading.IsEmpty()) loading->RemoveTarget(w->Handler());
        w->StopLoading();
        w->ResetProgress();
        // The window stands again for what it shows.
        if (Document* d = w->CurrentDocument()) w->SetCurrentUrl(d->GetUrl(), -1);
        pending_.erase(ViewOf(window));
    }
    // What the old table decided for a document still arriving is decided
    // again at its end by the new one; what the user chose (in the "Unknown
    // type" dialog, or a file to save to) stays.
    void ViewerTableReplaced() override {
        ForgetClosedWindows();
        for (auto& [view, p] : pending_) {
            if (!p.fromTable || p.saving || !p.saveTo.empty()) continue;
            if (UnknownTypeDialogOf(reinterpret_cast<ViewerWindow>(view))) continue;
            p.action = -1;
            p.handler.clear();
            p.fromTable = false;
        }
    }

private:
    struct Pending {
        uint32_t urlId = 0;
        bool started = false;  // the first decision was taken for this load
        int action = -1;
        std::string handler;
        bool saving = false;
        std::string saveTo;  // the file chosen for a document still loading
        bool fromTable = false;  // action and handler came from the table
    };

    // Runs a decision of the table for the window; what it stores as
    // pending is marked as the table's.
    template <typename F>
    void Decide(HWND view, F decide) {
        HWND outer = deciding_;
        deciding_ = view;
        decide();
        deciding_ = outer;
    }

    void WriteSavedDocument(ViewerWindow window, const UrlHandle& url, const std::string& path) {
        WriteDocumentFile(ViewOf(window), url, path.c_str());
        SetLoadFinished(window);
    }

    void ForgetClosedWindows() {
        for (auto it = pending_.begin(); it != pending_.end();) {
            if (g_windowList && g_windowList->IsDocumentWindow(it->first)) ++it;
            else it = pending_.erase(it);
        }
    }

    std::map<HWND, Pending> pending_;
    HWND deciding_ = nullptr;  // the window a table decision is being taken for
};

DocumentViewers g_documentViewers;

}  // namespace

void InstallDocumentViewers() {
    SetViewerWindows(&g_documentViewers);
    SetDocumentDispatch(&g_documentViewers);
    static const CommandBinding bindings[] = {
        {CMD_SAVE_AS, CmdSaveAs},
        {CMD_OPEN_FILE, CmdOpenFile},
        {CMD_DOC_SAVE_AS, CmdSaveContextDocumentAs},
        {CMD_SAVE_PAGE_AND_IMAGES, SaveActiveDocumentAs},
    };
    RegisterCommands(bindings);
}

void RemoveDocumentViewers() {
    SetDocumentDispatch(nullptr);
    SetViewerWindows(nullptr);
}
