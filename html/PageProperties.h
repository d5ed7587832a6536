// The page-level part of a parsed page: its base and document URLs, BODY
// colours, the URLs that its elements refer to, its style sheets and the
// state that the tree builder and the element records share (counters,
// flags, the resume element). Owned by its DocumentContent.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "core/ListNode.h"
#include "html/PageUrls.h"
#include "net/UrlHandle.h"

class HtmlElement;
class StyleSheet;
class DocumentContent;
class StyleDeclarationList;
class PageScriptHost;
class StyleTextCollector;
class Document;

// Flags of referenced-URL entries, in the order in which they are tested.
enum ReferencedUrlFlag : uint8_t {
    kRefImage = 1,
    kRefDynSrc = 2,
    kRefSound = 4,
    kRefUseMap = 8,
    kRefIconSrc = 16,
    kRefEmbed = 32,
    kRefScript = 64,
    kRefStyleLink = 128,
};

// One URL that an element of the page refers to.
class ReferencedUrl : public ListNode {
public:
    ReferencedUrl(HtmlElement* element, uint8_t flag, const UrlHandle& url)
        : element(element), flag(flag), url(url) {}
    HtmlElement* element;
    uint8_t flag;
    UrlHandle url;
};

class ReferencedUrlList : public NodeList {
public:
    ~ReferencedUrlList() override { Clear(); }
    ReferencedUrl* First() const { return static_cast<ReferencedUrl*>(NodeList::First()); }
    static ReferencedUrl* Next(const ReferencedUrl* e) { return static_cast<ReferencedUrl*>(e->Next()); }
};

// Settings of the user that decide which styles apply (read from the
// preferences by the program; tests set them directly).
struct StyleSettings {
    bool enableLocalCss = false;    // "UI ENABLE LOCAL CSS"
    bool cssEnableGlobal = true;    // "CSS ENABLE GLOBAL"
    bool cssEnableLocal = false;    // "CSS ENABLE LOCAL"
    bool cssLocalOverride = false;  // "CSS LOCAL OVERRIDE"
    const StyleSheet* userSheet = nullptr;
};

// What every new page starts with: the program fills it from the preferences
// (and the user's sheet, which it owns) when they are read or changed.
StyleSettings& DefaultStyleSettings();

// Script property ids of the document that the page itself answers.
enum DocumentPropertyId : int {
    kPropertyBgColor = 134,
    kPropertyFgColor = 135,
    kPropertyLinkColor = 171,
    kPropertyVlinkColor = 178,
    kPropertyLastModified = 200,
};

class PageProperties {
public:
    explicit PageProperties(DocumentContent* owner);
    ~PageProperties();
    PageProperties(const PageProperties&) = delete;
    PageProperties& operator=(const PageProperties&) = delete;

    DocumentContent* Owner() const { return owner_; }

    // URLs.
    void SetBaseUrl(const UrlHandle& url) { baseUrl_ = std::make_unique<UrlHandle>(url); }
    void SetDocumentUrl(const UrlHandle& url) { documentUrl_ = std::make_unique<UrlHandle>(url); }
    const UrlHandle* GetBaseUrl() const { return baseUrl_.get(); }
    const UrlHandle* GetDocumentUrl() const { return documentUrl_.get(); }
    // Resolves text against base (null: text must be absolute).
    UrlHandle FindUrl(const UrlHandle* base, const char* text, const char* fragment = nullptr) {
        return urls_.Find(base, text, fragment);
    }
    // A record that stands for one of the built-in icons ("internal-html" ...).
    UrlHandle IconUrl(const char* name) { return urls_.Icon(name); }
    void SetTargetName(const char* text) {
        if (text) targetName_ = text;
    }
    const std::string& GetTargetName() const { return targetName_; }
    void SetRefresh(const UrlHandle& url, int seconds);
    const UrlHandle* GetRefreshUrl() const { return refreshUrl_.get(); }
    int GetRefreshDelay() const { return refreshDelay_; }

    // Elements with page-level effects.
    void SetBody(HtmlElement* element);
    HtmlElement* GetBody() const { return body_; }
    void SetBackgroundSound(HtmlElement* element);
    HtmlElement* GetBackgroundSound() const { return backgroundSound_; }
    void SetInsertionElement(HtmlElement* element) { insertionElement_ = element; }
    HtmlElement* GetInsertionElement() const { return insertionElement_; }

    // Colours (-1 unset) and their texts.
    void SetBackgroundColour(const char* text);
    void SetTextColour(const char* text);
    void SetLinkColour(const char* text);
    void SetVisitedLinkColour(const char* text);
    int32_t GetBackgroundColour() const { return colours_[0]; }
    int32_t GetTextColour() const { return colours_[1]; }
    int32_t GetLinkColour() const { return colours_[2]; }
    int32_t GetVisitedLinkColour() const { return colours_[3]; }
    // What scripts read of the document by property id: the colours
    // (kPropertyBgColor, kPropertyFgColor, kPropertyLinkColor,
    // kPropertyVlinkColor) as "#rrggbb" when set, and kPropertyLastModified as
    // an HTTP date when the document's URL knows one. False when there is
    // nothing to give (other ids belong to the page document).
    bool GetColourProperty(int id, std::string& text) const;

    // Referenced URLs.
    void RegisterElementUrls(HtmlElement* element);
    int CountEntries(bool includeBody) const;
    HtmlElement* EntryAt(int n, bool includeBody, uint8_t* flagOut) const;
    int CountEntriesForUrl(uint32_t urlId) const;
    UrlHandle GetBodyBackgroundUrl() const;
    HtmlElement* FindStyleLinkByUrl(uint32_t urlId) const;
    const ReferencedUrlList& GetReferencedUrls() const { return referenced_; }
    void LockAll();
    void UnlockAll();
    int urlLockCount = 0;

    // Window event handlers from BODY (ids 140 to 144).
    void SetEventHandlerText(int id, const char* text, int length);
    const char* GetEventHandlerText(int id) const;
    // The compiled handler of a window event, compiled by the script host
    // with the window object on first use and kept; 0 when the id is not
    // 140 to 144, the page has no text for it or no engine.
    intptr_t GetEventHandler(int id);

    // Style sheets, in document order of their owning elements.
    void AddPageStyleSheet(StyleSheet* sheet);
    // Elements of the subtree are about to be deleted: the sheets they own
    // keep their rules, and the addresses they referred to stay listed, but
    // nothing of the page points at them any more (a BODY or BGSOUND the
    // tree builder put in a cell it then drops).
    void ForgetElementsIn(const HtmlElement* subtree);
    // Reads a style sheet file into the collector in pieces and parses it
    // for the page (null for the user's own sheet); false when the file
    // cannot be read.
    static bool LoadStyleSheetFile(const char* path, PageProperties* page, StyleTextCollector* collector,
                                   HtmlElement* linkElement);
    // The user's own style sheet ("LOCAL CSS FILE"), or null when the file
    // cannot be read.
    static std::unique_ptr<StyleSheet> LoadUserStyleSheet(const char* path);
    void AddStyleSheetLink(HtmlElement* link);
    void StyleSheetArrived(HtmlElement* link);
    const std::vector<std::unique_ptr<StyleSheet>>& StyleSheets() const { return sheets_; }
    void ComputeElementStyle(const HtmlElement* element, StyleDeclarationList& out) const;
    StyleSettings styleSettings = DefaultStyleSettings();
    uint16_t sheetsLoading = 0;
    uint8_t cssMode = 1;  // 1: page sheets honoured; 0: only the user's sheet

    // State shared by the tree builder and the records.
    int32_t formValue = 3;
    int32_t controlCounter = 0;
    int32_t secondCounter = 0;
    int32_t formCounter = 0;
    bool formClosed = false;
    int32_t embedCounter = 0;
    int32_t linkCounter = 0;
    int32_t anchorCounter = 0;
    int32_t imageCounter = 0;
    int baseFontSize = 3;
    bool searchable = false;
    bool stopFlag = false;  // a SELECT asked the pass to stop
    HtmlElement* resumeElement = nullptr;
    bool dataWasFed = false;
    bool scriptingOn = true;  // "EXTENSIONS" "SCRIPTING"
    bool scriptingFlag = true;
    HtmlElement* pendingScript = nullptr;
    // Scripts written by a running script, compiled and waiting to run.
    int writtenScriptsWaiting = 0;
    HtmlElement* lastParsed = nullptr;
    std::unique_ptr<UrlHandle> pendingScriptUrl;
    // Starts the load of a URL the page waits for (a SCRIPT's SRC, a linked
    // or imported style sheet); the page document sets it. Without it such
    // files are used only when already loaded.
    std::function<void(const UrlHandle&)> loadRequest;
    PageScriptHost* scriptHost = nullptr;  // the script engine, when one is loaded
    intptr_t windowObject = 0;             // the page's window object of the engine
    intptr_t evalContext = 0;              // the context of the script being run
    // The page has a document script object (scripts can reach its elements).
    bool HasDocumentScriptObject() const { return documentObject_ != 0; }
    intptr_t GetDocumentScriptObject() const { return documentObject_; }
    void SetDocumentScriptObject(intptr_t object) { documentObject_ = object; }
    // The engine that made the page's objects went: they are forgotten.
    void ForgetScriptObjects();
    // The page document that shows the page to scripts (set by the document
    // layer while it lives).
    Document* scriptDocument = nullptr;
    // Referenced URLs of elements that are not in the tree.
    ReferencedUrlList scriptImages;

private:
    void SetColour(int index, const char* text);

    DocumentContent* owner_;
    ReferencedUrlList referenced_;
    std::unique_ptr<UrlHandle> baseUrl_, documentUrl_, refreshUrl_;
    std::string targetName_;
    int refreshDelay_ = -1;
    HtmlElement* body_ = nullptr;
    HtmlElement* backgroundSound_ = nullptr;
    HtmlElement* insertionElement_ = nullptr;
    int32_t colours_[4] = {-1, -1, -1, -1};
    std::string colourTexts_[4];
    std::vector<std::unique_ptr<StyleSheet>> sheets_;
    std::string handlerTexts_[5];
    intptr_t handlers_[5] = {};
    intptr_t documentObject_ = 0;
    PageUrls urls_;
};
