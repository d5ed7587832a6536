#include "net/CookieStore.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "core/Dates.h"
#include "core/RecordFile.h"
#include "core/StringHelpers.h"
#include "net/NetSettings.h"
#include "net/UrlSettings.h"

namespace {

CookieStore* g_store = nullptr;

constexpr char kFileName[] = "cookies.dat";
constexpr char kLocalDomain[] = "./localdomain/";
// Strings of one cookie read from the file share a buffer of this size.
constexpr size_t kReadBuffer = 32767;
// A file nested deeper than any real domain or path is damaged: reading
// stops there rather than recursing without bound.
constexpr int kMaxFileDepth = 256;

enum Tag : uint8_t { kTagEnd = 0, kTagCookie = 1, kTagChild = 2, kTagCookieAlt = 3 };

bool IsBlank(char c) {
    return c == ' ';
}

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

void SkipSpace(std::string_view& s) {
    while (!s.empty() && IsSpace(s.front())) s.remove_prefix(1);
}

// A name runs up to ";", white space or "=".
std::string_view TakeName(std::string_view& s) {
    size_t n = 0;
    while (n < s.size() && s[n] != ';' && s[n] != '=' && !IsSpace(s[n])) ++n;
    std::string_view name = s.substr(0, n);
    s.remove_prefix(n);
    return name;
}

// A value runs to ";" or the end; with keepBlanks blanks belong to it
// (trailing ones are dropped); other white space ends it.
std::string_view TakeValue(std::string_view& s, bool keepBlanks) {
    size_t n = 0;
    while (n < s.size() && s[n] != ';' && !(IsSpace(s[n]) && !(keepBlanks && IsBlank(s[n])))) ++n;
    std::string_view value = s.substr(0, n);
    s.remove_prefix(n);
    while (!value.empty() && IsBlank(value.back())) value.remove_suffix(1);
    return value;
}

void SkipToNextAttribute(std::string_view& s) {
    size_t semi = s.find(';');
    s = semi == s.npos ? std::string_view() : s.substr(semi + 1);
}

// A leading part of the keyword (at least one character) selects it.
bool SelectsKeyword(std::string_view name, std::string_view keyword) {
    return !name.empty() && name.size() <= keyword.size() && EqualsNoCase(name, keyword.substr(0, name.size()));
}

std::string_view Trim(std::string_view s, char c) {
    while (!s.empty() && s.front() == c) s.remove_prefix(1);
    while (!s.empty() && s.back() == c) s.remove_suffix(1);
    return s;
}

bool HasControl(std::string_view s) {
    for (char c : s) {
        if (c == '\r' || c == '\n' || c == '\0') return true;
    }
    return false;
}

// Whether a page of host may set a cookie for domain: the host is the
// domain or lies below it. Numeric addresses only set their own.
bool HostWithin(std::string_view host, std::string_view domain) {
    host = Trim(host, '.');
    if (EqualsNoCase(host, domain)) return true;
    if (!host.empty() && std::isdigit(static_cast<unsigned char>(host[0]))) return false;
    return host.size() > domain.size() && host[host.size() - domain.size() - 1] == '.' &&
           EqualsNoCase(host.substr(host.size() - domain.size()), domain);
}

std::string FilePath(const std::string& directory) {
    std::string path = directory;
    if (!path.empty() && path.back() != '/' && path.back() != '\\') path.push_back(kPathSeparator);
    return path + kFileName;
}

bool WritePaths(std::FILE* f, const CookiePathNode& node, uint32_t now) {
    bool ok = true;
    for (auto* c = node.FirstCookie(); c; c = static_cast<Cookie*>(c->Next())) {
        if (c->expires <= now) continue;
        ok &= WriteRecordByte(kTagCookie, f);
        ok &= WriteRecordString(c->name.c_str(), f);
        ok &= WriteRecordString(c->value.c_str(), f);
        ok &= WriteRecordU32(c->expires, f);
        ok &= WriteRecordByte(c->secure ? 1 : 0, f);
        ok &= WriteRecordU32(c->lastSent, f);
    }
    for (auto* p = node.FirstPath(); p; p = p->NextPath()) {
        if (!p->HoldsPersistent(now)) continue;
        ok &= WriteRecordByte(kTagChild, f);
        ok &= WriteRecordString(p->Label().c_str(), f);
        ok &= WritePaths(f, *p, now);
    }
    return WriteRecordByte(kTagEnd, f) && ok;
}

bool WriteDomain(std::FILE* f, CookieDomainNode& node, uint32_t now) {
    bool ok = true;
    if (node.HasLabel()) ok &= WritePaths(f, node.Paths(), now);
    for (auto* d = node.FirstDomain(); d; d = d->NextDomain()) {
        if (!d->HoldsPersistent(now)) continue;
        ok &= WriteRecordByte(1, f);
        ok &= WriteRecordString(d->Label().c_str(), f);
        ok &= WriteDomain(f, *d, now);
    }
    return WriteRecordByte(kTagEnd, f) && ok;
}

}  // namespace

std::string CookieDomainKey(std::string_view name) {
    std::string key(name);
    if (key.find('.') == key.npos) key += kLocalDomain;
    return key;
}

CookieStore* GetCookieStore() {
    return g_store;
}

void SetCookieStore(CookieStore* store) {
    g_store = store;
}

CookieStore::CookieStore(std::string directory) : directory_(std::move(directory)) {}

CookieStore::~CookieStore() {
    if (g_store == this) g_store = nullptr;
}

uint32_t CookieStore::Now() {
    return UrlClockNow() + static_cast<uint32_t>(LocalZoneOffsetSeconds());
}

void CookieStore::SetFromHeader(std::string_view s, std::string_view host, std::string_view requestPath) {
    if (!GetNetSettings().enableCookies) return;
    Load();
    SkipSpace(s);
    std::string_view name = TakeName(s);
    SkipSpace(s);
    if (s.empty() || s.front() != '=') return;
    s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    std::string_view value = TakeValue(s, true);
    SkipToNextAttribute(s);

    uint32_t expires = 0;
    bool secure = false;
    std::string_view domainAttr, pathAttr;
    bool hasDomain = false, hasPath = false;
    while (!s.empty()) {
        SkipSpace(s);
        std::string_view attr = TakeName(s);
        SkipSpace(s);
        std::string_view attrValue;
        bool isExpires = SelectsKeyword(attr, "expires");
        if (!s.empty() && s.front() == '=') {
            s.remove_prefix(1);
            SkipSpace(s);
            attrValue = TakeValue(s, isExpires);
        }
        if (isExpires) {
            expires = ParseHttpDateToTime(std::string(attrValue).c_str());
        } else if (SelectsKeyword(attr, "domain")) {
            domainAttr = attrValue;
            hasDomain = true;
        } else if (SelectsKeyword(attr, "path")) {
            pathAttr = attrValue;
            hasPath = true;
        } else if (SelectsKeyword(attr, "secure")) {
            secure = true;
        }
        SkipToNextAttribute(s);
    }

    // A cookie that would break the request line of every later request is
    // refused outright.
    if (HasControl(name) || HasControl(value)) return;
    std::string_view domain = Trim(hasDomain ? domainAttr : host, '.');
    if (domain.empty()) return;
    // A server may set cookies only for its own domain and those above it.
    if (hasDomain && !HostWithin(host, domain)) return;
    std::string domainKey = CookieDomainKey(domain);

    std::string_view path;
    if (hasPath) {
        path = pathAttr;
    } else {
        path = requestPath.substr(0, requestPath.find_first_of(";?#"));
        size_t slash = path.rfind('/');
        path = slash == path.npos ? std::string_view() : path.substr(0, slash);
    }
    path = Trim(path, '/');

    if (name.size() > kCookieLengthLimit) name = name.substr(0, kCookieLengthLimit);
    size_t room = kCookieLengthLimit > name.size() + 1 ? kCookieLengthLimit - name.size() - 1 : 0;
    if (value.size() > room) value = value.substr(0, room);

    CookieDomainNode* domainNode = nullptr;
    CookiePathNode* node = root_.FindOrAdd(domainKey, path, true, domainNode);
    Cookie* fresh = node->SetCookie(name, value, expires, secure, true, count_);
    Enforce(*domainNode, fresh);
}

void CookieStore::Enforce(CookieDomainNode& domain, const Cookie* fresh) {
    uint32_t now = Now();
    // The cookie just set stays: the least recently sent of the others in
    // its domain goes.
    while (count_ > kCookieLimit || domain.CookieCount() > kCookiesPerDomain) {
        Cookie* victim = domain.FindLeastRecentlySent(now, count_, fresh);
        if (victim == nullptr) break;
        victim->Remove();
        delete victim;
        --count_;
    }
    // A domain with nothing else to give: the whole store gives.
    while (count_ > kCookieLimit) {
        Cookie* victim = root_.FindLeastRecentlySent(now, count_, fresh);
        if (victim == nullptr) break;
        victim->Remove();
        delete victim;
        --count_;
    }
}

const char* CookieStore::BuildCookieHeader(const char* url) {
    if (!GetNetSettings().enableCookies || url == nullptr) return nullptr;
    Load();
    std::string_view u(url);
    bool secure = false;
    if (u.substr(0, 7) == "http://") {
        u.remove_prefix(7);
    } else if (u.substr(0, 8) == "https://") {
        u.remove_prefix(8);
        secure = true;
    } else {
        return nullptr;
    }
    while (!u.empty() && u.front() == '.') u.remove_prefix(1);
    size_t slash = u.find('/');
    std::string_view authority = u.substr(0, slash);
    std::string_view path = slash == u.npos ? std::string_view() : u.substr(slash);
    path = path.substr(0, path.find_first_of("?;#"));
    size_t at = authority.rfind('@');
    if (at != authority.npos) authority.remove_prefix(at + 1);
    for (size_t p; (p = authority.find("%40")) != authority.npos;) authority.remove_prefix(p + 3);
    authority = authority.substr(0, authority.find(':'));
    std::string host = CookieDomainKey(authority);

    CookieDomainNode* domain = nullptr;
    CookiePathNode* node = root_.FindOrAdd(host, path, false, domain);
    uint32_t now = Now();
    header_.clear();
    for (; domain; domain = domain->ParentDomain()) {
        for (CookiePathNode* p = node; p; p = p->ParentPath()) {
            bool gave = false;
            for (auto* c = p->FirstCookie(); c;) {
                auto* next = static_cast<Cookie*>(c->Next());
                if (c->expires != 0 && c->expires < now) {
                    c->Remove();
                    delete c;
                    --count_;
                } else if ((!c->secure || secure) &&
                           header_.size() + c->name.size() + c->value.size() + 3 <= kCookieHeaderLimit) {
                    if (gave) header_ += "; ";
                    header_.append(c->name).append("=").append(c->value);
                    c->lastSent = now;
                    gave = true;
                }
                c = next;
            }
            if (gave) header_ += "; ";
        }
        if (CookieDomainNode* parent = domain->ParentDomain()) node = parent->Paths().FindOrAdd(path, false);
    }
    if (header_.size() <= 2) return nullptr;
    header_.resize(header_.size() - 2);
    return header_.c_str();
}

void CookieStore::Load() {
    if (loaded_) return;
    loaded_ = true;
    if (directory_.empty()) return;
    std::FILE* f = std::fopen(FilePath(directory_).c_str(), "rb");
    if (f == nullptr) return;
    uint16_t version = ReadRecordU16(f);
    if (version >= 1002) {
        // A newer program's file: neither read nor overwritten.
        std::fclose(f);
        loaded_ = false;
        directory_.clear();
        return;
    }
    buffer_.assign(kReadBuffer, '\0');
    ReadDomain(f, root_, version, 0);
    buffer_.clear();
    buffer_.shrink_to_fit();
    std::fclose(f);
}

void CookieStore::ReadPaths(std::FILE* f, CookiePathNode& node, int depth) {
    for (;;) {
        uint8_t tag = ReadRecordByte(f);
        if (tag == kTagEnd || std::feof(f) || std::ferror(f)) return;
        if (tag == kTagCookie || tag == kTagCookieAlt) {
            // Name and value share the buffer: the value gets what the name left.
            int nameLength = ReadRecordString(&buffer_[0], buffer_.size(), f);
            size_t used = nameLength > 0 ? static_cast<size_t>(nameLength) + 1 : 1;
            int valueLength = ReadRecordString(&buffer_[used], buffer_.size() - used, f);
            uint32_t expires = ReadRecordU32(f);
            bool secure = ReadRecordByte(f) != 0;
            uint32_t lastSent = ReadRecordU32(f);
            if (nameLength < 0 || valueLength < 0 || std::feof(f)) return;
            Cookie* c = node.SetCookie(buffer_.c_str(), &buffer_[used], expires, secure, false, count_);
            c->lastSent = lastSent;
        } else if (tag == kTagChild) {
            if (ReadRecordString(&buffer_[0], buffer_.size(), f) <= 0 || depth >= kMaxFileDepth) return;
            CookiePathNode* child = node.FindOrAdd(buffer_.c_str(), true);
            // A label holding "/" would land elsewhere; it is taken as it comes.
            ReadPaths(f, *child, depth + 1);
        } else {
            return;  // damaged: what was read so far stays
        }
    }
}

void CookieStore::ReadDomain(std::FILE* f, CookieDomainNode& node, uint16_t version, int depth) {
    if (node.HasLabel()) ReadPaths(f, node.Paths(), depth);
    for (;;) {
        uint8_t tag = ReadRecordByte(f);
        if (tag != 1 || std::feof(f) || std::ferror(f) || depth >= kMaxFileDepth) return;
        int n = ReadRecordString(&buffer_[0], buffer_.size(), f);
        if (n <= 0) return;
        std::string label = buffer_.c_str();
        CookieDomainNode* child = node.Child(label, true);
        int32_t before = count_;
        ReadDomain(f, *child, version, depth + 1);
        // Old files kept numeric addresses split at their dots: dropped.
        bool numericTop = version < 1001 && depth == 0 && std::isdigit(static_cast<unsigned char>(label[0])) &&
                          label.find('.') == label.npos;
        if (numericTop) {
            child->Detach();
            delete child;
            count_ = before;
        }
    }
}

bool CookieStore::Save() {
    if (!loaded_ || directory_.empty()) return false;
    std::string path = FilePath(directory_);
    std::string temporary = path + ".new";
    std::FILE* f = std::fopen(temporary.c_str(), "wb");
    if (f == nullptr) return false;
    bool ok = WriteRecordU16(kCookieFileVersion, f);
    ok &= WriteDomain(f, root_, Now());
    ok &= std::fclose(f) == 0;
    // The old file is replaced only by a complete new one.
    if (!ok) {
        std::remove(temporary.c_str());
        return false;
    }
    std::remove(path.c_str());
    return std::rename(temporary.c_str(), path.c_str()) == 0;
}
