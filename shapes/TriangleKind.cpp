#include "shapes/Shape.h"
#include "shapes/Outline.h"

namespace {

// Three vertices, kept through every change.
class TriangleKind final : public ShapeKind {
public:
    const char* Name() const override { return "triangle"; }
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override { outline::Random(d, frame, 3, out); }
    void SkipRandom(ShapeDraws& d, const ShapeFrame&) const override { outline::SkipRandom(d, 3); }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        outline::Change(d, frame, false, from, out);
    }
    void SkipChange(ShapeDraws& d, const ShapeFrame& frame, const Shape& from) const override {
        outline::SkipChange(d, frame, false, from);
    }
    std::pair<int, int> Rows(const Shape& shape) const override { return outline::Rows(shape); }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        outline::Spans(shape, width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override { return outline::Svg(shape, pen); }
};

}  // namespace

const ShapeKind& TriangleShapes() {
    static const TriangleKind kind;
    return kind;
}
