#include "net/CookieTree.h"

#include <cctype>

namespace {

int Lower(char c) {
    return std::tolower(static_cast<unsigned char>(c));
}

int CompareExact(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return c < 0 ? -1 : (c > 0 ? 1 : 0);
}

// The first segment of a "/"-separated path, empty segments skipped; rest
// gets what follows it.
std::string_view FirstSegment(std::string_view path, std::string_view& rest) {
    size_t start = path.find_first_not_of('/');
    if (start == path.npos) {
        rest = std::string_view();
        return std::string_view();
    }
    path.remove_prefix(start);
    size_t end = path.find('/');
    rest = end == path.npos ? std::string_view() : path.substr(end + 1);
    return path.substr(0, end);
}

// Inserts a new child into a list kept in descending order, or finds it.
template <typename Node, typename Compare>
Node* FindOrInsertChild(TreeNode& parent, std::string_view label, bool create, Compare compare) {
    for (auto* child = static_cast<Node*>(parent.FirstChild()); child;
         child = static_cast<Node*>(child->NextSibling())) {
        int c = compare(child->Label(), label);
        if (c == 0) return child;
        if (c < 0) {
            if (!create) return nullptr;
            auto* node = new Node(label);
            node->InsertBeforeSibling(*child);
            return node;
        }
    }
    if (!create) return nullptr;
    auto* node = new Node(label);
    node->AppendToParent(parent);
    return node;
}

}  // namespace

int CompareLabelsNoCase(std::string_view a, std::string_view b) {
    size_t n = a.size() < b.size() ? a.size() : b.size();
    for (size_t i = 0; i < n; ++i) {
        int d = Lower(a[i]) - Lower(b[i]);
        if (d != 0) return d < 0 ? -1 : 1;
    }
    if (a.size() == b.size()) return 0;
    return a.size() < b.size() ? -1 : 1;
}

CookiePathNode::~CookiePathNode() {
    cookies_.Clear();
    hints_.Clear();
}

CookiePathNode* CookiePathNode::FindOrAdd(std::string_view path, bool create) {
    CookiePathNode* node = this;
    for (;;) {
        std::string_view rest;
        std::string_view segment = FirstSegment(path, rest);
        if (segment.empty()) return node;
        CookiePathNode* next = FindOrInsertChild<CookiePathNode>(*node, segment, create, CompareExact);
        if (next == nullptr) return node;
        node = next;
        path = rest;
    }
}

Cookie* CookiePathNode::FindCookie(std::string_view name) const {
    for (auto* c = FirstCookie(); c; c = static_cast<Cookie*>(c->Next())) {
        if (c->name == name) return c;
    }
    return nullptr;
}

Cookie* CookiePathNode::SetCookie(std::string_view name, std::string_view value, uint32_t expires, bool secure,
                                  bool replace, int32_t& count) {
    if (replace) {
        if (Cookie* old = FindCookie(name)) {
            old->Remove();
            delete old;
            --count;
        }
    }
    auto* cookie = new Cookie;
    cookie->name = std::string(name);
    cookie->value = std::string(value);
    cookie->expires = expires;
    cookie->secure = secure;
    cookie->AppendTo(cookies_);
    ++count;
    return cookie;
}

AuthHint* CookiePathNode::FindHint(uint16_t port, uint8_t kind) const {
    for (ListNode* n = hints_.First(); n; n = n->Next()) {
        auto* hint = static_cast<AuthHint*>(n);
        if (hint->kind == kind && hint->port == port) return hint;
    }
    return nullptr;
}

AuthHint* CookiePathNode::SetHint(uint16_t port, std::string_view realm, uint8_t kind, bool replace) {
    AuthHint* old = FindHint(port, kind);
    if (!replace) return old;
    if (old) {
        old->Remove();
        delete old;
    }
    auto* hint = new AuthHint;
    hint->realm = std::string(realm);
    hint->kind = kind;
    hint->port = port;
    hint->AppendTo(hints_);
    return hint;
}

bool CookiePathNode::HoldsPersistent(uint32_t now) const {
    for (auto* c = FirstCookie(); c; c = static_cast<Cookie*>(c->Next())) {
        if (c->expires > now) return true;
    }
    for (auto* p = FirstPath(); p; p = p->NextPath()) {
        if (p->HoldsPersistent(now)) return true;
    }
    return false;
}

CookieDomainNode* CookieDomainNode::Child(std::string_view label, bool create) {
    return FindOrInsertChild<CookieDomainNode>(*this, label, create, CompareLabelsNoCase);
}

CookiePathNode* CookieDomainNode::Find(std::string_view domain, std::string_view path, bool create,
                                       bool splitDigits, CookieDomainNode*& domainOut) {
    CookieDomainNode* node = this;
    for (;;) {
        if (domain.empty()) break;
        // Addresses written in digits are one label.
        bool whole = splitDigits && std::isdigit(static_cast<unsigned char>(domain[0]));
        size_t dot = whole ? domain.npos : domain.rfind('.');
        std::string_view label = dot == domain.npos ? domain : domain.substr(dot + 1);
        CookieDomainNode* next = node->Child(label, create);
        if (next == nullptr) break;
        node = next;
        domain = dot == domain.npos ? std::string_view() : domain.substr(0, dot);
    }
    domainOut = node;
    return node->paths_.FindOrAdd(path, create);
}

CookiePathNode* CookieDomainNode::FindOrAdd(std::string_view domain, std::string_view path, bool create,
                                            CookieDomainNode*& domainOut) {
    return Find(domain, path, create, true, domainOut);
}

CookiePathNode* CookieDomainNode::FindOrAddHint(std::string_view host, std::string_view path, bool create) {
    CookieDomainNode* reached = nullptr;
    return Find(host, path, create, false, reached);
}

namespace {

int32_t CountPaths(const CookiePathNode& node) {
    int32_t n = 0;
    for (auto* c = node.FirstCookie(); c; c = static_cast<Cookie*>(c->Next())) ++n;
    for (auto* p = node.FirstPath(); p; p = p->NextPath()) n += CountPaths(*p);
    return n;
}

void LeastRecentInPaths(CookiePathNode& node, uint32_t now, int32_t& count, const Cookie* keep, Cookie*& best) {
    for (auto* c = node.FirstCookie(); c;) {
        auto* next = static_cast<Cookie*>(c->Next());
        if (c->expires != 0 && c->expires < now) {
            c->Remove();
            delete c;
            --count;
        } else if (c != keep && (best == nullptr || c->lastSent < best->lastSent)) {
            best = c;
        }
        c = next;
    }
    for (auto* p = node.FirstPath(); p; p = p->NextPath()) LeastRecentInPaths(*p, now, count, keep, best);
}

void LeastRecentInDomains(CookieDomainNode& node, uint32_t now, int32_t& count, const Cookie* keep,
                          Cookie*& best) {
    LeastRecentInPaths(node.Paths(), now, count, keep, best);
    for (auto* d = node.FirstDomain(); d; d = d->NextDomain()) LeastRecentInDomains(*d, now, count, keep, best);
}

}  // namespace

int32_t CookieDomainNode::CookieCount() {
    int32_t n = CountPaths(paths_);
    for (auto* d = FirstDomain(); d; d = d->NextDomain()) n += d->CookieCount();
    return n;
}

Cookie* CookieDomainNode::FindLeastRecentlySent(uint32_t now, int32_t& count, const Cookie* keep) {
    Cookie* best = nullptr;
    LeastRecentInDomains(*this, now, count, keep, best);
    return best;
}

bool CookieDomainNode::HoldsPersistent(uint32_t now) {
    if (paths_.HoldsPersistent(now)) return true;
    for (auto* d = FirstDomain(); d; d = d->NextDomain()) {
        if (d->HoldsPersistent(now)) return true;
    }
    return false;
}
