// The one place that takes apart the authority of a URL name,
// "scheme://[user[:password]@]host[:port]" up to its path. The record's host,
// the request's Host header, the CONNECT target, the text sent to a proxy,
// masked and stripped names and the parts scripts read all come from here, so
// that they can never name different servers. Platform-free.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

struct UrlAuthority {
    static constexpr size_t npos = std::string_view::npos;

    // Offsets into the text, valid whenever `begin` is not npos. The user
    // information runs from `begin` to `hostBegin` less its '@' or "%40";
    // `passwordBegin`..`passwordEnd` is the raw password (npos without one).
    size_t begin = npos;      // just after "://"; npos when the text has none
    size_t hostBegin = npos;  // after the user information
    size_t hostEnd = npos;    // the port mark, or `end`
    size_t portBegin = npos;  // the first digit of the port, npos without one
    size_t end = npos;        // the first '/', '?' or '#' after `begin`, or the text's end
    size_t passwordBegin = npos;
    size_t passwordEnd = npos;

    // The decoded parts, valid when the split succeeded.
    std::string host;  // %XX decoded, lower case; an IPv6 literal keeps its brackets
    std::string user;  // %XX decoded
    std::string password;
    bool hasUser = false;
    bool hasPassword = false;
    uint16_t port = 0;  // the default port when the name gives none
    bool hasPort = false;

    // "user:password" when the user information has a password, else empty:
    // only such information is sent as credentials.
    std::string Credentials() const;
};

enum class AuthoritySplit {
    kOk,
    kNoAuthority,  // no "://"
    kBadHost,      // empty, too long, or holding a character no host may have
    kBadPort,      // not a decimal number from 0 to 65535
};

// Splits the authority of an absolute name. The user information ends at the
// last '@' or "%40" of the authority, whichever comes later; its password
// starts after the first ':' (else "%3A", else "%3a"). The host ends at a ':'
// or "%3a" (any case), or after the ']' of a bracketed literal. `maxHost`
// bounds the decoded host with its terminator, as the callers' buffers do.
// The offsets are filled even when the host or port is refused.
[[nodiscard]] AuthoritySplit SplitUrlAuthority(std::string_view name, uint16_t defaultPort, size_t maxHost,
                                               UrlAuthority& out);

// The same for authority text alone ("user@host:port", a proxy setting):
// the whole text is the authority.
[[nodiscard]] AuthoritySplit SplitAuthorityText(std::string_view text, uint16_t defaultPort, size_t maxHost,
                                                UrlAuthority& out);

// The name without its user information, so that it continues with the host
// right after "://"; unchanged when it has none.
std::string WithoutUserInfo(std::string_view name);

// In place: the password of a URL replaced by '*', at most `keep` of them (the
// rest of the name moves up), so that error boxes and lists never show it.
void MaskUrlPassword(char* url, size_t keep);

// In place: removes the user information with its '@'.
void StripUrlUserInfo(char* url);
