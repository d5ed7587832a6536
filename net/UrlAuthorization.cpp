// What an http request carries from the stores (cookies, credentials known
// for its place), and the retries after a challenge: with credentials the
// cache already holds, or with those the user typed.
#include "core/MessageHandler.h"
#include "net/Authorization.h"
#include "net/Base64.h"
#include "net/HttpConnection.h"
#include "net/UrlRecord.h"
#include "net/UrlRegistry.h"
#include "net/UrlReloadPolicy.h"
#include "net/UrlSettings.h"

void UrlRecord::SendStoredHeaders(HttpConnection& connection, HttpPart& http, const RequestTarget& where) {
    if (!where.credentials.empty()) connection.SetCredentials(Base64Encode(where.credentials).c_str());
    if (!IsHttpRecord()) return;
    UrlRegistry* registry = UrlRegistry::Instance();
    if (registry == nullptr) return;
    if (const char* cookies = registry->Cookies().BuildCookieHeader(name_.c_str())) connection.SetCookie(cookies);
    if (!GetUrlSettings().allowPreAuthentication) return;
    if (where.useProxy) {
        const std::string* proxy =
            registry->Credentials().Find(kCredentialProxy, where.host, where.port, nullptr, nullptr);
        if (proxy) {
            connection.SetProxyCredentials(proxy->c_str());
            http.proxyAuth = kAuthStoredSent;
        }
    }
    RequestOrigin origin;
    if (!where.credentials.empty() || !OriginOfUrl(name_, origin)) return;
    std::string known = PreAuthenticationFor(registry->Credentials(), registry->AuthHints(), origin);
    if (known.empty()) return;
    connection.SetCredentials(known.c_str());
    http.auth = kAuthStoredSent;
}

bool UrlRecord::RetryWithStoredCredentials(HttpConnection& connection, HttpPart& http, int status) {
    UrlRegistry* registry = UrlRegistry::Instance();
    if (registry == nullptr || !FirstTarget()) return false;
    std::string realm = connection.Realm();
    const std::string* known = nullptr;
    RequestOrigin origin;
    if (status == 401) {
        if (!OriginOfUrl(name_, origin)) return false;
        known = registry->Credentials().Find(kCredentialServer, origin.host, origin.port, realm.c_str(),
                                             origin.path.c_str());
        // Credentials the request already carried were refused: asking
        // again is the user's.
        if (!known || connection.CredentialsEqual(known->c_str())) return false;
        connection.SetCredentials(known->c_str());
        if (GetUrlSettings().allowPreAuthentication)
            RememberServerCredentials(registry->Credentials(), registry->AuthHints(), origin, realm, *known, true);
        http.auth = kAuthStoredSent;
    } else {
        known = registry->Credentials().Find(kCredentialProxy, connection.Host(), connection.Port(), realm.c_str(),
                                             nullptr);
        if (!known || connection.ProxyCredentialsEqual(known->c_str())) return false;
        connection.SetProxyCredentials(known->c_str());
        http.proxyAuth = kAuthStoredSent;
    }
    return RestartRequest(connection);
}

bool UrlRecord::RestartRequest(HttpConnection& connection) {
    // The refused reply's data goes; the new reply starts from nothing.
    ReleaseContent();
    CloseOpenFile();
    DeleteCacheFile();
    FreeBuffer();
    SetStorage(kStoredNowhere);
    bytesLoaded_ = delivered_ = 0;
    SetKindAnnounced(false);
    if (UrlRegistry* registry = UrlRegistry::Instance()) {
        if (const char* cookies = registry->Cookies().BuildCookieHeader(name_.c_str()))
            connection.SetCookie(cookies);
    }
    Unregister();
    RegisterForConnection(FirstTarget(), connection.Serial());
    SetLoadStatus(kLoadLoading);
    int result = connection.Connect();
    if (result != 0) {
        FailLoad(result, MessageTargetList::kOnlyNotInline);
        return false;
    }
    return true;
}

bool UrlRecord::RetryWithCredentials(const char* user, const char* password) {
    HttpPart* http = GetHttpPart();
    if (!IsHttpRecord() || !http || user == nullptr) return false;
    auto* connection = dynamic_cast<HttpConnection*>(http->connection);
    if (!connection || !FirstTarget() || (http->auth == kAuthNone && http->proxyAuth == kAuthNone)) return false;
    std::string encoded = Base64Encode(std::string(user) + ":" + (password ? password : ""));
    std::string realm = GetBasicRealm();
    UrlRegistry* registry = UrlRegistry::Instance();
    if (http->proxyAuth != kAuthNone) {
        connection->SetProxyCredentials(encoded.c_str());
        if (registry && !realm.empty())
            registry->Credentials().Add(realm.c_str(), encoded.c_str(), kCredentialProxy, connection->Host(),
                                        connection->Port(), nullptr);
    } else {
        connection->SetCredentials(encoded.c_str());
        RequestOrigin origin;
        if (registry && !realm.empty() && OriginOfUrl(name_, origin))
            RememberServerCredentials(registry->Credentials(), registry->AuthHints(), origin, realm, encoded,
                                      GetUrlSettings().allowPreAuthentication);
    }
    return RestartRequest(*connection);
}
