#include "net/ContentTypes.h"

#include <cctype>
#include <cstring>

#include "core/StringHelpers.h"
#include "net/SniffContent.h"

namespace {

constexpr KnownContentType kTypes[] = {
    {"text/html", "htm html", kKindHtml}, {"text/plain", "txt text", kKindText},
    {"image/gif", "gif", kKindGif},       {"image/jpeg", "jpg jpeg jpe", kKindJpeg},
    {"image/pjpeg", "jpg", kKindJpeg},    {"image/x-xbitmap", "xbm", kKindXbm},
    {"image/bmp", "bmp", kKindBmp},       {"audio/wav", "wav", kKindWav},
    {"audio/x-wav", "wav", kKindWav},     {"audio/midi", "mid midi", kKindMidi},
    {"video/x-msvideo", "avi", kKindAvi}, {"multipart/x-mixed-replace", "", kKindMultipart},
    {"application/x-cardnet", "cne", kKindCardEncrypted},
};

}  // namespace

const KnownContentType* FindContentTypeByType(const char* type) {
    if (type == nullptr) return nullptr;
    for (const KnownContentType& t : kTypes) {
        if (EqualsNoCase(t.type, type)) return &t;
    }
    return nullptr;
}

const KnownContentType* FindContentTypeByExtension(const std::string& extension) {
    if (extension.empty()) return nullptr;
    std::string lower;
    for (char c : extension) lower.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    for (const KnownContentType& t : kTypes) {
        const char* p = t.extensions;
        while (*p) {
            size_t n = std::strcspn(p, " ");
            if (n == lower.size() && std::strncmp(p, lower.c_str(), n) == 0) return &t;
            p += n;
            while (*p == ' ') ++p;
        }
    }
    return nullptr;
}

std::string ExtensionOfName(const char* name) {
    if (name == nullptr) return std::string();
    std::string s(name);
    s = s.substr(0, s.find('?'));
    size_t sep = s.find_last_of("/\\");
    std::string last = sep == std::string::npos ? s : s.substr(sep + 1);
    // "http://host" has no path: its host is not a file name.
    if (sep != std::string::npos && sep > 0 && s[sep - 1] == '/' && s.find("://") == sep - 2)
        return std::string();
    size_t dot = last.rfind('.');
    return dot == std::string::npos ? std::string() : last.substr(dot + 1);
}
