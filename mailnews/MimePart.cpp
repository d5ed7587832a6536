#include "mailnews/MimePart.h"

#include <algorithm>
#include <cctype>
#include <cstring>
#include <random>

#include "layout/FormEncoding.h"
#include "net/ContentTypes.h"
#include "net/UrlRecord.h"

namespace {
constexpr size_t kPieceSize = 16384;
constexpr int32_t kQpLineLimit = 75;
constexpr int32_t kBase64LineLimit = 60;
const char kBoundaryAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
const char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/=";
const char kHex[] = "0123456789ABCDEF";
const char kOctetStream[] = "application/octet-stream";

bool StartsWithNoCase(const std::string& text, const char* prefix) {
    const size_t n = std::strlen(prefix);
    if (text.size() < n) return false;
    for (size_t i = 0; i < n; ++i) {
        if (std::tolower(static_cast<unsigned char>(text[i])) != prefix[i]) return false;
    }
    return true;
}

bool IsTextType(const std::string& type) {
    return type.empty() || StartsWithNoCase(type, "text/");
}

// Tracks what the 7- and 8-bit kinds cannot carry: a NUL, (7-bit) a byte of
// 128 or more, a line over 998 characters; the count runs on across pieces.
class TextCheck {
public:
    explicit TextCheck(bool sevenBit) : sevenBit_(sevenBit) {}
    bool Feed(const char* p, size_t n) {
        for (size_t i = 0; i < n && fits_; ++i) {
            const unsigned char c = static_cast<unsigned char>(p[i]);
            if (c == 0 || (sevenBit_ && c >= 128)) fits_ = false;
            if (c == '\r' || c == '\n') {
                line_ = 0;
            } else if (++line_ > 998) {
                fits_ = false;
            }
        }
        return fits_;
    }

private:
    bool sevenBit_;
    bool fits_ = true;
    size_t line_ = 0;
};

// A boundary in the text right after a CR or an LF.
bool HoldsBoundary(const char* p, size_t n, const char* boundary) {
    const size_t length = boundary ? std::strlen(boundary) : 0;
    if (!length) return false;
    for (size_t i = 0; i + 1 + length <= n; ++i) {
        if ((p[i] == '\r' || p[i] == '\n') && std::memcmp(p + i + 1, boundary, length) == 0) return true;
    }
    return false;
}

std::mt19937& Random() {
    static std::mt19937 generator{std::random_device{}()};
    return generator;
}

// Copies as much of text (from pos) as fits; true when all of it is out.
bool CopyOut(const std::string& text, size_t& pos, char* buffer, int32_t& count, int32_t capacity) {
    const size_t room = capacity > count ? static_cast<size_t>(capacity - count) : 0;
    const size_t n = std::min(room, text.size() - pos);
    std::memcpy(buffer + count, text.data() + pos, n);
    count += static_cast<int32_t>(n);
    pos += n;
    return pos == text.size();
}

bool Fits(int32_t count, int32_t capacity, int32_t n) {
    return capacity - count >= n;
}
}  // namespace

// --- MimeMultipart -------------------------------------------------------------------------

MimeMultipart::MimeMultipart() = default;
MimeMultipart::~MimeMultipart() = default;

void MimeMultipart::Generate() {
    std::uniform_int_distribution<int> pick(0, 63);
    const char prefix[] = "_DIDOVI_=-";
    std::memcpy(boundary_, prefix, sizeof prefix - 1);
    for (int i = sizeof prefix - 1; i < kBoundaryLength; ++i)
        boundary_[i] = kBoundaryAlphabet[pick(Random())];
    boundary_[kBoundaryLength] = '\0';
}

int MimeMultipart::ChooseBoundary(const char* outer) {
    if (boundary_[0] && outer && std::strcmp(boundary_, outer) == 0) return kChooseHoldsA;
    for (;;) {
        while (!boundary_[0] || (outer && std::strcmp(boundary_, outer) == 0)) Generate();
        bool clash = false;
        for (const auto& child : children_) {
            const int r =
                outer ? child->ChooseEncoding(outer, boundary_) : child->ChooseEncoding(boundary_, nullptr);
            if (r == kChooseReady) continue;
            if (r == (outer ? kChooseHoldsB : kChooseHoldsA)) {
                boundary_[0] = '\0';
                clash = true;
                break;
            }
            return r;
        }
        if (!clash) break;
    }
    Rewind();
    return kChooseReady;
}

void MimeMultipart::Rewind() {
    files_ = 0;
    for (const auto& child : children_) {
        child->Rewind();
        if (child->IsFile()) ++files_;
    }
    noMoreChildren_ = children_.empty();
    lineWritten_ = false;
    emptyOpened_ = false;
    noCrLf_ = false;
    current_ = 0;
}

void MimeMultipart::SetEncoding(int kind) {
    for (const auto& child : children_) child->SetEncoding(kind);
}

int32_t MimeMultipart::FilesStarted() const {
    int32_t n = 0;
    for (size_t i = 0; i < children_.size() && i <= current_; ++i) {
        if (children_[i]->IsFile() && children_[i]->HasStarted()) ++n;
    }
    return n;
}

void MimeMultipart::ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) {
    for (;;) {
        if (!lineWritten_) {
            // An empty body still opens before it closes.
            const bool closing = noMoreChildren_ && (!children_.empty() || emptyOpened_);
            std::string line = noCrLf_ ? "" : "\r\n";
            line += "--";
            line += boundary_;
            if (closing) line += "--";
            line += "\r\n";
            if (!Fits(count, capacity, static_cast<int32_t>(line.size()))) return;
            std::memcpy(buffer + count, line.data(), line.size());
            count += static_cast<int32_t>(line.size());
            if (closing) {
                done = true;
                return;
            }
            lineWritten_ = true;
            if (children_.empty()) {
                lineWritten_ = false;
                emptyOpened_ = true;
                continue;
            }
        }
        bool childDone = false;
        MimePart& child = *children_[current_];
        child.ReadEncoded(buffer, count, capacity, childDone);
        if (!childDone) return;
        // A nested multipart already ended with its closing line's CR LF.
        noCrLf_ = child.IsMultipart();
        lineWritten_ = false;
        if (++current_ >= children_.size()) noMoreChildren_ = true;
    }
}

uint32_t MimeMultipart::EncodedSize() const {
    // Every line is "--", the boundary and CR LF, after a CR LF unless a
    // nested multipart ended just before; the closing line adds "--".
    const uint32_t line = 2 + kBoundaryLength + 2;
    if (children_.empty()) return (2 + line) + (2 + line + 2);
    uint32_t size = 0;
    bool afterMultipart = false;
    for (const auto& child : children_) {
        size += (afterMultipart ? 0 : 2) + line + child->EncodedSize(true);
        afterMultipart = child->IsMultipart();
    }
    return size + (afterMultipart ? 0 : 2) + line + 2;
}

// --- MimePart ------------------------------------------------------------------------------

MimePart::MimePart() = default;

MimePart::~MimePart() {
    CloseFile();
}

void MimePart::SetNames(const char* disposition, const char* name) {
    disposition_ = disposition ? disposition : "";
    name_ = name ? name : "";
}

void MimePart::SetContentType(const char* type) {
    contentType_ = type ? type : "";
    if (StartsWithNoCase(contentType_, "multipart/")) {
        flags_ |= kMultipartFlag;
    } else {
        flags_ &= ~kMultipartFlag;
    }
}

void MimePart::AddChild(std::unique_ptr<MimePart> part) {
    if (IsMultipart() && part) body_.Add(std::move(part));
}

void MimePart::SetData(const std::string& text) {
    data_ = text;
    totalSize_ = static_cast<uint32_t>(text.size());
}

void MimePart::SetEncoding(int kind) {
    kind_ = kind;
    if (IsMultipart()) body_.SetEncoding(kind);
}

void MimePart::SetSource(const char* text) {
    std::string source = text ? text : "";
    const size_t quote = source.find('"');
    if (quote != std::string::npos)
        source.erase(std::remove(source.begin() + quote, source.end(), '"'), source.end());
    const size_t colon = source.find(':');
    const bool driveColon = colon == 1 && std::isalpha(static_cast<unsigned char>(source[0]));
    const bool isUrl = source.find("://") != std::string::npos || (colon != std::string::npos && !driveColon);
    if (isUrl && StartsWithNoCase(source, "file:")) {
        const std::string rest = source.substr(5);
        if (rest.compare(0, 12, "//localhost/") == 0 || rest.compare(0, 4, "//./") == 0 ||
            rest.compare(0, 3, "///") == 0) {
            source = LocalPathOfFileUrl(source.c_str());
        } else {
            flags_ |= kExternalFlag;
            contentType_ = "message/external-body; access-type=URL; ";
        }
    } else if (isUrl) {
        static const char* const kRemote[] = {
            "http:", "https:", "ftp:", "gopher:", "wais:", "news:", "snews:"};
        bool remote = false;
        for (const char* scheme : kRemote) remote = remote || StartsWithNoCase(source, scheme);
        if (!remote) {
            flags_ |= kFailedFlag;
            return;
        }
        flags_ |= kExternalFlag;
        contentType_ = "message/external-body; access-type=URL";
    }
    if (flags_ & kExternalFlag) {
        source_ = source;
        const KnownContentType* known = FindContentTypeByExtension(ExtensionOfName(source.c_str()));
        SetData(std::string("Content-Type: ") + (known ? known->type : kOctetStream) +
                "\r\nContent-Transfer-Encoding: binary\r\n\r\nTHIS IS NOT REALLY THE BODY!\r\n");
        return;
    }
    flags_ |= kFileFlag;
    source_ = source;
    fileName_ = FileNameFromPath(source, contentType_);
}

std::string MimePart::FileNameFromPath(const std::string& path, std::string& contentType) {
    const size_t slash = path.find_last_of("/\\");
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    contentType = kOctetStream;
    for (size_t dot = name.find('.'); dot != std::string::npos; dot = name.find('.', dot + 1)) {
        if (const KnownContentType* known = FindContentTypeByExtension(name.substr(dot + 1))) {
            contentType = known->type;
            break;
        }
    }
    if (CountCharsToEncode(name.data(), name.size(), kMimeQuotedPrintableSpaces) == 0)
        return "\"" + name + "\"";
    MimeTextConverter converter;
    size_t length = 0;
    if (EncodeMimeText(converter, length, name.data(), name.size(), "ISO-8859-1",
                       kMimeQuotedPrintableSpaces) != kMimeTextDone) {
        return "\"\"";
    }
    return "=?ISO-8859-1?Q?" + converter.output + "?=";
}

int MimePart::ScanFile(const char* a, const char* b) {
    std::FILE* f = std::fopen(source_.c_str(), "rb");
    if (!f) return kChooseNoFile;
    const size_t keep = std::max(a ? std::strlen(a) : 0, b ? std::strlen(b) : 0) + 1;
    std::vector<char> piece(kPieceSize + keep);
    size_t held = 0;
    uint32_t total = 0;
    const bool check = (kind_ == kPartSevenBit || kind_ == kPartEightBit) && IsTextType(contentType_);
    TextCheck text(kind_ == kPartSevenBit);
    bool fits = true;
    int result = kChooseReady;
    for (;;) {
        const size_t n = std::fread(piece.data() + held, 1, kPieceSize, f);
        if (n < kPieceSize && std::ferror(f)) {
            result = kChooseNoFile;
            break;
        }
        total += static_cast<uint32_t>(n);
        if (check && fits) fits = text.Feed(piece.data() + held, n);
        if (HoldsBoundary(piece.data(), held + n, a)) {
            result = kChooseHoldsA;
            break;
        }
        if (HoldsBoundary(piece.data(), held + n, b)) {
            result = kChooseHoldsB;
            break;
        }
        if (n < kPieceSize) break;
        // The end of this piece stays in front of the next, so that a
        // boundary across two pieces is seen.
        std::memmove(piece.data(), piece.data() + held + n - keep, keep);
        held = keep;
    }
    std::fclose(f);
    if (result != kChooseReady) return result;
    totalSize_ = total;
    if (kind_ == kPartSevenBit || kind_ == kPartEightBit)
        kind_ = !check ? kPartBase64 : (fits ? kind_ : kPartQuotedPrintable);
    return kChooseReady;
}

int MimePart::ChooseEncoding(const char* a, const char* b) {
    CloseFile();
    if (flags_ & kFailedFlag) return kChooseReady;
    int result = kChooseReady;
    if (IsMultipart()) {
        result = body_.ChooseBoundary(a);
    } else if (IsFile()) {
        result = ScanFile(a, b);
        if (result != kChooseReady) return result;
    } else {
        if (a && *a && data_.find(a) != std::string::npos) return kChooseHoldsA;
        if (b && *b && data_.find(b) != std::string::npos) return kChooseHoldsB;
        if (kind_ == kPartSevenBit || kind_ == kPartEightBit) {
            TextCheck text(kind_ == kPartSevenBit);
            if (!text.Feed(data_.data(), data_.size())) {
                kind_ = kPartQuotedPrintable;
                MimeTextConverter converter;
                size_t length = 0;
                if (EncodeMimeText(converter, length, data_.data(), data_.size(), "ISO-8859-1",
                                   kMimeQuotedPrintable) != kMimeTextDone) {
                    flags_ |= kFailedFlag;
                    return kChooseReady;
                }
                SetData(converter.output);
            }
        }
    }
    switch (kind_) {
        case kPartBase64:
            encodingName_ = "Base64";
            break;
        case kPartQuotedPrintable:
            encodingName_ = "Quoted-Printable";
            break;
        case kPartBinary:
            encodingName_ = "Binary";
            break;
        default:
            encodingName_.clear();
            break;
    }
    if (kind_ == kPartSevenBit || kind_ == kPartEightBit || kind_ == kPartQuotedPrintable) {
        flags_ &= ~kBinaryFlag;
    } else {
        flags_ |= kBinaryFlag;
    }
    BuildHeaders();
    return result;
}

void MimePart::BuildHeaders() {
    header_.clear();
    if (!disposition_.empty()) {
        header_ += "Content-Disposition: " + disposition_;
        if (!name_.empty()) header_ += "; name=\"" + name_ + "\"";
        if (IsFile()) header_ += "; filename=" + fileName_;
        header_ += "\r\n";
    }
    if (!contentType_.empty()) {
        header_ += "Content-Type: " + contentType_;
        if (IsMultipart()) header_ += std::string("; boundary=\"") + body_.Boundary() + "\"";
        if (flags_ & kExternalFlag) {
            header_ += ";\r\n       URL=\"";
            for (size_t i = 0; i < source_.size(); i += 40) {
                if (i) header_ += "\r\n         ";
                header_ += source_.substr(i, 40);
            }
            header_ += "\"";
        }
        header_ += "\r\n";
    }
    if (!encodingName_.empty() && kind_ != 8 && kind_ != 9) {
        header_ += "Content-Transfer-Encoding: " + encodingName_ + "\r\n";
    }
    header_ += extraHeaders_;
    if (!IsMultipart()) header_ += "\r\n";
    if (!IsMultipart() && !IsFile()) header_ += data_;
    if (header_.empty()) flags_ |= kFailedFlag;
}

void MimePart::Rewind() {
    CloseFile();
    flags_ &= ~(kStartedFlag | kHeaderPendingFlag);
    outPos_ = 0;
    lineLength_ = 0;
    if (IsMultipart()) body_.Rewind();
}

void MimePart::CloseFile() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
    std::vector<char>().swap(in_);
    inPos_ = inLength_ = 0;
    endOfFile_ = false;
}

uint32_t MimePart::EncodedSize(bool withHeaders) const {
    if (flags_ & kFailedFlag) return 0;
    if (!withHeaders) return totalSize_;
    uint32_t size = static_cast<uint32_t>(header_.size());
    if (IsFile()) size += totalSize_;
    if (IsMultipart()) size += body_.EncodedSize();
    return size;
}

bool MimePart::OpenForReading() {
    file_ = std::fopen(source_.c_str(), (flags_ & kBinaryFlag) ? "rb" : "r");
    if (!file_) return false;
    in_.resize(std::max<size_t>(16, std::min<size_t>(totalSize_, kPieceSize)));
    inPos_ = inLength_ = 0;
    endOfFile_ = false;
    return true;
}

bool MimePart::Refill() {
    if (endOfFile_) return true;
    std::memmove(in_.data(), in_.data() + inPos_, inLength_ - inPos_);
    inLength_ -= inPos_;
    inPos_ = 0;
    const size_t want = in_.size() - inLength_;
    const size_t n = std::fread(in_.data() + inLength_, 1, want, file_);
    inLength_ += n;
    if (n < want) {
        if (std::ferror(file_)) return false;
        endOfFile_ = true;
    }
    return true;
}

void MimePart::ReadFile(char* buffer, int32_t& count, int32_t capacity, bool& done) {
    for (;;) {
        const size_t left = inLength_ - inPos_;
        // A group needs three bytes; a blank or CR needs to see what follows.
        if (!endOfFile_ && (left < 3 || ((kind_ != kPartBase64) && left < 2))) {
            if (!Refill()) {
                flags_ |= kFailedFlag;
                done = true;
                CloseFile();
                return;
            }
            continue;
        }
        if (inPos_ >= inLength_) {
            CloseFile();
            done = true;
            return;
        }
        const char* p = in_.data() + inPos_;
        const size_t n = inLength_ - inPos_;
        char out[8];
        int32_t length = 0;
        size_t used = 1;
        bool restart = false;
        if (kind_ == kPartBase64) {
            used = std::min<size_t>(3, n);
            const auto* u = reinterpret_cast<const unsigned char*>(p);
            const uint32_t v = (u[0] << 16) | (used > 1 ? u[1] << 8 : 0) | (used > 2 ? u[2] : 0);
            if (lineLength_ >= kBase64LineLimit) {
                out[length++] = '\r';
                out[length++] = '\n';
            }
            out[length++] = kBase64Alphabet[(v >> 18) & 63];
            out[length++] = kBase64Alphabet[(v >> 12) & 63];
            out[length++] = used > 1 ? kBase64Alphabet[(v >> 6) & 63] : '=';
            out[length++] = used > 2 ? kBase64Alphabet[v & 63] : '=';
        } else if (kind_ == kPartQuotedPrintable || kind_ == kPartSevenBit || kind_ == kPartEightBit) {
            const char c = p[0];
            if (c == '\r' || c == '\n') {
                used = (c == '\r' && n > 1 && p[1] == '\n') ? 2 : 1;
                out[length++] = '\r';
                out[length++] = '\n';
                restart = true;
            } else if (kind_ == kPartQuotedPrintable) {
                const unsigned char u = static_cast<unsigned char>(c);
                const bool lastBlank = c == ' ' && (n == 1 || p[1] == '\r' || p[1] == '\n');
                if (lineLength_ >= kQpLineLimit) {
                    out[length++] = '=';
                    out[length++] = '\r';
                    out[length++] = '\n';
                }
                if (CharNeedsQuotedPrintable(u, 0) || lastBlank) {
                    out[length++] = '=';
                    out[length++] = kHex[u >> 4];
                    out[length++] = kHex[u & 15];
                } else {
                    out[length++] = c;
                }
            } else {
                out[length++] = c;
            }
        } else {
            // Raw kinds: as much as fits at once.
            const size_t room = static_cast<size_t>(capacity - count);
            if (room == 0) return;
            const size_t take = std::min(room, n);
            std::memcpy(buffer + count, p, take);
            count += static_cast<int32_t>(take);
            inPos_ += take;
            continue;
        }
        if (!Fits(count, capacity, length)) return;
        std::memcpy(buffer + count, out, static_cast<size_t>(length));
        count += length;
        inPos_ += used;
        if (restart) {
            lineLength_ = 0;
        } else if (kind_ == kPartBase64 && lineLength_ >= kBase64LineLimit) {
            lineLength_ = 4;
        } else if (kind_ == kPartQuotedPrintable && length >= 3 && out[0] == '=' && out[1] == '\r') {
            lineLength_ = length - 3;
        } else {
            lineLength_ += length;
        }
    }
}

void MimePart::ReadEncoded(char* buffer, int32_t& count, int32_t capacity, bool& done) {
    if (flags_ & kFailedFlag) {
        done = true;
        return;
    }
    if (!(flags_ & kStartedFlag)) {
        flags_ |= kStartedFlag | kHeaderPendingFlag;
        outPos_ = 0;
        lineLength_ = 0;
    }
    if (flags_ & kHeaderPendingFlag) {
        if (!CopyOut(header_, outPos_, buffer, count, capacity)) return;
        flags_ &= ~kHeaderPendingFlag;
    }
    if (IsMultipart()) {
        body_.ReadEncoded(buffer, count, capacity, done);
        return;
    }
    if (!IsFile()) {
        done = true;
        return;
    }
    if (!file_ && !OpenForReading()) {
        flags_ |= kFailedFlag;
        done = true;
        return;
    }
    ReadFile(buffer, count, capacity, done);
}
