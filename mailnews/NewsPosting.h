// What a compose window posts to a news server: the groups and server of a
// posting address, and the article built from the window's fields.
// Platform-free.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>

// The groups and server a "newspost:" or "snewspost:" address names:
// "newspost:comp.lang.misc" or "newspost://server[:port]/comp.lang.misc".
// False for other addresses.
struct PostingAddress {
    std::string groups;
    std::string server;  // empty: the news server of the settings
    bool secure = false;
};
[[nodiscard]] bool SplitPostingUrl(std::string_view url, PostingAddress& out);

// The posting address for the group a news address shows ("news:g" or
// "news://server/g/..." -> "newspost:g", "newspost://server/g"; snews gives
// snewspost); empty for an address that shows no single group (all groups,
// an article, a pattern, another scheme).
std::string PostingUrlForGroup(std::string_view newsUrl);

struct NewsArticleFields {
    std::string address, name;  // the user's mail address and name
    std::string newsgroups, subject;
    std::string body;       // lines end in CR LF or LF
    std::string date;       // an HTTP date, or empty for none
    std::string messageId;  // "<...>"
};

// The article as it is handed to the news client: From ("address (name)",
// the address alone, or "nobody"), Newsgroups (without blanks), Subject
// ("NONE" for none), Date, Message-ID, an empty line and the body. Line ends
// in a header value become blanks, so that a field cannot add headers.
std::string BuildNewsArticle(const NewsArticleFields& fields);

// A message id unique to this program: the time, a count kept by the
// caller, and the domain of the mail address (or the given host).
std::string MakeNewsMessageId(uint32_t time, uint32_t count, const std::string& address, const std::string& host);
