#include "html/UrlParts.h"

#include <cctype>
#include <cstring>

#include "net/UrlAuthority.h"

std::string GetUrlPart(const char* address, int propertyId) {
    if (!address) return std::string();
    std::string text = address;
    if (propertyId == kPartHref) return text;
    std::string hash;
    size_t sharp = text.find('#');
    if (sharp != std::string::npos) {
        hash = text.substr(sharp);
        text.resize(sharp);
    }
    if (propertyId == kPartHash) return hash;
    size_t colon = text.find(':');
    std::string protocol = colon == std::string::npos ? "" : text.substr(0, colon + 1);
    if (propertyId == kPartProtocol) return protocol;
    std::string rest = colon == std::string::npos ? text : text.substr(colon + 1);
    // The host and port are found where the loader finds them, so a script
    // reads the server the link really goes to.
    std::string host, hostname, port;
    UrlAuthority a;
    if (rest.compare(0, 2, "//") == 0 &&
        SplitUrlAuthority(text, 0, std::string::npos, a) != AuthoritySplit::kNoAuthority) {
        host = text.substr(a.hostBegin, a.end - a.hostBegin);
        hostname = text.substr(a.hostBegin, a.hostEnd - a.hostBegin);
        if (a.portBegin != UrlAuthority::npos) port = text.substr(a.portBegin, a.end - a.portBegin);
        rest = text.substr(a.end);
    }
    size_t question = rest.find('?');
    std::string search = question == std::string::npos ? "" : rest.substr(question);
    std::string path = question == std::string::npos ? rest : rest.substr(0, question);
    switch (propertyId) {
        case kPartHost:
            return host;
        case kPartHostname:
            return hostname;
        case kPartPort:
            return port;
        case kPartSearch:
            return search;
        case kPartPathname:
            return path;
        default:
            return std::string();
    }
}

namespace {

bool EqualNoCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i])))
            return false;
    }
    return true;
}

bool StartsNoCase(const char* text, const char* prefix) {
    for (; *prefix; ++text, ++prefix) {
        if (std::tolower(static_cast<unsigned char>(*text)) != std::tolower(static_cast<unsigned char>(*prefix)))
            return false;
    }
    return true;
}

// The server of a name, "host:port" with the scheme's default port filled
// in; false when the name has no "//" after its first ':' (no server).
bool ServerOf(const char* name, std::string& server) {
    const char* colon = std::strchr(name, ':');
    if (!colon || colon[1] != '/' || colon[2] != '/') return false;
    const char* begin = colon + 3;
    size_t length = std::strcspn(begin, "/#?&");
    server.assign(begin, length);
    // User information never names a different server.
    size_t at = server.rfind('@');
    if (at != std::string::npos) server.erase(0, at + 1);
    if (server.find(':') == std::string::npos || server.back() == ':') {
        if (!server.empty() && server.back() == ':') server.pop_back();
        std::string scheme(name, static_cast<size_t>(colon - name));
        const char* port = EqualNoCase(scheme, "https") ? "443" : EqualNoCase(scheme, "ftp") ? "21" : "80";
        server += ':';
        server += port;
    }
    return true;
}

}  // namespace

bool SameUrlHost(const char* a, const char* b) {
    if (!a || !b) return false;
    std::string first, second;
    bool hasFirst = ServerOf(a, first) && first.size() > 0 && first[0] != ':';
    bool hasSecond = ServerOf(b, second) && second.size() > 0 && second[0] != ':';
    if (!hasFirst && !hasSecond) return true;
    if (hasFirst && hasSecond) return EqualNoCase(first, second);
    const char* bare = hasFirst ? b : a;
    const char* local = hasFirst ? a : b;
    return StartsNoCase(bare, "file://") && StartsNoCase(local, "file://localhost") &&
           std::strcspn(local + 16, ":/#?&") == 0;
}

namespace {

// Where the part of a property lies in text: [begin, end); false when the
// text has no such part (insert then tells where it would go).
bool FindPart(const std::string& text, int propertyId, size_t& begin, size_t& end, size_t& insert) {
    size_t sharp = text.find('#');
    size_t beforeHash = sharp == std::string::npos ? text.size() : sharp;
    size_t colon = text.find(':');
    size_t afterScheme = colon == std::string::npos ? 0 : colon + 1;
    size_t hostBegin = afterScheme;
    while (hostBegin < text.size() && text[hostBegin] == '/') ++hostBegin;
    if (colon == std::string::npos) hostBegin = 0;
    size_t hostEnd = text.find_first_of("/?#", hostBegin);
    if (hostEnd == std::string::npos) hostEnd = text.size();
    size_t nameEnd = text.find(':', hostBegin);
    if (nameEnd == std::string::npos || nameEnd > hostEnd) nameEnd = hostEnd;
    switch (propertyId) {
        case kPartHash:
            begin = sharp, end = text.size(), insert = text.size();
            return sharp != std::string::npos;
        case kPartSearch: {
            size_t question = text.find('?');
            insert = beforeHash;
            if (question == std::string::npos || question > beforeHash) return false;
            begin = question, end = beforeHash;
            return true;
        }
        case kPartProtocol:
            insert = 0;
            if (colon == std::string::npos) return false;
            begin = 0, end = colon + 1;
            return true;
        case kPartHostname:
            begin = hostBegin, end = nameEnd, insert = hostBegin;
            return end > begin;
        case kPartHost:
            begin = hostBegin, end = hostEnd, insert = hostBegin;
            return end > begin;
        case kPartPort:
            insert = nameEnd;
            if (nameEnd >= hostEnd) return false;
            begin = nameEnd + 1, end = hostEnd;
            return true;
        case kPartPathname: {
            insert = hostEnd;
            if (hostEnd >= text.size() || text[hostEnd] != '/') return false;
            begin = hostEnd;
            end = text.find_first_of("?#", hostEnd);
            if (end == std::string::npos) end = text.size();
            return true;
        }
        default:
            return false;
    }
}

}  // namespace

std::string ReplaceUrlPart(const char* address, const char* value, int propertyId, size_t maxLength) {
    std::string newValue = value ? value : "";
    std::string result;
    if (propertyId == kPartHref || !address) {
        result = newValue;
    } else {
        std::string text = address;
        size_t begin = 0, end = 0, insert = 0;
        if (FindPart(text, propertyId, begin, end, insert)) {
            // The marks of a hash or a search stay when the value lacks them.
            if (propertyId == kPartHash && newValue[0] != '#') ++begin;
            if (propertyId == kPartSearch && newValue[0] != '?') ++begin;
            if (propertyId == kPartProtocol && (newValue.empty() || newValue.back() != ':')) --end;
            result = text.substr(0, begin) + newValue + text.substr(end);
        } else {
            std::string piece = newValue;
            if (propertyId == kPartPort) piece = ":" + newValue;
            if (propertyId == kPartHash && newValue[0] != '#') piece = "#" + newValue;
            if (propertyId == kPartSearch && newValue[0] != '?') piece = "?" + newValue;
            if (propertyId == kPartPathname && newValue[0] != '/') piece = "/" + newValue;
            if (propertyId == kPartProtocol && (newValue.empty() || newValue.back() != ':')) piece += ":";
            result = text.substr(0, insert) + piece + text.substr(insert);
        }
    }
    if (maxLength > 0 && result.size() >= maxLength) result.resize(maxLength - 1);
    return result;
}
