// Parses an HTML file into its element tree the way the URL loader feeds a
// page: in blocks of 32 KB, the unconsumed tail passed again in front of the
// next block. Prints the number of nodes. Used by tools/bench-html.sh.
#include <cstdio>
#include <string>
#include <vector>

#include "html/DocumentContent.h"

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: html_bench page.html\n");
        return 2;
    }
    std::FILE* file = std::fopen(argv[1], "rb");
    if (!file) {
        std::perror(argv[1]);
        return 1;
    }
    UrlHandle url("file:///bench/page.html", true);
    DocumentContent content;
    std::vector<char> buffer;
    std::vector<char> block(32768);
    size_t got;
    while ((got = std::fread(block.data(), 1, block.size(), file)) > 0) {
        buffer.insert(buffer.end(), block.begin(), block.begin() + got);
        long left = content.FeedData(url, buffer.data(), static_cast<long>(buffer.size()), true, 0);
        buffer.erase(buffer.begin(), buffer.end() - left);
    }
    std::fclose(file);
    content.FeedData(url, buffer.data(), static_cast<long>(buffer.size()), false, 0);
    long nodes = 0;
    for (HtmlElement* e = content.Root(); e; e = e->NextInOrder()) ++nodes;
    std::printf("%ld nodes\n", nodes);
    return 0;
}
