#include "net/UrlAuthority.h"

#include <cctype>
#include <cstring>

#include "core/StringHelpers.h"
#include "net/UrlNames.h"

namespace {

bool At(std::string_view text, size_t i, std::string_view what) {
    return text.compare(i, what.size(), what) == 0;
}

bool AtNoCase(std::string_view text, size_t i, std::string_view what) {
    return i <= text.size() && StartsWithNoCase(text.substr(i), what);
}

// A decimal port from 0 to 65535; anything else (empty, signs, overflow) fails.
bool ParsePort(std::string_view text, uint16_t& port) {
    if (text.empty() || text.size() > 5) return false;
    uint32_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
    }
    if (value > 65535) return false;
    port = static_cast<uint16_t>(value);
    return true;
}

// A host may not hold what would end it, split a request line or name
// another part of the URL once it is decoded.
bool IsHostChar(unsigned char c) {
    return c > 0x20 && c != 0x7F && !std::strchr("/\\?#@:[]", c);
}

bool IsLiteralChar(unsigned char c) {
    return std::isxdigit(c) || c == ':' || c == '.';
}

// Finds the user information and the password within [begin, end).
void FindUserInfo(std::string_view text, UrlAuthority& out) {
    size_t userEnd = UrlAuthority::npos;
    size_t atLength = 0;
    for (size_t i = out.begin; i < out.end; ++i) {
        if (text[i] == '@') {
            userEnd = i;
            atLength = 1;
        } else if (i + 3 <= out.end && At(text, i, "%40")) {
            userEnd = i;
            atLength = 3;
        }
    }
    out.hostBegin = userEnd == UrlAuthority::npos ? out.begin : userEnd + atLength;
    if (userEnd == UrlAuthority::npos) return;
    std::string_view user = text.substr(out.begin, userEnd - out.begin);
    size_t colon = user.find(':');
    size_t colonLength = 1;
    if (colon == std::string_view::npos) {
        colon = user.find("%3A");
        if (colon == std::string_view::npos) colon = user.find("%3a");
        colonLength = 3;
    }
    if (colon != std::string_view::npos) {
        out.passwordBegin = out.begin + colon + colonLength;
        out.passwordEnd = userEnd;
    }
}

// Finds where the host ends and the port begins within [hostBegin, end).
// False for a bracketed literal followed by anything but a port.
bool FindPort(std::string_view text, UrlAuthority& out) {
    out.hostEnd = out.end;
    size_t i = out.hostBegin;
    if (i < out.end && text[i] == '[') {
        size_t close = text.substr(0, out.end).find(']', i);
        if (close == std::string_view::npos) return false;
        i = close + 1;
        if (i == out.end) return true;
        if (text[i] != ':') return false;
        out.hostEnd = i;
        out.portBegin = i + 1;
        return true;
    }
    for (; i < out.end; ++i) {
        if (text[i] == ':') {
            out.hostEnd = i;
            out.portBegin = i + 1;
            return true;
        }
        if (i + 3 <= out.end && AtNoCase(text, i, "%3a")) {
            out.hostEnd = i;
            out.portBegin = i + 3;
            return true;
        }
    }
    return true;
}

bool IsGoodHost(const std::string& host) {
    if (host.empty()) return false;
    if (host.front() == '[') {
        if (host.size() < 3 || host.back() != ']') return false;
        for (size_t i = 1; i + 1 < host.size(); ++i) {
            if (!IsLiteralChar(static_cast<unsigned char>(host[i]))) return false;
        }
        return true;
    }
    for (char c : host) {
        if (!IsHostChar(static_cast<unsigned char>(c))) return false;
    }
    return true;
}

AuthoritySplit SplitBetween(std::string_view text, uint16_t defaultPort, size_t maxHost, UrlAuthority& out) {
    FindUserInfo(text, out);
    bool literalOk = FindPort(text, out);
    if (out.hostBegin > out.begin) {
        size_t atLength = text[out.hostBegin - 1] == '@' ? 1 : 3;
        size_t userEnd = out.hostBegin - atLength;
        size_t nameEnd = out.passwordBegin == UrlAuthority::npos
                             ? userEnd
                             : out.passwordBegin - (text[out.passwordBegin - 1] == ':' ? 1 : 3);
        out.hasUser = true;
        out.user = DecodePercentEscapes(text.substr(out.begin, nameEnd - out.begin));
        if (out.passwordBegin != UrlAuthority::npos) {
            out.hasPassword = true;
            out.password =
                DecodePercentEscapes(text.substr(out.passwordBegin, out.passwordEnd - out.passwordBegin));
        }
    }
    if (!literalOk) return AuthoritySplit::kBadHost;
    out.host = DecodePercentEscapes(text.substr(out.hostBegin, out.hostEnd - out.hostBegin));
    for (char& c : out.host) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (!IsGoodHost(out.host) || out.host.size() >= maxHost) return AuthoritySplit::kBadHost;
    out.port = defaultPort;
    if (out.portBegin != UrlAuthority::npos) {
        if (!ParsePort(text.substr(out.portBegin, out.end - out.portBegin), out.port))
            return AuthoritySplit::kBadPort;
        out.hasPort = true;
    }
    return AuthoritySplit::kOk;
}

// Fills the offsets of the authority of a name; false without "://".
bool FindAuthority(std::string_view name, UrlAuthority& out) {
    out = UrlAuthority();
    size_t sep = name.find("://");
    if (sep == std::string_view::npos) return false;
    out.begin = sep + 3;
    out.end = name.find_first_of("/?#", out.begin);
    if (out.end == std::string_view::npos) out.end = name.size();
    return true;
}

// The offsets of the authority and of its user information.
bool FindUserInfoOf(std::string_view name, UrlAuthority& out) {
    if (!FindAuthority(name, out)) return false;
    FindUserInfo(name, out);
    return true;
}

}  // namespace

std::string UrlAuthority::Credentials() const {
    return hasPassword ? user + ":" + password : std::string();
}

AuthoritySplit SplitUrlAuthority(std::string_view name, uint16_t defaultPort, size_t maxHost,
                                 UrlAuthority& out) {
    if (!FindAuthority(name, out)) return AuthoritySplit::kNoAuthority;
    return SplitBetween(name, defaultPort, maxHost, out);
}

AuthoritySplit SplitAuthorityText(std::string_view text, uint16_t defaultPort, size_t maxHost,
                                  UrlAuthority& out) {
    out = UrlAuthority();
    out.begin = 0;
    out.end = text.size();
    return SplitBetween(text, defaultPort, maxHost, out);
}

std::string WithoutUserInfo(std::string_view name) {
    UrlAuthority a;
    if (!FindUserInfoOf(name, a) || a.hostBegin == a.begin) return std::string(name);
    std::string out(name.substr(0, a.begin));
    out.append(name.substr(a.hostBegin));
    return out;
}

void MaskUrlPassword(char* url, size_t keep) {
    if (!url) return;
    UrlAuthority a;
    if (!FindUserInfoOf(url, a) || a.passwordBegin == UrlAuthority::npos) return;
    char* start = url + a.passwordBegin;
    size_t length = a.passwordEnd - a.passwordBegin;
    size_t stars = length < keep ? length : keep;
    std::memset(start, '*', stars);
    if (stars < length) std::memmove(start + stars, start + length, std::strlen(start + length) + 1);
}

void StripUrlUserInfo(char* url) {
    if (!url) return;
    UrlAuthority a;
    if (!FindUserInfoOf(url, a) || a.hostBegin == a.begin) return;
    std::memmove(url + a.begin, url + a.hostBegin, std::strlen(url + a.hostBegin) + 1);
}
