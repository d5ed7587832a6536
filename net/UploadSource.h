// The body of a form upload as the HTTP client reads it: the encoded MIME
// part of the form (its own headers and the empty line first, then the
// body). The MIME encoder implements it; the client reads it in pieces of
// the network buffer size and reports its two progress counts.
#pragma once
#include <cstdint>

class UploadSource {
public:
    virtual ~UploadSource() = default;
    // The number of bytes that ReadEncoded will produce in all.
    virtual int32_t EncodedLength() = 0;
    // Two counts of the part tree, posted as upload progress (0x8319, the
    // first in the high 16 bits, the second in the low 16 bits).
    virtual uint16_t ProgressFirst() = 0;
    virtual uint16_t ProgressSecond() = 0;
    // Writes the next piece, at most `capacity` bytes, and its size into
    // `count`; sets `done` when nothing more remains.
    virtual void ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) = 0;
};
