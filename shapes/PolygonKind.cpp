#include "shapes/Shape.h"
#include "shapes/Draws.h"
#include "shapes/Outline.h"

#include <algorithm>

namespace {

// A polygon of 3 to maxPoints vertices, which may gain and lose vertices.
class PolygonKind final : public ShapeKind {
public:
    const char* Name() const override { return "polygon"; }
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override {
        outline::Random(d, frame, 3 + draws::Draw(d, frame.maxPoints - 2), out);
    }
    void SkipRandom(ShapeDraws& d, const ShapeFrame& frame) const override {
        outline::SkipRandom(d, 3 + draws::Draw(d, frame.maxPoints - 2));
    }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        outline::Change(d, frame, true, from, out);
    }
    void SkipChange(ShapeDraws& d, const ShapeFrame& frame, const Shape& from) const override {
        outline::SkipChange(d, frame, true, from);
    }
    std::pair<int, int> Rows(const Shape& shape) const override { return outline::Rows(shape); }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        outline::Spans(shape, width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override { return outline::Svg(shape, pen); }
};

}  // namespace

const ShapeKind& PolygonShapes() {
    static const PolygonKind kind;
    return kind;
}
