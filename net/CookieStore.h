// The cookies that servers set, handed back on later requests and kept
// across runs in "cookies.dat" (a record file). Platform-free.
//
// The URL registry owns the one store of the program. The HTTP client hands
// it every "Set-Cookie:" value; page content (a META element, a script) does
// the same; the loading code asks it for the "Cookie: " value of each http
// and https request. The file is read on the first of those calls and
// written by Save. Nothing happens while ENABLE COOKIES is off.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "net/CookieTree.h"

constexpr uint16_t kCookieFileVersion = 1001;
constexpr int32_t kCookieLimit = 300;
constexpr int32_t kCookiesPerDomain = 20;
// Name, "=" and value together.
constexpr size_t kCookieLengthLimit = 4096;
// The longest "Cookie: " value.
constexpr size_t kCookieHeaderLimit = 5000;

class CookieStore {
public:
    // `directory` is the profile folder that holds "cookies.dat" (empty: the
    // store lives in memory only).
    explicit CookieStore(std::string directory);
    ~CookieStore();
    CookieStore(const CookieStore&) = delete;
    CookieStore& operator=(const CookieStore&) = delete;

    // Parses one "Set-Cookie:" value sent in answer to a request for host
    // and path, and stores it. Ignored when it has no "=" after its name,
    // when its domain is empty, or when its Domain is one the host is not
    // within.
    void SetFromHeader(std::string_view header, std::string_view host, std::string_view path);
    // The value of the "Cookie: " line for an http or https URL, or null;
    // the text lives in the store until the next call.
    const char* BuildCookieHeader(const char* url);

    // Reads the file once (called by the two calls above).
    void Load();
    // Writes the cookies that have an expiry later than now; only once the
    // file was read (or found absent) and not when it is of a newer version.
    // False when the file could not be written (the old one then stays).
    bool Save();

    int32_t Count() const { return count_; }
    CookieDomainNode& Root() { return root_; }
    // "now" in the measure of stored time values (the clock plus the zone
    // offset): expiry dates are parsed as local time.
    static uint32_t Now();

private:
    void ReadDomain(std::FILE* file, CookieDomainNode& node, uint16_t version, int depth);
    void ReadPaths(std::FILE* file, CookiePathNode& node, int depth);
    void Enforce(CookieDomainNode& domain, const Cookie* fresh);

    std::string directory_;
    bool loaded_ = false;
    int32_t count_ = 0;
    CookieDomainNode root_;
    std::string header_;
    std::string buffer_;  // scratch for the strings of one cookie read from the file
};

// The key under which a host or domain is stored: a name without a dot gets
// "./localdomain/" appended, so all such names share one top label.
std::string CookieDomainKey(std::string_view name);

// The registry's store, or null (set by the registry while it lives).
CookieStore* GetCookieStore();
void SetCookieStore(CookieStore* store);
