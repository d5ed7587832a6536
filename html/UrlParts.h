// The parts of an address that scripts read from links (href, protocol,
// host, hostname, port, pathname, search, hash), by script property id.
#pragma once

#include <string>

enum UrlPartProperty : int {
    kPartHash = 27,
    kPartHref = 31,
    kPartHost = 44,
    kPartPort = 45,
    kPartSearch = 102,
    kPartPathname = 150,
    kPartHostname = 156,
    kPartProtocol = 164,
};

// The part of address for the property id; empty when it has none.
std::string GetUrlPart(const char* address, int propertyId);

// Whether a script of a page at address a may reach a page at address b:
// true only when both name the same server. The server is the part after
// "://" up to the first of "/#?&", port included (a missing port is the
// scheme's default), compared ignoring case. A missing address on either
// side never matches, so the check cannot fail open. Two names without a
// server (local files) match, and "file://" without a host matches
// "file://localhost".
bool SameUrlHost(const char* a, const char* b);

// The address that results from assigning value to the location property
// propertyId of address: the part is replaced when present, else placed
// where it belongs (protocol first, ":port" after the host name, a path
// after the host, "?search" before the hash, "#hash" at the end). href gives
// value itself. The result is cut below maxLength characters.
std::string ReplaceUrlPart(const char* address, const char* value, int propertyId, size_t maxLength);
