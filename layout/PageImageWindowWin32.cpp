#include "layout/PageImageWindowWin32.h"

#include "core/InternalMessages.h"
#include "core/MemoryManager.h"
#include "core/MessageHandler.h"
#include "net/UrlRecord.h"

void HandlerImageWindow::AttachViewer(Image& image) {
    image.AttachViewer(handler_);
}

void HandlerImageWindow::DetachViewer(Image& image) {
    image.DetachViewer(handler_);
}

bool HandlerImageWindow::StartImageLoad(const UrlHandle& url, MessageCallback* callback,
                                        const UrlHandle& referrer) {
    if (!handler_ || url.IsEmpty()) return false;
    uint32_t id = url->GetId();
    if (callback && !handler_->IsRegistered(callback, kMsgLoadStatus, id) &&
        !handler_->Register(callback, kMsgLoadStatus, id)) {
        return false;
    }
    // Already waiting for this load (-1) counts as started: its reports come.
    int result = url->StartLoad(handler_, referrer, true, false);
    return result == 0 || result == -1;
}

void HandlerImageWindow::TouchImage(Image& image) {
    if (g_memoryManager) g_memoryManager->TouchImage(&image);
}
