#pragma once

// What the shape search's parts share: the pictures' pixels and rows, a shape's spans, and
// the order of candidates.

#include "image/Image.h"
#include "image/PolygonScan.h"
#include "shapes/ShapePaint.h"

#include <cstring>
#include <vector>

namespace searchparts {

// (score, order): the lower score wins, and of equal ones the earlier.
inline bool Before(double a, int i, double b, int j) { return a < b || (a == b && i < j); }

inline Uint32* Pixels(const Image& image) { return static_cast<Uint32*>(image.surface->pixels); }
inline int PitchOf(const Image& image) { return image.surface->pitch / 4; }

// Rows y0..y1 of one picture into another of the same size.
inline void CopyRows(Image& to, const Image& from, int y0, int y1) {
    const std::size_t pitch = std::size_t(from.surface->pitch);
    std::memcpy(static_cast<Uint8*>(to.surface->pixels) + pitch * std::size_t(y0),
                static_cast<const Uint8*>(from.surface->pixels) + pitch * std::size_t(y0),
                pitch * std::size_t(y1 - y0 + 1));
}

// The spans of a shape on rows y0..y1 (of those, every step-th from y0, a power of two), to
// `span`: a polygon's straight from the fill's scan.
template <class Fn>
void ForSpans(const Shape& shape, int width, int y0, int y1, Fn&& span, int step = 1) {
    if (KindOf(shape).Outlined())
        return scan::ScanPolygon(shape.xs.data(), shape.ys.data(), shape.Count(), width, y0, y1,
                                 [&span, y0, mask = step - 1](int y, int left, int right) {
                                     if (((y - y0) & mask) == 0) span(y, left, right);
                                 });
    thread_local std::vector<ShapeSpan> spans;
    SpansOf(shape, width, y0, y1, spans, step);
    for (const ShapeSpan& s : spans) span(s.y, s.left, s.right);
}

}  // namespace searchparts
