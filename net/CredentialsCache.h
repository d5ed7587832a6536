// The credentials the user typed for a server, a proxy or a news server,
// kept for the run so that a later request to the same place sends them
// without asking again. Nothing is saved. Platform-free.
//
// The URL registry owns the one cache, and beside it the hint tree (a
// CookieDomainNode tree) that remembers which realm answered for a host and
// path, so that a request below that path can send credentials at once.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "core/ListNode.h"

// Kinds of entries; other values belong to their callers (news uses 12).
constexpr uint8_t kCredentialServer = 1;
constexpr uint8_t kCredentialProxy = 2;

class CredentialEntry : public ListNode {
public:
    std::optional<std::string> path;  // kind 1: prefix; others: an exact key
    uint8_t kind = 0;
    std::string credentials;           // the text sent after "Basic "
    std::optional<std::string> realm;  // kinds 1 and 2; the user name for others
    std::string host;                  // compared case-sensitively
    uint16_t port = 0;
};

class CredentialsCache {
public:
    CredentialsCache() = default;
    ~CredentialsCache() { Clear(); }
    CredentialsCache(const CredentialsCache&) = delete;
    CredentialsCache& operator=(const CredentialsCache&) = delete;

    // The credentials of the first entry that fits, or null; realmOut gets
    // its realm (null when none fits).
    const std::string* Find(uint8_t kind, std::string_view host, uint16_t port, const char* realm,
                            const char* path, const std::string** realmOut = nullptr) const;
    // Replaces the entry of the same kind, host, port and path. Kinds 1 and
    // 2 keep `secret` as the credentials; other kinds keep the Base64 of
    // "user:password" (realmOrUser is then the user name).
    void Add(const char* realmOrUser, const char* secret, uint8_t kind, std::string_view host, uint16_t port,
             const char* path);
    void Remove(uint8_t kind, std::string_view host, uint16_t port, const char* path);
    void Clear();
    unsigned Count() const { return entries_.Count(); }

private:
    NodeList entries_;
};

// Base64 of "user:password".
std::string EncodeUserPassword(std::string_view user, std::string_view password);
