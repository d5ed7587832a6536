#include "net/UrlNames.h"

#include <cctype>
#include <cstring>
#include <vector>

#include "core/StringHelpers.h"
#include "net/UrlAuthority.h"

namespace {

struct SchemeEntry {
    const char* name;
    int id;
};

// Looked up in this order; the first match wins.
constexpr SchemeEntry kSchemes[] = {
    {"http", kSchemeHttp},
    {"ftp", kSchemeFtp},
    {"gopher", kSchemeGopher},
    {"wais", kSchemeWais},
    {"file", kSchemeFile},
    {"news", kSchemeNews},
    {"https", kSchemeHttps},
    {"telnet", kSchemeTelnet},
    {"tn3270", kSchemeTn3270},
    {"mailto", kSchemeMailto},
    {"newspost", kSchemeNewsPost},
    {"newsatt", kSchemeNewsAtt},
    {"zintu", kSchemeInternal},
    {"about", kSchemeInternal},
    {"javascript", kSchemeJavascript},
    {"snews", kSchemeSnews},
    {"snewspost", kSchemeSnewsPost},
    {"snewsatt", kSchemeSnewsAtt},
    {"attachment", kSchemeAttachment},
    {"cid", kSchemeCid},
};

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() && text.substr(0, prefix.size()) == prefix;
}

bool IsUnsafe(unsigned char c) {
    return c == ' ' || c == '!' || c == '"' || c == 0xB4 || c == '(' || c == ')' || c == '\r' || c == '\n';
}

// Position just after the third '/' of text, or npos when it has fewer.
size_t AfterThirdSlash(std::string_view text) {
    int seen = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '/' && ++seen == 3) return i + 1;
    }
    return std::string_view::npos;
}

bool IsHttpLike(int scheme) {
    return scheme == kSchemeHttp || scheme == kSchemeHttps;
}

// Drops "../" segments that stand at the very start of the path.
void DropLeadingParentSegments(std::string& name) {
    size_t start = name.find("://");
    if (start == std::string::npos) return;
    size_t path = name.find('/', start + 3);
    if (path == std::string::npos) return;
    while (name.compare(path + 1, 3, "../") == 0) name.erase(path + 1, 3);
}

// Joins a relative name to the base's name (steps for a relative name).
bool JoinRelative(const UrlBase& base, std::string_view name, std::string& out, int& scheme) {
    std::string_view b = base.name;
    scheme = base.scheme;
    if (StartsWith(name, "//")) {
        size_t colon = b.find(':');
        if (colon == std::string_view::npos) return false;
        out.assign(b.substr(0, colon + 1)).append(name);
        return true;
    }
    if (!StartsWith(name, "/")) {
        if (base.scheme == kSchemeNews || base.scheme == kSchemeSnews) {
            out.assign(base.scheme == kSchemeNews ? "news:" : "snews:").append(name);
            return true;
        }
        if (base.scheme == kSchemeHttp && StartsWithNoCase(name, "http:"))
            name.remove_prefix(5);
        else if (base.scheme == kSchemeHttps && StartsWithNoCase(name, "https:"))
            name.remove_prefix(6);
        else if (base.scheme == kSchemeFtp && StartsWithNoCase(name, "ftp:"))
            name.remove_prefix(4);
    }
    size_t third = AfterThirdSlash(b);
    if (StartsWith(name, "/")) {
        // The base's third slash stands in for the name's leading one.
        if (third != std::string_view::npos) {
            out.assign(b.substr(0, third)).append(name.substr(1));
        } else {
            out.assign(b).append(name);
        }
        return true;
    }
    size_t pathEnd = b.size();
    if (IsHttpLike(base.scheme)) {
        size_t q = b.find_first_of("?;");
        if (q != std::string_view::npos) pathEnd = q;
    }
    std::string prefix;
    if (third != std::string_view::npos) {
        if (name.empty()) {
            out.assign(b.substr(0, pathEnd));
            if (pathEnd < b.size()) out.push_back(b[pathEnd]);
            return true;
        }
        size_t slash = b.substr(0, pathEnd).rfind('/');
        if (slash == std::string_view::npos) return false;
        prefix.assign(b.substr(0, slash + 1));
    } else {
        prefix.assign(b.substr(0, pathEnd)).push_back('/');
    }
    // One leading "./" or ".." is applied to the prefix before joining;
    // further ones are left to the dot-segment clean-up.
    if (prefix.size() > 2) {
        if (StartsWith(name, "..")) {
            // prefix ends in '/': find the '/' before its last segment.
            size_t before = prefix.size() >= 2 ? prefix.rfind('/', prefix.size() - 2) : std::string::npos;
            if (before != std::string::npos && before > 0 && prefix[before - 1] != '/') {
                name.remove_prefix(2);
                if (StartsWith(name, "/")) name.remove_prefix(1);
                prefix.resize(before + 1);
            }
        } else if (StartsWith(name, "./")) {
            name.remove_prefix(2);
        }
    }
    out = prefix;
    out.append(name);
    return true;
}

}  // namespace

int SchemeIdFromName(std::string_view scheme) {
    for (const SchemeEntry& e : kSchemes) {
        if (EqualsNoCase(scheme, e.name)) return e.id;
    }
    return kSchemeUnknown;
}

int SchemeOfAbsoluteName(std::string_view name) {
    size_t i = 0;
    while (i < name.size() && (name[i] == ' ' || name[i] == '\t' || name[i] == '\n')) ++i;
    size_t start = i;
    while (i < name.size() && std::isalnum(static_cast<unsigned char>(name[i]))) ++i;
    if (i == start || i >= name.size() || name[i] != ':') return kSchemeRelative;
    int id = SchemeIdFromName(name.substr(start, i - start));
    std::string_view rest = name.substr(i + 1);
    bool slashes = StartsWith(rest, "//");
    if ((id == kSchemeHttp || id == kSchemeHttps || id == kSchemeFtp) && !slashes) return kSchemeRelative;
    if (slashes && (id == kSchemeHttp || id == kSchemeHttps || id == kSchemeFtp || id == kSchemeNews ||
                    id == kSchemeSnews)) {
        // "http:///x" and "http://" name no host.
        if (rest.size() == 2 || rest[2] == '/') return kSchemeRelative;
    }
    return id;
}

size_t CountUnsafeChars(std::string_view name) {
    if (StartsWith(name, "file:")) return 0;
    size_t n = 0;
    for (char c : name) n += IsUnsafe(static_cast<unsigned char>(c)) ? 1 : 0;
    return n;
}

std::string EscapeUnsafeChars(std::string_view name) {
    static const char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(name.size() + 2 * CountUnsafeChars(name));
    for (char c : name) {
        auto u = static_cast<unsigned char>(c);
        if (IsUnsafe(u)) {
            out.push_back('%');
            out.push_back(kHex[u >> 4]);
            out.push_back(kHex[u & 15]);
        } else {
            out.push_back(c);
        }
    }
    return out;
}

std::string DecodePercentEscapes(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size() && HexValue(text[i + 1]) >= 0 &&
            HexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(HexValue(text[i + 1]) * 16 + HexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

void RemoveDotSegments(std::string& name, int scheme, bool absoluteFtpPath) {
    size_t authority = name.find("://");
    size_t path = authority == std::string::npos ? std::string::npos : name.find('/', authority + 3);
    // The region starts after the path's first '/'; a name without "://"
    // (news:, file:C:/...) is walked from its beginning.
    if (authority != std::string::npos && path == std::string::npos) return;
    size_t begin = authority == std::string::npos ? 0 : path + 1;
    // A query is data for the server, never a path: leave it untouched.
    size_t end = name.find('?', begin);
    if (end == std::string::npos) end = name.size();
    if (begin >= end) return;

    std::vector<std::string_view> segments;
    std::string_view region(name.data() + begin, end - begin);
    size_t pos = 0;
    while (true) {
        size_t slash = region.find('/', pos);
        segments.push_back(
            region.substr(pos, slash == std::string_view::npos ? std::string_view::npos : slash - pos));
        if (slash == std::string_view::npos) break;
        pos = slash + 1;
    }
    bool keepParentChains = scheme == kSchemeFtp && !absoluteFtpPath;
    std::vector<std::string_view> kept;
    bool trailingSlash = false;
    for (size_t i = 0; i < segments.size(); ++i) {
        std::string_view s = segments[i];
        bool last = i + 1 == segments.size();
        trailingSlash = false;
        if (i == 0) {  // right after the path's first '/': never examined
            kept.push_back(s);
            continue;
        }
        if (s == "." && !last) continue;
        if (s == "..") {
            if (kept.empty()) {
                kept.push_back(s);
            } else if (kept.back() == ".." && keepParentChains) {
                kept.push_back(s);
            } else {
                kept.pop_back();
                trailingSlash = true;
            }
            continue;
        }
        kept.push_back(s);
    }
    std::string joined;
    for (size_t i = 0; i < kept.size(); ++i) {
        if (i) joined.push_back('/');
        joined.append(kept[i]);
    }
    if (trailingSlash && !kept.empty()) joined.push_back('/');
    name.replace(begin, end - begin, joined);
}

bool ResolveUrlName(const UrlBase* base, std::string_view name, const ResolveOptions& options,
                    std::string& out, int& scheme) {
    out.clear();
    while (!name.empty() &&
           (name.front() == ' ' || name.front() == '\t' || name.front() == '\r' || name.front() == '\n'))
        name.remove_prefix(1);
    scheme = SchemeOfAbsoluteName(name);
    if (scheme != kSchemeRelative) {
        out.assign(name);
    } else if (base == nullptr) {
        scheme = kSchemeUnknown;
        return false;
    } else if (options.forRegistry &&
               (base->scheme == kSchemeJavascript || base->scheme == kSchemeInternal)) {
        out.assign(name);
        scheme = kSchemeRelative;
        return true;
    } else if (!JoinRelative(*base, name, out, scheme)) {
        out.clear();
        return false;
    }
    if (options.forRegistry) DropLeadingParentSegments(out);
    RemoveDotSegments(out, scheme, options.absoluteFtpPath);
    if (scheme == kSchemeFile && StartsWithNoCase(out, "file://localhost/")) {
        for (size_t i = 17; i < out.size(); ++i)
            out[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(out[i])));
    }
    // Every result but a local file name and a script is escaped, so CR, LF
    // and spaces can never reach a request line.
    // The scheme decides, never the text: a base of another scheme whose name
    // merely reads "javascript:" must not carry a raw line break along.
    if (scheme != kSchemeFile && scheme != kSchemeJavascript) {
        out = EscapeUnsafeChars(out);
    }
    return true;
}

bool ResolveUrlInto(const UrlBase* base, std::string_view name, const ResolveOptions& options, char* buf,
                    size_t size, int& scheme) {
    if (size == 0) return false;
    std::string out;
    ResolveOptions registry = options;
    registry.forRegistry = true;
    if (!ResolveUrlName(base, name, registry, out, scheme)) {
        buf[0] = 0;
        return false;
    }
    size_t n = out.size() < size - 1 ? out.size() : size - 1;
    std::memcpy(buf, out.data(), n);
    buf[n] = 0;
    return true;
}

namespace {

bool HasHost(int scheme) {
    switch (scheme) {
        case kSchemeHttp:
        case kSchemeHttps:
        case kSchemeGopher:
        case kSchemeWais:
        case kSchemeMailto:
        case kSchemeNews:
        case kSchemeNewsPost:
        case kSchemeSnews:
        case kSchemeSnewsPost:
        case kSchemeTelnet:
        case kSchemeTn3270:
            return true;
        default:
            return false;
    }
}

}  // namespace

bool GetHostFromName(std::string_view name, int scheme, char* buf, size_t size, bool withPort) {
    if (!HasHost(scheme) || size == 0) return false;
    UrlAuthority a;
    if (SplitUrlAuthority(name, 0, size, a) != AuthoritySplit::kOk) return false;
    std::string host = a.host;
    if (withPort && a.hasPort) host.append(":").append(std::to_string(a.port));
    if (host.size() >= size) return false;
    std::memcpy(buf, host.c_str(), host.size() + 1);
    return true;
}

bool GetHostAndPortFromName(std::string_view name, size_t maxHost, HostAndPort& out) {
    out = HostAndPort();
    UrlAuthority a;
    if (SplitUrlAuthority(name, 0, maxHost, a) != AuthoritySplit::kOk) return false;
    out.host = a.host;
    out.credentials = a.Credentials();
    out.port = a.port;
    out.hasPort = a.hasPort;
    if (a.end < name.size()) out.pathOffset = a.end;
    return true;
}

bool ParseUserHostPort(std::string_view text, uint16_t defaultPort, UserHostPort& out) {
    out = UserHostPort();
    UrlAuthority a;
    AuthoritySplit split = SplitAuthorityText(text, defaultPort, std::string_view::npos, a);
    out.host = a.host;
    out.user = a.user;
    out.password = a.password;
    out.hasUser = a.hasUser;
    out.hasPassword = a.hasPassword;
    out.port = a.port;
    return split == AuthoritySplit::kOk;
}

bool ParseHostPort(std::string_view text, uint16_t defaultPort, std::string& host, uint16_t& port) {
    UrlAuthority a;
    AuthoritySplit split = SplitAuthorityText(text, defaultPort, std::string_view::npos, a);
    host = a.host;
    port = a.port;
    return split == AuthoritySplit::kOk;
}

bool ParseFtpUrl(std::string_view url, FtpUrlParts& out) {
    out = FtpUrlParts();
    size_t sep = url.find("://");
    if (sep == std::string_view::npos) return false;
    std::string_view rest = url.substr(sep + 3);
    size_t slash = rest.find('/');
    std::string_view authority = rest.substr(0, slash);
    if (slash != std::string_view::npos) {
        std::string_view path = rest.substr(slash + 1);
        size_t semi = path.find(';');
        out.path.assign(path.substr(0, semi));
        out.hasPath = true;
        while (semi != std::string_view::npos) {
            path = path.substr(semi + 1);
            semi = path.find(';');
            std::string_view param = path.substr(0, semi);
            if (StartsWithNoCase(param, "UPLOAD")) {
                size_t eq = param.find('=');
                if (eq != std::string_view::npos) out.upload.assign(param.substr(eq + 1));
                continue;
            }
            std::string upper(param);
            for (char& c : upper) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
            size_t type = upper.find("TYPE");
            if (type == std::string::npos) continue;
            size_t eq = upper.find('=', type + 4);
            if (eq == std::string::npos || eq + 1 >= upper.size()) continue;
            switch (upper[eq + 1]) {
                case 'A':
                    out.type = 1;
                    break;
                case 'I':
                    out.type = 2;
                    break;
                case 'D':
                    out.type = 3;
                    break;
                default:
                    break;
            }
        }
    }
    if (!ParseUserHostPort(authority, 0, out.login)) return false;
    if (out.login.port == 0) out.login.port = 21;
    return true;
}
