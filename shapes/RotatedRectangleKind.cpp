#include "shapes/Shape.h"
#include "shapes/Centred.h"
#include "shapes/Scan.h"

#include <cmath>

namespace {

// A rectangle turned to any angle: its centre, half its width and height, its angle.
class RotatedRectangleKind final : public centred::Kind {
public:
    RotatedRectangleKind() : centred::Kind("rotated-rectangle", {false, true}) {}
    std::pair<int, int> Rows(const Shape& shape) const override {
        const centred::Geometry g = Of(shape);
        const double c = std::cos(g.degrees * shapescan::kRadian), s = std::sin(g.degrees * shapescan::kRadian);
        return centred::Rows(shape, std::abs(g.rx * s) + std::abs(g.ry * c));
    }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        const centred::Geometry g = Of(shape);
        const double c = std::cos(g.degrees * shapescan::kRadian), s = std::sin(g.degrees * shapescan::kRadian);
        double xs[4], ys[4];
        for (int i = 0; i < 4; ++i) {
            const double u = (i == 0 || i == 3) ? -g.rx : g.rx, v = i < 2 ? -g.ry : g.ry;
            xs[i] = g.cx + u * c - v * s;
            ys[i] = g.cy + u * s + v * c;
        }
        shapescan::Convex(xs, ys, 4, width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override {
        const centred::Geometry g = Of(shape);
        return "<rect" + pen.Attribute("x", g.cx - g.rx) + pen.Attribute("y", g.cy - g.ry) +
               pen.Attribute("width", 2 * g.rx) + pen.Attribute("height", 2 * g.ry) + Turn(g, pen);
    }
};

}  // namespace

const ShapeKind& RotatedRectangleShapes() {
    static const RotatedRectangleKind kind;
    return kind;
}
