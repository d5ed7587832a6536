// Builds the element tree of the input and formats it on the device with
// fixed metrics, once in one step and once in steps of a few elements, then
// paints it whole and a scrolled part with a selection: no read outside a
// buffer, no undefined behaviour, no endless loop. The first byte chooses
// the view width and the step budget.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "html/DocumentContent.h"
#include "layout/FixedMetricsDevice.h"
#include "layout/LayoutFormatter.h"
#include "layout/PaintTree.h"

namespace {

std::string Format(const std::string& page, int32_t width, int budget) {
    DocumentContent content;
    content.FeedData(UrlHandle("http://fuzz.example/page.html", true), page.data(), static_cast<long>(page.size()),
                     false, 0);
    FixedMetricsDevice device(width, 300);
    device.SetFontHeight(10);
    LayoutRequest request;
    request.width = width;
    BlockBox root(nullptr, &request, nullptr, nullptr);
    LayoutFormatter formatter(device, content.GetPage());
    int steps = 0;
    while (formatter.FormatStep(content.Root(), &root, budget) == kResultBudgetOut) {
        // Every step formats at least one element.
        if (++steps > 1000000) std::abort();
    }
    PaintRequest paint;
    paint.clipWidth = width;
    paint.clipHeight = 1 << 20;
    root.PaintTree(device, paint);
    device.ClearLog();
    paint.viewY = static_cast<int32_t>(root.Height() / 2);
    paint.clipY = 10;
    paint.clipHeight = 300;
    paint.selection = {root.FirstTextFragment(), 3, root.LastTextFragment(), 7};
    root.PaintTree(device, paint);
    return DumpLayoutTree(root);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 20000) return 0;
    const int32_t width = 20 + data[0] * 3;
    const int budget = 1 + (data[0] & 7);
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    Format(page, width, 1 << 30);
    Format(page, width, budget);
    return 0;
}
