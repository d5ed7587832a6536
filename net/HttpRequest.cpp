#include "net/HttpRequest.h"

#include <cctype>

#include "net/NetErrors.h"
#include "net/UrlAuthority.h"

namespace {

constexpr std::string_view kAccept = "Accept: image/gif, image/x-xbitmap, image/jpeg, */*";
constexpr size_t kMaxUserAgent = 63;

bool IsUnsafe(std::string_view text) {
    return text.find_first_of(std::string_view("\r\n\0", 3)) != text.npos;
}

bool IsUnsafe(const std::optional<std::string>& text) {
    return text && IsUnsafe(std::string_view(*text));
}

std::string_view UserAgent(const std::string& text) {
    if (text.empty()) return kFallbackUserAgent;
    return std::string_view(text).substr(0, kMaxUserAgent);
}

void AddLine(std::string& out, std::string_view name, const std::optional<std::string>& value) {
    if (!value) return;
    out.append(name).append(*value).append("\r\n");
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

// The text after "http://" or "https://", with the scheme's default port.
std::optional<std::string_view> AfterScheme(std::string_view target, uint16_t& defaultPort) {
    if (StartsWith(target, "http://")) {
        defaultPort = 80;
        return target.substr(7);
    }
    if (StartsWith(target, "https://")) {
        defaultPort = 443;
        return target.substr(8);
    }
    return std::nullopt;
}

}  // namespace

int32_t BuildHttpRequest(const HttpRequestParts& p, std::string& out) {
    out.clear();
    bool referrer = p.referrer && p.enableReferrer;
    if (IsUnsafe(std::string_view(p.target)) || IsUnsafe(std::string_view(p.host)) ||
        IsUnsafe(p.credentials) || IsUnsafe(p.proxyCredentials) || (referrer && IsUnsafe(p.referrer)) ||
        IsUnsafe(p.ifModifiedSince) || IsUnsafe(p.cookie) || IsUnsafe(p.contentType) ||
        IsUnsafe(std::string_view(p.userAgent)))
        return kErrIllegalAddress;

    std::string target = p.tunnelled ? TargetPath(p.target) : p.target;
    out.append(p.post ? "POST" : "GET").append(" ").append(target).append(" HTTP/1.0\r\n");
    out.append("User-Agent: ").append(UserAgent(p.userAgent)).append("\r\n");
    out.append(kAccept).append("\r\n");

    AddLine(out, "Authorization: Basic ", p.credentials);
    if (!p.tunnelled) AddLine(out, "Proxy-Authorization: Basic ", p.proxyCredentials);
    if (referrer) AddLine(out, "Referer: ", p.referrer);
    AddLine(out, "If-modified-since: ", p.ifModifiedSince);
    AddLine(out, "Cookie: ", p.cookie);
    if (p.noCache && !p.tunnelled) out.append("Pragma: no-cache\r\n");
    out.append("Host: ").append(p.host);
    if (p.port != p.defaultPort) out.append(":").append(std::to_string(p.port));
    out.append("\r\n");

    if (p.post && p.uploadLength) {
        out.append("Content-length: ").append(std::to_string(*p.uploadLength)).append("\r\n");
    } else if (p.post) {
        const std::string empty;
        const std::string& body = p.body ? *p.body : empty;
        out.append("Content-type: ").append(p.contentType ? *p.contentType : empty).append("\r\n");
        out.append("Content-length: ").append(std::to_string(body.size())).append("\r\n");
        out.append("\r\n").append(body).append("\r\n");
    } else {
        out.append("\r\n");
    }
    return 0;
}

int32_t BuildConnectRequest(const std::string& host, uint16_t port, const std::string& userAgent,
                            const std::optional<std::string>& proxyCredentials, std::string& out) {
    out.clear();
    if (IsUnsafe(std::string_view(host)) || IsUnsafe(std::string_view(userAgent)) ||
        IsUnsafe(proxyCredentials))
        return kErrIllegalAddress;
    out.append("CONNECT ").append(host).append(":").append(std::to_string(port)).append(" HTTP/1.0\r\n");
    out.append("User-Agent: ").append(UserAgent(userAgent)).append("\r\n");
    AddLine(out, "Proxy-Authorization: Basic ", proxyCredentials);
    out.append("\r\n");
    return 0;
}

std::optional<TargetServer> ParseTargetServer(std::string_view target) {
    TargetServer server;
    if (!AfterScheme(target, server.defaultPort)) return std::nullopt;
    UrlAuthority a;
    server.valid =
        SplitUrlAuthority(target, server.defaultPort, std::string_view::npos, a) == AuthoritySplit::kOk;
    server.host = a.host;
    server.port = a.port;
    return server;
}

std::string TargetPath(std::string_view target) {
    uint16_t defaultPort = 0;
    if (!AfterScheme(target, defaultPort)) return std::string(target);
    UrlAuthority a;
    (void)SplitUrlAuthority(target, defaultPort, std::string_view::npos, a);
    std::string_view path = target.substr(a.end);
    // A query right after the host still needs the path's '/'.
    return path.empty() || path.front() != '/' ? "/" + std::string(path) : std::string(path);
}

std::string InternalRedirectLocation(std::string_view newHost, uint16_t port, uint16_t defaultPort,
                                     std::string_view target) {
    static constexpr struct {
        std::string_view start;
        std::string_view scheme;
    } kSchemes[] = {
        {"ftp.", "ftp"},       {"news.", "news"},   {"nntp.", "news"},     {"snews.", "snews"},
        {"secnews.", "snews"}, {"nntps.", "snews"}, {"gopher.", "gopher"}, {"wais.", "wais"},
    };
    std::string_view scheme = "http";
    for (const auto& s : kSchemes) {
        if (StartsWith(newHost, s.start)) {
            scheme = s.scheme;
            break;
        }
    }
    std::string location(scheme);
    location.append("://").append(newHost);
    if (port != defaultPort) location.append(":").append(std::to_string(port));
    location.append(target);
    return location;
}

int32_t TranslateProxyError(int32_t code) {
    switch (code) {
        case kErrCouldNotConnect:
            return kErrProxyConnect;
        case kErrHostNotFound:
            return kErrProxyNotFound;
        case kErrAddressNotAvailable:
            return kErrProxyNotAvailable;
        case kErrConnectionRefused:
            return kErrProxyRefused;
        default:
            return code;
    }
}

std::string CleanReferrer(std::string_view url) {
    std::string out = WithoutUserInfo(url);
    UrlAuthority a;
    if (SplitUrlAuthority(out, 80, std::string_view::npos, a) != AuthoritySplit::kNoAuthority &&
        a.end == out.size() && StartsWith(out, "http://"))
        out.push_back('/');
    return out;
}
