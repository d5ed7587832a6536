#include "documents/Document.h"

#include "core/InternalMessages.h"
#include "core/MemoryManager.h"
#include "core/MessageHandler.h"
#include "core/Preferences.h"
#include "documents/DocumentList.h"
#include "documents/DocumentMessages.h"
#include "documents/DocumentWindows.h"
#include "layout/PaintDevice.h"
#include "net/UrlRecord.h"
#include "net/UrlReloadPolicy.h"

Document::Document(PaintDevice* device, MessageHandler* handler, const UrlHandle& url, int32_t width, int32_t height,
                   int32_t frameId)
    : handler_(handler),
      device_(device),
      width_(width),
      height_(height),
      frameId_(frameId),
      securityLevel_(url->GetSecurityLevel()),
      url_(url) {}

Document::~Document() {
    if (g_memoryManager) g_memoryManager->ForgetDocument(this);
}

HWND Document::DeviceWindow() const {
    return device_ ? static_cast<HWND>(device_->Window()) : nullptr;
}

void Document::RelayoutWindow(bool refresh) {
    if (device_) WindowServices().RelayoutDevice(*device_, refresh);
}

Document* Document::GetTopDocument() {
    if (frameId_ < 0 || !handler_) return this;
    DocumentList* list = WindowServices().GetDocumentList(handler_->Window());
    Document* top = list ? list->GetCurrentDocument() : nullptr;
    return top ? top : this;
}

int32_t Document::SetSize(int32_t width, int32_t height, bool notify, bool quiet) {
    width_ = width;
    height_ = height;
    if (notify && !quiet && handler_) handler_->Post(kMsgRepainted, static_cast<uint32_t>(frameId_), 0);
    return 0;
}

int Document::UrlStatus() const {
    return url_->GetLoadStatus(true);
}

int32_t Document::NeedsReload(bool check) {
    int status = UrlStatus();
    if (status == kLoadEmpty || status == kLoadLoading || status == kLoadNews || status == kLoadFailed) return 1;
    if (check && checkReload_) {
        uint32_t now = g_preferences ? g_preferences->GetClock() : 0;
        return ::NeedsReload(*url_.Record(), false, now) ? 1 : 0;
    }
    return 0;
}

int32_t Document::SetActive(bool on) {
    if (on && !active_) {
        if (device_ && device_->Window()) WindowServices().RelayoutDevice(*device_, false);
        active_ = 1;
        url_->AddUser(1);
        if (g_memoryManager) g_memoryManager->ForgetDocument(this);
    } else if (!on && active_) {
        active_ = 0;
        url_->RemoveUser(1, true);
        if (g_memoryManager) g_memoryManager->TouchDocument(this);
    }
    return 0;
}

void Document::RepaintAll() {
    uint8_t kind = GetKind();
    if (kind == kDocHtmlPage || kind == kDocHtml || !device_) return;
    device_->InvalidateArea(0, 0, width_, height_, false);
}

int32_t Document::ShowsUrlId(uint32_t id, bool check) {
    return check && !url_.IsEmpty() && url_->GetId(true) == id ? 1 : 0;
}

int32_t Document::GetDocumentProperty(int code, const char** outText, int32_t* outNumber) {
    if (outText) *outText = nullptr;
    if (outNumber) *outNumber = 0;
    return 0;
}

UrlHandle Document::GetUrlIfId(uint32_t id, bool check) {
    if (check && !url_.IsEmpty() && url_->GetId() == id) return url_;
    return UrlHandle();
}

// --- the media document -----------------------------------------------------

MediaDocument::~MediaDocument() {
    if (handler_) handler_->UnregisterAll(this);
    if (device_) WindowServices().StopInlineMedia(*device_);
}

bool MediaDocument::PlayWhenLoaded() {
    if (UrlStatus() != kLoadLoaded) return false;
    std::string path = url_->GetLocalFilePath(true);
    if (path.empty()) return false;
    RECT rect = {0, 0, width_, height_};
    if (device_) WindowServices().PlayInlineMedia(*device_, rect, url_->GetContentKind(), path.c_str());
    started_ = 1;
    if (handler_) handler_->UnregisterAll(this);
    return true;
}

int MediaDocument::Start(int32_t reload, int32_t a, int32_t startArg) {
    if (started_ || PlayWhenLoaded()) return kStartShown;
    uint32_t id = url_->GetId();
    if (handler_ && !handler_->IsRegistered(this, kMsgMoreData, id)) (void)handler_->Register(this, kMsgMoreData, id);
    return kStartWaiting;
}

void MediaDocument::OnMessage(uint32_t message, uint32_t p1, uint32_t p2) {
    if (message == kMsgMoreData && !started_) PlayWhenLoaded();
}
