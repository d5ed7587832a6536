// The tree of frames of a frame-set page. Every FRAMESET becomes an inner
// node that splits its rectangle into rows or columns, every FRAME a leaf
// with a child window of the class "FRAMES", its own paint device, its own
// history of documents and the document it shows.
#pragma once
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>

#include "core/ListNode.h"
#include "core/TreeNode.h"
#include "net/UrlHandle.h"

class Document;
class HtmlDocument;
class HtmlElement;
class HistoryEntry;
class MessageHandler;
class PaintDevice;
class ScreenDevice;

extern const char kFramesWindowClass[];

class FrameNode : public TreeNode {
public:
    FrameNode(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height, HtmlDocument* owner,
              HtmlElement* element, PaintDevice* parentDevice, int sizeUnit, int32_t sizeValue);
    ~FrameNode() override;
    FrameNode(const FrameNode&) = delete;
    FrameNode& operator=(const FrameNode&) = delete;

    FrameNode* Parent() const { return static_cast<FrameNode*>(TreeNode::Parent()); }
    FrameNode* FirstChild() const { return static_cast<FrameNode*>(TreeNode::FirstChild()); }
    FrameNode* NextSibling() const { return static_cast<FrameNode*>(TreeNode::NextSibling()); }
    int32_t AbsoluteX() const;
    int32_t AbsoluteY() const;
    Document* CurrentDocument() const;
    HWND FrameWindow() const { return window_; }
    // Makes the frame's window (hidden) when it has none.
    void EnsureWindow(bool show);
    void DestroyWindow();

    bool loadEventPending = true;
    bool isFrameSet = false;
    bool noResize = false;
    int32_t scrolling = 2;
    int32_t marginWidth = 5;
    int32_t marginHeight = 5;
    int32_t border = 2;
    HtmlDocument* owner;
    NodeList history;  // HistoryEntry, ordered by history index
    HistoryEntry* current = nullptr;
    UrlHandle awaitedUrl;
    bool awaiting = false;
    UrlHandle secondUrl;
    bool rows = true;  // frame sets: children stacked vertically
    bool needsStart = true;
    int32_t x, y, width, height;
    int32_t id;
    int sizeUnit;
    int32_t sizeValue;
    HtmlElement* element;
    PaintDevice* parentDevice;
    std::string name;

private:
    HWND window_ = nullptr;
    std::unique_ptr<ScreenDevice> device_;

public:
    PaintDevice* Device() const;
};

// Registers "FRAMES" (once per process).
bool RegisterFramesWindowClass(HINSTANCE instance);
HWND CreateFramesWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height, bool show);

// Builds the tree under node from its element; answers 11 when nothing had
// to be loaded, 10 when a frame waits for its document.
int BuildFrameTree(FrameNode& node, HtmlDocument& top);
// Lays out a frame set's children along its orientation, then recursively.
int LayoutFrameSet(FrameNode& node, bool doRows, bool doColumns, int32_t border);
void SetFrameRect(FrameNode& node, int32_t x, int32_t y, int32_t width, int32_t height, bool force);
int LoadUrlIntoFrame(FrameNode& node, const UrlHandle& url, HtmlDocument& top);
void CreateFrameDocument(FrameNode& node, MessageHandler* handler, int32_t historyIndex, bool start,
                         bool cutCurrent);
void ShowFrameWindows(FrameNode& node);
void HideFrameWindows(FrameNode& node, bool forget);
void ActivateFrames(FrameNode& node, bool on);
int StartFrames(FrameNode& node, int32_t reload, int32_t arg);
int GoToHistoryIndex(FrameNode& node, int32_t index, int imageFlag, HtmlDocument& top);
// The borders in the gaps between the frames of the tree (and of the frame
// sets their documents hold), on the device of the window that holds them.
void PaintFrameBorders(FrameNode& node, PaintDevice& device);

// Frame rectangles are window pixels: while one lives, what the device draws
// is not zoomed by its window's scale.
class UnzoomedDrawing {
public:
    explicit UnzoomedDrawing(PaintDevice& device);
    ~UnzoomedDrawing();
    UnzoomedDrawing(const UnzoomedDrawing&) = delete;
    UnzoomedDrawing& operator=(const UnzoomedDrawing&) = delete;

private:
    HDC dc_ = nullptr;
    SIZE extent_ = {};
};
// The highest history index of any frame of the subtree.
int32_t HighestHistoryIndex(const FrameNode& node);
// Cuts every frame's history after index.
void CutFrameHistories(FrameNode& node, int32_t index);

// Walks: the first node (or the document of the first node) that matches.
FrameNode* FindFrameNode(FrameNode& node, bool (*match)(FrameNode&, const void*), const void* key);
FrameNode* FindFrameById(FrameNode& node, int32_t id);
FrameNode* FindFrameByName(FrameNode& node, const char* name);
FrameNode* FindFrameByWindow(FrameNode& node, HWND window);
