// Feeds arbitrary bytes, in reads of a size the first byte chooses, to the
// FTP reply reader, and each reply to the PASV and argument parsers.
#include <cstddef>
#include <cstdint>
#include <string>

#include "net/FtpReplies.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) return 0;
    size_t step = data[0] % 16 + 1;
    const char* text = reinterpret_cast<const char*>(data + 1);
    size_t left = size - 1;
    std::string buffer;
    for (size_t pos = 0; pos < left; pos += step) {
        buffer.append(text + pos, step < left - pos ? step : left - pos);
        FtpReply reply;
        while (TakeFtpReply(buffer, reply)) {
            uint16_t port;
            (void)ParsePasvReply(reply.last, port);
        }
    }
    std::string decoded;
    (void)DecodeFtpArgument(std::string(text, left), decoded);
    (void)SplitFtpPath(std::string(text, left));
    return 0;
}
