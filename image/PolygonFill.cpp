#include "image/Image.h"
#include "image/KernelChoice.h"

#include "image/Kernels.h"
#include "image/PolygonScan.h"

#include <algorithm>

namespace {

inline Uint32* Row(SDL_Surface* surface, int y) {
    return reinterpret_cast<Uint32*>(static_cast<Uint8*>(surface->pixels) +
                                     std::ptrdiff_t(y) * surface->pitch);
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
    ChosenBlendSpan()(Row(surface, y), left, right, Blend{red_term, green_term, blue_term, keep});
}

void Image::Polygon(const short* xs, const short* ys, int count, unsigned color) {
    Polygon(xs, ys, count, color, 0, Height() - 1);
}

void Image::Polygon(const short* xs, const short* ys, int count, unsigned color, int firstRow, int lastRow) {
    if (!surface || surface->clip_rect.w == 0 || surface->clip_rect.h == 0) return;
    firstRow = std::max(firstRow, 0);
    lastRow = std::min(lastRow, surface->h - 1);
    if (firstRow > lastRow) return;
    const Blend blend = BlendOf(color);
    // Rows and spans are clipped to the surface; for vertices inside it this changes nothing.
    SDL_Surface* const target = surface;
    const BlendSpanFn paint = ChosenBlendSpan();
    scan::ScanPolygon(xs, ys, count, target->w, firstRow, lastRow,
                      [target, &blend, paint](int y, int left, int right) { paint(Row(target, y), left, right, blend); });
}
