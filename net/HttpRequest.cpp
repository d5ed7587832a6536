#include "net/HttpRequest.h"

#include <cctype>
#include <cstdlib>

#include "net/NetErrors.h"

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

    std::string_view target = p.tunnelled ? TargetPath(p.target) : std::string_view(p.target);
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
    std::optional<std::string_view> rest = AfterScheme(target, server.defaultPort);
    if (!rest) return std::nullopt;
    std::string_view authority = rest->substr(0, rest->find('/'));
    // A user name and password before "@" name no server.
    size_t at = authority.rfind('@');
    if (at != authority.npos) authority.remove_prefix(at + 1);
    size_t colon = authority.find(':');
    server.port = server.defaultPort;
    if (colon != authority.npos) {
        std::string digits(authority.substr(colon + 1));
        long port = std::strtol(digits.c_str(), nullptr, 10);
        if (port > 0 && port <= 65535) server.port = static_cast<uint16_t>(port);
        authority = authority.substr(0, colon);
    }
    server.host = std::string(authority);
    return server;
}

std::string_view TargetPath(std::string_view target) {
    uint16_t defaultPort = 0;
    std::optional<std::string_view> rest = AfterScheme(target, defaultPort);
    if (!rest) return target;
    size_t slash = rest->find('/');
    return slash == rest->npos ? std::string_view("/") : rest->substr(slash);
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
    size_t schemeEnd = url.find("://");
    if (schemeEnd == url.npos) return std::string(url);
    size_t hostStart = schemeEnd + 3;
    size_t pathStart = url.find_first_of("/?#", hostStart);
    std::string_view authority =
        url.substr(hostStart, pathStart == url.npos ? url.npos : pathStart - hostStart);
    size_t at = authority.rfind('@');
    std::string out(url.substr(0, hostStart));
    out.append(at == authority.npos ? authority : authority.substr(at + 1));
    if (pathStart == url.npos) {
        if (StartsWith(url, "http://")) out.push_back('/');
    } else {
        out.append(url.substr(pathStart));
    }
    return out;
}
