#include "layout/PageText.h"

#include <cerrno>
#include <memory>

#include "html/DocumentContent.h"
#include "layout/LayoutFormatter.h"
#include "layout/PagePainting.h"
#include "layout/PaintTree.h"
#include "layout/PlainTextDevice.h"

int WritePageAsText(DocumentContent& content, std::FILE* out, int columns) {
    TextFileDevice device(out, columns, PlainTextDevice::kMaxLines, nullptr);
    if (!device.HasGrid()) return ENOMEM;
    LayoutRequest request;
    request.width = device.GetViewWidth();
    auto root = std::make_unique<BlockBox>(nullptr, &request, nullptr, nullptr);
    // The formatter owns the styles the layout links to: it lives as long.
    LayoutFormatter formatter(device, content.GetPage());
    // The whole page at once: it is all there.
    while (formatter.FormatStep(content.Root(), root.get(), 1 << 30) == kResultBudgetOut) {
    }
    PaintInPages(*root, device, [&device](LayoutElement& pageRoot, const DeviceRect& band) {
        PaintBandOfBoxes(pageRoot, device, band);
    });
    return device.WriteError();
}
