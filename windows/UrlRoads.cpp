#include "windows/UrlRoads.h"

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
