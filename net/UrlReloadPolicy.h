// Whether cached data must be fetched again, and where a request goes
// (directly or through a proxy).
#pragma once

#include <cstdint>
#include <string>

class UrlRecord;

// True when the cached http/https data of record must be fetched again
// (conditionally). now is the program clock.
bool NeedsReload(UrlRecord& record, bool image, uint32_t now);

struct RequestTarget {
    std::string host;  // the server to connect to (the proxy's host through one)
    uint16_t port = 80;
    std::string credentials;  // "user:password" from the name, or empty
    bool useProxy = false;
    std::string uri;  // the request line's target
};

// Fills out for record's name. False when the host cannot be taken from the
// name, or the proxy text does not fit.
[[nodiscard]] bool GetRequestTarget(const UrlRecord& record, size_t hostBufferSize, RequestTarget& out);

// The proxy ("host[:port]") that serves a scheme, or empty.
std::string ProxyForScheme(int scheme);
bool HasProxyForScheme(int scheme);
