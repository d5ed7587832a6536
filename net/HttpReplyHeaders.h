// The headers of an HTTP reply and their parser. Platform-free: the HTTP
// client feeds it the header text it gathered from the socket.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct HttpReplyHeaders {
    // A header that was absent stays empty (nullopt); one that was present
    // with an empty value holds "".
    std::optional<std::string> contentType;
    std::optional<std::string> contentEncoding;
    // 0 when absent; a negative or unreadable length counts as absent, so a
    // server cannot make a later reader size a block from it.
    int32_t contentLength = 0;
    std::optional<std::string> lastModified;
    std::optional<std::string> date;
    std::optional<std::string> expires;
    std::optional<std::string> location;
    std::optional<std::string> wwwAuthenticate;    // only a Basic challenge
    std::optional<std::string> proxyAuthenticate;  // only a Basic challenge
    std::optional<std::string> statusText;
    int32_t statusCode = 0;
    std::optional<std::string> refresh;
};

// Called with the value of every "Set-Cookie:" line, in order.
using SetCookieSink = std::function<void(const std::string& value)>;

// Parses the header text of a reply (status line and header lines, up to the
// empty line; bytes after it are ignored) into `out`, which should be fresh.
void ParseHttpReplyHeaders(std::string_view text, HttpReplyHeaders& out, const SetCookieSink& onSetCookie);

// The realm of the reply's challenge: from Proxy-Authenticate when present,
// else from WWW-Authenticate. Empty when there is none or it is no
// "basic realm=..." challenge.
std::string ChallengeRealm(const HttpReplyHeaders& headers);

// The realm named by one challenge value ("Basic realm="x"").
std::optional<std::string> RealmOfChallenge(std::string_view value);

// A Refresh header or META refresh value, "delay[; url=address]": the leading
// decimal delay (0-65535), and the address after "url=" (any case) with the
// white space around it cut, or empty when none is given. False when the
// text does not begin with a digit.
[[nodiscard]] bool ParseRefresh(std::string_view text, int& delay, std::string_view& address);
