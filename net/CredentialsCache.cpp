#include "net/CredentialsCache.h"

#include <cstring>

#include "net/Base64.h"

namespace {

bool SamePath(const std::optional<std::string>& stored, const char* path) {
    if (!stored || path == nullptr) return !stored && path == nullptr;
    return *stored == path;
}

bool Fits(const CredentialEntry& e, const char* realm, const char* path) {
    switch (e.kind) {
        case kCredentialServer:
            if (realm && (!e.realm || *e.realm != realm)) return false;
            if (!e.path) return true;
            return path && std::strncmp(path, e.path->c_str(), e.path->size()) == 0;
        case kCredentialProxy:
            return !realm || (e.realm && *e.realm == realm);
        default:
            return SamePath(e.path, path);
    }
}

}  // namespace

std::string EncodeUserPassword(std::string_view user, std::string_view password) {
    std::string pair(user);
    pair.push_back(':');
    pair.append(password);
    return Base64Encode(pair);
}

const std::string* CredentialsCache::Find(uint8_t kind, std::string_view host, uint16_t port, const char* realm,
                                          const char* path, const std::string** realmOut) const {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<CredentialEntry*>(n);
        if (e->kind != kind || e->port != port || e->host != host || !Fits(*e, realm, path)) continue;
        if (realmOut) *realmOut = e->realm ? &*e->realm : nullptr;
        return &e->credentials;
    }
    if (realmOut) *realmOut = nullptr;
    return nullptr;
}

void CredentialsCache::Add(const char* realmOrUser, const char* secret, uint8_t kind, std::string_view host,
                           uint16_t port, const char* path) {
    Remove(kind, host, port, path);
    if (realmOrUser == nullptr || host.empty()) return;
    auto* e = new CredentialEntry;
    if (path) e->path = path;
    e->kind = kind;
    bool plain = kind == kCredentialServer || kind == kCredentialProxy;
    e->credentials = plain ? std::string(secret ? secret : "") : EncodeUserPassword(realmOrUser, secret ? secret : "");
    e->realm = realmOrUser;
    e->host = std::string(host);
    e->port = port;
    e->AppendTo(entries_);
}

void CredentialsCache::Remove(uint8_t kind, std::string_view host, uint16_t port, const char* path) {
    for (ListNode* n = entries_.First(); n; n = n->Next()) {
        auto* e = static_cast<CredentialEntry*>(n);
        if (e->kind == kind && e->port == port && e->host == host && SamePath(e->path, path)) {
            e->Remove();
            delete e;
            return;
        }
    }
}

void CredentialsCache::Clear() {
    entries_.Clear();
}
