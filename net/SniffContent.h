// Deciding what a block of data holds when neither the reply's type nor the
// name's extension tells.
#pragma once

#include <cstddef>

// Content kinds as kept in bits 3-7 of a record's kind byte (the viewer
// table's type codes).
enum ContentKind : int {
    kKindHtml = 0,
    kKindText = 1,
    kKindGif = 2,
    kKindJpeg = 3,
    kKindXbm = 4,
    kKindBmp = 5,
    kKindCpr = 6,
    kKindWav = 7,
    kKindMidi = 8,
    kKindAvi = 9,
    kKindNewsServers = 10,
    kKindNewsGroup = 11,
    kKindNewsArticle = 12,
    kKindCardEncrypted = 15,
    kKindMultipart = 16,  // split into parts as they come
    kKindAttachment = 21,
    kKindUnknownType = 30,  // only kept as a file
    kKindNotYetKnown = 31,  // decided from the data
};

// HTML (0), plain text (1), GIF (2), JPEG (3) or unknown (30).
int SniffContent(const char* bytes, long length);
