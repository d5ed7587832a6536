#include "net/FtpReplies.h"

#include "core/StringHelpers.h"

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// The reply code at the start of a line, or -1.
int CodeAt(std::string_view line) {
    if (line.size() < 3 || !IsDigit(line[0]) || !IsDigit(line[1]) || !IsDigit(line[2])) return -1;
    return (line[0] - '0') * 100 + (line[1] - '0') * 10 + (line[2] - '0');
}

std::string_view TrimLineEnd(std::string_view line) {
    while (!line.empty() && (line.back() == '\n' || line.back() == '\r')) line.remove_suffix(1);
    return line;
}

}  // namespace

bool TakeFtpReply(std::string& buffer, FtpReply& reply) {
    size_t firstEnd = buffer.find('\n');
    if (buffer.size() < 4 && firstEnd == std::string::npos) return false;
    std::string_view text(buffer);
    int code = CodeAt(text);
    if (code < 0) {
        if (firstEnd == std::string::npos) return false;
        reply.code = 0;
        reply.message.clear();
        reply.last.assign(TrimLineEnd(text.substr(0, firstEnd)));
        buffer.erase(0, firstEnd + 1);
        return true;
    }
    std::string message;
    size_t start = 0;
    while (start < text.size()) {
        size_t end = text.find('\n', start);
        if (end == std::string_view::npos) return false;
        std::string_view line = text.substr(start, end + 1 - start);
        if (CodeAt(line) == code && line.size() > 3 && line[3] == ' ') {
            reply.code = code;
            reply.message = std::move(message);
            reply.last.assign(TrimLineEnd(line));
            buffer.erase(0, end + 1);
            return true;
        }
        std::string_view body = TrimLineEnd(line);
        if (CodeAt(body) == code && body.size() > 3 && body[3] == '-') body.remove_prefix(4);
        message.append(body);
        message.push_back('\n');
        start = end + 1;
    }
    return false;
}

bool ParsePasvReply(std::string_view text, uint16_t& port) {
    // The last run of digits and commas.
    size_t end = text.size();
    while (end > 0 && !IsDigit(text[end - 1])) --end;
    size_t start = end;
    while (start > 0 && (IsDigit(text[start - 1]) || text[start - 1] == ',')) --start;
    std::string_view run = text.substr(start, end - start);
    unsigned numbers[6];
    int count = 0;
    size_t i = 0;
    while (count < 6) {
        if (i >= run.size() || !IsDigit(run[i])) return false;
        unsigned v = 0;
        while (i < run.size() && IsDigit(run[i])) {
            v = v * 10 + static_cast<unsigned>(run[i] - '0');
            if (v > 255) return false;
            ++i;
        }
        numbers[count++] = v;
        if (count < 6) {
            if (i >= run.size() || run[i] != ',') return false;
            ++i;
        }
    }
    if (i != run.size()) return false;
    port = static_cast<uint16_t>(numbers[4] * 256 + numbers[5]);
    return port != 0;
}

bool DecodeFtpArgument(std::string_view escaped, std::string& out) {
    out.clear();
    for (size_t i = 0; i < escaped.size(); ++i) {
        char c = escaped[i];
        if (c == '%' && i + 2 < escaped.size()) {
            int high = HexValue(escaped[i + 1]);
            int low = HexValue(escaped[i + 2]);
            c = static_cast<char>((high < 0 ? 0 : high) * 16 + (low < 0 ? 0 : low));
            i += 2;
        }
        if (c == '\r' || c == '\n' || c == '\0') return false;
        out.push_back(c);
    }
    return true;
}

std::vector<std::string> SplitFtpPath(std::string_view path) {
    std::vector<std::string> parts;
    size_t start = 0;
    while (start <= path.size()) {
        size_t slash = path.find('/', start);
        if (slash == std::string_view::npos) slash = path.size();
        if (slash > start) parts.emplace_back(path.substr(start, slash - start));
        start = slash + 1;
    }
    return parts;
}
