#include "mailnews/NewsPosting.h"

#include <cstdio>

#include "core/StringHelpers.h"

namespace {

std::string OneLine(const std::string& value) {
    std::string out = value;
    for (char& c : out) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    return out;
}

// "a.b, c.d" -> "a.b,c.d": servers refuse blanks in the group list.
std::string GroupList(const std::string& groups) {
    std::string out;
    for (char c : OneLine(groups)) {
        if (c != ' ' && c != '\t') out += c;
    }
    return out;
}

// Letters, digits and ".-" only: the domain goes into the message id.
std::string CleanDomain(std::string_view domain) {
    std::string out;
    for (char c : domain) {
        const bool ok = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
                        c == '-';
        if (ok) out += c;
    }
    return out;
}

}  // namespace

bool SplitPostingUrl(std::string_view url, PostingAddress& out) {
    PostingAddress split;
    if (StartsWithNoCase(url, "newspost:")) {
        url.remove_prefix(9);
    } else if (StartsWithNoCase(url, "snewspost:")) {
        url.remove_prefix(10);
        split.secure = true;
    } else {
        return false;
    }
    if (url.substr(0, 2) == "//") {
        url.remove_prefix(2);
        const size_t slash = url.find('/');
        split.server = std::string(url.substr(0, slash));
        url = slash == std::string_view::npos ? std::string_view() : url.substr(slash + 1);
    }
    split.groups = std::string(url);
    out = std::move(split);
    return true;
}

std::string PostingUrlForGroup(std::string_view url) {
    std::string scheme;
    if (StartsWithNoCase(url, "news:")) scheme = "newspost:";
    else if (StartsWithNoCase(url, "snews:")) scheme = "snewspost:";
    else return std::string();
    url.remove_prefix(scheme.size() - 4);
    if (url.substr(0, 2) == "//") {
        const size_t slash = url.find('/', 2);
        if (slash == std::string_view::npos) return std::string();
        scheme.append(url.substr(0, slash + 1));
        url.remove_prefix(slash + 1);
    }
    const std::string_view group = url.substr(0, url.find('/'));
    if (group.empty() || group.find_first_of("@*") != std::string_view::npos || url.find('@') != std::string_view::npos)
        return std::string();
    return scheme.append(group);
}

std::string BuildNewsArticle(const NewsArticleFields& f) {
    const std::string address = OneLine(f.address), name = OneLine(f.name);
    std::string from = address.empty() && name.empty() ? "nobody"
                       : name.empty()                  ? address
                                                       : address + " (" + name + ")";
    const std::string subject = OneLine(f.subject);
    std::string article = "From: " + from + "\r\nNewsgroups: " + GroupList(f.newsgroups) +
                          "\r\nSubject: " + (subject.empty() ? "NONE" : subject) + "\r\n";
    if (!f.date.empty()) article += "Date: " + OneLine(f.date) + "\r\n";
    if (!f.messageId.empty()) article += "Message-ID: " + OneLine(f.messageId) + "\r\n";
    article += "\r\n";
    article += f.body;
    return article;
}

std::string MakeNewsMessageId(uint32_t time, uint32_t count, const std::string& address, const std::string& host) {
    const size_t at = address.rfind('@');
    std::string domain = CleanDomain(at == std::string::npos ? std::string_view() : std::string_view(address).substr(at + 1));
    if (domain.empty()) domain = CleanDomain(host);
    if (domain.empty()) domain = "zintu.invalid";
    char id[64];
    std::snprintf(id, sizeof id, "<zintu.%08lx.%lu@", static_cast<unsigned long>(time), static_cast<unsigned long>(count));
    return id + domain.substr(0, 60) + ">";
}
