// Parses the input as a style sheet and as a STYLE attribute and matches the
// sheet against a small tree.
#include <cstddef>
#include <cstdint>
#include <string>

#include "html/DocumentContent.h"
#include "html/StyleSheet.h"
#include "html/TreeDump.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    UrlHandle url("http://fuzz.example/css/page.html", true);
    auto declarations = ParseStyleAttribute(text.data(), text.data() + text.size(), &url);
    std::string page =
        "<style>" + text + "</style><div id=a class=\"b c\"><p><a href=x>y</a><em>z</em></p></div>";
    DocumentContent content;
    content.FeedData(url, page.data(), static_cast<long>(page.size()), false, 0);
    std::string dump = DumpComputedStyles(*content.GetPage(), content.Root());
    // The sheet text fed in two parts must give a sheet as well.
    StyleSheet sheet(nullptr, &url);
    const char* p = text.data();
    const char* middle = p + (size ? data[0] % (size + 1) : 0);
    sheet.ParseRules(nullptr, p, middle, true, false);
    sheet.ParseRules(nullptr, p, text.data() + text.size(), false, true);
    return static_cast<int>(dump.size() * 0);
}
