// Feeds the input as a page in pieces and formats it as it arrives, and
// once as one block: the two layouts must be the same, with no read outside
// a buffer, no undefined behaviour and no endless loop. The first byte
// chooses the size of the pieces. Pages with PLAINTEXT are only formatted:
// the tokenizer hands out PLAINTEXT's text in pieces of what has arrived,
// so its text nodes (not only their layout) follow the pieces.
#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "tests/documents/PagePieces.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 8000) return 0;
    const size_t chunk = 1 + data[0] % 97;
    const std::string page(reinterpret_cast<const char*>(data) + 1, size - 1);
    std::string lower = page;
    for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    const bool sameTree = lower.find("plaintext") == std::string::npos;
    page_pieces::Paging whole, pieces;
    const int wholeState = page_pieces::FeedInPieces(whole, page, 0, [](size_t) {});
    const int piecesState = page_pieces::FeedInPieces(pieces, page, chunk, [](size_t) {});
    const std::string expected = whole.layout.Dump(), got = pieces.layout.Dump();
    if (sameTree && (wholeState != piecesState || expected != got)) {
        std::fprintf(stderr, "pieces of %zu bytes: state %d, not %d\n--- one block\n%s--- in pieces\n%s",
                     chunk, piecesState, wholeState, expected.c_str(), got.c_str());
        std::abort();
    }
    return 0;
}
