// What a request sends from the credentials cache and the hint tree, and
// what a successful challenge leaves there. Platform-free: the loading code
// calls these with the origin of a request.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class CredentialsCache;
class CookieDomainNode;

// An http or https request's origin: host, port and path (the path up to
// its first "?" or ";").
struct RequestOrigin {
    std::string host;
    uint16_t port = 80;
    std::string path;
};

// The origin named by an "http://" or "https://" URL; false for others.
bool OriginOfUrl(std::string_view url, RequestOrigin& out);

// The server credentials to send before any challenge: the hint found for
// the origin's path (or the nearest path above it that has one) names the
// realm, the cache gives the credentials. Empty when none are known.
std::string PreAuthenticationFor(const CredentialsCache& cache, CookieDomainNode& hints,
                                 const RequestOrigin& origin);

// The user's credentials after a challenge: kept in the cache for the realm
// and, with preAuthenticate, recorded as hints for the path and (when it
// does not end in "/") for its folder.
void RememberServerCredentials(CredentialsCache& cache, CookieDomainNode& hints, const RequestOrigin& origin,
                               const std::string& realm, const std::string& encoded, bool preAuthenticate);
