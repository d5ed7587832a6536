#include "mailnews/MailFile.h"

#include <cstddef>

#include "core/StringHelpers.h"

namespace {

struct HeaderLine {
    const char* name;
    std::string ComposeFields::*field;
};

// In the order they are written and must be read.
const HeaderLine kHeaders[] = {
    {"To : ", &ComposeFields::to},           {"Newsgroup : ", &ComposeFields::newsgroups},
    {"CC : ", &ComposeFields::cc},           {"BCC : ", &ComposeFields::bcc},
    {"Subject : ", &ComposeFields::subject},
};
const char kBodyName[] = "Body : ";

// Longer than anything a compose window holds: a count beyond it is damage,
// not a body.
constexpr size_t kMaxBody = 64u << 20;

std::string Escaped(const std::string& value) {
    std::string out;
    for (char c : value) {
        if (c == '\\') out += "\\\\";
        else if (c == '\r') out += "\\r";
        else if (c == '\n') out += "\\n";
        else out += c;
    }
    return out;
}

bool Unescape(std::string_view value, std::string& out) {
    out.clear();
    for (size_t i = 0; i < value.size(); ++i) {
        char c = value[i];
        if (c == '\r') return false;
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++i == value.size()) return false;
        switch (value[i]) {
            case '\\': out += '\\'; break;
            case 'r': out += '\r'; break;
            case 'n': out += '\n'; break;
            default: return false;
        }
    }
    return true;
}

// Takes the next line (without its LF) that begins with the name, any case;
// the value is what follows the name.
bool TakeLine(std::string_view& text, const char* name, std::string_view& value) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) return false;
    std::string_view line = text.substr(0, end);
    if (!StartsWithNoCase(line, name)) return false;
    value = line.substr(std::string_view(name).size());
    text.remove_prefix(end + 1);
    return true;
}

}  // namespace

std::string FormatMailFile(const ComposeFields& fields) {
    std::string out;
    for (const HeaderLine& h : kHeaders) out.append(h.name).append(Escaped(fields.*h.field)).append("\n");
    out.append(kBodyName).append(std::to_string(fields.body.size())).append("\n").append(fields.body);
    return out;
}

bool ParseMailFile(std::string_view text, ComposeFields& out) {
    ComposeFields read;
    std::string_view value;
    for (const HeaderLine& h : kHeaders) {
        if (!TakeLine(text, h.name, value) || !Unescape(value, read.*h.field)) return false;
    }
    if (!TakeLine(text, kBodyName, value) || value.empty() || value.size() > 9) return false;
    size_t count = 0;
    for (char c : value) {
        if (c < '0' || c > '9') return false;
        count = count * 10 + static_cast<size_t>(c - '0');
    }
    if (count > kMaxBody || count != text.size()) return false;
    read.body.assign(text.data(), text.size());
    out = std::move(read);
    return true;
}
