// Feeds arbitrary bytes, split at arbitrary points, to the reply reader and
// the header parser.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/HttpReplyHeaders.h"
#include "net/HttpReplyReader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    // The first byte chooses the size of the reads.
    size_t step = data[0] % 16 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    HttpReplyReader reader;
    HttpReplyReader::Result r = HttpReplyReader::Result::NeedMore;
    size_t pos = 0;
    while (pos < left && r == HttpReplyReader::Result::NeedMore) {
        size_t n = step < left - pos ? step : left - pos;
        r = reader.Feed(text + pos, n);
        pos += n;
    }
    if (r == HttpReplyReader::Result::NeedMore) r = reader.FinishAtClose();
    HttpReplyHeaders headers;
    size_t cookies = 0;
    ParseHttpReplyHeaders(reader.HeaderText(), headers, [&cookies](const std::string&) { ++cookies; });
    (void)ChallengeRealm(headers);
    char buf[64];
    while (reader.ReadBuffered(buf, sizeof buf) > 0) {
    }
    return 0;
}
