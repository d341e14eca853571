#include "TestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <vector>

namespace {

constexpr unsigned Opaque(int r, int g, int b) {
    return (unsigned(r) << 24) | (unsigned(g) << 16) | (unsigned(b) << 8) | 0xffu;
}

std::vector<int> Range(int from, int to) {
    std::vector<int> v;
    for (int i = from; i <= to; ++i) v.push_back(i);
    return v;
}

void Paint(Image& image, const std::vector<short>& xs, const std::vector<short>& ys,
           unsigned color) {
    image.Polygon(xs.data(), ys.data(), int(xs.size()), color);
}

Image Blank(int w, int h) {
    Image image(w, h);
    SDL_FillRect(image.surface, nullptr, 0);
    return image;
}

bool SamePixels(const Image& a, const Image& b) {
    for (int y = 0; y < a.Height(); ++y)
        for (int x = 0; x < a.Width(); ++x)
            if (PixelAt(a, x, y) != PixelAt(b, x, y)) return false;
    return true;
}

TEST(PolygonFill, TriangleCoverage) {
    Image image = Blank(6, 6);
    Paint(image, {2, 4, 0}, {0, 4, 4}, Opaque(255, 0, 0));
    EXPECT_EQ(PaintedColumns(image, 0), std::vector<int>{2});
    EXPECT_EQ(PaintedColumns(image, 1), Range(2, 2));
    EXPECT_EQ(PaintedColumns(image, 2), Range(1, 3));
    EXPECT_EQ(PaintedColumns(image, 3), Range(1, 3));
    EXPECT_EQ(PaintedColumns(image, 4), Range(0, 4));
    EXPECT_TRUE(PaintedColumns(image, 5).empty());
}

TEST(PolygonFill, RectangleIncludesBottomRowThroughTheLastLineRule) {
    Image image = Blank(10, 8);
    Paint(image, {2, 8, 8, 2}, {1, 1, 5, 5}, Opaque(0, 255, 0));
    EXPECT_TRUE(PaintedColumns(image, 0).empty());
    for (int y = 1; y <= 5; ++y) EXPECT_EQ(PaintedColumns(image, y), Range(2, 8)) << "row " << y;
    EXPECT_TRUE(PaintedColumns(image, 6).empty());
}

TEST(PolygonFill, HalfColumnCrossingsRoundInward) {
    // Edges from (1,0)-(2,2) cross row 1 at x = 1.5, and (5,0)-(4,2) at x = 4.5: the left end
    // moves right to 2 and the right end stays at 4.
    Image image = Blank(8, 4);
    Paint(image, {1, 5, 4, 2}, {0, 0, 2, 2}, Opaque(9, 9, 9));
    EXPECT_EQ(PaintedColumns(image, 1), Range(2, 4));
    // Both crossings at the same half column give an empty span; at a whole column, one pixel.
    Image thin = Blank(8, 4);
    Paint(thin, {3, 4, 3}, {0, 2, 0}, Opaque(9, 9, 9));  // degenerate sliver
    EXPECT_TRUE(PaintedColumns(thin, 1).empty());
    Image point = Blank(8, 4);
    Paint(point, {3, 3, 3}, {0, 2, 0}, Opaque(9, 9, 9));
    EXPECT_EQ(PaintedColumns(point, 1), std::vector<int>{3});
}

TEST(PolygonFill, BlendOverBlackAndWhite) {
    Image black = Blank(4, 4);
    const unsigned color = (200u << 24) | (100u << 16) | (50u << 8) | 128u;
    Paint(black, {0, 3, 3, 0}, {0, 0, 3, 3}, color);
    EXPECT_EQ(PixelAt(black, 1, 1), (100u << 24) | (50u << 16) | (25u << 8) | 0xffu);

    Image white(4, 4);
    Fill(white, {255, 255, 255});
    Paint(white, {0, 3, 3, 0}, {0, 0, 3, 3}, (17u << 24) | (99u << 16) | (3u << 8) | 0u);
    EXPECT_EQ(RgbAt(white, 2, 2), (Rgb{254, 254, 254}));
    Fill(white, {255, 255, 255});
    Paint(white, {0, 3, 3, 0}, {0, 0, 3, 3}, Opaque(255, 255, 255));
    EXPECT_EQ(RgbAt(white, 2, 2), (Rgb{254, 254, 254}));
    // Opaque colours come out as (c * 255) >> 8.
    Image dark = Blank(4, 4);
    Paint(dark, {0, 3, 3, 0}, {0, 0, 3, 3}, Opaque(200, 1, 128));
    EXPECT_EQ(RgbAt(dark, 0, 0), (Rgb{199, 0, 127}));
}

TEST(PolygonFill, OverlapsBlendInCallOrder) {
    Image image = Blank(4, 4);
    const unsigned half = (255u << 24) | 128u;
    Paint(image, {0, 3, 3, 0}, {0, 0, 3, 3}, half);
    EXPECT_EQ(RgbAt(image, 1, 1).r, (255 * 128) >> 8);
    Paint(image, {0, 3, 3, 0}, {0, 0, 3, 3}, half);
    EXPECT_EQ(RgbAt(image, 1, 1).r, (127 * 127 + 255 * 128) >> 8);
}

TEST(PolygonFill, VertexOrderAndStartDoNotMatter) {
    const std::vector<short> xs = {3, 17, 12, 1}, ys = {2, 5, 18, 11};
    const unsigned color = (40u << 24) | (90u << 16) | (200u << 8) | 77u;
    Image reference = Blank(20, 20);
    Paint(reference, xs, ys, color);
    for (int start = 0; start < 4; ++start) {
        for (bool reverse : {false, true}) {
            std::vector<short> x2, y2;
            for (int i = 0; i < 4; ++i) {
                const int k = reverse ? (start - i + 4) % 4 : (start + i) % 4;
                x2.push_back(xs[k]);
                y2.push_back(ys[k]);
            }
            Image other = Blank(20, 20);
            Paint(other, x2, y2, color);
            EXPECT_TRUE(SamePixels(reference, other)) << "start " << start << " reverse " << reverse;
        }
    }
}

TEST(PolygonFill, SelfIntersectingOutlineUsesEvenOdd) {
    // A five-pointed star: the row through its centre crosses four edges, and the pentagon
    // between the second and third crossing is covered twice, so it stays unpainted.
    Image image = Blank(40, 40);
    Paint(image, {20, 31, 3, 37, 9}, {2, 35, 14, 14, 35}, Opaque(1, 2, 3));
    const std::vector<int> row = PaintedColumns(image, 20);
    auto painted = [&](int x) { return std::find(row.begin(), row.end(), x) != row.end(); };
    EXPECT_TRUE(painted(12));
    EXPECT_TRUE(painted(27));
    EXPECT_FALSE(painted(20));
    EXPECT_FALSE(painted(5));
}

TEST(PolygonFill, DegenerateInputPaintsNothing) {
    Image image = Blank(6, 6);
    const short xs[] = {1, 4, 2}, ys[] = {1, 1, 4};
    image.Polygon(xs, ys, 0, Opaque(1, 1, 1));
    image.Polygon(xs, ys, 1, Opaque(1, 1, 1));
    image.Polygon(xs, ys, 2, Opaque(1, 1, 1));
    const short flatY[] = {3, 3, 3};
    image.Polygon(xs, flatY, 3, Opaque(1, 1, 1));
    for (int y = 0; y < 6; ++y) EXPECT_TRUE(PaintedColumns(image, y).empty());

    SDL_Rect none{0, 0, 0, 0};
    SDL_SetClipRect(image.surface, &none);
    image.Polygon(xs, ys, 3, Opaque(1, 1, 1));
    SDL_SetClipRect(image.surface, nullptr);
    for (int y = 0; y < 6; ++y) EXPECT_TRUE(PaintedColumns(image, y).empty());
}

TEST(PolygonFill, HLineAlphaMatchesThePolygonSpan) {
    Image byLine = Blank(10, 3);
    const unsigned a = 90;
    byLine.HLineAlpha(2, 7, 1, 10 * a, 20 * a, 30 * a, 255 - a);
    Image rect = Blank(10, 3);
    Paint(rect, {2, 7, 7, 2}, {1, 1, 2, 2}, (10u << 24) | (20u << 16) | (30u << 8) | a);
    for (int x = 0; x < 10; ++x) EXPECT_EQ(PixelAt(byLine, x, 1), PixelAt(rect, x, 1)) << x;
    Image reversed = Blank(10, 3);
    reversed.HLineAlpha(7, 2, 1, 0, 0, 0, 0);
    EXPECT_TRUE(PaintedColumns(reversed, 1).empty());
}

TEST(PolygonFill, OutOfSurfaceVerticesAreClippedNotWrittenOutside) {
    // Any stray write lands outside the surface's heap block, which AddressSanitizer reports.
    Image inner(10, 10);
    SDL_FillRect(inner.surface, nullptr, 0);
    const std::vector<std::vector<short>> cases[] = {
        {{-32768, 32767, 5}, {-32768, 0, 32767}},
        {{-5, 15, 15, -5}, {-5, -5, 15, 15}},
        {{32767, 32767, -32768}, {32767, -32768, 0}},
        {{-100, -50, -80}, {3, 4, 9}},
    };
    for (const auto& c : cases) Paint(inner, c[0], c[1], Opaque(200, 100, 50));
    // The square covering everything paints the whole surface.
    EXPECT_EQ(RgbAt(inner, 0, 0), (Rgb{199, 99, 49}));
    EXPECT_EQ(RgbAt(inner, 9, 9), (Rgb{199, 99, 49}));
}

// Rows painted apart (in bands, as a search paints side by side) are the whole fill's rows,
// for polygons of many edges, crossing themselves and poking out of the surface.
TEST(PolygonFill, RowsPaintedApartAreTheWholeFillsRows) {
    std::srand(5);
    for (int round = 0; round < 40; ++round) {
        Image whole = Blank(53, 71), banded = Blank(53, 71);
        std::vector<short> xs, ys;
        for (int i = 0; i < 3 + round % 9; ++i) {
            xs.push_back(short(std::rand() % 90 - 20));
            ys.push_back(short(std::rand() % 110 - 20));
        }
        const unsigned color = Opaque(round * 6, 200, 9) - 0x80u;
        Paint(whole, xs, ys, color);
        for (int from = -3; from < 75;) {
            const int to = from + std::rand() % 40;
            banded.Polygon(xs.data(), ys.data(), int(xs.size()), color, from, to);
            from = to + 1;
        }
        ASSERT_TRUE(SamePixels(whole, banded)) << "round " << round;
    }
}

TEST(PolygonFill, ClippingKeepsInsidePartsExact) {
    // A triangle poking out of the right edge paints the same inside columns as on a wider
    // surface where it fits.
    Image narrow = Blank(10, 10), wide = Blank(40, 10);
    Paint(narrow, {2, 30, 4}, {1, 5, 9}, Opaque(5, 6, 7));
    Paint(wide, {2, 30, 4}, {1, 5, 9}, Opaque(5, 6, 7));
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 10; ++x) EXPECT_EQ(PixelAt(narrow, x, y), PixelAt(wide, x, y));
}

TEST(PolygonFill, HugeVertexCountsUseTheHeap) {
    Image image = Blank(50, 50);
    std::vector<short> xs, ys;
    for (int i = 0; i < 200000; ++i) {  // a zig-zag ring, far past any stack buffer
        xs.push_back(short(i % 2 ? 45 : 5));
        ys.push_back(short(5 + (i * 40) / 200000));
    }
    Paint(image, xs, ys, Opaque(255, 255, 255));
    EXPECT_FALSE(PaintedColumns(image, 20).empty());
}

// The fill written the slow, obvious way: a division per edge and row, qsort, scalar blend.
void ReferencePolygon(Image& image, const short* xs, const short* ys, int count, unsigned color) {
    if (count <= 2) return;
    int ymin = ys[0], ymax = ys[0];
    for (int i = 1; i < count; ++i) {
        ymin = std::min<int>(ymin, ys[i]);
        ymax = std::max<int>(ymax, ys[i]);
    }
    const unsigned a = color & 0xff, k = 255 - a;
    const unsigned terms[3] = {((color >> 8) & 0xff) * a, ((color >> 16) & 0xff) * a,
                               (color >> 24) * a};
    std::vector<int> c;
    for (int y = ymin; y <= ymax; ++y) {
        c.clear();
        for (int i = 0; i < count; ++i) {
            const int p = i == 0 ? count - 1 : i - 1;
            if (ys[p] == ys[i]) continue;
            const bool pUpper = ys[p] < ys[i];
            const int xa = pUpper ? xs[p] : xs[i], ya = pUpper ? ys[p] : ys[i];
            const int xb = pUpper ? xs[i] : xs[p], yb = pUpper ? ys[i] : ys[p];
            if (!(ya <= y && (y == ymax ? y <= yb : y < yb))) continue;
            const int t = ((y - ya) * 65536) / (yb - ya);
            c.push_back(t * (xb - xa) + xa * 65536);
        }
        if (!c.empty()) std::qsort(c.data(), c.size(), sizeof(int), &Image::CompareInt);
        for (std::size_t j = 0; j + 1 < c.size(); j += 2) {
            const short left = short(((c[j] + 1) >> 16) + (((c[j] + 1) >> 15) & 1));
            const short right = short(((c[j + 1] - 1) >> 16) + (((c[j + 1] - 1) >> 15) & 1));
            for (int x = left; x <= right; ++x) {
                Uint8* px = static_cast<Uint8*>(image.surface->pixels) + y * image.surface->pitch + 4 * x;
                for (int ch = 0; ch < 3; ++ch) px[1 + ch] = Uint8(((px[1 + ch] * k + terms[ch]) >> 8) & 0xff);
                px[0] = 0xff;
            }
        }
    }
}

TEST(PolygonFill, MatchesALiteralReadingOfTheAlgorithm) {
    std::srand(31);
    for (int round = 0; round < 300; ++round) {
        const int w = 1 + std::rand() % 90, h = 1 + std::rand() % 150;  // several bands of rows
        Image fast(w, h), reference(w, h);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Rgb c{std::rand() % 256, std::rand() % 256, std::rand() % 256};
                SetPixel(fast, x, y, c);
                SetPixel(reference, x, y, c);
            }
        const int n = 3 + std::rand() % 8;
        std::vector<short> xs, ys;
        for (int i = 0; i < n; ++i) {
            xs.push_back(short(std::rand() % w));
            ys.push_back(short(std::rand() % h));
        }
        const unsigned color = unsigned(std::rand()) * 2654435761u;
        fast.Polygon(xs.data(), ys.data(), n, color);
        ReferencePolygon(reference, xs.data(), ys.data(), n, color);
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x)
                ASSERT_EQ(PixelAt(fast, x, y), PixelAt(reference, x, y))
                    << "round " << round << " at " << x << "," << y;
    }
}

}  // namespace
