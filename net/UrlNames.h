// URL names: the scheme table, absolute/relative tests, resolution against a
// base, dot-segment clean-up, escaping and the small parsers that take a name
// apart. Everything here is platform-free and works on text only; UrlRecord
// wraps these with its own name and scheme.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Scheme ids as kept in the scheme byte of every URL record.
enum SchemeId : int {
    kSchemeHttp = 0,
    kSchemeFtp = 1,
    kSchemeGopher = 2,
    kSchemeWais = 3,
    kSchemeFile = 4,
    kSchemeNews = 5,
    kSchemeTelnet = 6,
    kSchemeMailto = 7,
    kSchemeNewsPost = 8,
    kSchemeIcon = 9,  // built-in icon records of the registry
    kSchemeHttps = 10,
    kSchemeInternal = 11,
    kSchemeJavascript = 12,
    kSchemeSnews = 13,
    kSchemeSnewsPost = 14,
    kSchemeNewsAtt = 15,
    kSchemeSnewsAtt = 16,
    kSchemeAttachment = 17,
    kSchemeCid = 18,
    kSchemeTn3270 = 19,
    kSchemeRelative = -1,
    kSchemeUnknown = -2,
};

// Longest name the registry's look-up works with (its scratch buffer).
constexpr size_t kUrlScratchSize = 4096;

// The id of a scheme name (any case), kSchemeUnknown when none matches.
int SchemeIdFromName(std::string_view scheme);

// The scheme of an absolute name, kSchemeRelative for a relative one and
// kSchemeUnknown for an absolute name with a scheme we do not know.
int SchemeOfAbsoluteName(std::string_view name);

// What a name is resolved against: the name and scheme of the referring record.
struct UrlBase {
    std::string_view name;
    int scheme = kSchemeHttp;
};

struct ResolveOptions {
    // The registry's variant: a relative name against a javascript: or
    // internal base comes back unchanged, and "../" at the very start of the
    // path is dropped.
    bool forRegistry = false;
    // "USE ABSOLUTE FTP PATH": when false, leading ".." of FTP paths climb
    // above the login directory and are kept.
    bool absoluteFtpPath = false;
};

// Resolves name against base (null: name must be absolute). On success
// returns true with the absolute, normalised name in out and its scheme in
// scheme (kSchemeRelative when a relative name was kept as it was). A relative
// name without a base, or one that cannot be joined, gives false (scheme
// kSchemeUnknown for a missing base).
[[nodiscard]] bool ResolveUrlName(const UrlBase* base, std::string_view name, const ResolveOptions& options,
                                  std::string& out, int& scheme);

// The registry's look-up: the same, written into buf (terminated, truncated
// to fit). Returns false when the name does not resolve or buf is empty.
[[nodiscard]] bool ResolveUrlInto(const UrlBase* base, std::string_view name, const ResolveOptions& options,
                                  char* buf, size_t size, int& scheme);

// Unsafe characters (space ! " 0xB4 ( ) CR LF) become %XX. A name that begins
// with "file:" counts 0: local paths keep their spaces.
size_t CountUnsafeChars(std::string_view name);
std::string EscapeUnsafeChars(std::string_view name);

// Removes "." and ".." segments of the path of an absolute name, in place.
void RemoveDotSegments(std::string& name, int scheme, bool absoluteFtpPath);

// Decodes %XX escapes (either case); a '%' not followed by two hex digits stays.
std::string DecodePercentEscapes(std::string_view text);

// The record's host, split by SplitUrlAuthority (net/UrlAuthority.h), for
// the schemes that have one; with withPort ":port" follows when the name has
// one. False when the scheme has no host, the authority does not split or
// the text does not fit size.
[[nodiscard]] bool GetHostFromName(std::string_view name, int scheme, char* buf, size_t size, bool withPort);

struct HostAndPort {
    std::string host;         // lower case
    std::string credentials;  // "user:password" (decoded) or empty
    uint16_t port = 0;        // unchanged when the name has none
    bool hasPort = false;
    size_t pathOffset = std::string_view::npos;  // the '/', '?' or '#' that ends the host
};

// The record's host, port, credentials and path, split by SplitUrlAuthority
// (net/UrlAuthority.h). False when there is no "://", the host is refused or
// longer than maxHost-1, or the port is not a number from 0 to 65535.
[[nodiscard]] bool GetHostAndPortFromName(std::string_view name, size_t maxHost, HostAndPort& out);

struct UserHostPort {
    std::string host;
    std::string user;  // empty with hasUser false when the text has none
    std::string password;
    bool hasUser = false;
    bool hasPassword = false;
    uint16_t port = 0;
};

// "[user[:password]@]host[:port]" by the rules of SplitAuthorityText; the
// parts come decoded. False for a refused host or port.
[[nodiscard]] bool ParseUserHostPort(std::string_view text, uint16_t defaultPort, UserHostPort& out);
[[nodiscard]] bool ParseHostPort(std::string_view text, uint16_t defaultPort, std::string& host,
                                 uint16_t& port);

struct FtpUrlParts {
    UserHostPort login;  // port 21 when the name gives none
    std::string path;    // without the ";" parameters, no leading '/'
    bool hasPath = false;
    int type = 0;        // 1 ASCII, 2 image, 3 directory, 0 not given
    std::string upload;  // value of an "UPLOAD=" parameter
};

// Takes an ftp:// name apart. False without "://" or with a bad port.
[[nodiscard]] bool ParseFtpUrl(std::string_view url, FtpUrlParts& out);
