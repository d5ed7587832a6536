// The window's side of a page's image table: the window's message handler
// views the images and receives the load reports of their URLs.
#pragma once
#include "layout/PageImages.h"

class MessageHandler;

class HandlerImageWindow : public PageImageWindow {
public:
    explicit HandlerImageWindow(MessageHandler* handler) : handler_(handler) {}

    void AttachViewer(Image& image) override;
    void DetachViewer(Image& image) override;
    bool StartImageLoad(const UrlHandle& url, MessageCallback* callback, const UrlHandle& referrer) override;
    void TouchImage(Image& image) override;

private:
    MessageHandler* handler_;
};
