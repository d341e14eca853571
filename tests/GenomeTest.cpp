#include "TestSupport.h"

#include "genome/DnaDrawing.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

class Genome : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::ScreenWidth = 200;
        Settings::ScreenHeight = 150;
    }
    SettingsGuard guard;
};

TEST_F(Genome, RandomPolygonIsATriangleInsideTheTargetWithAllowedColour) {
    std::srand(7);
    for (int i = 0; i < 2000; ++i) {
        DnaPolygon p;
        ASSERT_EQ(p.points.size(), 3u);
        for (const DnaPoint& v : p.points) {
            EXPECT_GE(v.x, 0);
            EXPECT_LT(v.x, 200);
            EXPECT_GE(v.y, 0);
            EXPECT_LT(v.y, 150);
        }
        const int alpha = p.color & 0xff;
        EXPECT_GE(alpha, 20);
        EXPECT_LE(alpha, 120);
    }
}

TEST_F(Genome, RandomPolygonOnOnePixelTargetAndFixedAlpha) {
    Settings::ScreenWidth = 1;
    Settings::ScreenHeight = 1;
    Settings::AlphaMin = Settings::AlphaMax = 50;
    std::srand(3);
    for (int i = 0; i < 200; ++i) {
        DnaPolygon p;
        for (const DnaPoint& v : p.points) EXPECT_TRUE(v.x == 0 && v.y == 0);
        EXPECT_EQ(p.color & 0xff, 50u);
    }
}

TEST_F(Genome, RandomPolygonTakesExactlyTenDrawsInOrder) {
    std::srand(12345);
    std::vector<int> r;
    for (int i = 0; i < 11; ++i) r.push_back(std::rand());
    std::srand(12345);
    DnaPolygon p;
    const int next = std::rand();
    EXPECT_EQ(next, r[10]);
    std::vector<std::pair<short, short>> expected = {
        {short(r[1] % 200), short(r[0] % 150)},
        {short(r[3] % 200), short(r[2] % 150)},
        {short(r[5] % 200), short(r[4] % 150)},
    };
    const unsigned color = (unsigned(r[8] % 256) << 24) | (unsigned(r[7] % 256) << 16) |
                           (unsigned(r[6] % 256) << 8) | unsigned(20 + r[9] % 101);
    EXPECT_TRUE(SamePolygon(p, MakePolygon(expected, color)));
}

TEST_F(Genome, NewDrawingHoldsMinPolygons) {
    EXPECT_EQ(DnaDrawing().polygons.size(), 3u);
    Settings::MinPolygons = 0;
    EXPECT_TRUE(DnaDrawing().polygons.empty());
    Settings::MinPolygons = -4;
    EXPECT_TRUE(DnaDrawing().polygons.empty());
}

TEST_F(Genome, RenderHandsVerticesAndColourToThePolygonFill) {
    const unsigned color = (90u << 24) | (10u << 16) | (250u << 8) | 100u;
    for (const auto& vertices : std::vector<std::vector<std::pair<short, short>>>{
             {{1, 2}, {3, 4}, {5, 6}},
             {{1, 2}, {30, 4}, {25, 26}, {3, 20}},
         }) {
        Image byGenome(32, 32), direct(32, 32);
        SDL_FillRect(byGenome.surface, nullptr, 0);
        SDL_FillRect(direct.surface, nullptr, 0);
        MakePolygon(vertices, color).Render(byGenome);
        std::vector<short> xs, ys;
        for (const auto& v : vertices) {
            xs.push_back(v.first);
            ys.push_back(v.second);
        }
        direct.Polygon(xs.data(), ys.data(), int(xs.size()), color);
        EXPECT_EQ(byGenome.Compare(direct), 0u);
        int painted = 0;
        for (int y = 0; y < 32; ++y) painted += int(PaintedColumns(byGenome, y).size());
        EXPECT_GT(painted, 0);
    }
}

TEST_F(Genome, RenderOfEmptyAndHugePolygons) {
    Image image(40, 40);
    SDL_FillRect(image.surface, nullptr, 0);
    MakePolygon({}, 0xffffffffu).Render(image);
    for (int y = 0; y < 40; ++y) EXPECT_TRUE(PaintedColumns(image, y).empty());

    std::vector<std::pair<short, short>> many;
    for (int i = 0; i < 5000; ++i) many.push_back({short(i % 2 ? 35 : 4), short(2 + i * 36 / 5000)});
    std::vector<short> xs, ys;
    for (const auto& v : many) {
        xs.push_back(v.first);
        ys.push_back(v.second);
    }
    Image direct(40, 40);
    SDL_FillRect(direct.surface, nullptr, 0);
    direct.Polygon(xs.data(), ys.data(), int(xs.size()), 0xff0000ffu);
    MakePolygon(many, 0xff0000ffu).Render(image);
    EXPECT_EQ(image.Compare(direct), 0u);
    EXPECT_FALSE(PaintedColumns(image, 20).empty());
}

}  // namespace
