#include "net/LzwDecoder.h"

namespace {

constexpr unsigned char kMagic[2] = {0x1F, 0x9D};
constexpr unsigned char kMasks[9] = {0x00, 0x01, 0x03, 0x07, 0x0F, 0x1F, 0x3F, 0x7F, 0xFF};
constexpr int32_t kClearCode = 256;
constexpr int32_t kFirstWidth = 9;
constexpr int32_t kMaxWidth = 16;

}  // namespace

LzwDecoder::LzwDecoder() {
    bool ok = true;
    for (GlobalBlock& b : prefixBlocks_) ok = ok && AllocateGlobalBlock(kPrefixPerBlock * 4, b);
    for (GlobalBlock& b : suffixBlocks_) ok = ok && AllocateGlobalBlock(kSuffixPerBlock, b);
    ok = ok && AllocateGlobalBlock(kStackSize, stackBlock_);
    if (!ok) {
        Release();
        return;
    }
    ready_ = true;
}

LzwDecoder::~LzwDecoder() {
    Release();
}

void LzwDecoder::Release() {
    for (GlobalBlock& b : prefixBlocks_) FreeGlobalBlock(b);
    for (GlobalBlock& b : suffixBlocks_) FreeGlobalBlock(b);
    FreeGlobalBlock(stackBlock_);
    ready_ = false;
}

void LzwDecoder::ResetReader() {
    groupBytes_ = 0;
    bitOffset_ = 0;
    usableBits_ = 0;
    clear_ = false;
    cut_ = false;
}

int32_t LzwDecoder::GetCode(std::FILE* in) {
    bool exhausted = bitOffset_ >= usableBits_;
    if (clear_ || exhausted || nextFree_ > widthLimit_) {
        // Only a group used up by its codes tells where the writer stopped;
        // a width change or a clear starts a new group after a padded one.
        bool padded = nextFree_ > widthLimit_ || clear_;
        bool widthChange = nextFree_ > widthLimit_;
        if (widthChange) {
            ++width_;
            widthLimit_ = width_ == largestWidth_ ? largestCode_ : (1 << width_) - 1;
        }
        if (clear_) {
            width_ = kFirstWidth;
            widthLimit_ = (1 << kFirstWidth) - 1;
            clear_ = false;
        }
        // The bits an exhausted group still held: a writer pads its last
        // group to a whole byte, so a byte or more left over means that the
        // input was cut inside a code.
        int32_t leftover = groupBytes_ * 8 - bitOffset_;
        size_t n = std::fread(group_, 1, static_cast<size_t>(width_), in);
        if (n == 0) {
            if (exhausted && !padded && leftover >= 8) cut_ = true;
            groupBytes_ = 0;
            return -1;
        }
        groupBytes_ = static_cast<int32_t>(n);
        bitOffset_ = 0;
        usableBits_ = groupBytes_ * 8 - width_ + 1;
        if (usableBits_ <= 0) {
            // Fewer bytes than one code needs: the stream was cut.
            cut_ = true;
            return -1;
        }
    }
    // Least significant bit first: the rest of the first byte, whole bytes,
    // then the low bits of the last byte.
    int32_t offset = bitOffset_;
    const unsigned char* p = group_ + (offset >> 3);
    offset &= 7;
    int32_t bits = width_;
    int32_t code = *p++ >> offset;
    bits -= 8 - offset;
    int32_t shift = 8 - offset;
    if (bits >= 8) {
        code |= *p++ << shift;
        shift += 8;
        bits -= 8;
    }
    code |= (*p & kMasks[bits]) << shift;
    bitOffset_ += width_;
    return code;
}

bool LzwDecoder::Decode(std::FILE* in, std::FILE* out) {
    if (!ready_ || in == nullptr || out == nullptr) return false;
    ResetReader();
    int c0 = std::fgetc(in);
    int c1 = std::fgetc(in);
    if (c0 != kMagic[0] || c1 != kMagic[1]) return false;
    int flags = std::fgetc(in);
    if (flags == EOF) return false;
    largestWidth_ = flags & 0x1F;
    bool blockMode = (flags & 0x80) != 0;
    // Widths below the first code width cannot hold a literal byte and a
    // clear code; above 16 the tables are too small.
    if (largestWidth_ < kFirstWidth || largestWidth_ > kMaxWidth) return false;
    largestCode_ = 1 << largestWidth_;

    width_ = kFirstWidth;
    widthLimit_ = (1 << kFirstWidth) - 1;
    for (int32_t c = 0; c < 256; ++c) {
        Prefix(c) = 0;
        Suffix(c) = static_cast<unsigned char>(c);
    }
    nextFree_ = blockMode ? 257 : 256;

    int32_t previous = GetCode(in);
    // The first code is a byte of its own.
    if (previous < 0 || previous > 255) return false;
    unsigned char last = static_cast<unsigned char>(previous);
    if (std::fputc(last, out) == EOF) return false;

    unsigned char* stack = stackBlock_.start;
    int32_t code;
    while (!std::ferror(out) && (code = GetCode(in)) != -1) {
        if (code == kClearCode && blockMode) {
            for (int32_t c = 0; c < 256; ++c) Prefix(c) = 0;
            nextFree_ = 256;
            clear_ = true;
            code = GetCode(in);
            if (code == -1) break;
        }
        int32_t remembered = code;
        int32_t depth = 0;
        // A code beyond the next free one names no string yet: the stream
        // is damaged, and what it would decode to is invented.
        if (code > nextFree_) return false;
        if (code == nextFree_) {
            // The string that repeats its own first byte.
            stack[depth++] = last;
            code = previous;
        }
        while (code >= 256) {
            if (depth >= kStackSize) return false;
            stack[depth++] = Suffix(code);
            code = static_cast<int32_t>(Prefix(code));
        }
        if (depth >= kStackSize) return false;
        last = Suffix(code);
        stack[depth++] = last;
        while (depth > 0) {
            if (std::fputc(stack[--depth], out) == EOF) return false;
        }
        if (nextFree_ < largestCode_) {
            Prefix(nextFree_) = static_cast<uint32_t>(previous);
            Suffix(nextFree_) = last;
            ++nextFree_;
        }
        previous = remembered;
    }
    if (cut_ || std::ferror(out) || std::ferror(in)) return false;
    return std::fflush(out) == 0;
}
