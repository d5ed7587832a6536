// Finding the URL record of an address met in a page: through the program's
// URL registry while one is live; without it (tools, tests) a page keeps its
// own table, so that two elements naming one address still share one record
// (the referenced-URL list relies on that).
#pragma once

#include <string>
#include <unordered_map>

#include "net/UrlHandle.h"

class PageUrls {
public:
    // Resolves text against base (null or empty: text must be absolute) and
    // answers the record's handle with fragment as its name part. An address
    // that does not resolve gives the empty URL.
    UrlHandle Find(const UrlHandle* base, const char* text, const char* fragment);
    // The record of a built-in icon address ("internal-html" ...).
    UrlHandle Icon(const char* name);
    // The full text of a handle: its record's name and "#" and its name part.
    static std::string FullName(const UrlHandle& url);

private:
    std::unordered_map<std::string, UrlHandle> records_;
};
