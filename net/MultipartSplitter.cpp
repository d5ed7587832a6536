#include "net/MultipartSplitter.h"

#include <cctype>
#include <cstring>

#include "core/InternalMessages.h"

namespace {

constexpr int32_t kReadBlock = 4096;
constexpr int32_t kLeastCapacity = 5000;

bool StartsNoCase(const char* text, size_t length, const char* prefix) {
    size_t n = std::strlen(prefix);
    if (length < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

}  // namespace

MultipartSplitter::MultipartSplitter(Sink& sink, const char* boundary, int32_t capacity) : sink_(sink) {
    delimiter_ = "--";
    if (boundary && *boundary) {
        delimiter_ += boundary;
    } else {
        learning_ = true;
    }
    if (capacity < kLeastCapacity) capacity = kLeastCapacity;
    buffer_.resize(static_cast<size_t>(capacity) + 1);
}

int MultipartSplitter::Read(const Reader& reader) {
    int32_t capacity = static_cast<int32_t>(buffer_.size()) - 1;
    if (capacity - held_ < kReadBlock) buffer_.resize(static_cast<size_t>(held_ + kReadBlock) + 1);
    capacity = static_cast<int32_t>(buffer_.size()) - 1;
    int32_t room = capacity - held_;
    if (room > kReadBlock) room = kReadBlock;
    int n = reader(buffer_.data() + held_, room);
    if (n <= 0) return 0;
    if (n > room) n = room;
    // After the closing delimiter nothing more is a part.
    if (lastPart_ && !inPart_) return n;
    if (!lastPart_) held_ += n;
    buffer_[static_cast<size_t>(held_)] = 0;
    Process();
    return n;
}

void MultipartSplitter::Process() {
    if (headerPos_ < 0 && !lastPart_) Scan();
    AdvanceParts();
    if (available_ > 0) {
        PostData();
    } else if ((boundaryPending_ || lastPart_) && inPart_) {
        EndPart();
    }
}

void MultipartSplitter::PostData() {
    if (dataPosted_) return;
    dataPosted_ = true;
    Post(kMsgPartData);
}

void MultipartSplitter::EndPart() {
    if (partEnded_) return;
    partEnded_ = true;
    ++unheardEnds_;
    Post(kMsgPartEnds);
}

void MultipartSplitter::PartEndHeard() {
    if (unheardEnds_ > 0) --unheardEnds_;
}

bool MultipartSplitter::HoldsData() const {
    return available_ > 0 || headerPos_ >= 0 || !lastPart_ || unheardEnds_ > 0 || (inPart_ && !partEnded_);
}

void MultipartSplitter::Erase(int32_t count) {
    if (count <= 0) return;
    if (count > held_) count = held_;
    std::memmove(buffer_.data(), buffer_.data() + count, static_cast<size_t>(held_ - count));
    held_ -= count;
    buffer_[static_cast<size_t>(held_)] = 0;
    scanPos_ = scanPos_ > count ? scanPos_ - count : 0;
    if (headerPos_ >= 0) headerPos_ = headerPos_ >= count ? headerPos_ - count : -1;
}

void MultipartSplitter::CountUpTo(int32_t end) {
    if (inPart_) {
        if (end > available_) available_ = end;
        return;
    }
    // Before the first part (the preamble): nothing to keep.
    Erase(end);
}

void MultipartSplitter::EndOfScan() {
    // Without a delimiter to come, what the scan left is the last part.
    if (inputEnded_) lastPart_ = true;
}

void MultipartSplitter::AdvanceParts() {
    // One part at a time: the next begins once the record took the type
    // of the one before.
    while (headerPos_ >= 0 && available_ == 0 && !typePending_) {
        int32_t before = held_;
        BeginNextPart();
        if (headerPos_ >= 0 && held_ == before) break;  // its headers are not all here
    }
}

int32_t MultipartSplitter::DataEndBefore(int32_t lineStart) const {
    // The line end before a delimiter belongs to the delimiter, not to the
    // part: binary parts end with their own last byte.
    int32_t end = lineStart;
    if (end > available_ && end > 0 && buffer_[static_cast<size_t>(end - 1)] == '\n') --end;
    if (end > available_ && end > 0 && buffer_[static_cast<size_t>(end - 1)] == '\r') --end;
    return end;
}

MultipartSplitter::Line MultipartSplitter::CheckLine(int32_t pos, int32_t& lineEnd) {
    const char* p = buffer_.data() + pos;
    int32_t have = held_ - pos;
    if (learning_) {
        if (have < 2) return inputEnded_ || (have == 1 && p[0] != '-') ? Line::kNotDelimiter : Line::kUndecided;
        if (p[0] != '-' || p[1] != '-') return Line::kNotDelimiter;
        int32_t look = have < kMaxLearnedLine ? have : kMaxLearnedLine;
        const void* nl = std::memchr(p, '\n', static_cast<size_t>(look));
        if (nl == nullptr) {
            return inputEnded_ || have >= kMaxLearnedLine ? Line::kNotDelimiter : Line::kUndecided;
        }
        int32_t end = static_cast<int32_t>(static_cast<const char*>(nl) - p);
        int32_t length = end > 0 && p[end - 1] == '\r' ? end - 1 : end;
        if (length <= 2) return Line::kNotDelimiter;
        delimiter_.assign(p, static_cast<size_t>(length));
        learning_ = false;
        lineEnd = pos + end;
        return Line::kBoundary;
    }
    int32_t n = static_cast<int32_t>(delimiter_.size());
    int32_t compare = have < n ? have : n;
    if (std::memcmp(p, delimiter_.data(), static_cast<size_t>(compare)) != 0) return Line::kNotDelimiter;
    if (have < n) return inputEnded_ ? Line::kNotDelimiter : Line::kUndecided;
    // A delimiter alone at the very end of the input closes the stream.
    if (have == n) return inputEnded_ ? Line::kClosing : Line::kUndecided;
    if (p[n] == '-') {
        if (have == n + 1) return inputEnded_ ? Line::kNotDelimiter : Line::kUndecided;
        if (p[n + 1] != '-') return Line::kNotDelimiter;
        lineEnd = pos + n + 2;
        return Line::kClosing;
    }
    // Blanks may pad the delimiter line before its end.
    int32_t i = n;
    while (i < have && (p[i] == ' ' || p[i] == '\t')) ++i;
    if (i < have && p[i] == '\r') ++i;
    if (i == have) return inputEnded_ ? Line::kNotDelimiter : Line::kUndecided;
    if (p[i] != '\n') return Line::kNotDelimiter;
    lineEnd = pos + i;
    return Line::kBoundary;
}

void MultipartSplitter::Scan() {
    for (;;) {
        int32_t pos = scanPos_;
        if (!atLineStart_) {
            const void* nl = std::memchr(buffer_.data() + pos, '\n', static_cast<size_t>(held_ - pos));
            if (nl == nullptr) {
                // No line starts in the rest: it is data, but for a CR that
                // may begin the line end before a delimiter.
                int32_t end = held_;
                if (!inputEnded_ && end > pos && buffer_[static_cast<size_t>(end - 1)] == '\r') --end;
                scanPos_ = end;
                CountUpTo(end);
                EndOfScan();
                return;
            }
            pos = static_cast<int32_t>(static_cast<const char*>(nl) - buffer_.data()) + 1;
            scanPos_ = pos;
            atLineStart_ = true;
        }
        int32_t lineEnd = 0;
        Line line = CheckLine(pos, lineEnd);
        switch (line) {
            case Line::kUndecided:
                CountUpTo(DataEndBefore(pos));
                return;
            case Line::kBoundary: {
                if (inPart_) CountUpTo(DataEndBefore(pos));
                headerPos_ = lineEnd;
                boundaryPending_ = true;
                return;
            }
            case Line::kClosing: {
                int32_t end = DataEndBefore(pos);
                CountUpTo(end);
                // The epilogue after the closing delimiter is no part's.
                held_ = inPart_ ? end : 0;
                buffer_[static_cast<size_t>(held_)] = 0;
                lastPart_ = true;
                return;
            }
            case Line::kNotDelimiter:
                atLineStart_ = false;
                if (pos >= held_) {
                    CountUpTo(held_);
                    EndOfScan();
                    return;
                }
                break;
        }
    }
}

void MultipartSplitter::StopParts() {
    // What is left is not a part: the stream ends with the part before.
    headerPos_ = -1;
    boundaryPending_ = false;
    lastPart_ = true;
    held_ = available_;
    buffer_[static_cast<size_t>(held_)] = 0;
}

void MultipartSplitter::BeginNextPart() {
    int32_t blockStart = headerPos_ + 1;
    // A closing delimiter straight after a boundary: no empty part.
    int32_t ignored = 0;
    Line next = blockStart <= held_ ? CheckLine(blockStart, ignored) : Line::kUndecided;
    if (next == Line::kClosing) {
        StopParts();
        if (inPart_) EndPart();
        return;
    }
    const char* block = buffer_.data() + headerPos_;
    int32_t blockLength = held_ - headerPos_;
    int32_t dataStart = -1;
    for (int32_t i = 0; i < blockLength; ++i) {
        if (block[i] != '\n') continue;
        if (i + 1 < blockLength && block[i + 1] == '\n') {
            dataStart = headerPos_ + i + 2;
            break;
        }
        if (i + 2 < blockLength && block[i + 1] == '\r' && block[i + 2] == '\n') {
            dataStart = headerPos_ + i + 3;
            break;
        }
    }
    if (dataStart < 0) {
        if (inputEnded_ || blockLength > kMaxHeaderBlock) {
            StopParts();
            if (inPart_) EndPart();
        }
        return;
    }
    // The part's type: the first Content-Type line, up to its parameters.
    std::string type = "text/plain";
    for (int32_t i = blockStart; i < dataStart;) {
        const char* line = buffer_.data() + i;
        const void* nl = std::memchr(line, '\n', static_cast<size_t>(dataStart - i));
        int32_t length = nl ? static_cast<int32_t>(static_cast<const char*>(nl) - line) : dataStart - i;
        int32_t j = 0;
        while (j < length && (line[j] == ' ' || line[j] == '\t')) ++j;
        if (StartsNoCase(line + j, static_cast<size_t>(length - j), "content-type:")) {
            j += 13;
            while (j < length && (line[j] == ' ' || line[j] == '\t')) ++j;
            int32_t k = j;
            while (k < length && std::strchr("\r\n \t;", line[k]) == nullptr) ++k;
            // An empty value names no type.
            if (k > j) type.assign(line + j, static_cast<size_t>(k - j));
            break;
        }
        i += length + 1;
    }
    if (inPart_) EndPart();
    Erase(dataStart);
    headerPos_ = -1;
    scanPos_ = 0;
    atLineStart_ = true;
    available_ = 0;
    boundaryPending_ = false;
    inPart_ = true;
    partEnded_ = false;
    partType_ = type;
    typePending_ = true;
    Post(kMsgPartBegins);
    Scan();
    if (headerPos_ < 0 && lastPart_ && available_ == 0) EndPart();
}

std::string MultipartSplitter::TakePartType() {
    if (!typePending_) return std::string();
    typePending_ = false;
    std::string type = partType_;
    if (available_ > 0) {
        PostData();
    } else if (headerPos_ >= 0) {
        // An empty part: it ends here and the next one may begin.
        EndPart();
        AdvanceParts();
    }
    return type;
}

int32_t MultipartSplitter::ReadPart(char* destination, int32_t maximum) {
    // A part that began is read only once the record took its type: its
    // bytes must not run into the part before.
    if (typePending_) return 0;
    dataPosted_ = false;
    if (!inPart_ || held_ == 0) {
        if (inputEnded_) {
            lastPart_ = true;
            if (inPart_) EndPart();
        }
        return 0;
    }
    if (available_ == 0 && headerPos_ < 0 && !lastPart_) Scan();
    int32_t n = available_ < maximum ? available_ : maximum;
    if (n < 0) n = 0;
    if (n > 0) {
        std::memcpy(destination, buffer_.data(), static_cast<size_t>(n));
        available_ -= n;
        Erase(n);
    }
    if (available_ == 0 && headerPos_ < 0 && !lastPart_) Scan();
    if (available_ == 0 && headerPos_ >= 0) {
        EndPart();
        AdvanceParts();
    }
    if (available_ > 0) {
        PostData();
    } else if (lastPart_ && headerPos_ < 0 && inPart_) {
        EndPart();
        inPart_ = false;
        held_ = 0;
        buffer_[0] = 0;
    }
    return n;
}

void MultipartSplitter::SetInputEnded() {
    if (inputEnded_) return;
    inputEnded_ = true;
    if (headerPos_ < 0 && !lastPart_) Scan();
    AdvanceParts();
    if (available_ > 0) {
        PostData();
    } else if (inPart_ && (lastPart_ || boundaryPending_)) {
        EndPart();
    }
}
