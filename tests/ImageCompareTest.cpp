#include "TestSupport.h"

#include <gtest/gtest.h>

namespace {

TEST(ImageCompare, IdenticalAndAlphaOnlyDifferencesScoreZero) {
    Image a(5, 4), b(5, 4);
    Fill(a, {10, 20, 30}, 0);
    Fill(b, {10, 20, 30}, 0xff);
    EXPECT_EQ(a.Compare(a), 0u);
    EXPECT_EQ(a.Compare(b), 0u);
}

TEST(ImageCompare, LastRowAndLastColumnAreOutsideTheWindow) {
    Image a(4, 3), b(4, 3);
    Fill(a, {0, 0, 0});
    Fill(b, {0, 0, 0});
    for (int x = 0; x < 4; ++x) SetPixel(b, x, 2, {255, 255, 255});
    for (int y = 0; y < 3; ++y) SetPixel(b, 3, y, {255, 255, 255});
    EXPECT_EQ(a.Compare(b), 0u);
    SetPixel(b, 2, 1, {255, 0, 0});  // the bottom-right pixel of the window does count
    EXPECT_EQ(a.Compare(b), 255u * 255u);
}

TEST(ImageCompare, OnePixelHighOrWideImagesScoreZero) {
    Image highA(7, 1), highB(7, 1), wideA(1, 6), wideB(1, 6);
    Fill(highA, {0, 0, 0});
    Fill(highB, {255, 255, 255});
    Fill(wideA, {0, 0, 0});
    Fill(wideB, {255, 255, 255});
    EXPECT_EQ(highA.Compare(highB), 0u);
    EXPECT_EQ(wideA.Compare(wideB), 0u);
}

TEST(ImageCompare, TwoByTwoCountsOnlyTheTopLeftPixel) {
    Image a(2, 2), b(2, 2);
    Fill(a, {12, 200, 7});
    Fill(b, {99, 3, 250});
    SetPixel(a, 0, 0, {0, 0, 0});
    SetPixel(b, 0, 0, {255, 255, 255});
    EXPECT_EQ(a.Compare(b), 195075u);
    EXPECT_EQ(b.Compare(a), 195075u);
}

TEST(ImageCompare, ChannelDifferencesAreSquaredPerChannel) {
    Image a(3, 3), b(3, 3);
    Fill(a, {50, 60, 70});
    Fill(b, {50, 60, 70});
    SetPixel(b, 1, 1, {60, 60, 67});  // red +10, blue -3
    EXPECT_EQ(a.Compare(b), 109u);
    SetPixel(b, 0, 1, {50, 62, 70});  // green +2
    EXPECT_EQ(a.Compare(b), 113u);
}

TEST(ImageCompare, SumIsSixtyFourBit) {
    Image black(200, 200), white(200, 200);
    Fill(black, {0, 0, 0});
    Fill(white, {255, 255, 255});
    EXPECT_EQ(black.Compare(white), 7725165075ull);
}

TEST(ImageCompare, EmptyOrMismatchedImagesNeverReadOutside) {
    Image small(3, 3), large(10, 10);
    Fill(small, {0, 0, 0});
    Fill(large, {255, 255, 255});
    // Only the window both images share is scored (2 x 2 pixels here), from either side.
    EXPECT_EQ(small.Compare(large), 4u * 195075u);
    EXPECT_EQ(large.Compare(small), 4u * 195075u);
    Image none(0, 0);
    EXPECT_EQ(none.Compare(large), 0u);
}

}  // namespace
