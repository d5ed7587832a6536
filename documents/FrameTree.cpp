#include "documents/FrameTree.h"

#include <vector>

#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/Document.h"
#include "documents/DocumentList.h"
#include "documents/DocumentWindows.h"
#include "documents/FrameSizes.h"
#include "documents/HtmlDocument.h"
#include "html/ElementRecords.h"
#include "html/HtmlElement.h"
#include "html/HtmlTables.h"
#include "layout/ScreenDevice.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlReloadPolicy.h"

const char kFramesWindowClass[] = "FRAMES";

namespace {

FrameNode* NodeOfWindow(HWND window) {
    return reinterpret_cast<FrameNode*>(GetWindowLongPtrA(window, GWLP_USERDATA));
}

LRESULT CALLBACK FramesWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    FrameNode* node = NodeOfWindow(window);
    if (message >= 0x8000 && message < 0xC000) {
        // Internal messages belong to the window the frame set lives in.
        MessageHandler* handler = node && node->owner ? node->owner->Handler() : nullptr;
        if (handler)
            handler->Dispatch(message, static_cast<uint32_t>(wParam), static_cast<uint32_t>(lParam));
        return 0;
    }
    if (message == WM_PAINT) {
        RECT update;
        if (!GetUpdateRect(window, &update, FALSE)) return DefWindowProcA(window, message, wParam, lParam);
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(window, &ps);
        Document* document = node ? node->CurrentDocument() : nullptr;
        if (document) {
            document->Paint(ps.rcPaint);
        } else {
            HBRUSH brush = CreateSolidBrush(GetSysColor(COLOR_WINDOW));
            FillRect(dc, &ps.rcPaint, brush);
            DeleteObject(brush);
        }
        EndPaint(window, &ps);
        return 0;
    }
    if (message == WM_ERASEBKGND) return 1;
    LRESULT result = 0;
    if (node && WindowServices().HandlePaneMessage(window, message, wParam, lParam, &result)) return result;
    return DefWindowProcA(window, message, wParam, lParam);
}

int32_t ClampLength(int32_t v) {
    return v < 0 ? 0 : v;
}

}  // namespace

bool RegisterFramesWindowClass(HINSTANCE instance) {
    WNDCLASSA existing;
    if (GetClassInfoA(instance, kFramesWindowClass, &existing)) return true;
    WNDCLASSA wc = {};
    wc.style = CS_OWNDC | CS_DBLCLKS;
    wc.lpfnWndProc = FramesWndProc;
    wc.hInstance = instance;
    wc.lpszClassName = kFramesWindowClass;
    return RegisterClassA(&wc) != 0;
}

HWND CreateFramesWindow(HWND parent, int32_t x, int32_t y, int32_t width, int32_t height, bool show) {
    HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterFramesWindowClass(instance)) return nullptr;
    HWND window = CreateWindowExA(WS_EX_TRANSPARENT, kFramesWindowClass, "", WS_CHILD, x, y, width, height, parent,
                                  nullptr, instance, nullptr);
    if (!window) return nullptr;
    HDC dc = GetDC(window);
    SetBkMode(dc, TRANSPARENT);
    int scale = WindowServices().GetScale(parent);
    SetMapMode(dc, MM_ANISOTROPIC);
    SetWindowExtEx(dc, 100, 100, nullptr);
    SetViewportExtEx(dc, scale, scale, nullptr);
    ReleaseDC(window, dc);
    if (show) ShowWindow(window, SW_SHOW);
    return window;
}

// --- nodes ----------------------------------------------------------------

FrameNode::FrameNode(int32_t id, int32_t x, int32_t y, int32_t width, int32_t height, HtmlDocument* owner,
                     HtmlElement* element, PaintDevice* parentDevice, int sizeUnit, int32_t sizeValue)
    : owner(owner),
      x(x),
      y(y),
      width(width),
      height(height),
      id(id),
      sizeUnit(sizeUnit),
      sizeValue(sizeValue),
      element(element),
      parentDevice(parentDevice) {
    if (element && element->Type() == kTagFrameset) {
        isFrameSet = true;
        noResize = true;
        if (auto* r = element->RecordAs<FramesetRecord>()) border = r->border < 0 ? 0 : (r->border > 100 ? 100 : r->border);
    } else if (element && element->Type() == kTagFrame) {
        if (auto* r = element->RecordAs<FrameRecord>()) {
            if (r->name.IsSet()) name = r->name.Get();
            marginWidth = r->marginWidth;
            marginHeight = r->marginHeight;
            scrolling = r->scrolling;
            noResize = r->noResize != 0;
        }
        EnsureWindow(false);
    }
}

FrameNode::~FrameNode() {
    if (owner && owner->ActiveFrame() == this) owner->SetActiveFrame(nullptr);
    current = nullptr;
    // Children first: their windows are children of ours.
    while (FrameNode* child = FirstChild()) {
        child->Detach();
        delete child;
    }
    history.Clear();
    DestroyWindow();
}

void FrameNode::EnsureWindow(bool show) {
    HWND parent = parentDevice ? static_cast<HWND>(parentDevice->Window()) : nullptr;
    if (!window_) {
        window_ = CreateFramesWindow(parent, 0, 0, 1, 1, false);
        if (!window_) return;
        SetWindowLongPtrA(window_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        if (device_)
            device_->AttachWindow(window_);
        else
            device_ = std::make_unique<ScreenDevice>(window_, false);
    }
    if (show) {
        SetWindowPos(window_, nullptr, AbsoluteX(), AbsoluteY(), width, height, SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(window_, SW_SHOW);
    }
}

void FrameNode::DestroyWindow() {
    if (!window_) return;
    HWND window = window_;
    window_ = nullptr;
    if (device_) device_->AttachWindow(nullptr);
    SetWindowLongPtrA(window, GWLP_USERDATA, 0);
    ::DestroyWindow(window);
}

PaintDevice* FrameNode::Device() const {
    return device_.get();
}

int32_t FrameNode::AbsoluteX() const {
    int32_t v = 0;
    for (const FrameNode* n = this; n; n = n->Parent()) v += n->x;
    return v;
}

int32_t FrameNode::AbsoluteY() const {
    int32_t v = 0;
    for (const FrameNode* n = this; n; n = n->Parent()) v += n->y;
    return v;
}

Document* FrameNode::CurrentDocument() const {
    return current ? current->document : nullptr;
}

// --- building -------------------------------------------------------------

namespace {

bool IsFrameElement(const HtmlElement* e) {
    return e->Type() == kTagFrameset || e->Type() == kTagFrame;
}

FrameSpan SpanOf(const char* list, int index) {
    FrameSpan span;
    int value = 1, unit = kFrameRelative;
    if (list && FramesetRecord::GetEntry(list, index, value, unit)) {
        span.value = value;
        span.unit = unit;
    }
    return span;
}

// After the children are made: percentages above 100 in all are scaled.
void NormaliseChildren(FrameNode& node) {
    std::vector<FrameSpan> spans;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) spans.push_back({c->sizeUnit, c->sizeValue});
    NormaliseFramePercentages(spans.data(), static_cast<int>(spans.size()));
    int i = 0;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling(), ++i) c->sizeValue = spans[i].value;
}

FrameNode* NewChild(FrameNode& parent, HtmlDocument& top, HtmlElement* element, const FrameSpan& span) {
    auto* child = new FrameNode(top.NextFrameId(), 0, 0, 0, 0, parent.owner, element, parent.parentDevice,
                                span.unit, span.value);
    child->AppendToParent(parent);
    return child;
}

int Combine(int code, int child) {
    return child != 11 ? child : code;
}

}  // namespace

int BuildFrameTree(FrameNode& node, HtmlDocument& top) {
    HtmlElement* element = node.element;
    if (!element) return 11;
    if (element->Type() == kTagFrame) {
        auto* record = element->RecordAs<FrameRecord>();
        if (!record || !record->src) return 11;
        UrlHandle src = *record->src;
        // A frame never loads a document that contains it.
        for (HtmlDocument* d = node.owner; d; d = d->EnclosingDocument()) {
            if (d->GetUrl().Record() == src.Record()) return 10;
        }
        return LoadUrlIntoFrame(node, src, top);
    }
    auto* set = element->RecordAs<FramesetRecord>();
    const int rowCount = set ? set->rowCount : 0;
    const int colCount = set ? set->colCount : 0;
    const char* rows = set ? set->rows.Get() : nullptr;
    const char* cols = set ? set->cols.Get() : nullptr;
    int code = 11;
    if (rowCount > 0 && colCount > 0) {
        node.rows = true;
        HtmlElement* e = element->FirstChild();
        for (int r = 0; r < rowCount && e; ++r) {
            while (e && !IsFrameElement(e)) e = e->NextSibling();
            if (!e) break;
            FrameNode* row = NewChild(node, top, element, SpanOf(rows, r));
            row->isFrameSet = true;
            row->noResize = true;
            row->border = node.border;
            row->rows = false;
            for (int c = 0; c < colCount && e; ++c) {
                while (e && !IsFrameElement(e)) e = e->NextSibling();
                if (!e) break;
                FrameNode* cell = NewChild(*row, top, e, SpanOf(cols, c));
                code = Combine(code, BuildFrameTree(*cell, top));
                e = e->NextSibling();
            }
            NormaliseChildren(*row);
        }
    } else {
        node.rows = colCount == 0;
        const char* list = node.rows ? rows : cols;
        int index = 0;
        for (HtmlElement* e = element->FirstChild(); e; e = e->NextSibling()) {
            if (!IsFrameElement(e)) continue;
            FrameNode* child = NewChild(node, top, e, SpanOf(list, index++));
            code = Combine(code, BuildFrameTree(*child, top));
        }
    }
    NormaliseChildren(node);
    return code;
}

int LayoutFrameSet(FrameNode& node, bool doRows, bool doColumns, int32_t border) {
    if (!node.isFrameSet) return 10;
    std::vector<FrameNode*> children;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) children.push_back(c);
    if (children.empty()) return 0;
    const bool along = node.rows ? doRows : doColumns;
    if (along) {
        std::vector<FrameSpan> spans;
        for (FrameNode* c : children) spans.push_back({c->sizeUnit, c->sizeValue});
        DivideFrameLength(spans.data(), static_cast<int>(spans.size()), node.rows ? node.height : node.width, border);
        for (size_t i = 0; i < children.size(); ++i) {
            FrameNode* c = children[i];
            if (node.rows)
                SetFrameRect(*c, 0, spans[i].position, node.width, spans[i].size, false);
            else
                SetFrameRect(*c, spans[i].position, 0, spans[i].size, node.height, false);
        }
    } else {
        for (FrameNode* c : children) {
            if (node.rows)
                SetFrameRect(*c, c->x, c->y, node.width, c->height, false);
            else
                SetFrameRect(*c, c->x, c->y, c->width, node.height, false);
        }
    }
    for (FrameNode* c : children) LayoutFrameSet(*c, doRows, doColumns, border);
    return 0;
}

void SetFrameRect(FrameNode& node, int32_t x, int32_t y, int32_t width, int32_t height, bool force) {
    width = ClampLength(width);
    height = ClampLength(height);
    if (force || width != node.width) node.needsStart = true;
    node.x = x;
    node.y = y;
    node.width = width;
    node.height = height;
    if (HWND window = node.FrameWindow())
        SetWindowPos(window, nullptr, node.AbsoluteX(), node.AbsoluteY(), width, height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    Document* document = node.CurrentDocument();
    if (document) document->SetSize(width, height, false, true);
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling())
        SetFrameRect(*c, c->x, c->y, c->width, c->height, force && !document);
}

// --- loading ----------------------------------------------------------------

namespace {

bool WaitsFor(FrameNode& node, const void* key) {
    return node.awaiting && !node.awaitedUrl.IsEmpty() &&
           node.awaitedUrl->GetId() == *static_cast<const uint32_t*>(key);
}

bool LoadableScheme(int scheme) {
    return scheme == kSchemeHttp || scheme == kSchemeHttps || scheme == kSchemeFtp || scheme == kSchemeFile ||
           scheme == kSchemeNews || scheme == kSchemeSnews || scheme == kSchemeInternal;
}

}  // namespace

int LoadUrlIntoFrame(FrameNode& node, const UrlHandle& url, HtmlDocument& top) {
    node.awaitedUrl = url;
    node.secondUrl = UrlHandle();
    MessageHandler* handler = top.Handler();
    HWND window = handler ? handler->Window() : nullptr;
    if (url.IsEmpty()) return 11;
    const uint32_t id = url->GetId();
    int code = 10;
    if (!LoadableScheme(url->GetScheme())) {
        if (url->GetScheme() == kSchemeJavascript && handler) {
            (void)url->StartLoad(handler, top.GetUrl(), false, false);
            node.awaiting = true;
        }
        return 11;
    }
    FrameNode* root = top.FrameRoot();
    bool otherWaits = root && FindFrameNode(*root, WaitsFor, &id) != nullptr;
    int status = url->GetLoadStatus(true);
    const bool offline = g_preferences && g_preferences->Get(PrefInt::OfflineMode) != 0;
    if (status == kLoadLoading || status == kLoadEmpty || status == kLoadNews || status == kLoadFailed ||
        status == kLoadNever) {
        top.WatchFrameUrl(id);
        if (!otherWaits && handler) (void)url->StartLoad(handler, top.GetUrl(), false, false);
        node.awaiting = true;
    } else if (status == kLoadLoaded && !offline && WindowServices().GetLoadState(window) != 2 &&
               (WindowServices().GetLoadFlagA(window) ||
                ::NeedsReload(*url.Record(), false, g_preferences ? g_preferences->GetClock() : 0))) {
        top.WatchFrameUrl(id);
        if (!otherWaits && handler) url->RequestLoad(handler, top.GetUrl(), true, false, true, false);
        node.awaiting = true;
    } else {
        WindowServices().LowerSecurityLevel(window, url->GetSecurityLevel());
        node.awaiting = true;
        top.LoadFrameUrl(id);
        node.awaitedUrl = UrlHandle();
        code = 11;
    }
    if (node.awaiting && WindowServices().GetLoadState(window) == 2) {
        WindowServices().SetLoadState(window, 0);
        WindowServices().StartProgress(window);
    }
    return code;
}

void CreateFrameDocument(FrameNode& node, MessageHandler* handler, int32_t historyIndex, bool start,
                         bool cutCurrent) {
    node.awaiting = false;
    if (cutCurrent && node.current) {
        HistoryEntry* gone = node.current;
        node.current = nullptr;
        gone->Remove();
        delete gone;
    }
    node.EnsureWindow(true);
    UrlHandle url = node.awaitedUrl;
    int kind = DocumentKindForContent(url->GetContentKind(), false, false);
    Document* document = MakeDocumentOfKind(kind, node.Device(), handler, url, node.width, node.height, node.id);
    if (!document) return;
    document->SetScrolling(static_cast<uint8_t>(node.scrolling));
    if (document->GetKind() == kDocHtml) static_cast<HtmlDocument*>(document)->SetContainerFrame(&node);

    // The frame's forward history goes; so does an entry outside the history.
    while (node.current && node.current->Next()) delete node.current->Next();
    if (node.current && node.current->historyIndex == -1) {
        HistoryEntry* gone = node.current;
        node.current = static_cast<HistoryEntry*>(gone->Prev());
        gone->Remove();
        delete gone;
    }
    auto* entry = new HistoryEntry(document, historyIndex);
    HistoryEntry* previous = node.current;
    if (!previous) {
        ListNode* before = nullptr;
        for (ListNode* n = node.history.First(); n; n = n->Next()) {
            if (static_cast<HistoryEntry*>(n)->historyIndex >= historyIndex) {
                before = n;
                break;
            }
        }
        if (before)
            entry->InsertBefore(*before);
        else
            entry->AppendTo(node.history);
    } else {
        entry->AppendTo(node.history);
    }
    node.current = entry;
    if (previous && previous->document) {
        previous->document->ReleaseLayout();
        previous->document->SetActive(false);
    }
    ActivateFrames(node, true);
    if (start) {
        node.needsStart = false;
        document->Start(1, 0, 1);
        if (document->HasFrames()) node.DestroyWindow();
    }
}

// --- showing ------------------------------------------------------------------

void ShowFrameWindows(FrameNode& node) {
    if (HWND window = node.FrameWindow()) {
        SetWindowPos(window, nullptr, node.AbsoluteX(), node.AbsoluteY(), node.width, node.height,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        ShowWindow(window, SW_SHOW);
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) ShowFrameWindows(*c);
}

void HideFrameWindows(FrameNode& node, bool forget) {
    if (node.Device() || node.FrameWindow()) {
        if (Document* d = node.CurrentDocument()) {
            d->ReleaseLayout();
            d->SetActive(false);
        }
        if (forget) node.current = nullptr;
        node.DestroyWindow();
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) HideFrameWindows(*c, forget);
}

void ActivateFrames(FrameNode& node, bool on) {
    if (Document* d = node.CurrentDocument()) {
        if (on) {
            if (!d->HasFrames()) node.EnsureWindow(true);
        } else {
            HideFrameWindows(node, false);
        }
        d->SetActive(on);
        return;
    }
    if (!node.isFrameSet) return;
    node.DestroyWindow();
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) ActivateFrames(*c, on);
}

int StartFrames(FrameNode& node, int32_t reload, int32_t arg) {
    int code = 9;
    node.needsStart = false;
    if (Document* d = node.CurrentDocument()) {
        code = d->Start(reload, 0, arg);
        if (d->HasFrames()) node.DestroyWindow();
        return code;
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        int r = StartFrames(*c, reload, arg);
        if (r != 9) code = r;
    }
    return code;
}

int32_t HighestHistoryIndex(const FrameNode& node) {
    int32_t highest = 0;
    for (ListNode* n = node.history.First(); n; n = n->Next())
        highest = std::max(highest, static_cast<HistoryEntry*>(n)->historyIndex);
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) highest = std::max(highest, HighestHistoryIndex(*c));
    return highest;
}

void CutFrameHistories(FrameNode& node, int32_t index) {
    for (ListNode* n = node.history.First(); n;) {
        auto* entry = static_cast<HistoryEntry*>(n);
        n = n->Next();
        if (entry->historyIndex > index && entry != node.current) {
            entry->Remove();
            delete entry;
        }
    }
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) CutFrameHistories(*c, index);
}

int GoToHistoryIndex(FrameNode& node, int32_t index, int imageFlag, HtmlDocument& top) {
    if (node.isFrameSet && !node.CurrentDocument()) {
        int answer = 102;
        for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
            int r = GoToHistoryIndex(*c, index, imageFlag, top);
            if (r == 109 || r == 101) answer = r;
        }
        return answer;
    }
    HistoryEntry* target = nullptr;
    for (ListNode* n = node.history.First(); n; n = n->Next()) {
        auto* e = static_cast<HistoryEntry*>(n);
        if (e->historyIndex <= index) target = e;
    }
    if (!target) {
        if (Document* d = node.CurrentDocument()) {
            d->ReleaseLayout();
            d->SetActive(false);
        }
        node.DestroyWindow();
        node.current = nullptr;
        return 102;
    }
    if (target == node.current) {
        Document* d = target->document;
        if (d && d->GetKind() == kDocHtml && d->HasFrames()) {
            FrameNode* inner = static_cast<HtmlDocument*>(d)->FrameRoot();
            if (inner) return GoToHistoryIndex(*inner, index, imageFlag, top);
        }
        return 102;
    }
    HistoryEntry* old = node.current;
    bool framesInNew = target->document && target->document->HasFrames();
    if (node.FrameWindow()) {
        if (framesInNew) HideFrameWindows(node, false);
    } else if (!framesInNew) {
        node.EnsureWindow(true);
    }
    node.current = target;
    int r = DocumentList::ShowEntry(old, target, node.Device(), node.FrameWindow(), node.width, node.height,
                                    imageFlag);
    if (r == kHistoryReload && target->document) {
        WindowServices().SetLoadFlagA(top.Handler() ? top.Handler()->Window() : nullptr, true);
        LoadUrlIntoFrame(node, target->document->GetUrl(), top);
        return 101;
    }
    return 102;
}

namespace {

void PaintBordersOf(FrameNode& node, PaintDevice& device) {
    if (node.FrameWindow()) return;
    const int32_t thickness = 2 * node.border;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        // The bar fills the gap that ends where the child begins.
        if (c != node.FirstChild() && thickness > 0) {
            if (node.rows)
                device.DrawSplitterBar(node.AbsoluteX(), c->AbsoluteY(), node.width, thickness, true);
            else
                device.DrawSplitterBar(c->AbsoluteX(), node.AbsoluteY(), node.height, thickness, false);
        }
        Document* d = c->CurrentDocument();
        FrameNode* inner = d && d->GetKind() == kDocHtml && d->HasFrames() ? static_cast<HtmlDocument*>(d)->FrameRoot()
                                                                            : nullptr;
        PaintBordersOf(inner ? *inner : *c, device);
    }
}

}  // namespace

void PaintFrameBorders(FrameNode& node, PaintDevice& device) {
    UnzoomedDrawing pixels(device);
    PaintBordersOf(node, device);
}

UnzoomedDrawing::UnzoomedDrawing(PaintDevice& device) {
    auto* screen = dynamic_cast<ScreenDevice*>(&device);
    dc_ = screen ? screen->Dc() : nullptr;
    if (dc_ && !GetViewportExtEx(dc_, &extent_)) dc_ = nullptr;
    if (dc_) SetViewportExtEx(dc_, 100, 100, nullptr);
}

UnzoomedDrawing::~UnzoomedDrawing() {
    if (dc_) SetViewportExtEx(dc_, extent_.cx, extent_.cy, nullptr);
}

// --- look-ups -------------------------------------------------------------------

FrameNode* FindFrameNode(FrameNode& node, bool (*match)(FrameNode&, const void*), const void* key) {
    if (match(node, key)) return &node;
    for (FrameNode* c = node.FirstChild(); c; c = c->NextSibling()) {
        if (FrameNode* found = FindFrameNode(*c, match, key)) return found;
    }
    if (Document* d = node.CurrentDocument()) {
        if (d->GetKind() == kDocHtml) {
            if (FrameNode* inner = static_cast<HtmlDocument*>(d)->FrameRoot()) return FindFrameNode(*inner, match, key);
        }
    }
    return nullptr;
}

FrameNode* FindFrameById(FrameNode& node, int32_t id) {
    return FindFrameNode(
        node, [](FrameNode& n, const void* k) { return n.id == *static_cast<const int32_t*>(k); }, &id);
}

FrameNode* FindFrameByName(FrameNode& node, const char* name) {
    if (!name || !*name) return nullptr;
    return FindFrameNode(
        node, [](FrameNode& n, const void* k) { return !n.isFrameSet && n.name == static_cast<const char*>(k); },
        name);
}

FrameNode* FindFrameByWindow(FrameNode& node, HWND window) {
    return FindFrameNode(
        node, [](FrameNode& n, const void* k) { return n.FrameWindow() && n.FrameWindow() == static_cast<HWND>(const_cast<void*>(k)); },
        window);
}
