#include "net/HttpReplyReader.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <string_view>

namespace {

constexpr std::string_view kStatusPrefix = "HTTP/";

bool StartsWithNoCase(std::string_view text, std::string_view prefix) {
    size_t n = std::min(text.size(), prefix.size());
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) !=
            std::tolower(static_cast<unsigned char>(prefix[i])))
            return false;
    }
    return true;
}

// The offset just past the first empty line ("\r\n\r\n", "\n\n" or
// "\n\r\n") in `text` that ends after `minEnd`, or npos.
size_t FindHeaderEnd(std::string_view text, size_t minEnd) {
    static constexpr std::string_view kEnds[] = {"\r\n\r\n", "\n\n", "\n\r\n"};
    for (size_t p = 0; p < text.size(); ++p) {
        if (text[p] != '\r' && text[p] != '\n') continue;
        for (std::string_view end : kEnds) {
            if (text.compare(p, end.size(), end) == 0 && p + end.size() > minEnd) return p + end.size();
        }
    }
    return std::string_view::npos;
}

}  // namespace

HttpReplyReader::Result HttpReplyReader::Feed(const char* data, size_t size) {
    std::string_view fresh(data, size);
    if (!statusLineChecked_) {
        // The first five bytes decide whether the reply has a status line;
        // they may come in more than one read.
        if (headerText_.size() + size < kStatusPrefix.size()) {
            headerText_.append(fresh);
            return Result::NeedMore;
        }
        statusLineChecked_ = true;
        std::string start = headerText_ + std::string(fresh.substr(0, kStatusPrefix.size()));
        if (!StartsWithNoCase(start, kStatusPrefix)) {
            body_ = headerText_;
            body_.append(fresh);
            headerText_.clear();
            return Result::NoStatusLine;
        }
    }
    // An end split between two reads: look at the last three bytes gathered
    // together with the new ones.
    size_t tail = std::min<size_t>(3, headerText_.size());
    std::string window = headerText_.substr(headerText_.size() - tail);
    window.append(fresh);
    size_t end = FindHeaderEnd(window, tail);
    if (end == std::string_view::npos) {
        headerText_.append(fresh);
        return Result::NeedMore;
    }
    size_t headerBytes = end - tail;
    headerText_.append(fresh.substr(0, headerBytes));
    body_.assign(fresh.substr(headerBytes));
    cursor_ = 0;
    return Result::HeadersDone;
}

HttpReplyReader::Result HttpReplyReader::FinishAtClose() {
    if (!statusLineChecked_ && !StartsWithNoCase(headerText_, kStatusPrefix)) {
        statusLineChecked_ = true;
        body_ = headerText_;
        cursor_ = 0;
        headerText_.clear();
        return Result::NoStatusLine;
    }
    return Result::HeadersDone;
}

size_t HttpReplyReader::ReadBuffered(char* buffer, size_t size) {
    size_t n = std::min(size, BufferedSize());
    if (n) std::memcpy(buffer, body_.data() + cursor_, n);
    cursor_ += n;
    return n;
}

void HttpReplyReader::Reset() {
    headerText_.clear();
    body_.clear();
    cursor_ = 0;
    statusLineChecked_ = false;
}
