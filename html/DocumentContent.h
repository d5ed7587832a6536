// The parsed form of one HTML page, shared by every document that shows its
// URL: the element tree and its PageProperties. Bytes that the URL loader
// receives are fed in with FeedData, where the tree builder turns them into
// elements. Documents hold a content through a DocumentContentHandle, a
// counted reference; one shared empty content stands for "no content".
#pragma once

#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "html/HtmlElement.h"
#include "html/PageFormatter.h"
#include "html/PageProperties.h"
#include "html/TreeBuilder.h"
#include "net/UrlHandle.h"

constexpr int kHoldBufferSize = 32767;
constexpr int kMaxBuilderPasses = 10;
// Content kinds the page content tells apart.
constexpr int kContentHtml = 0;
constexpr int kContentPlainText = 1;

class DocumentContent {
public:
    DocumentContent();
    ~DocumentContent();
    DocumentContent(const DocumentContent&) = delete;
    DocumentContent& operator=(const DocumentContent&) = delete;

    // Feeds bytes of url's data; more: further bytes will come; stopReason:
    // non-zero when loading ended before the page was complete. Answers how
    // many bytes at the end were not consumed: the caller passes them again,
    // in front of the next block.
    long FeedData(const UrlHandle& url, const char* data, long length, bool more, int stopReason);
    // The same through the hold buffer, which keeps the unconsumed bytes
    // itself (used for text that scripts write).
    void FeedThroughHold(const UrlHandle& url, const char* data, long length, bool more, int stopReason);
    // One step of formatting the page through the layout engine; answers the
    // step state (FormatStepState), also kept in state.
    int FormatStep(PageFormatter& formatter, FormatState& state);
    // The rule and the block with the "Transmission stopped" heading that end
    // a page whose loading was stopped: made once, shared by every page.
    static const HtmlElement* StoppedNoticeRule();
    static const HtmlElement* StoppedNoticeBlock();
    // Parses an open HTML file into a new tree.
    int ParseStream(std::FILE* file);
    // A page of one IMG element showing urlText.
    void BuildImagePage(const char* urlText);

    HtmlElement* Root() const { return root_.get(); }
    PageProperties* GetPage() { return &page_; }
    const PageProperties* GetPage() const { return &page_; }
    const char* GetTitle() const;
    HtmlElement* FindElementByName(const char* name) const;
    HtmlElement* FindElementOfType(int type) const;
    int ElementIndex(const HtmlElement* element) const;
    HtmlElement* ElementAt(int index) const;
    int GetBodyKind() const;
    bool IsComplete() const;
    bool IsElementClosed(const HtmlElement* element) const;
    // A pending SCRIPT whose script has not run yet.
    bool HasBlockedScripts() const;
    // Runs the pending script (and the feed of what it wrote); 1 when done
    // or nothing is pending, 0 when it must be tried again later.
    int RunPendingScripts();
    // The earliest compiled script that a run before `from` wrote, or null.
    HtmlElement* NextWrittenScript(HtmlElement* from);
    // The script file that the page waits for has arrived (or failed): the
    // parse goes on.
    void ScriptUrlArrived();
    // The page's scripts can run now (its window is known, or an engine
    // that was busy may be free): a waiting script runs and the parse goes
    // on behind it.
    void ResumeScripts();
    // A running script writes text into the page at the script's place.
    void WriteText(const UrlHandle& url, const char* text);
    void LinkContent(DocumentContent* other);
    int GetStopReason() const { return stopReason_; }
    bool IsFeeding() const { return feeding_; }
    // The kind of data fed: HTML or plain text (tests and the loader set it
    // before the first data).
    void SetContentKind(int kind) { contentKind_ = kind; }
    size_t HeldBytes() const { return held_.size() + writeHeld_.size(); }

    // Counting (through DocumentContentHandle).
    void AddRef() { ++refCount_; }
    int32_t Release() { return --refCount_; }

private:
    void Start(const UrlHandle& url);
    void RunBuilder(const char*& position, const char* end, bool more, bool tokenizerMore);
    void CloseTree();
    void Finish();
    void DropPendingScript();
    long Parse(const char* data, long length, bool more, bool keepRest);
    void FeedLinked(const UrlHandle& url, const char* data, long length, bool more, int stopReason);

    int32_t refCount_ = 1;
    bool feeding_ = false;
    std::unique_ptr<UrlHandle> feedingUrl_;
    std::unique_ptr<HtmlElement> root_;
    PageProperties page_;
    int stopReason_ = 0;
    // Page bytes waiting behind a script or a cut construct, and what a
    // script wrote and left unfinished; both are parsed before new data.
    std::string held_;
    std::string writeHeld_;
    bool scriptRunning_ = false;
    bool lastMore_ = true;
    DocumentContent* linked_ = nullptr;
    TreeBuilder builder_;
    int contentKind_ = kContentHtml;
};

class DocumentContentHandle {
public:
    // With empty set, refers to the shared empty content; otherwise makes a
    // new content.
    explicit DocumentContentHandle(bool empty = true);
    DocumentContentHandle(const DocumentContentHandle& other);
    DocumentContentHandle& operator=(const DocumentContentHandle& other);
    ~DocumentContentHandle();

    bool IsEmpty() const;
    DocumentContent* Get() const { return content_; }
    DocumentContent* operator->() const { return content_; }
    // The content's page, or null for the shared empty content.
    PageProperties* GetPage() const;
    static DocumentContent* SharedEmpty();

private:
    static void Release(DocumentContent* content);
    DocumentContent* content_;
};
