#include "net/HttpReplyHeaders.h"

#include <cctype>
#include <climits>

#include "core/StringHelpers.h"

namespace {

bool IsSpaceOrTab(char c) {
    return c == ' ' || c == '\t';
}
bool IsLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Moves past the line break at `pos` (CR LF, LF or a lone CR).
size_t SkipLineBreak(std::string_view text, size_t pos) {
    if (pos < text.size() && text[pos] == '\r') ++pos;
    if (pos < text.size() && text[pos] == '\n') ++pos;
    return pos;
}

size_t LineEnd(std::string_view text, size_t pos) {
    while (pos < text.size() && !IsLineEnd(text[pos])) ++pos;
    return pos;
}

// The value that starts at `pos`: to the end of the line, continued over
// line breaks followed by a space or tab (each fold becomes one space),
// without leading or trailing spaces and tabs. `next` gets the start of the
// line after it.
std::string ReadValue(std::string_view text, size_t pos, size_t& next) {
    while (pos < text.size() && IsSpaceOrTab(text[pos])) ++pos;
    std::string value;
    for (;;) {
        size_t end = LineEnd(text, pos);
        value.append(text.substr(pos, end - pos));
        size_t after = SkipLineBreak(text, end);
        if (after == end || after >= text.size() || !IsSpaceOrTab(text[after])) {
            next = after;
            break;
        }
        pos = after;
        while (pos < text.size() && IsSpaceOrTab(text[pos])) ++pos;
        value.push_back(' ');
    }
    while (!value.empty() && IsSpaceOrTab(value.back())) value.pop_back();
    return value;
}

// A decimal length; anything negative, empty or too large is no length.
int32_t ParseLength(const std::string& value) {
    int64_t n = 0;
    size_t i = 0;
    if (value.empty() || !std::isdigit(static_cast<unsigned char>(value[0]))) return 0;
    for (; i < value.size() && std::isdigit(static_cast<unsigned char>(value[i])); ++i) {
        n = n * 10 + (value[i] - '0');
        if (n > INT32_MAX) return 0;
    }
    return static_cast<int32_t>(n);
}

bool IsBasicChallenge(const std::string& value) {
    return StartsWithNoCase(value, "basic") && value.size() > 5 && IsSpaceOrTab(value[5]);
}

void ParseStatusLine(std::string_view line, HttpReplyHeaders& out) {
    for (size_t i = 0; i + 1 < line.size(); ++i) {
        if (line[i] != ' ' || !std::isdigit(static_cast<unsigned char>(line[i + 1]))) continue;
        int32_t code = 0;
        size_t j = i + 1;
        for (; j < line.size() && std::isdigit(static_cast<unsigned char>(line[j])) && code < 100000; ++j)
            code = code * 10 + (line[j] - '0');
        out.statusCode = code;
        size_t textStart = i + 1 + 3;
        std::string_view rest = textStart < line.size() ? line.substr(textStart) : std::string_view();
        while (!rest.empty() && IsSpaceOrTab(rest.front())) rest.remove_prefix(1);
        out.statusText = std::string(rest);
        return;
    }
}

enum class Field {
    ContentType,
    ContentEncoding,
    ContentLength,
    LastModified,
    Date,
    Expires,
    Location,
    WwwAuthenticate,
    ProxyAuthenticate,
    Refresh,
    SetCookie
};

struct HeaderName {
    std::string_view name;
    Field field;
};

constexpr HeaderName kHeaderNames[] = {
    {"Date:", Field::Date},
    {"Expires:", Field::Expires},
    {"Location:", Field::Location},
    {"Content-type:", Field::ContentType},
    {"Content-encoding:", Field::ContentEncoding},
    {"Last-modified:", Field::LastModified},
    {"Content-length:", Field::ContentLength},
    {"WWW-Authenticate:", Field::WwwAuthenticate},
    {"Proxy-Authenticate:", Field::ProxyAuthenticate},
    {"Refresh:", Field::Refresh},
    {"Set-Cookie:", Field::SetCookie},
};

void SetFirst(std::optional<std::string>& slot, std::string value) {
    if (!slot) slot = std::move(value);
}

void Apply(Field field, std::string value, HttpReplyHeaders& out, const SetCookieSink& onSetCookie) {
    switch (field) {
        case Field::ContentType:
            out.contentType = std::move(value);
            break;  // a later line wins
        case Field::ContentLength:
            out.contentLength = ParseLength(value);
            break;
        case Field::ContentEncoding:
            SetFirst(out.contentEncoding, std::move(value));
            break;
        case Field::LastModified:
            SetFirst(out.lastModified, std::move(value));
            break;
        case Field::Date:
            SetFirst(out.date, std::move(value));
            break;
        case Field::Expires:
            SetFirst(out.expires, std::move(value));
            break;
        case Field::Location:
            SetFirst(out.location, std::move(value));
            break;
        case Field::Refresh:
            SetFirst(out.refresh, std::move(value));
            break;
        case Field::WwwAuthenticate:
            if (IsBasicChallenge(value)) SetFirst(out.wwwAuthenticate, std::move(value));
            break;
        case Field::ProxyAuthenticate:
            if (IsBasicChallenge(value)) SetFirst(out.proxyAuthenticate, std::move(value));
            break;
        case Field::SetCookie:
            if (onSetCookie) onSetCookie(value);
            break;
    }
}

}  // namespace

void ParseHttpReplyHeaders(std::string_view text, HttpReplyHeaders& out, const SetCookieSink& onSetCookie) {
    size_t end = LineEnd(text, 0);
    ParseStatusLine(text.substr(0, end), out);
    size_t pos = SkipLineBreak(text, end);
    while (pos < text.size() && !IsLineEnd(text[pos])) {
        std::string_view line = text.substr(pos);
        const HeaderName* match = nullptr;
        for (const HeaderName& h : kHeaderNames) {
            if (StartsWithNoCase(line, h.name)) {
                match = &h;
                break;
            }
        }
        if (!match) {
            pos = SkipLineBreak(text, LineEnd(text, pos));
            continue;
        }
        size_t next = pos;
        std::string value = ReadValue(text, pos + match->name.size(), next);
        Apply(match->field, std::move(value), out, onSetCookie);
        pos = next;
    }
}

std::optional<std::string> RealmOfChallenge(std::string_view value) {
    size_t i = 0;
    while (i < value.size() && !std::isalpha(static_cast<unsigned char>(value[i]))) ++i;
    value.remove_prefix(i);
    if (!StartsWithNoCase(value, "basic") || value.size() < 6 || !IsSpaceOrTab(value[5])) return std::nullopt;
    value.remove_prefix(5);
    while (!value.empty() && IsSpaceOrTab(value.front())) value.remove_prefix(1);
    if (!StartsWithNoCase(value, "realm")) return std::nullopt;
    size_t eq = value.find('=');
    if (eq == std::string_view::npos) return std::nullopt;
    value.remove_prefix(eq + 1);
    while (!value.empty() && value.front() == ' ') value.remove_prefix(1);
    bool quoted = !value.empty() && value.front() == '"';
    if (quoted) value.remove_prefix(1);
    size_t stop = quoted ? value.find('"') : value.find_first_of(", \t");
    return std::string(value.substr(0, stop));
}

std::string ChallengeRealm(const HttpReplyHeaders& headers) {
    const std::optional<std::string>& challenge =
        headers.proxyAuthenticate ? headers.proxyAuthenticate : headers.wwwAuthenticate;
    if (!challenge) return std::string();
    return RealmOfChallenge(*challenge).value_or(std::string());
}

bool ParseRefresh(std::string_view text, int& delay, std::string_view& address) {
    auto isSpace = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    address = std::string_view();
    if (text.empty() || text[0] < '0' || text[0] > '9') return false;
    long long value = 0;
    size_t i = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX) value = INT_MAX;
    }
    // Kept in 16 bits, as the cache index stores it.
    delay = static_cast<int>(value & 0xFFFF);
    size_t semi = text.find(';', i);
    if (semi == std::string_view::npos) return true;
    std::string_view rest = text.substr(semi + 1);
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    if (rest.size() < 4 || !StartsWithNoCase(rest, "url=")) return true;
    rest.remove_prefix(4);
    while (!rest.empty() && isSpace(rest.front())) rest.remove_prefix(1);
    while (!rest.empty() && isSpace(rest.back())) rest.remove_suffix(1);
    address = rest;
    return true;
}
