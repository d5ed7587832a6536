// The bytes of an HTTP/1.0 request and of a CONNECT tunnel request, and the
// small text rules of the HTTP client. Platform-free.
#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What goes into one request. Optional values that are empty send no line.
struct HttpRequestParts {
    bool post = false;
    std::string target;                           // the path, or the whole URL through a proxy
    bool tunnelled = false;                       // sent inside an established CONNECT tunnel
    std::string userAgent;                        // at most 63 characters are used
    std::optional<std::string> credentials;       // Base64 of "user:password"
    std::optional<std::string> proxyCredentials;  // the same for the proxy
    std::optional<std::string> referrer;
    bool enableReferrer = true;
    std::optional<std::string> ifModifiedSince;
    std::optional<std::string> cookie;
    bool noCache = false;
    std::string host;  // the host named in the Host line
    uint16_t port = 80;
    uint16_t defaultPort = 80;
    std::optional<std::string> body;  // POST only
    // POST of an upload source: its total length. The source's bytes (which
    // begin with their own headers) follow the request head directly.
    std::optional<int32_t> uploadLength;
    std::optional<std::string> contentType;  // POST only
};

// The user agent when none can be made.
constexpr std::string_view kFallbackUserAgent = "Zintu/3.0";

// Composes the request into `out`. A CR, LF or NUL in the target or in any
// header value would let the address split the request: such a request is
// refused with kErrIllegalAddress and `out` is left empty. Answers 0 else.
[[nodiscard]] int32_t BuildHttpRequest(const HttpRequestParts& parts, std::string& out);

// The CONNECT request that opens a tunnel through a proxy to host:port.
[[nodiscard]] int32_t BuildConnectRequest(const std::string& host, uint16_t port,
                                          const std::string& userAgent,
                                          const std::optional<std::string>& proxyCredentials,
                                          std::string& out);

// The server named by an absolute request target ("http://host:port/..." or
// "https://..."), split as the record splits its name (net/UrlAuthority.h):
// host, port, and the scheme's default port. Answers nullopt for any other
// target (a plain path); an absolute target whose authority does not split
// answers valid false, and no request may be sent for it.
struct TargetServer {
    std::string host;
    uint16_t port = 0;
    uint16_t defaultPort = 80;
    bool valid = false;
};
std::optional<TargetServer> ParseTargetServer(std::string_view target);

// The path part of an absolute target ("/" when it has none, with '/' put
// before a query that follows the host); a plain path is returned as it is.
std::string TargetPath(std::string_view target);

// The Location of the redirect made up when host-name expansion found
// another name for the server: a scheme chosen by the new name's start,
// "://", the name (with the port when not the default) and the target.
std::string InternalRedirectLocation(std::string_view newHost, uint16_t port, uint16_t defaultPort,
                                     std::string_view target);

// Network errors of a connection to a proxy, told as the proxy's.
[[nodiscard]] int32_t TranslateProxyError(int32_t code);

// A referring URL as it may be sent: without a user name and password, and
// with "/" after an "http://" host that has no path.
std::string CleanReferrer(std::string_view url);
