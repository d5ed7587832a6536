// JPEG through our ZNJPG320.DLL beside the test: the pixels djpeg gives for
// the same files, whole and in pieces down to single bytes.
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "layout/JpegImage.h"
#include "layout/JpegLibrary.h"
#include "tests/layout/ImageTestSupport.h"

using image_test::Fixture;

TEST(JpegImage, DecodesToTheReferencePixels) {
    for (const char* name : {"baseline", "progressive", "grey"}) {
        SCOPED_TRACE(name);
        std::string data = Fixture(std::string("jpeg/") + name + ".jpg");
        int width = 0, height = 0;
        std::vector<uint8_t> reference =
            image_test::PnmRgb(Fixture(std::string("jpeg/") + name + ".pnm"), width, height);
        uint64_t first = 0;
        for (size_t piece : {data.size(), size_t{64}, size_t{1}}) {
            SCOPED_TRACE(piece);
            JpegImage image;
            image_test::FeedInPieces(image, data, piece);
            ASSERT_TRUE(image.IsComplete());
            const ImageFrame* frame = image.FrameByNumber(1);
            ASSERT_NE(nullptr, frame);
            EXPECT_EQ(width, frame->width);
            EXPECT_EQ(height, frame->rowsDecoded);
            EXPECT_EQ(reference, image_test::FrameRgb(image, *frame));
            uint64_t sum = image_test::DibChecksum(image);
            if (first == 0) first = sum;
            EXPECT_EQ(first, sum);
        }
    }
    EXPECT_EQ(1, JpegLibraryLoadAttempts());
}

TEST(JpegImage, BadDataEndsTheImage) {
    std::string data = Fixture("jpeg/baseline.jpg");
    data[200] = '\xff';
    data[201] = '\xd8';  // a second start of image inside the scan
    // A segment the decoder passes over that is longer than the data left.
    std::string skipped("\xff\xd8\xff\xe1\x10\x00", 6);
    skipped += std::string(50, 'x');
    for (const std::string& bad : {data, std::string("not a JPEG at all"), data.substr(0, 300), skipped}) {
        for (size_t piece : {bad.size(), size_t{10}}) {
            JpegImage image;
            image_test::FeedInPieces(image, bad, piece);
            EXPECT_TRUE(image.IsComplete()) << bad.size() << " bytes in pieces of " << piece;
        }
    }
    // Arithmetic coding cannot wait for data: refused however it arrives,
    // rather than shown or not by how the data came.
    const std::string arithmetic = Fixture("jpeg/arithmetic.jpg");
    for (size_t piece : {arithmetic.size(), size_t{64}}) {
        JpegImage image;
        image_test::FeedInPieces(image, arithmetic, piece);
        EXPECT_TRUE(image.IsComplete());
        EXPECT_EQ(0u, image.GetDibSize()) << "pieces of " << piece;
    }
}
