#pragma once

#include "genome/DnaPoint.h"
#include "serial/Serializable.h"

#include <cstddef>
#include <list>
#include <utility>

class Image;

// Whether four vertices in order make an upright rectangle (sides along the axes), the form
// the shape search's rectangles keep.
bool IsUprightRectangle(const short* xs, const short* ys, int count);

// One semi-transparent polygon: vertices in order and a colour word (red bits 24-31,
// green 16-23, blue 8-15, alpha 0-7).
class DnaPolygon : public Serializable {
public:
    // A random triangle inside the target; exactly ten rand() draws.
    DnaPolygon();
    // A polygon of these vertices and colour word (no draws).
    DnaPolygon(std::list<DnaPoint> points_, unsigned color_) : points(std::move(points_)), color(color_) {}

    // Hands the vertices and colour to Image::Polygon.
    void Render(Image& canvas) const;
    // The same on rows firstRow..lastRow only.
    void Render(Image& canvas, int firstRow, int lastRow) const;
    void serialize(Serializer& serializer) override;

    // How many vertices the fill takes: all of them, up to INT_MAX.
    std::size_t FillCount() const;
    // Writes the first n vertices (n at most FillCount()) into two coordinate arrays, each
    // coordinate passed through `place` (a scale, say).
    template <class Place>
    void CopyVertices(short* xs, short* ys, std::size_t n, Place place) const {
        std::size_t i = 0;
        for (auto it = points.begin(); i < n; ++it, ++i) {
            xs[i] = place(it->x);
            ys[i] = place(it->y);
        }
    }
    void CopyVertices(short* xs, short* ys, std::size_t n) const {
        CopyVertices(xs, ys, n, [](short v) { return v; });
    }

    std::list<DnaPoint> points;
    unsigned color = 0;
};
