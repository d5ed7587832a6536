// The content types the program knows by itself: MIME type, file extensions
// and content kind. Stands in for the user's viewer table where that has no
// entry, so that pages, text and images load without one.
#pragma once

#include <string>

struct KnownContentType {
    const char* type;
    const char* extensions;  // space-separated, lower case; the first is the one we write
    int kind;
};

// The entry of a MIME type (any case), or null.
const KnownContentType* FindContentTypeByType(const char* type);
// The entry of a file extension (any case), or null.
const KnownContentType* FindContentTypeByExtension(const std::string& extension);
// The extension of a URL's or file's last path segment (after its last '.',
// before any '?'), or empty.
std::string ExtensionOfName(const char* name);
