#pragma once

#include "genome/DnaPoint.h"
#include "serial/Serializable.h"
#include "shapes/Shape.h"

#include <cstddef>
#include <list>
#include <utility>
#include <vector>

class Image;

// One semi-transparent polygon: vertices in order and a colour word (red bits 24-31,
// green 16-23, blue 8-15, alpha 0-7). Or a shape of another kind, held by its parameters:
// `kind` is then its place among ShapeKinds() and `points` is empty.
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

    // The polygon as a shape: its vertices (taken for a shape of `outlineKind`, a kind held
    // as a polygon), or its kind's parameters.
    Shape AsShape(int outlineKind = 0) const;
    // A shape with a colour word: a kind held as a polygon becomes one.
    static DnaPolygon Of(const Shape& shape, unsigned color);
    // Whether it is held by parameters rather than vertices.
    bool Parametric() const { return kind != 0; }
    // Its kind and parameters (kind first, then the colour), for the drawing of several
    // kinds; throws std::runtime_error for a kind or parameters no shape of this build has.
    void SerializeKind(Serializer& serializer);

    std::list<DnaPoint> points;
    unsigned color = 0;
    int kind = 0;
    std::vector<float> params;
};
