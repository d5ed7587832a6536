#include "documents/ElementText.h"

#include <cstring>

#include "html/HtmlElement.h"
#include "layout/LayoutElement.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintTree.h"
#include "layout/PlainTextDevice.h"

namespace {

// Wide enough that no text of an element wraps.
constexpr int32_t kTextWidth = 32767;

// The buffer device with the lines of the text kept apart: the blocks of
// an element are lines of their own, and their words must not run into
// each other.
class ElementTextDevice : public TextBufferDevice {
public:
    using TextBufferDevice::TextBufferDevice;

protected:
    void WriteText(int32_t x, int32_t y, const char* text, int length) override {
        if (Used() > 0 && y != lastY_) TextBufferDevice::WriteText(x, y, " ", 1);
        lastY_ = y;
        TextBufferDevice::WriteText(x, y, text, length);
    }

private:
    int32_t lastY_ = 0;
};

}  // namespace

int RenderElementText(HtmlElement* element, char* buffer, int size) {
    if (!buffer || size < 1) return 0;
    buffer[0] = 0;
    if (!element) return 0;
    if (const char* text = element->GetText()) {
        // A text node has no content to lay out: it is its own text.
        const size_t length = std::strlen(text);
        if (length >= static_cast<size_t>(size)) return 0;
        std::memcpy(buffer, text, length + 1);
        return static_cast<int>(length);
    }
    ElementTextDevice device(buffer, size);
    // The formatter owns the styles the layout links to: the layout goes
    // first.
    LayoutFormatter formatter(device, nullptr);
    LayoutRequest request;
    request.width = kTextWidth;
    BlockBox root(nullptr, &request, nullptr, nullptr);
    while (formatter.FormatStep(element, &root, 1 << 30) == kResultBudgetOut) {
    }
    PaintRequest paint;
    paint.clipWidth = kTextWidth;
    paint.clipHeight = 0x3FFFFFFF;
    root.PaintTree(device, paint);
    return device.Used();
}
