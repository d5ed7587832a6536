#include "windows/UrlRoads.h"

#include <cctype>

#include "net/UrlNames.h"

UrlRoad ChooseUrlRoad(const UrlRoadFacts& f) {
    switch (f.scheme) {
        case kSchemeHttp:
        case kSchemeHttps:
        case kSchemeFtp:
        case kSchemeFile:
        case kSchemeNews:
        case kSchemeSnews:
        case kSchemeInternal:
        case kSchemeNewsAtt:
        case kSchemeSnewsAtt:
        case kSchemeAttachment:
        case kSchemeCid:
            return UrlRoad::Load;
        default:
            break;
    }
    if (f.proxyForScheme) return UrlRoad::Load;
    switch (f.scheme) {
        case kSchemeMailto:
            if (f.carriesMailForm) return UrlRoad::Load;
            return f.mailProgramSet ? UrlRoad::MailProgram : UrlRoad::MailCompose;
        case kSchemeJavascript:
            // With scripting off a script URL is an address like any other
            // the program does not know.
            if (f.scriptingOn) return UrlRoad::Script;
            break;
        case kSchemeTelnet:
            return UrlRoad::Telnet;
        case kSchemeTn3270:
            return UrlRoad::Tn3270;
        case kSchemeNewsPost:
        case kSchemeSnewsPost:
            return UrlRoad::NewsCompose;
        case kSchemeGopher:
        case kSchemeWais:
            return UrlRoad::NeedsProxy;
        default:
            break;
    }
    return f.trustedExternal ? UrlRoad::External : UrlRoad::Unknown;
}

bool IsSafeOutsideHost(const std::string& host) {
    if (host.empty()) return false;
    for (char c : host) {
        // ASCII only, whatever the user's locale calls a letter.
        bool letter = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        bool allowed = letter || c == '.' || c == '-' || c == ':' || c == '[' || c == ']';
        if (!allowed) return false;
    }
    return true;
}

bool IsSafeOutsideArgument(const std::string& argument) {
    for (char c : argument) {
        if (c == '"' || static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return false;
    }
    return true;
}

int ClassifyNewsUrl(const std::string& text) {
    size_t colon = text.find(':');
    if (colon == std::string::npos) return -1;
    std::string scheme = text.substr(0, colon);
    for (char& c : scheme) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    if (scheme != "news" && scheme != "snews") return -1;
    std::string rest = text.substr(colon + 1);
    bool server = rest.rfind("//", 0) == 0;
    if (server) {
        size_t slash = rest.find('/', 2);
        rest = slash == std::string::npos ? std::string() : rest.substr(slash + 1);
    }
    if (size_t hash = rest.find('#'); hash != std::string::npos) rest.erase(hash);
    if (rest.empty() || rest == "*") return server || !rest.empty() ? kNewsAllGroups : -1;
    // A message id holds an '@'; a group name never does.
    if (rest.find('@') != std::string::npos) return server ? kNewsServerArticle : kNewsArticle;
    return server ? kNewsServerGroup : kNewsGroup;
}
