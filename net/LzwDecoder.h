// The decoder of the Unix compress format (".Z": adaptive LZW with codes of
// 9 to 16 bits), for replies sent with the content encoding "x-compress".
// Works from one standard stream to another; platform-free.
//
// Every table is taken once, when the decoder is made, so decoding itself
// allocates nothing.
#pragma once

#include <cstdint>
#include <cstdio>

#include "core/GlobalMemory.h"

class LzwDecoder {
public:
    LzwDecoder();
    ~LzwDecoder();
    LzwDecoder(const LzwDecoder&) = delete;
    LzwDecoder& operator=(const LzwDecoder&) = delete;

    // False when the tables could not be had: Decode then fails at once.
    bool IsReady() const { return ready_; }

    // Decodes the whole of in into out. True only when the input was a
    // complete, well-formed stream and every byte was written and flushed;
    // on false the output holds a prefix of the data at most.
    [[nodiscard]] bool Decode(std::FILE* in, std::FILE* out);

    // The next code of the input, or -1 at its end.
    int32_t GetCode(std::FILE* in);

    // Longest string one code may stand for.
    static constexpr int32_t kStackSize = 8192;

private:
    static constexpr int kPrefixBlocks = 4;  // 16384 entries each
    static constexpr int kSuffixBlocks = 2;  // 32768 bytes each
    static constexpr int32_t kPrefixPerBlock = 16384;
    static constexpr int32_t kSuffixPerBlock = 32768;

    GlobalBlock prefixBlocks_[kPrefixBlocks];
    GlobalBlock suffixBlocks_[kSuffixBlocks];
    GlobalBlock stackBlock_;
    bool ready_ = false;

    int32_t width_ = 9;
    int32_t largestWidth_ = 16;
    int32_t largestCode_ = 1 << 16;
    int32_t widthLimit_ = 511;

    // Code reader state.
    unsigned char group_[16] = {};
    int32_t groupBytes_ = 0;
    int32_t bitOffset_ = 0;
    int32_t usableBits_ = 0;
    int32_t nextFree_ = 256;
    bool clear_ = false;
    // Set when the input ended in the middle of a code: the stream was cut.
    bool cut_ = false;

    uint32_t& Prefix(int32_t code) {
        return reinterpret_cast<uint32_t*>(prefixBlocks_[code / kPrefixPerBlock].start)[code % kPrefixPerBlock];
    }
    unsigned char& Suffix(int32_t code) { return suffixBlocks_[code / kSuffixPerBlock].start[code % kSuffixPerBlock]; }
    void Release();
    void ResetReader();
};
