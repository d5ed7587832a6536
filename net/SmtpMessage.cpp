#include "net/SmtpMessage.h"

namespace {

bool IsSeparator(char c) {
    return c == ' ' || c == ',';
}

void AddList(std::string_view list, std::vector<std::string>& out) {
    size_t i = 0;
    while (i < list.size()) {
        while (i < list.size() && IsSeparator(list[i])) ++i;
        size_t start = i;
        while (i < list.size() && !IsSeparator(list[i])) ++i;
        if (i > start) out.emplace_back(list.substr(start, i - start));
    }
}

void Line(std::string& out, const char* name, const std::string& value) {
    out += name;
    out += value;
    out += "\r\n";
}

}  // namespace

bool HasLineBreak(std::string_view text) {
    return text.find_first_of("\r\n") != std::string_view::npos;
}

std::vector<std::string> SplitRecipients(std::string_view to, std::string_view cc, std::string_view bcc) {
    std::vector<std::string> out;
    AddList(to, out);
    AddList(cc, out);
    AddList(bcc, out);
    return out;
}

std::string SmtpHeaders(const SmtpHeaderFields& f) {
    std::string out;
    if (!f.date.empty()) Line(out, "Date: ", f.date);
    Line(out, "To: ", f.to);
    if (!f.cc.empty()) Line(out, "CC: ", f.cc);
    Line(out, "From: ", f.from);
    Line(out, "Subject: ", f.subject);
    Line(out, "X-Mailer: ", f.mailer);
    out += "Mime-Version: 1.0\r\n";
    if (f.bodyHasHeaders) return out;
    if (!f.contentType.empty()) Line(out, "Content-Type: ", f.contentType);
    out += "\r\n";
    return out;
}

bool TakeSmtpReply(std::string& buffer, int& code) {
    size_t start = 0;
    for (;;) {
        size_t end = buffer.find('\n', start);
        if (end == std::string::npos) return false;
        std::string_view line(buffer.data() + start, end - start);
        bool digits = line.size() >= 3 && line[0] >= '0' && line[0] <= '9' && line[1] >= '0' && line[1] <= '9' &&
                      line[2] >= '0' && line[2] <= '9';
        bool continued = line.size() > 3 && line[3] == '-';
        if (!continued || !digits) {
            code = digits ? (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0') : 0;
            buffer.erase(0, end + 1);
            return true;
        }
        start = end + 1;
    }
}

std::string DotStuffer::Stuff(std::string_view block) {
    std::string out;
    out.reserve(block.size() + 16);
    for (char c : block) {
        if (atLineStart_ && c == '.') out.push_back('.');
        out.push_back(c);
        endsWithCrLf_ = c == '\n' && lastWasCr_;
        lastWasCr_ = c == '\r';
        atLineStart_ = c == '\n';
    }
    return out;
}

std::string DotStuffer::Finish() const {
    // A body that ends its last line needs no line end of ours: the message
    // arrives as it was written.
    return endsWithCrLf_ ? ".\r\n" : "\r\n.\r\n";
}
