// An output device that cuts its output into pages: the printer device and
// the plain-text devices. To the operations of the output-device interface
// it adds, after the last of them, the three paging operations, so that the
// page loop (PagePainting.h) pages through either without knowing which.
#pragma once
#include "layout/PaintDevice.h"

class PagedDevice : public PaintDevice {
public:
    using PaintDevice::PaintDevice;

    // Ends the current page so that the next one can start; 1 when it did.
    virtual int EndPage() = 0;
    // Whether the page is painted band by band through NextBand.
    virtual bool NeedsBanding() = 0;
    // Moves to the next band of the page and gives its rectangle in layout
    // units; false (and an empty rectangle) when the page has no more.
    virtual bool NextBand(DeviceRect& band) = 0;
};
