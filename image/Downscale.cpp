#include "image/Downscale.h"

#include <algorithm>
#include <cmath>
#include <vector>

void FitWithin(int w, int h, int maxSide, int& width, int& height) {
    width = w;
    height = h;
    const int longer = std::max(w, h);
    if (maxSide < 1 || longer <= maxSide) return;
    const double scale = double(maxSide) / double(longer);
    width = std::max(1, int(std::lround(w * scale)));
    height = std::max(1, int(std::lround(h * scale)));
    width = std::min(width, maxSide);
    height = std::min(height, maxSide);
}

Image Downscale(const Image& source, int width, int height) {
    const int sw = source.Width(), sh = source.Height();
    Image result(width, height);
    if (!result.surface || !source.surface || width > sw || height > sh) return result;
    // Box x of the result covers source columns [x * sw / width, (x + 1) * sw / width).
    std::vector<int> columnStart(std::size_t(width) + 1);
    for (int x = 0; x <= width; ++x) columnStart[std::size_t(x)] = int(std::int64_t(x) * sw / width);
    const auto* in = static_cast<const Uint8*>(source.surface->pixels);
    auto* out = static_cast<Uint8*>(result.surface->pixels);
    std::vector<std::uint64_t> sums(std::size_t(width) * 3);
    for (int y = 0; y < height; ++y) {
        const int top = int(std::int64_t(y) * sh / height), bottom = int(std::int64_t(y + 1) * sh / height);
        std::fill(sums.begin(), sums.end(), 0);
        for (int sy = top; sy < bottom; ++sy) {
            const auto* row = reinterpret_cast<const Uint32*>(in + std::ptrdiff_t(sy) * source.surface->pitch);
            for (int x = 0; x < width; ++x)
                for (int sx = columnStart[std::size_t(x)]; sx < columnStart[std::size_t(x) + 1]; ++sx) {
                    sums[std::size_t(x) * 3] += row[sx] >> 24;
                    sums[std::size_t(x) * 3 + 1] += (row[sx] >> 16) & 0xff;
                    sums[std::size_t(x) * 3 + 2] += (row[sx] >> 8) & 0xff;
                }
        }
        auto* row = reinterpret_cast<Uint32*>(out + std::ptrdiff_t(y) * result.surface->pitch);
        for (int x = 0; x < width; ++x) {
            const std::uint64_t area = std::uint64_t(bottom - top) *
                                       std::uint64_t(columnStart[std::size_t(x) + 1] - columnStart[std::size_t(x)]);
            auto mean = [area](std::uint64_t sum) { return Uint32((sum + area / 2) / area); };
            row[x] = (mean(sums[std::size_t(x) * 3]) << 24) | (mean(sums[std::size_t(x) * 3 + 1]) << 16) |
                     (mean(sums[std::size_t(x) * 3 + 2]) << 8) | 0xffu;
        }
    }
    return result;
}
