// Feeding pages into a page content the way the URL loader does: whole, or
// in two blocks where the loader passes the unconsumed tail again in front
// of the second block.
#pragma once

#include <string>

#include "html/DocumentContent.h"
#include "html/TreeDump.h"
#include "net/UrlHandle.h"

namespace html_test {

inline UrlHandle PageUrl() {
    return UrlHandle("http://test.example/dir/page.html", true);
}

inline void FeedWhole(DocumentContent& content, const std::string& page) {
    long left = content.FeedData(PageUrl(), page.data(), static_cast<long>(page.size()), false, 0);
    (void)left;
}

inline void FeedSplit(DocumentContent& content, const std::string& page, size_t split) {
    UrlHandle url = PageUrl();
    long left = content.FeedData(url, page.data(), static_cast<long>(split), true, 0);
    std::string rest = page.substr(split - static_cast<size_t>(left));
    content.FeedData(url, rest.data(), static_cast<long>(rest.size()), false, 0);
}

inline std::string TreeOf(const std::string& page) {
    DocumentContent content;
    FeedWhole(content, page);
    return DumpElementTree(content.Root());
}

}  // namespace html_test
