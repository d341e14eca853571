#include "shapes/Shape.h"
#include "shapes/Centred.h"
#include "shapes/Scan.h"

#include <cmath>

namespace {

constexpr centred::Form kForm{false, true};

// An ellipse turned to any angle.
class RotatedEllipseKind final : public ShapeKind {
public:
    const char* Name() const override { return "rotated-ellipse"; }
    std::vector<Param> Params() const override { return centred::Params(kForm); }
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override { centred::Random(d, frame, kForm, out); }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        centred::Change(d, frame, kForm, from, out);
    }
    std::pair<int, int> Rows(const Shape& shape) const override {
        const centred::Geometry g = centred::Of(shape, kForm);
        const double c = std::cos(g.degrees * shapescan::kRadian), s = std::sin(g.degrees * shapescan::kRadian);
        return centred::Rows(shape, std::sqrt(g.rx * g.rx * s * s + g.ry * g.ry * c * c));
    }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        const centred::Geometry g = centred::Of(shape, kForm);
        shapescan::Ellipse(g.cx, g.cy, g.rx, g.ry, g.degrees, width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override {
        const centred::Geometry g = centred::Of(shape, kForm);
        std::string svg = kForm.round ? "<circle" : "<ellipse";
        svg += pen.Attribute("cx", g.cx) + pen.Attribute("cy", g.cy);
        svg += kForm.round ? pen.Attribute("r", g.rx) : pen.Attribute("rx", g.rx) + pen.Attribute("ry", g.ry);
        if (kForm.turns)
            svg += pen.Attribute("transform", "rotate(" + pen.number(g.degrees) + " " + pen.number(g.cx) + " " + pen.number(g.cy) + ")");
        return svg;
    }
};

}  // namespace

const ShapeKind& RotatedEllipseShapes() {
    static const RotatedEllipseKind kind;
    return kind;
}
