#include "shapes/Shape.h"
#include "shapes/Draws.h"
#include "shapes/Outline.h"

#include <algorithm>
#include <cstdlib>

using draws::Draw;
using draws::Step;

namespace {

// An upright rectangle, held as its four corners (left top first, clockwise): its sides
// stay along the axes.
class RectangleKind final : public outline::Kind {
public:
    RectangleKind() : outline::Kind("rectangle", 4, false) {}
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override {
        const double cx = Draw(d, frame.width), cy = Draw(d, frame.height);
        const double radius = draws::Size(d, frame);
        const double halfWidth = radius * draws::Share(d), halfHeight = radius * draws::Share(d);
        Corners(frame, cx - halfWidth, cy - halfHeight, cx + halfWidth, cy + halfHeight, out);
    }
    void SkipRandom(ShapeDraws& d, const ShapeFrame&) const override {
        for (int i = 0; i < 5; ++i) d.Next();  // centre, size, the two sides
    }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        const int reach = draws::Reach(d);
        int x0 = std::min(from.xs[0], from.xs[2]), x1 = std::max(from.xs[0], from.xs[2]);
        int y0 = std::min(from.ys[0], from.ys[2]), y1 = std::max(from.ys[0], from.ys[2]);
        const int kind = Draw(d, 16);
        if (kind < 8) {  // one side moves
            const int side = Draw(d, 4), step = Step(d, reach);
            (side == 0 ? x0 : side == 1 ? x1 : side == 2 ? y0 : y1) += step;
            if (x0 > x1) x0 = x1 = (x0 + x1) / 2;
            if (y0 > y1) y0 = y1 = (y0 + y1) / 2;
        } else if (kind < 12) {  // the whole rectangle moves
            const int dx = Step(d, reach), dy = Step(d, reach);
            x0 += dx, x1 += dx, y0 += dy, y1 += dy;
        } else {  // scaled about its centre by 0.8 to 1.25
            const double f = draws::Factor(d);
            const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
            x0 = int(RoundHalfAway(cx + (x0 - cx) * f)), x1 = int(RoundHalfAway(cx + (x1 - cx) * f));
            y0 = int(RoundHalfAway(cy + (y0 - cy) * f)), y1 = int(RoundHalfAway(cy + (y1 - cy) * f));
        }
        out.kind = from.kind;
        Corners(frame, x0, y0, x1, y1, out);
    }
    void SkipChange(ShapeDraws& d, const ShapeFrame&, const Shape&) const override {
        d.Next();  // the reach
        const int kind = Draw(d, 16);
        for (int i = 0; i < (kind < 12 ? 2 : 1); ++i) d.Next();
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override {
        return "<rect" + pen.Attribute("x", std::to_string(std::min(shape.xs[0], shape.xs[2]))) +
               pen.Attribute("y", std::to_string(std::min(shape.ys[0], shape.ys[2]))) +
               pen.Attribute("width", std::to_string(std::abs(shape.xs[2] - shape.xs[0]))) +
               pen.Attribute("height", std::to_string(std::abs(shape.ys[2] - shape.ys[0])));
    }

private:
    static void Corners(const ShapeFrame& frame, double x0, double y0, double x1, double y1, Shape& out) {
        const short l = outline::OnX(frame, x0), r = outline::OnX(frame, x1);
        const short t = outline::OnY(frame, y0), b = outline::OnY(frame, y1);
        out.xs = {l, r, r, l};
        out.ys = {t, t, b, b};
        out.p.clear();
    }
};

}  // namespace

const ShapeKind& RectangleShapes() {
    static const RectangleKind kind;
    return kind;
}
