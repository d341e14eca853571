#include "shapes/Shape.h"
#include "shapes/Draws.h"
#include "shapes/Scan.h"

#include <algorithm>
#include <cmath>

using draws::Draw;

namespace {

// A quadratic Bezier curve from (x0, y0) to (x2, y2) bent towards (x1, y1), stroked with a
// width of its own, with round ends.
class CurveKind final : public ShapeKind {
public:
    const char* Name() const override { return "curve"; }
    std::vector<Param> Params() const override {
        return {{"x0", Role::X}, {"y0", Role::Y}, {"x1", Role::X}, {"y1", Role::Y},
                {"x2", Role::X}, {"y2", Role::Y}, {"width", Role::Length}};
    }
    // Three points around a random centre, at random angles and distances; a width up to a
    // third of the size.
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override {
        out.xs.clear();
        out.ys.clear();
        const double cx = Draw(d, frame.width), cy = Draw(d, frame.height), size = draws::Size(d, frame);
        out.p.assign(7, 0.0f);
        for (int i = 0; i < 3; ++i) {
            const double theta = Draw(d, 3600) * (shapescan::kRadian / 10.0), r = size * draws::Share(d);
            out.p[std::size_t(2 * i)] = draws::OnX(frame, cx + r * std::cos(theta));
            out.p[std::size_t(2 * i + 1)] = draws::OnY(frame, cy + r * std::sin(theta));
        }
        out.p[6] = draws::Length(frame, 1 + size * Draw(d, 1000) / 3000.0);
    }
    // A point moved, the whole curve moved, its width changed, or scaled about its middle.
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        out = from;
        std::vector<float>& p = out.p;
        const int reach = draws::Reach(d), kind = Draw(d, 16);
        if (kind < 12) {
            const int first = kind < 9 ? Draw(d, 3) : 0, last = kind < 9 ? first : 2;
            const double dx = draws::FineStep(d, reach), dy = draws::FineStep(d, reach);
            for (int i = first; i <= last; ++i) {
                p[std::size_t(2 * i)] = draws::OnX(frame, p[std::size_t(2 * i)] + dx);
                p[std::size_t(2 * i + 1)] = draws::OnY(frame, p[std::size_t(2 * i + 1)] + dy);
            }
        } else if (kind < 14) {
            p[6] = draws::Length(frame, p[6] + draws::FineStep(d, reach) / 2);
        } else {
            const double f = draws::Factor(d), mx = (p[0] + p[4]) / 2.0, my = (p[1] + p[5]) / 2.0;
            for (int i = 0; i < 3; ++i) {
                p[std::size_t(2 * i)] = draws::OnX(frame, mx + (p[std::size_t(2 * i)] - mx) * f);
                p[std::size_t(2 * i + 1)] = draws::OnY(frame, my + (p[std::size_t(2 * i + 1)] - my) * f);
            }
        }
    }
    // The curve lies within its three points' hull.
    std::pair<int, int> Rows(const Shape& shape) const override {
        const std::vector<float>& p = shape.p;
        const auto [low, high] = std::minmax({p[1], p[3], p[5]});
        return {int(std::floor(low - p[6] / 2)), int(std::ceil(high + p[6] / 2))};
    }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        // As straight pieces within a tenth of a pixel of the curve's course: n pieces stray
        // at most |p0 - 2 p1 + p2| / (4 n^2) from it.
        const std::vector<float>& p = shape.p;
        const double bend = std::hypot(p[0] - 2.0 * p[2] + p[4], p[1] - 2.0 * p[3] + p[5]);
        const int pieces = std::clamp(int(std::ceil(std::sqrt(bend / 0.4))), 1, 32);
        double xs[33], ys[33];
        for (int i = 0; i <= pieces; ++i) {
            const double t = double(i) / pieces, a = (1 - t) * (1 - t), b = 2 * t * (1 - t), c = t * t;
            xs[i] = a * p[0] + b * p[2] + c * p[4];
            ys[i] = a * p[1] + b * p[3] + c * p[5];
        }
        shapescan::Stroke(xs, ys, pieces + 1, p[6], width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override {
        const std::vector<float>& p = shape.p;
        std::string path = "M";
        for (int i = 0; i < 6; ++i) path += (i == 2 ? " Q" : i ? " " : "") + pen.number(p[std::size_t(i)]);
        return "<path" + pen.Attribute("d", path) + pen.Attribute("fill", "none") + pen.Attribute("stroke-width", p[6]) +
               pen.Attribute("stroke-linecap", "round") + pen.Attribute("stroke-linejoin", "round");
    }
    bool Stroked() const override { return true; }
};

}  // namespace

const ShapeKind& CurveShapes() {
    static const CurveKind kind;
    return kind;
}
