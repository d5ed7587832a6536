// The trees under the cookie store and the authentication hints: domain
// nodes, one level per dot-separated label read from the right, each with a
// tree of path nodes, one level per "/"-separated segment. A path node holds
// what was set for exactly that domain and path: cookies in the cookie tree,
// authentication hints in the hint tree.
//
// Ownership: a node owns its children (TreeNode), its cookies and its hints;
// a domain node owns the root of its path tree. Platform-free.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "core/ListNode.h"
#include "core/TreeNode.h"

// One cookie, in the list of the path node it was set for.
class Cookie : public ListNode {
public:
    std::string name;
    std::string value;
    uint32_t expires = 0;  // a stored time value; 0: kept until exit, never saved
    bool secure = false;   // only sent over https
    uint32_t lastSent = 0;
};

// Which realm answered for a host and path (the hint tree).
class AuthHint : public ListNode {
public:
    std::string realm;
    uint8_t kind = 0;
    uint16_t port = 0;
};

class CookiePathNode : public TreeNode {
public:
    CookiePathNode() = default;
    explicit CookiePathNode(std::string_view label) : label_(label) {}
    ~CookiePathNode() override;

    const std::string& Label() const { return label_; }
    CookiePathNode* FirstPath() const { return static_cast<CookiePathNode*>(FirstChild()); }
    CookiePathNode* NextPath() const { return static_cast<CookiePathNode*>(NextSibling()); }
    CookiePathNode* ParentPath() const { return static_cast<CookiePathNode*>(Parent()); }

    // The node of the "/"-separated path below this one (case-sensitive);
    // with create the missing nodes are made, without it the deepest
    // existing node is answered.
    CookiePathNode* FindOrAdd(std::string_view path, bool create);

    NodeList& Cookies() { return cookies_; }
    Cookie* FirstCookie() const { return static_cast<Cookie*>(cookies_.First()); }
    // The cookie of exactly that name, or null.
    Cookie* FindCookie(std::string_view name) const;
    // Appends a new cookie; with replace an existing one of that name is
    // deleted first. `count` follows both.
    Cookie* SetCookie(std::string_view name, std::string_view value, uint32_t expires, bool secure,
                      bool replace, int32_t& count);

    AuthHint* FindHint(uint16_t port, uint8_t kind) const;
    // With replace an existing hint of that kind and port is deleted and a
    // new one appended; without it the existing one (or null) is answered.
    AuthHint* SetHint(uint16_t port, std::string_view realm, uint8_t kind, bool replace);

    // A cookie whose expiry is later than now here or anywhere below.
    bool HoldsPersistent(uint32_t now) const;

private:
    std::string label_;
    NodeList cookies_;
    NodeList hints_;
};

class CookieDomainNode : public TreeNode {
public:
    CookieDomainNode() = default;
    explicit CookieDomainNode(std::string_view label) : label_(label), hasLabel_(true) {}

    const std::string& Label() const { return label_; }
    bool HasLabel() const { return hasLabel_; }
    CookieDomainNode* FirstDomain() const { return static_cast<CookieDomainNode*>(FirstChild()); }
    CookieDomainNode* NextDomain() const { return static_cast<CookieDomainNode*>(NextSibling()); }
    CookieDomainNode* ParentDomain() const { return static_cast<CookieDomainNode*>(Parent()); }
    CookiePathNode& Paths() { return paths_; }

    // The path node for domain and path; `domainOut` gets the deepest domain
    // node reached. A domain whose first character is a digit is one label.
    CookiePathNode* FindOrAdd(std::string_view domain, std::string_view path, bool create,
                              CookieDomainNode*& domainOut);
    // The same for the hint tree, where every name is split at its dots.
    CookiePathNode* FindOrAddHint(std::string_view host, std::string_view path, bool create);

    // The cookies of this node's path tree and of all its sub-domains.
    int32_t CookieCount();
    // Deletes the expired cookies met on the way (count down) and answers
    // the one sent longest ago (first of equals), never `keep`; null when
    // none is left.
    Cookie* FindLeastRecentlySent(uint32_t now, int32_t& count, const Cookie* keep = nullptr);
    // A cookie whose expiry is later than now in this node's paths or below.
    bool HoldsPersistent(uint32_t now);

    // Child labels are kept in descending order (case-insensitive); the
    // child of that label, or a new one at its place with create.
    CookieDomainNode* Child(std::string_view label, bool create);

private:
    CookiePathNode* Find(std::string_view domain, std::string_view path, bool create, bool splitDigits,
                         CookieDomainNode*& domainOut);

    std::string label_;
    bool hasLabel_ = false;
    CookiePathNode paths_;
};

// Case-insensitive comparison of two labels, -1, 0 or 1.
int CompareLabelsNoCase(std::string_view a, std::string_view b);
