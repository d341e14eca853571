#include "image/Image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

// Counts up to this many vertices use a buffer on the stack; larger ones (only a damaged
// progress file makes them) go to the heap so no count can overflow the stack.
constexpr int kStackVertices = 64;

struct Blend {
    unsigned red, green, blue;  // colour channel times alpha
    unsigned keep;              // 255 - alpha
};

inline void BlendSpan(Uint32* __restrict row, int left, int right, const Blend& b) {
    // Locals, so the compiler knows the stores into the row cannot change them.
    const Uint32 red = b.red, green = b.green, blue = b.blue, keep = b.keep;
    for (int x = left; x <= right; ++x) {
        const Uint32 old = row[x];
        const Uint32 r = (((old >> 24) * keep + red) >> 8) & 0xff;
        const Uint32 g = ((((old >> 16) & 0xff) * keep + green) >> 8) & 0xff;
        const Uint32 bl = ((((old >> 8) & 0xff) * keep + blue) >> 8) & 0xff;
        row[x] = (r << 24) | (g << 16) | (bl << 8) | 0xffu;
    }
}

inline Uint32* Row(SDL_Surface* surface, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                     std::ptrdiff_t(y) * surface->pitch);
}

inline void SortCrossings(int* c, int n) {
    if (n > 32) {
        std::qsort(c, std::size_t(n), sizeof(int), &Image::CompareInt);
        return;
    }
    for (int i = 1; i < n; ++i) {  // a handful of crossings: insertion sort beats qsort
        const int v = c[i];
        int j = i - 1;
        while (j >= 0 && c[j] > v) {
            c[j + 1] = c[j];
            --j;
        }
        c[j + 1] = v;
    }
}

}  // namespace

int Image::CompareInt(const void* a, const void* b) {
    return *static_cast<const int*>(a) - *static_cast<const int*>(b);
}

void Image::HLineAlpha(short x1, short x2, short y, unsigned red_term, unsigned green_term,
                       unsigned blue_term, unsigned char keep) {
    if (!surface || short(x2 - x1) < 0) return;
    if (y < 0 || y >= surface->h) return;
    const int left = std::max<int>(x1, 0);
    const int right = std::min<int>(x2, surface->w - 1);
    if (right < left) return;
    BlendSpan(Row(surface, y), left, right, Blend{red_term, green_term, blue_term, keep});
}

void Image::Polygon(const short* xs, const short* ys, int count, unsigned color) {
    if (!surface || surface->clip_rect.w == 0 || surface->clip_rect.h == 0) return;
    if (count <= 2) return;

    int ymin = ys[0], ymax = ys[0];
    for (int i = 1; i < count; ++i) {
        ymin = std::min<int>(ymin, ys[i]);
        ymax = std::max<int>(ymax, ys[i]);
    }
    // Rows and spans are clipped to the surface; for vertices inside it this changes nothing.
    const int width = surface->w;
    const int firstRow = std::max(ymin, 0);
    const int lastRow = std::min(ymax, surface->h - 1);
    if (firstRow > lastRow) return;

    const unsigned a = color & 0xff;
    const Blend blend{(color >> 24) * a, ((color >> 16) & 0xff) * a, ((color >> 8) & 0xff) * a,
                      255 - a};

    int stackCrossings[kStackVertices];
    std::vector<int> heapCrossings;
    int* crossings = stackCrossings;
    if (count > kStackVertices) {
        heapCrossings.resize(std::size_t(count));
        crossings = heapCrossings.data();
    }
    // Crossings are computed in 64 bits (any 16-bit vertex is safe) and then held just
    // outside the surface, which keeps their order and the clipped spans unchanged.
    const std::int64_t lowest = -65536;
    const std::int64_t highest = std::int64_t(width + 1) * 65536;

    for (int y = firstRow; y <= lastRow; ++y) {
        const bool lastLine = (y == ymax);
        int n = 0;
        for (int i = 0; i < count; ++i) {
            const int p = (i == 0) ? count - 1 : i - 1;
            int xa = xs[p], ya = ys[p], xb = xs[i], yb = ys[i];
            if (ya == yb) continue;
            if (ya > yb) {
                std::swap(xa, xb);
                std::swap(ya, yb);
            }
            if (y < ya || (lastLine ? y > yb : y >= yb)) continue;
            const std::int64_t t = (std::int64_t(y - ya) * 65536) / (yb - ya);
            std::int64_t c = t * (xb - xa) + std::int64_t(xa) * 65536;
            c = std::clamp(c, lowest, highest);
            crossings[n++] = int(c);
        }
        SortCrossings(crossings, n);
        Uint32* row = Row(surface, y);
        for (int j = 0; j + 1 < n; j += 2) {
            // Rounds e + 1/65536 and f - 1/65536 to the nearest column, halves upward.
            int left = (crossings[j] + 32769) >> 16;
            int right = (crossings[j + 1] + 32767) >> 16;
            left = std::max(left, 0);
            right = std::min(right, width - 1);
            if (right < left) continue;
            BlendSpan(row, left, right, blend);
        }
    }
}
