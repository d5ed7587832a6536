#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <string>

#include "core/GlobalMemory.h"
#include "net/LzwDecoder.h"
#include "tests/support/TestPaths.h"

using testing_support::ReadWholeFile;
using testing_support::ScratchDir;
using testing_support::SourcePath;
using testing_support::WriteWholeFile;

namespace {

std::string Fixture(const std::string& name) {
    return ReadWholeFile(SourcePath("tests/net/data/compress/" + name));
}

struct Result {
    bool ok;
    std::string out;
};

Result DecodeBytes(LzwDecoder& decoder, const std::string& input) {
    ScratchDir dir;
    WriteWholeFile(dir.File("in.Z"), input);
    std::FILE* in = std::fopen(dir.File("in.Z").c_str(), "rb");
    std::FILE* out = std::fopen(dir.File("out").c_str(), "wb");
    EXPECT_TRUE(in && out);
    bool ok = decoder.Decode(in, out);
    std::fclose(in);
    std::fclose(out);
    return {ok, ReadWholeFile(dir.File("out"))};
}

TEST(LzwDecoder, OutputOfCompressDecodesByteForByte) {
    LzwDecoder decoder;
    ASSERT_TRUE(decoder.IsReady());
    // The 9-bit sample is short: the compress command writes a code it
    // cannot hold in 9 bits once that table is full (its own decoder
    // refuses such files too).
    for (const char* name : {"short.b9.Z", "sample.b10.Z", "sample.b11.Z", "sample.b12.Z", "sample.b13.Z",
                             "sample.b14.Z", "sample.b15.Z", "sample.b16.Z"}) {
        SCOPED_TRACE(name);
        std::string plain = Fixture(name[1] == 'h' ? "short.bin" : "sample.bin");
        ASSERT_FALSE(plain.empty());
        // One decoder serves one stream after the other.
        Result r = DecodeBytes(decoder, Fixture(name));
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.out == plain) << r.out.size() << " bytes of " << plain.size();
    }
}

#ifndef _WIN32
// Larger inputs through the compress command itself: the code width climbs
// to its largest, the table fills, and the writer clears it when the ratio
// drops. (The command's 9-bit output of a full table is unreadable.)
TEST(LzwDecoder, LargeInputsAtEveryWidthRoundTrip) {
    ScratchDir dir;
    std::string plain;
    uint32_t x = 12345;
    for (int i = 0; i < 300000; ++i) {
        x = x * 1103515245u + 12345u;
        // Mostly a small alphabet (long strings), now and then noise.
        plain.push_back(static_cast<char>((i / 25000) % 3 == 2 ? (x >> 16) : 'a' + (x >> 16) % 6));
    }
    WriteWholeFile(dir.File("plain"), plain);
    LzwDecoder decoder;
    for (int bits = 10; bits <= 16; ++bits) {
        SCOPED_TRACE("-b" + std::to_string(bits));
        std::string command =
            "compress -c -b" + std::to_string(bits) + " " + dir.File("plain") + " > " + dir.File("plain.Z");
        ASSERT_EQ(std::system(command.c_str()), 0) << command;
        Result r = DecodeBytes(decoder, ReadWholeFile(dir.File("plain.Z")));
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.out == plain) << r.out.size() << " bytes of " << plain.size();
    }
}
#endif

TEST(LzwDecoder, BadStreamsFailWithoutInventingData) {
    std::string good = Fixture("sample.b12.Z");
    std::string plain = Fixture("sample.bin");
    const struct {
        const char* what;
        std::string input;
    } cases[] = {
        {"empty", ""},
        {"header only", good.substr(0, 3)},
        {"wrong magic", "\x1f\x8b" + good.substr(2)},
        {"width 8", std::string("\x1f\x9d\x88", 3) + good.substr(3)},
        {"width 0", std::string("\x1f\x9d\x80", 3) + good.substr(3)},
        {"width 17", std::string("\x1f\x9d\x91", 3) + good.substr(3)},
        // 'A', then code 300 while the next free code is 257.
        {"code beyond the next free code", std::string("\x1f\x9d\x90\x41\x58\x02", 6)},
        {"first code no byte", std::string("\x1f\x9d\x90\x00\x01", 5)},
        {"cut inside a code", good.substr(0, good.size() - 1) + std::string()},
    };
    LzwDecoder decoder;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Result r = DecodeBytes(decoder, c.input);
        EXPECT_FALSE(r.ok);
    }
    // Whatever the cut, the result is a failure or the start of the data,
    // never bytes of its own. (A cut at a group's end cannot be told from
    // a shorter stream.)
    for (size_t n = 3; n < good.size(); n += 7) {
        Result r = DecodeBytes(decoder, good.substr(0, n));
        ASSERT_EQ(plain.compare(0, r.out.size(), r.out), 0) << "cut at " << n;
        ASSERT_LT(r.out.size(), plain.size()) << "cut at " << n;
    }
}

TEST(LzwDecoder, RepeatedBytesUseTheCodeNotYetDefined) {
    // "aaaaaa": 'a', then 257 ("aa", the code being defined), then 258.
    // Codes of 9 bits: 0x061, 0x101, 0x102, least significant bit first.
    std::string stream("\x1f\x9d\x90", 3);
    uint32_t bits = 0x61 | (0x101u << 9) | (0x102u << 18);
    for (int i = 0; i < 4; ++i) stream.push_back(static_cast<char>(bits >> (8 * i)));
    LzwDecoder decoder;
    Result r = DecodeBytes(decoder, stream);
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.out, "aaaaaa");
}

TEST(LzwDecoder, WithoutMemoryItFailsAtOnce) {
    GlobalMemoryFaultsForTesting().failAllocations = 1;
    LzwDecoder decoder;
    GlobalMemoryFaultsForTesting().failAllocations = 0;
    EXPECT_FALSE(decoder.IsReady());
    EXPECT_FALSE(DecodeBytes(decoder, Fixture("sample.b16.Z")).ok);
}

}  // namespace
