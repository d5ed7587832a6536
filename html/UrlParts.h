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
