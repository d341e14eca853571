#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageCompare, IdenticalAndAlphaOnlyDifferencesScoreZero) {
    Image a = Filled(5, 4, {10, 20, 30}, 0), b = Filled(5, 4, {10, 20, 30}, 0xff);
    EXPECT_EQ(a.Compare(a), 0u);
    EXPECT_EQ(a.Compare(b), 0u);
}

TEST(ImageCompare, LastRowAndLastColumnAreOutsideTheWindow) {
    Image a = Filled(4, 3, {0, 0, 0}), b = Filled(4, 3, {0, 0, 0});
    for (int x = 0; x < 4; ++x) SetPixel(b, x, 2, {255, 255, 255});
    for (int y = 0; y < 3; ++y) SetPixel(b, 3, y, {255, 255, 255});
    EXPECT_EQ(a.Compare(b), 0u);
    SetPixel(b, 2, 1, {255, 0, 0});  // the bottom-right pixel of the window does count
    EXPECT_EQ(a.Compare(b), 255u * 255u);
}

TEST(ImageCompare, OnePixelHighOrWideImagesScoreZero) {
    Image highA = Filled(7, 1, {0, 0, 0}), highB = Filled(7, 1, {255, 255, 255});
    Image wideA = Filled(1, 6, {0, 0, 0}), wideB = Filled(1, 6, {255, 255, 255});
    EXPECT_EQ(highA.Compare(highB), 0u);
    EXPECT_EQ(wideA.Compare(wideB), 0u);
}

TEST(ImageCompare, TwoByTwoCountsOnlyTheTopLeftPixel) {
    Image a = Filled(2, 2, {12, 200, 7}), b = Filled(2, 2, {99, 3, 250});
    SetPixel(a, 0, 0, {0, 0, 0});
    SetPixel(b, 0, 0, {255, 255, 255});
    EXPECT_EQ(a.Compare(b), 195075u);
    EXPECT_EQ(b.Compare(a), 195075u);
}

TEST(ImageCompare, ChannelDifferencesAreSquaredPerChannel) {
    Image a = Filled(3, 3, {50, 60, 70}), b = Filled(3, 3, {50, 60, 70});
    SetPixel(b, 1, 1, {60, 60, 67});  // red +10, blue -3
    EXPECT_EQ(a.Compare(b), 109u);
    SetPixel(b, 0, 1, {50, 62, 70});  // green +2
    EXPECT_EQ(a.Compare(b), 113u);
}

TEST(ImageCompare, SumIsSixtyFourBit) {
    Image black = Filled(200, 200, {0, 0, 0}), white = Filled(200, 200, {255, 255, 255});
    EXPECT_EQ(black.Compare(white), 7725165075ull);
}

TEST(ImageCompare, EmptyOrMismatchedImagesNeverReadOutside) {
    Image small = Filled(3, 3, {0, 0, 0}), large = Filled(10, 10, {255, 255, 255});
    // Only the window both images share is scored (2 x 2 pixels here), from either side.
    EXPECT_EQ(small.Compare(large), 4u * 195075u);
    EXPECT_EQ(large.Compare(small), 4u * 195075u);
    Image none(0, 0);
    EXPECT_EQ(none.Compare(large), 0u);
}

}  // namespace
