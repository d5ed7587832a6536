// The GIF, BMP and XBM decoders against reference pixels that ImageMagick
// gives for the same files, fed whole and in pieces down to single bytes.
#include <cstring>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "layout/BmpImage.h"
#include "layout/GifImage.h"
#include "layout/ImageRaster.h"
#include "layout/XbmImage.h"
#include "tests/layout/ImageTestSupport.h"

using image_test::DibChecksum;
using image_test::FeedInPieces;
using image_test::FeedWhole;
using image_test::Fixture;

namespace {

std::vector<uint8_t> Bytes(const std::string& s) {
    return std::vector<uint8_t>(s.begin(), s.end());
}

// Opaque pixels must match in colour; transparent ones only as transparent.
void ExpectSameRgba(const std::vector<uint8_t>& ours, const std::vector<uint8_t>& reference) {
    ASSERT_EQ(ours.size(), reference.size());
    for (size_t i = 0; i < ours.size(); i += 4) {
        ASSERT_EQ(ours[i + 3], reference[i + 3]) << "alpha of pixel " << i / 4;
        if (reference[i + 3] == 0) continue;
        ASSERT_EQ(0, memcmp(&ours[i], &reference[i], 3)) << "pixel " << i / 4;
    }
}

struct GifCase {
    const char* name;
    unsigned frames;
    int loops;
};

}  // namespace

TEST(GifImage, FixturesMatchReferencePixelsWholeAndInPieces) {
    const GifCase cases[] = {
        {"plain", 1, 1},
        {"interlaced", 1, 1},
        {"four", 1, 1},
        {"mono", 1, 1},
        {"transparent", 1, 1},
        {"loop2", 4, 2},
        {"forever", 3, Image::kLoopForever},
    };
    for (const GifCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::string data = Fixture(std::string("gif/") + c.name + ".gif");
        GifImage image;
        FeedWhole(image, data);
        ASSERT_TRUE(image.IsComplete());
        ASSERT_EQ(c.frames, image.FrameCount());
        EXPECT_EQ(c.loops, image.LoopCount());
        for (unsigned n = 1; n <= c.frames; ++n) {
            SCOPED_TRACE(n);
            const ImageFrame& frame = *image.FrameByNumber(static_cast<int>(n));
            EXPECT_EQ(frame.height, frame.rowsDecoded);
            std::string reference =
                Fixture(std::string("gif/") + c.name + "." + std::to_string(n - 1) + ".rgba");
            ExpectSameRgba(image_test::FramePixels(image, frame), Bytes(reference));
        }
        std::vector<uint64_t> sums;
        for (size_t piece : {data.size(), size_t{7}, size_t{1}}) {
            GifImage fed;
            FeedInPieces(fed, data, piece);
            EXPECT_TRUE(fed.IsComplete());
            sums.push_back(DibChecksum(fed));
        }
        EXPECT_NE(0u, sums[0]);
        EXPECT_EQ(sums[0], sums[1]);
        EXPECT_EQ(sums[0], sums[2]);
    }
}

TEST(GifImage, AnimationFramesKeepPlacesDelaysAndDisposals) {
    GifImage image;
    FeedWhole(image, Fixture("gif/loop2.gif"));
    struct Expected {
        int left, top, width, height, disposal;
    } expected[] = {{0, 0, 24, 16, 1}, {2, 3, 10, 5, 2}, {6, 1, 7, 9, 3}, {0, 8, 24, 8, 1}};
    for (int n = 0; n < 4; ++n) {
        const ImageFrame& f = *image.FrameByNumber(n + 1);
        EXPECT_EQ(expected[n].left, f.left);
        EXPECT_EQ(expected[n].top, f.top);
        EXPECT_EQ(expected[n].width, f.width);
        EXPECT_EQ(expected[n].height, f.height);
        EXPECT_EQ(expected[n].disposal, f.disposal);
        EXPECT_EQ(3, f.delay);
    }
    EXPECT_EQ(24, image.Width());
    EXPECT_EQ(16, image.Height());
    GifImage transparent;
    FeedWhole(transparent, Fixture("gif/transparent.gif"));
    EXPECT_GE(transparent.FrameByNumber(1)->transparent, 0);
}

TEST(GifImage, SignaturesAndBadData) {
    std::string plain = Fixture("gif/plain.gif");
    struct Case {
        const char* name;
        std::string data;
        bool decodes;
    } cases[] = {
        {"87a", "GIF87a" + plain.substr(6), true},
        {"89a", plain, true},
        {"8Xa", "GIF8Xa" + plain.substr(6), false},
        {"png", std::string("\x89PNG\r\n\x1a\n", 8) + plain.substr(8), false},
        // A 1 x 1 frame whose LZW data claims a minimum code size of 10.
        {"code size 10", std::string("GIF89a\1\0\1\0\0\0\0,\0\0\0\0\1\0\1\0\0\x0a\2\0\0\0;", 27), false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        GifImage image;
        FeedWhole(image, c.data);
        EXPECT_TRUE(image.IsComplete());
        ImageFrame* frame = image.FrameByNumber(1);
        EXPECT_EQ(c.decodes, frame != nullptr && frame->rowsDecoded > 0);
    }
}

TEST(GifImage, CutHeaderWaitsWithEveryByteUnconsumed) {
    std::string data = Fixture("gif/plain.gif").substr(0, 13);
    GifImage image;
    EXPECT_EQ(13u, image.Decode(reinterpret_cast<const uint8_t*>(data.data()), 13, true));
    EXPECT_FALSE(image.IsComplete());
    EXPECT_EQ(0u, image.FrameCount());
}

TEST(GifImage, FrameWiderThanTheLineBufferIsRefused) {
    GifImage image;
    FeedInPieces(image, Fixture("gif/wide.gif"), 5);
    EXPECT_TRUE(image.IsComplete());
    ImageFrame* frame = image.FrameByNumber(1);
    EXPECT_TRUE(frame == nullptr || frame->rowsDecoded == 0);
    EXPECT_EQ(0u, image.GetDibSize());
}

namespace {

// A GIF of one frame whose pixels are coded as they are, however many there
// are and whatever their values: each code follows a clear code, so every
// code has the minimum size plus one and no table entry is ever made.
std::string HandMadeGif(int width, int height, int colours, int minimum, const std::vector<int>& pixels) {
    std::string out = "GIF89a";
    auto word = [&](int v) { out += {static_cast<char>(v & 0xFF), static_cast<char>(v >> 8)}; };
    word(width);
    word(height);
    int sizeBits = 0;
    while ((2 << sizeBits) < colours) ++sizeBits;
    out += {static_cast<char>(0x80 | sizeBits), 0, 0};
    for (int i = 0; i < (2 << sizeBits); ++i) out += {static_cast<char>(i * 8), static_cast<char>(i), 0};
    out += ',';
    word(0);
    word(0);
    word(width);
    word(height);
    out += '\0';
    out += static_cast<char>(minimum);
    const int clear = 1 << minimum, size = minimum + 1;
    std::string packed;
    uint32_t bits = 0;
    int count = 0;
    auto put = [&](int code) {
        bits |= static_cast<uint32_t>(code) << count;
        for (count += size; count >= 8; count -= 8, bits >>= 8) packed += static_cast<char>(bits & 0xFF);
    };
    for (int p : pixels) {
        put(clear);
        put(p);
    }
    put(clear + 1);
    if (count > 0) packed += static_cast<char>(bits & 0xFF);
    for (size_t at = 0; at < packed.size(); at += 255) {
        std::string block = packed.substr(at, 255);
        out += static_cast<char>(block.size());
        out += block;
    }
    out += '\0';
    out += ';';
    return out;
}

}  // namespace

TEST(GifImage, RowsPastTheHeightAndIndicesPastTheTableAreKeptOut) {
    struct Case {
        const char* name;
        int width, height, colours, minimum;
        std::vector<int> pixels;
        std::vector<std::vector<uint8_t>> rows;  // as stored
    } cases[] = {
        {"a third row for a frame of two", 3, 2, 256, 8, {1, 2, 3, 4, 5, 6, 7, 8, 9}, {{1, 2, 3}, {4, 5, 6}}},
        {"indices 2 and 3 of a 2-colour table", 4, 1, 2, 2, {0, 1, 2, 3}, {{0x50}}},
        {"indices 17 and 31 of a 16-colour table", 2, 1, 16, 5, {17, 31}, {{0x1F}}},
        {"index 40 of a 32-colour table", 2, 1, 32, 6, {40, 31}, {{8, 31}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string data = HandMadeGif(c.width, c.height, c.colours, c.minimum, c.pixels);
        for (size_t piece : {data.size(), size_t{1}}) {
            GifImage image;
            FeedInPieces(image, data, piece);
            ASSERT_TRUE(image.IsComplete());
            const ImageFrame& frame = *image.FrameByNumber(1);
            ASSERT_EQ(c.height, frame.rowsDecoded);
            for (int y = 0; y < c.height; ++y) {
                const std::vector<uint8_t>& want = c.rows[static_cast<size_t>(y)];
                ASSERT_EQ(want.size(), frame.RowBytes());
                EXPECT_EQ(0, memcmp(want.data(), frame.Row(y), want.size())) << "row " << y;
            }
        }
    }
}

TEST(GifImage, InterlacedRowsShowCoarseFirst) {
    std::string data = Fixture("gif/interlaced.gif");
    GifImage image;
    std::string pending;
    size_t at = 0;
    ImageFrame* frame = nullptr;
    while (at < data.size() && !(frame && frame->rowsDecoded > 0)) {
        pending += data[at++];
        uint32_t left = image.Decode(reinterpret_cast<const uint8_t*>(pending.data()),
                                     static_cast<uint32_t>(pending.size()), true);
        pending.erase(0, pending.size() - left);
        frame = image.CurrentFrame();
    }
    ASSERT_TRUE(frame && frame->interlaced);
    ASSERT_GE(frame->height, 16);
    EXPECT_EQ(8, frame->rowsDecoded);
    for (int y = 1; y < 8; ++y) EXPECT_EQ(0, memcmp(frame->Row(0), frame->Row(y), frame->RowBytes())) << y;
}

TEST(ImageComposition, EachFrameShowsWhatTheDisposalsLeave) {
    GifImage image;
    FeedWhole(image, Fixture("gif/loop2.gif"));
    ASSERT_EQ(4u, image.FrameCount());
    ImageComposition composition;
    // Twice round: the second loop starts over from the first frame.
    for (int round = 0; round < 2; ++round) {
        for (int n = 1; n <= 4; ++n) {
            SCOPED_TRACE(n);
            ASSERT_TRUE(composition.Compose(image, n));
            std::vector<uint8_t> expected =
                Bytes(Fixture("gif/loop2.coalesced." + std::to_string(n - 1) + ".rgba"));
            const ImageRaster& picture = composition.Picture();
            ASSERT_EQ(expected.size(), picture.pixels.size() * 4);
            for (size_t i = 0; i < picture.pixels.size(); ++i) {
                bool shows = expected[4 * i + 3] != 0;
                ASSERT_EQ(shows, picture.shows[i] != 0) << "pixel " << i;
                if (!shows) continue;
                uint32_t rgb =
                    (uint32_t{expected[4 * i]} << 16) | (expected[4 * i + 1] << 8) | expected[4 * i + 2];
                ASSERT_EQ(rgb, picture.pixels[i]) << "pixel " << i;
            }
        }
    }
    EXPECT_FALSE(composition.Compose(image, 5));

    // A still frame of its own: the transparent index shows nothing.
    GifImage transparent;
    FeedWhole(transparent, Fixture("gif/transparent.gif"));
    ImageRaster raster;
    RasterOfFrame(transparent, *transparent.FrameByNumber(1), raster);
    std::vector<uint8_t> pixels = image_test::FramePixels(transparent, *transparent.FrameByNumber(1));
    for (size_t i = 0; i < raster.shows.size(); ++i) ASSERT_EQ(pixels[4 * i + 3] != 0, raster.shows[i] != 0);
    EXPECT_TRUE(raster.AnyHidden());
}

TEST(BmpImage, FixturesMatchReferencePixelsWholeAndInPieces) {
    for (const char* name :
         {"b24", "b8", "b4w5", "b1", "core", "topdown", "gap", "short", "b32", "fields", "rle8", "rle4"}) {
        SCOPED_TRACE(name);
        std::string data = Fixture(std::string("bmp/") + name + ".bmp");
        BmpImage image;
        FeedWhole(image, data);
        ASSERT_TRUE(image.IsComplete());
        ASSERT_EQ(1u, image.FrameCount());
        const ImageFrame& frame = *image.FrameByNumber(1);
        EXPECT_EQ(frame.height, frame.rowsDecoded);
        EXPECT_EQ(Bytes(Fixture(std::string("bmp/") + name + ".rgb")), image_test::FrameRgb(image, frame));
        uint64_t whole = DibChecksum(image);
        for (size_t piece : {size_t{7}, size_t{1}}) {
            BmpImage fed;
            FeedInPieces(fed, data, piece);
            EXPECT_EQ(whole, DibChecksum(fed)) << "pieces of " << piece;
        }
    }
}

TEST(BmpImage, DibSizesFollowTheBitCount) {
    BmpImage colour;
    FeedWhole(colour, Fixture("bmp/b24.bmp"));
    EXPECT_EQ(40u + 24u * 5u, colour.GetDibSize());  // 7 pixels: 21 bytes padded to 24, no table
    BmpImage narrow;
    FeedWhole(narrow, Fixture("bmp/b4w5.bmp"));
    EXPECT_EQ(3u, narrow.FrameByNumber(1)->RowBytes());
    EXPECT_EQ(40u + 64u + 4u * 4u, narrow.GetDibSize());
}

TEST(BmpImage, UnreadableFormsEndCleanly) {
    std::string b24 = Fixture("bmp/b24.bmp");
    auto withLong = [&](size_t at, int32_t value) {
        std::string d = b24;
        memcpy(&d[at], &value, 4);  // little-endian on every target we build
        return d;
    };
    auto withWord = [&](size_t at, uint16_t value) {
        std::string d = b24;
        memcpy(&d[at], &value, 2);
        return d;
    };
    struct Case {
        const char* name;
        std::string data;
    } cases[] = {
        {"16 bits", withWord(28, 16)},
        {"RLE at 24 bits", withLong(30, 1)},
        {"top-down RLE",
         [&] {
             std::string d = Fixture("bmp/rle8.bmp");
             int32_t up = -23;
             memcpy(&d[22], &up, 4);
             return d;
         }()},
        {"huge width", withLong(18, 100000)},
        {"huge top-down height", withLong(22, -100000)},
        {"most negative height", withLong(22, INT32_MIN)},
        {"zero width", withLong(18, 0)},
        {"header size 7", withLong(14, 7)},
        {"cut in the rows", b24.substr(0, 80)},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpImage image;
        FeedWhole(image, c.data);
        EXPECT_TRUE(image.IsComplete());
        ImageFrame* frame = image.FrameByNumber(1);
        EXPECT_TRUE(!frame || frame->rowsDecoded < 5);
    }
}

TEST(BmpImage, RunsMoveClipAndEndEarly) {
    // A 4 x 3 picture at 8 bits, rows bottom-up: a run that overflows the
    // width, a move one right, three literal pixels, then the end
    // before the top row, which keeps colour 0.
    const uint8_t runs[] = {6, 1, 0, 0, 0, 2, 1, 0, 0, 3, 2, 3, 1, 0, 0, 0, 0, 1};
    std::string data(14, '\0');
    data[0] = 'B';
    data[1] = 'M';
    std::string info(40, '\0');
    const int32_t fields[] = {40, 4, 3};
    memcpy(&info[0], fields, sizeof fields);
    info[12] = 1;
    info[14] = 8;
    info[16] = 1;  // RLE at 8 bits
    info[32] = 4;  // four colours
    data += info;
    for (int i = 0; i < 4; ++i) data += std::string{char(i * 60), char(i * 60), char(i * 60), 0};
    data.append(reinterpret_cast<const char*>(runs), sizeof runs);
    const uint8_t expected[3][4] = {{0, 0, 0, 0}, {0, 2, 3, 1}, {1, 1, 1, 1}};
    for (size_t piece : {data.size(), size_t{1}}) {
        SCOPED_TRACE(piece);
        BmpImage image;
        FeedInPieces(image, data, piece);
        ASSERT_TRUE(image.IsComplete());
        const ImageFrame& frame = *image.FrameByNumber(1);
        EXPECT_EQ(3, frame.rowsDecoded);
        for (int y = 0; y < 3; ++y) {
            ASSERT_NE(nullptr, frame.Row(y));
            EXPECT_EQ(0, memcmp(expected[y], frame.Row(y), 4)) << "row " << y;
        }
    }
}

namespace {
// The built-in pictures asked for, and what the program holds: a packed
// bitmap (the b8 fixture without its file header) under button picture 7.
std::vector<int> g_picturesAsked;
std::string g_packed;
const uint8_t* TestPictures(int id, uint32_t& available) {
    g_picturesAsked.push_back(id);
    available = static_cast<uint32_t>(g_packed.size());
    return id == 7 ? reinterpret_cast<const uint8_t*>(g_packed.data()) : nullptr;
}
}  // namespace

TEST(BmpImage, BuiltInPicturesByName) {
    std::string file = Fixture("bmp/b8.bmp");
    g_packed = file.substr(14);
    SetBuiltInPictureSource(&TestPictures);
    BmpImage zintu;
    EXPECT_EQ(1, zintu.LoadBuiltIn("internal-zintu"));
    BmpImage reference;
    FeedWhole(reference, file);
    EXPECT_EQ(DibChecksum(reference), DibChecksum(zintu));
    const ImageFrame& frame = *zintu.FrameByNumber(1);
    EXPECT_EQ(frame.Row(0)[0], frame.transparent);  // the top-left colour

    // Other names ask for other pictures; one the program lacks is empty.
    BmpImage directory;
    BmpImage other;
    EXPECT_EQ(1, directory.LoadBuiltIn("internal-directory"));
    EXPECT_EQ(1, other.LoadBuiltIn("internal-other"));
    EXPECT_EQ(0u, directory.FrameCount());
    EXPECT_EQ((std::vector<int>{7, 1, 0}), g_picturesAsked);

    // A header that claims more than a built-in picture may hold, or more
    // than there is, reads nothing.
    int32_t tall = 2000;
    memcpy(&g_packed[8], &tall, 4);
    BmpImage huge;
    EXPECT_EQ(1, huge.LoadBuiltIn("internal-zintu"));
    EXPECT_EQ(0u, huge.FrameCount());
    g_packed = file.substr(14, 300);
    BmpImage cut;
    EXPECT_EQ(1, cut.LoadBuiltIn("internal-zintu"));
    EXPECT_EQ(0u, cut.FrameCount());
    SetBuiltInPictureSource(nullptr);
}

TEST(XbmImage, FixturesMatchReferencePixels) {
    for (const char* name : {"tiny", "grey"}) {
        SCOPED_TRACE(name);
        std::string data = Fixture(std::string("xbm/") + name + ".xbm");
        XbmImage image;
        FeedWhole(image, data);
        ASSERT_TRUE(image.IsComplete());
        const ImageFrame& frame = *image.FrameByNumber(1);
        EXPECT_EQ(Bytes(Fixture(std::string("xbm/") + name + ".rgb")), image_test::FrameRgb(image, frame));
        XbmImage fed;
        FeedInPieces(fed, data, 1);
        EXPECT_EQ(DibChecksum(image), DibChecksum(fed));
    }
}

TEST(XbmImage, NineByTwoGivesTwoRowsOfTwoBytes) {
    XbmImage image;
    FeedWhole(
        image,
        "#define a_width 9\n#define a_height 2\nstatic char a_bits[] = {0x01, 0xzz, 0x80, 0x03,\n0xff};");
    const ImageFrame& frame = *image.FrameByNumber(1);
    ASSERT_EQ(2u, frame.RowBytes());
    EXPECT_EQ(2, frame.rowsDecoded);
    EXPECT_EQ(0x80, frame.Row(0)[0]);
    EXPECT_EQ(0x01, frame.Row(0)[1]);
    EXPECT_EQ(0xC0, frame.Row(1)[0]);
    EXPECT_EQ(0xFF, frame.Row(1)[1]);
}
