#include "html/UrlParts.h"

#include <cstring>

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
    std::string host;
    if (rest.compare(0, 2, "//") == 0) {
        size_t slash = rest.find_first_of("/?", 2);
        host = rest.substr(2, slash == std::string::npos ? std::string::npos : slash - 2);
        rest = slash == std::string::npos ? "" : rest.substr(slash);
        size_t at = host.rfind('@');
        if (at != std::string::npos) host = host.substr(at + 1);
    }
    size_t portColon = host.rfind(':');
    std::string hostname = portColon == std::string::npos ? host : host.substr(0, portColon);
    std::string port = portColon == std::string::npos ? "" : host.substr(portColon + 1);
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
