#include "html/UrlParts.h"

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
