#include "TestSupport.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

// A small picture with some structure: a gradient with a bright square.
void Paint(Image& target) {
    for (int y = 0; y < target.Height(); ++y)
        for (int x = 0; x < target.Width(); ++x) {
            const bool square = x > 8 && x < 20 && y > 5 && y < 18;
            SetPixel(target, x, y, square ? Rgb{250, 240, 30} : Rgb{x * 8, 40, 200 - y * 6});
        }
}

class Evolution : public ::testing::Test {
protected:
    void Use(Image& target) {
        Settings::ScreenWidth = target.Width();
        Settings::ScreenHeight = target.Height();
    }
    SettingsGuard guard;
};

TEST_F(Evolution, FreshStateHasInitialValues) {
    Image target(30, 24);
    Use(target);
    std::srand(4);
    GeneticTest test(&target);
    EXPECT_EQ(test.bestError, 99999999999999999ull);
    EXPECT_EQ(test.generation, 1u);
    EXPECT_EQ(test.best.polygons.size(), 3u);
    EXPECT_EQ(test.canvas.Width(), 30);
    EXPECT_EQ(test.canvas.Height(), 24);
    EXPECT_EQ(test.target, &target);
}

TEST_F(Evolution, OnlyAStrictlyLowerErrorIsKept) {
    Image flat(12, 1);  // one pixel high: every candidate scores 0
    Use(flat);
    std::srand(8);
    GeneticTest test(&flat);
    test.bestError = 0;
    const DnaDrawing before = test.best;
    EXPECT_FALSE(Evolve(test));  // equal error: rejected
    EXPECT_TRUE(SameDrawing(before, test.best));
    EXPECT_EQ(test.generation, 2u);
    test.bestError = 1;
    EXPECT_TRUE(Evolve(test));
    EXPECT_EQ(test.bestError, 0u);
    EXPECT_FALSE(SameDrawing(before, test.best));  // the mutated candidate took its place
    EXPECT_EQ(test.generation, 3u);
}

TEST_F(Evolution, EvolvingLowersTheErrorAndNeverRaisesIt) {
    Image target(32, 24);
    Paint(target);
    Use(target);
    std::srand(2024);
    GeneticTest test(&target);
    EXPECT_TRUE(Evolve(test));  // the first candidate beats the initial error
    const std::uint64_t first = test.bestError;
    std::uint64_t previous = first;
    for (int i = 0; i < 3000; ++i) {
        const bool kept = Evolve(test);
        ASSERT_LE(test.bestError, previous);
        EXPECT_EQ(kept, test.bestError < previous);
        previous = test.bestError;
    }
    EXPECT_LT(test.bestError, first);
    EXPECT_EQ(test.generation, 3002u);
    // The kept error is the error of the kept drawing.
    test.best.Render(test.canvas);
    EXPECT_EQ(test.canvas.Compare(target), test.bestError);
}

TEST_F(Evolution, RestartGoesBackToAFreshDrawing) {
    Image target(10, 10);
    Use(target);
    GeneticTest test(&target);
    test.best.polygons.clear();
    test.bestError = 0;
    test.generation = 77;
    test.Restart();
    EXPECT_EQ(test.best.polygons.size(), 3u);
    EXPECT_EQ(test.bestError, GeneticTest::InitialError);
    EXPECT_EQ(test.generation, 1u);
}

}  // namespace
