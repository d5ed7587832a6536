#include "net/UrlReloadPolicy.h"

#include <cstring>

#include "core/Dates.h"
#include "net/SniffContent.h"
#include "net/UrlAuthority.h"
#include "net/UrlNames.h"
#include "net/UrlRecord.h"
#include "net/UrlSettings.h"

bool NeedsReload(UrlRecord& record, bool image, uint32_t now) {
    int scheme = record.GetScheme();
    if ((scheme != kSchemeHttp && scheme != kSchemeHttps) || record.GetLoadTime() == 0) return false;
    HttpPart* http = record.GetHttpPart();
    if (http && http->method == kMethodPost) return false;
    if (record.GetFlags() & kFlagForceReload) return true;
    int status = http ? http->status : 200;
    if (status != 200 && status != 301 && status != 302 && status != 304) return true;
    const UrlSettings& s = GetUrlSettings();
    if ((image ? s.alwaysCheckRedirectImages : s.alwaysCheckRedirect) && record.GetRedirectRecord())
        return true;
    if (http && http->expires != 0) {
        int64_t local = static_cast<int64_t>(now) + LocalZoneOffsetSeconds();
        return local > static_cast<int64_t>(http->expires);
    }
    int kind = record.GetContentKind();
    int policy = s.otherModification;
    uint32_t expiry = s.otherExpirySeconds;
    if (kind == kKindHtml) {
        policy = s.docsModification;
        expiry = s.docsExpirySeconds;
    } else if (kind >= kKindGif && kind <= kKindCpr) {
        policy = s.figsModification;
        expiry = s.figsExpirySeconds;
    }
    if (policy == 1) return true;
    if (policy == 2) return now >= record.GetLoadTime() && now - record.GetLoadTime() > expiry;
    return false;
}

std::string ProxyForScheme(int scheme) {
    const UrlSettings& s = GetUrlSettings();
    switch (scheme) {
        case kSchemeHttp:
        case kSchemeHttps:
            return s.httpProxy;
        case kSchemeFtp:
            return s.ftpProxy;
        case kSchemeGopher:
            return s.gopherProxy;
        case kSchemeWais:
            return s.waisProxy;
        default:
            return std::string();
    }
}

bool HasProxyForScheme(int scheme) {
    return !ProxyForScheme(scheme).empty();
}

bool GetRequestTarget(const UrlRecord& record, size_t hostBufferSize, RequestTarget& out) {
    out = RequestTarget();
    int scheme = record.GetScheme();
    out.port = scheme == kSchemeHttps ? 443 : 80;
    const char* name = record.GetName();
    if (name == nullptr) return false;
    HostAndPort hp;
    if (!record.GetHostAndPort(hostBufferSize, hp)) return false;
    out.host = hp.host;
    if (hp.hasPort) out.port = hp.port;
    out.credentials = hp.credentials;
    std::string proxy = ProxyForScheme(scheme);
    if (!proxy.empty() && (scheme == kSchemeHttp || scheme == kSchemeHttps || scheme == kSchemeFtp)) {
        const UrlSettings& s = GetUrlSettings();
        if (s.isNoProxyHost && s.isNoProxyHost(out.host.c_str())) proxy.clear();
    }
    // A name without a path, or with a query right after the host, still
    // sends the path's '/'.
    bool slash = hp.pathOffset != std::string::npos && name[hp.pathOffset] == '/';
    if (proxy.empty()) {
        out.uri = slash ? std::string(name + hp.pathOffset)
                        : "/" + std::string(hp.pathOffset == std::string::npos ? "" : name + hp.pathOffset);
        return true;
    }
    if (proxy.size() >= hostBufferSize) return false;
    out.useProxy = true;
    if (!ParseHostPort(proxy, 80, out.host, out.port)) return false;
    // The whole name goes to the proxy: with a path, and for http and https
    // without the user information, which is sent as a header instead.
    out.uri = scheme == kSchemeHttp || scheme == kSchemeHttps ? WithoutUserInfo(name) : std::string(name);
    if (!slash) {
        UrlAuthority a;
        (void)SplitUrlAuthority(out.uri, 0, std::string::npos, a);
        out.uri.insert(a.end, "/");
    }
    return true;
}
