// Without ZNJPG320.DLL beside the program: JPEG images stay empty, loading
// the library is tried once in the run, and nothing else fails.
#include <gtest/gtest.h>

#include "layout/GifImage.h"
#include "layout/JpegImage.h"
#include "layout/JpegLibrary.h"
#include "tests/layout/ImageTestSupport.h"

TEST(JpegWithoutLibrary, ImagesStayEmptyAndLoadingIsTriedOnce) {
    for (int i = 0; i < 3; ++i) {
        JpegImage image;
        image_test::FeedInPieces(image, image_test::Fixture("jpeg/baseline.jpg"), 100);
        EXPECT_TRUE(image.IsComplete());
        EXPECT_EQ(0u, image.GetDibSize());
    }
    EXPECT_EQ(1, JpegLibraryLoadAttempts());
    GifImage gif;
    image_test::FeedWhole(gif, image_test::Fixture("gif/plain.gif"));
    EXPECT_NE(0u, gif.GetDibSize());
}
