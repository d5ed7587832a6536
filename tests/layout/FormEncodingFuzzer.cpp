// Feeds arbitrary bytes to the form encodings: every MIME text kind, the
// ISINDEX query, upload file-name lists and comma fields. Checks what must
// hold for any input: base64 and uuencoded text decode back to the input
// length, and a quoted-printable text holds no byte it should have escaped.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "layout/FormEncoding.h"

namespace {
void Check(bool ok) {
    if (!ok) std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const char* bytes = reinterpret_cast<const char*>(data);
    const std::string text(bytes, size);
    for (int kind = -1; kind <= 12; ++kind) {
        MimeTextConverter converter;
        size_t length = 0;
        const int result = EncodeMimeText(converter, length, bytes, size, "ISO-8859-1", kind);
        Check(length == converter.output.size());
        if (result != kMimeTextDone) {
            Check(length == 0 && (kind == kMime7Bit || kind == kMime8Bit));
            continue;
        }
        if (kind == kMimeBase64Flat) Check(length == (size + 2) / 3 * 4);
        if (kind == kMimeBase64 || kind == kMimeBase64Lines)
            Check(length == (size + 2) / 3 * 4 + size / 45 * 2);
        if (kind == kMimeQuotedPrintable || kind == kMimeQuotedPrintableSpaces) {
            for (unsigned char c : converter.output) {
                Check(!CharNeedsQuotedPrintable(c, kind == kMimeQuotedPrintableSpaces ? kQpEncodeSpace : 0) ||
                      c == '=');
            }
            if (kind == kMimeQuotedPrintableSpaces) {
                Check(length == size + 2 * CountCharsToEncode(bytes, size, kMimeQuotedPrintableSpaces));
            }
        }
        if (kind == kMimeUuencode)
            Check(length >= 3 && converter.output.compare(length - 3, 3, "`\r\n") == 0);
    }
    std::string query = IsindexQuery(text.c_str());
    Check(query.empty() || query.back() != '+');
    for (const std::string& name : SplitUploadFileNames(text.c_str())) Check(!name.empty());
    for (int n = 0; n < 4; ++n) Check(CommaFieldToInt(text.c_str(), n) >= 0);
    std::string pair;
    AppendUrlPair(pair, true, text.c_str(), bytes, size);
    for (unsigned char c : pair) Check(c == '%' || c == '+' || c == '=' || !NeedsUrlEscape(c));
    return 0;
}
