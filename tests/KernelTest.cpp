#include "image/Image.h"
#include "image/KernelChoice.h"
#include "image/Kernels.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

#if POLYEVOLVE_SIMD

// Pixels mostly at the ends of the channel range, where a wrong unpack, a lost carry or a
// saturating pack shows first, and random elsewhere.
Uint32 RandomPixel(std::mt19937& rng) {
    Uint32 pixel = 0;
    for (int byte = 0; byte < 4; ++byte) {
        const unsigned pick = rng() % 4;
        const Uint32 value = pick == 0 ? 0 : pick == 1 ? 255 : rng() % 256;
        pixel |= value << (8 * byte);
    }
    return pixel;
}

// Rows of every width 1..67, at every start offset within a 16-byte line, in a buffer whose
// pitch is odd in pixels: the metric's vector loop against its plain twin.
TEST(Kernels, VectorDistanceEqualsPlainOnEveryWidthAndOffset) {
    const bool avx = KernelsAvailable(KernelSet::Avx2);
    std::mt19937 rng(11);
    for (int width = 1; width <= 67; ++width) {
        const int pitch = width + 5;  // pixels; odd for even widths and even for odd ones
        std::vector<Uint32> a(std::size_t(pitch) * 4), b(a.size());
        for (int round = 0; round < 6; ++round) {
            for (auto& p : a) p = RandomPixel(rng);
            for (auto& p : b) p = RandomPixel(rng);
            for (int row = 0; row < 4; ++row)
                for (int offset = 0; offset < 4 && offset + width <= pitch; ++offset) {
                    const Uint32* p = a.data() + row * pitch + offset;
                    const Uint32* q = b.data() + row * pitch + offset;
                    ASSERT_EQ(simd::RowDistance(p, q, width), plain::RowDistance(p, q, width))
                        << "width " << width << " offset " << offset;
                    if (avx) {
                        ASSERT_EQ(avx2::CallRowDistance(p, q, width), plain::RowDistance(p, q, width))
                            << "avx2, width " << width << " offset " << offset;
                    }
                    std::vector<std::uint32_t> each(std::size_t(width) + 1, 7u), plainEach = each;
                    simd::PixelDistances(p, q, width, each.data());
                    plain::PixelDistances(p, q, width, plainEach.data());
                    ASSERT_EQ(each, plainEach) << "each pixel, width " << width << " offset " << offset;
                }
        }
    }
}

TEST(Kernels, VectorDistanceOfExtremesIsTheLargestSum) {
    // All black against all white: every pixel differs by 255 in each of the three colours,
    // while the alpha bytes differ too and must not count.
    std::vector<Uint32> black(67, 0x00000000u), white(67, 0xffffffffu);
    for (int width = 1; width <= 67; ++width) {
        ASSERT_EQ(simd::RowDistance(black.data(), white.data(), width),
                  std::uint32_t(width) * 3u * 255u * 255u);
        if (KernelsAvailable(KernelSet::Avx2)) {
            ASSERT_EQ(avx2::CallRowDistance(black.data(), white.data(), width),
                      std::uint32_t(width) * 3u * 255u * 255u);
        }
    }
    // The longest row the metric is given, all extremes: the lanes' sums must not overflow.
    std::vector<Uint32> blacks(16383, 0x00000000u), whites(16383, 0xffffffffu);
    ASSERT_EQ(simd::RowDistance(blacks.data(), whites.data(), 16383), 16383u * 3u * 255u * 255u);
    if (KernelsAvailable(KernelSet::Avx2)) {
        ASSERT_EQ(avx2::CallRowDistance(blacks.data(), whites.data(), 16383), 16383u * 3u * 255u * 255u);
    }
}

// Spans of every length at every position of rows up to 67 pixels, with opacities at and near
// the ends of their range: the blend's vector loop against its plain twin, pixels outside the
// span untouched.
TEST(Kernels, VectorBlendEqualsPlainOnEverySpan) {
    const bool avx = KernelsAvailable(KernelSet::Avx2);
    std::mt19937 rng(12);
    const unsigned alphas[] = {0, 1, 2, 20, 64, 120, 128, 200, 254, 255};
    for (int width = 1; width <= 67; ++width) {
        std::vector<Uint32> base(std::size_t(width) + 3);
        for (auto& p : base) p = RandomPixel(rng);
        for (int trial = 0; trial < 12; ++trial) {
            const unsigned alpha = alphas[rng() % 10];
            const unsigned r = rng() % 2 ? 255 : rng() % 256, g = rng() % 256,
                           bl = rng() % 2 ? 0 : rng() % 256;
            const Blend blend{r * alpha, g * alpha, bl * alpha, 255 - alpha};
            const int left = int(rng() % unsigned(width));
            const int right = left + int(rng() % unsigned(width - left));
            std::vector<Uint32> v = base, s = base, a = base;
            simd::BlendSpan(v.data() + 1, left, right, blend);
            plain::BlendSpan(s.data() + 1, left, right, blend);  // +1: an unaligned row
            ASSERT_EQ(v, s) << "width " << width << " span " << left << ".." << right
                            << " alpha " << alpha;
            if (!avx) continue;
            avx2::CallBlendSpan(a.data() + 1, left, right, blend);
            ASSERT_EQ(a, s) << "avx2, width " << width << " span " << left << ".." << right
                            << " alpha " << alpha;
        }
    }
}

// Every pixel path follows the one choice: the fill and the metric give the same pixels and
// errors with each set the processor has, and each set's functions are the ones in use.
TEST(Kernels, TheFillAndTheMetricRunTheChosenSet) {
    const KernelSet was = RunningKernels();
    std::mt19937 rng(5);
    Image target(61, 47);
    for (int y = 0; y < 47; ++y)
        for (int x = 0; x < 61; ++x)
            reinterpret_cast<Uint32*>(static_cast<Uint8*>(target.surface->pixels) + y * target.surface->pitch)[x] =
                RandomPixel(rng);
    std::vector<std::vector<short>> shapes;
    for (int i = 0; i < 40; ++i) {
        std::vector<short> xy;
        for (int v = 0; v < 8; ++v) xy.push_back(short(int(rng() % 90) - 15));
        shapes.push_back(xy);
    }
    std::vector<Uint32> first;
    std::uint64_t firstError = 0;
    RowDistanceFn plainDistance = nullptr;
    for (KernelSet set : {KernelSet::Plain, KernelSet::Sse2, KernelSet::Avx2}) {
        if (!UseKernels(set)) continue;
        if (set == KernelSet::Plain) plainDistance = ChosenRowDistance();
        else EXPECT_NE(ChosenRowDistance(), plainDistance) << KernelName(set);
        Image canvas(61, 47);
        canvas.Clear();
        rng.seed(6);  // the same colours for every set
        for (const auto& xy : shapes) {
            const short xs[4] = {xy[0], xy[2], xy[4], xy[6]}, ys[4] = {xy[1], xy[3], xy[5], xy[7]};
            canvas.Polygon(xs, ys, 4, unsigned(rng()) | 0x20u);
        }
        const auto* pixels = static_cast<const Uint32*>(canvas.surface->pixels);
        const std::vector<Uint32> drawn(pixels, pixels + 61 * 47);
        if (set == KernelSet::Plain) {
            first = drawn;
            firstError = canvas.Compare(target);
        } else {
            EXPECT_EQ(drawn, first) << KernelName(set);
            EXPECT_EQ(canvas.Compare(target), firstError) << KernelName(set);
        }
    }
    UseKernels(was);
}

#else

TEST(Kernels, VectorKernelsAreNotBuilt) {
    EXPECT_FALSE(KernelsAvailable(KernelSet::Sse2));
    EXPECT_FALSE(KernelsAvailable(KernelSet::Avx2));
    EXPECT_EQ(RunningKernels(), KernelSet::Plain);
}

#endif

// The plain blend on one pixel, by hand: it is the reference the vector code is held to.
TEST(Kernels, PlainBlendRoundsDownAndMakesThePixelOpaque) {
    Uint32 pixel = 0x80402000u;  // red 128, green 64, blue 32, alpha 0
    const unsigned alpha = 100;
    plain::BlendSpan(&pixel, 0, 0, Blend{200 * alpha, 0, 255 * alpha, 255 - alpha});
    EXPECT_EQ(pixel >> 24, (128u * 155 + 20000) >> 8);
    EXPECT_EQ((pixel >> 16) & 0xff, (64u * 155) >> 8);
    EXPECT_EQ((pixel >> 8) & 0xff, (32u * 155 + 25500) >> 8);
    EXPECT_EQ(pixel & 0xff, 0xffu);
}

}  // namespace
