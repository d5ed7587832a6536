#include "net/Authorization.h"

#include "net/CookieTree.h"
#include "net/CredentialsCache.h"
#include "net/HttpRequest.h"

bool OriginOfUrl(std::string_view url, RequestOrigin& out) {
    std::optional<TargetServer> server = ParseTargetServer(url);
    if (!server || server->host.empty()) return false;
    out.host = server->host;
    out.port = server->port;
    std::string path = TargetPath(url);
    out.path = std::string(path.substr(0, path.find_first_of("?;#")));
    return true;
}

std::string PreAuthenticationFor(const CredentialsCache& cache, CookieDomainNode& hints,
                                 const RequestOrigin& origin) {
    CookiePathNode* node = hints.FindOrAddHint(origin.host, origin.path, false);
    for (; node; node = node->ParentPath()) {
        AuthHint* hint = node->FindHint(origin.port, kCredentialServer);
        if (hint == nullptr) continue;
        const std::string* found =
            cache.Find(kCredentialServer, origin.host, origin.port, hint->realm.c_str(), origin.path.c_str());
        return found ? *found : std::string();
    }
    return std::string();
}

void RememberServerCredentials(CredentialsCache& cache, CookieDomainNode& hints, const RequestOrigin& origin,
                               const std::string& realm, const std::string& encoded, bool preAuthenticate) {
    cache.Add(realm.c_str(), encoded.c_str(), kCredentialServer, origin.host, origin.port, nullptr);
    if (!preAuthenticate) return;
    hints.FindOrAddHint(origin.host, origin.path, true)->SetHint(origin.port, realm, kCredentialServer, true);
    size_t slash = origin.path.rfind('/');
    if (slash != std::string::npos && slash + 1 != origin.path.size()) {
        std::string folder = origin.path.substr(0, slash + 1);
        hints.FindOrAddHint(origin.host, folder, true)->SetHint(origin.port, realm, kCredentialServer, true);
    }
}
