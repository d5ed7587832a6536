// A document window's history of documents. When the window's URL has
// arrived the list makes the document that fits the URL's content, keeps
// the documents it made in order, knows the current one, moves back and
// forward (asking the current document first whether it can move inside
// itself), trims old entries to "MAX WINDOW HISTORY LINES" and keeps the
// window's history drop-down in step.
#pragma once
#include <windows.h>

#include <cstdint>

#include "core/ListNode.h"
#include "net/UrlHandle.h"

class Document;
class HistoryOwner;
class MessageHandler;
class PaintDevice;

// Result codes shared with the window list and the documents' own moves.
enum HistoryResult : int {
    kHistoryLoading = 100,      // still loading: start or continue, ask again later
    kHistoryIncomplete = 101,   // shown, loading goes on
    kHistoryShown = 102,        // shown and complete
    kHistoryNoData = 103,       // no data or no name
    kHistoryCannotShow = 104,   // content not accepted, or nothing to replace
    kHistoryNothing = 106,      // no entry or document to go to
    kHistoryReload = 108,       // the data must be loaded again
    kHistoryLoadsRunning = 109, // shown, some of its loads still run
    kHistoryMovedInside = 110,  // only moved to a fragment of the current document
};

// One place in a history: owns its document (which may be null).
class HistoryEntry : public ListNode {
public:
    HistoryEntry(Document* document, int32_t historyIndex) : document(document), historyIndex(historyIndex) {}
    ~HistoryEntry() override;
    void SetDocument(Document* replacement);

    Document* document;
    int32_t historyIndex;  // 0 in a window's list; the frame-set index in a frame's
};

// Makes the document of a kind that a higher layer provides (news views,
// plug-ins, the download list); without a maker such content is not shown.
using DocumentMaker = Document* (*)(PaintDevice* device, MessageHandler* handler, const UrlHandle& url,
                                   int32_t width, int32_t height, int32_t frameId);
void SetDocumentMaker(int documentKind, DocumentMaker maker);
DocumentMaker GetDocumentMaker(int documentKind);

// The document kind that shows a content kind (a plain placeholder for
// card-encrypted content only where asked).
int DocumentKindForContent(int contentKind, bool asPlugin, bool placeholderForEncrypted);
// Makes a document of the kind; null when the kind has no class here or no
// maker.
Document* MakeDocumentOfKind(int kind, PaintDevice* device, MessageHandler* handler, const UrlHandle& url,
                             int32_t width, int32_t height, int32_t frameId);

class DocumentList {
public:
    DocumentList(HistoryOwner* owner, int32_t width, int32_t height);
    ~DocumentList();
    DocumentList(const DocumentList&) = delete;
    DocumentList& operator=(const DocumentList&) = delete;

    int CreateDocument(const UrlHandle& url, int32_t startArg, bool asPlugin);
    int ReplaceCurrentDocument(const UrlHandle& url, bool asPlugin);
    Document* AddDocumentOfKind(const UrlHandle& url, int kind, const char* title);
    Document* GetCurrentDocument() const { return current_ ? current_->document : nullptr; }
    HistoryEntry* GetCurrentEntry() const { return current_; }
    int GetCurrentIndex() const;
    int GetCount() const { return count_; }
    int GetMaxEntries() const { return maxEntries_; }
    bool CanGoBack() const;
    bool CanGoForward() const;
    int GoBack(bool noInside);
    int GoForward(bool noInside);
    int GoToIndex(int n);
    int GoToEntry(HistoryEntry* entry);
    void SetSize(int32_t width, int32_t height, bool repaint);
    void SetMaxEntries(int n);
    void ReformatAll();
    void FillAddressList();
    void NotifyUrlChanged(const UrlHandle& url);
    void StopAllScripts(int flag);
    void SetEntryDocument(HistoryEntry* entry, Document* document);
    HistoryEntry* FirstEntry() const { return static_cast<HistoryEntry*>(entries_.First()); }

    // Shows newEntry in place of oldEntry (either may be the same): the
    // routine that navigation and the frame histories share. imageMode is
    // the window's image setting.
    static int ShowEntry(HistoryEntry* oldEntry, HistoryEntry* newEntry, PaintDevice* device, HWND window,
                         int32_t width, int32_t height, int imageMode);

private:
    int Navigate(bool back, bool noInside);
    int MakeCurrent(HistoryEntry* entry);
    void DeleteEntry(HistoryEntry* entry);
    void Push(const char* text);
    void DropTop(int lines);
    void DropBottom(int lines);
    HWND Window() const;

    HistoryOwner* owner_;
    PaintDevice* device_;
    HistoryEntry* current_ = nullptr;
    int32_t width_;
    int32_t height_;
    int32_t count_ = 0;
    int32_t maxEntries_;
    NodeList entries_;
};
