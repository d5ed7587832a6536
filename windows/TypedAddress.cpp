#include "windows/TypedAddress.h"

#include <algorithm>
#include <cctype>
#include <cstring>

namespace {

const char kLocalFile[] = "file://localhost/";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

// "www." and the like are matched case-sensitively: "WWW.X" falls to the
// rule for texts without a colon, which gives the same URL.
const char* SchemeOfHostName(const std::string& text) {
    static const struct {
        const char* name;
        const char* scheme;
    } kNames[] = {{"www", "http://"}, {"ftp", "ftp://"}, {"gopher", "gopher://"}, {"wais", "wais://"}};
    for (const auto& n : kNames) {
        std::string dotted = std::string(n.name) + ".";
        if (text == n.name || StartsWith(text, dotted.c_str())) return n.scheme;
    }
    return nullptr;
}

std::string LocalFileUrl(const std::string& path) {
    return kLocalFile + path;
}

}  // namespace

std::string TrimTypedText(const std::string& text) {
    auto blank = [](char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; };
    auto first = std::find_if_not(text.begin(), text.end(), blank);
    auto last = std::find_if_not(text.rbegin(), text.rend(), blank).base();
    return first < last ? std::string(first, last) : std::string();
}

bool MayBeNickname(const std::string& trimmed) {
    return !trimmed.empty() && trimmed.find_first_of(".:/?\\") == std::string::npos;
}

std::string CompleteTypedAddress(const std::string& typed) {
    std::string text = TrimTypedText(typed);
    if (text.empty()) return text;
    std::replace(text.begin(), text.end(), '\\', '/');
    // A drive letter and its colon: a path on a local disk.
    if (text.size() >= 2 && text[1] == ':') return LocalFileUrl(text);
    if (const char* scheme = SchemeOfHostName(text)) return scheme + text;
    if (StartsWith(text, "file:") && !StartsWith(text, "file:/")) return LocalFileUrl(text.substr(5));
    if (StartsWith(text, "file:///")) {
        std::string url = LocalFileUrl(text.substr(8));
        // "file:///c|/..." names drive c the old way.
        const size_t drive = std::strlen(kLocalFile) + 1;
        if (url.size() > drive && url[drive] == '|') url[drive] = ':';
        return url;
    }
    size_t colon = text.find(':');
    if (colon == std::string::npos) return "http://" + text;
    // A host and its port ("localhost:8080/a.html"), unless it is a script.
    bool digitAfterColon = colon + 1 < text.size() && std::isdigit(static_cast<unsigned char>(text[colon + 1]));
    if (!StartsWithNoCase(text, "javascript:") && digitAfterColon) return "http://" + text;
    return text;
}
