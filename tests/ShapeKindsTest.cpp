#include "genome/DrawStream.h"
#include "search/Shape.h"
#include "shapes/ShapePaint.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

constexpr double kDegree = 3.14159265358979323846 / 180.0;

double Named(const Shape& shape, const char* name) {
    const std::vector<Param> params = KindOf(shape).Params();
    for (std::size_t i = 0; i < params.size(); ++i)
        if (std::string(params[i].name) == name) return shape.p[i];
    return std::string(name) == "ry" ? Named(shape, "r") : std::string(name) == "rx" ? Named(shape, "r") : 0.0;
}

// How far inside its shape the point (x, y) is, worked out point by point: above 0 inside,
// below 0 outside (in the shape's own measure; a curve's is in pixels, and the curve is drawn
// as straight pieces within a tenth of a pixel of its course).
double Inside(const Shape& s, double x, double y) {
    const std::string kind = KindOf(s).Name();
    if (kind == "curve") {
        double nearest = 1e9, px = Named(s, "x0"), py = Named(s, "y0");
        for (int i = 1; i <= 1024; ++i) {
            const double t = i / 1024.0, a = (1 - t) * (1 - t), b = 2 * t * (1 - t), c = t * t;
            const double qx = a * s.p[0] + b * s.p[2] + c * s.p[4], qy = a * s.p[1] + b * s.p[3] + c * s.p[5];
            const double dx = qx - px, dy = qy - py, length = dx * dx + dy * dy;
            const double along = length > 0 ? std::clamp(((x - px) * dx + (y - py) * dy) / length, 0.0, 1.0) : 0.0;
            nearest = std::min(nearest, std::hypot(x - px - along * dx, y - py - along * dy));
            px = qx, py = qy;
        }
        return Named(s, "width") / 2 - nearest;
    }
    const double a = Named(s, "angle") * kDegree, dx = x - Named(s, "cx"), dy = y - Named(s, "cy");
    const double u = dx * std::cos(a) + dy * std::sin(a), v = -dx * std::sin(a) + dy * std::cos(a);
    const double rx = Named(s, "rx"), ry = Named(s, "ry");
    if (kind == "rotated-rectangle") return std::min(rx - std::abs(u), ry - std::abs(v));
    return 1 - (u * u / (rx * rx) + v * v / (ry * ry));
}

}  // namespace

// Each kind held by parameters covers exactly the pixels whose centres are inside it, each
// once, within the rows it claims, clipped to the picture: on random shapes of every size and
// on changes that carry them past the edges.
TEST(ShapeKinds, SpansAreThePixelsWhoseCentresAreInside) {
    const int width = 40, height = 30;
    for (std::size_t k = 0; k < ShapeKinds().size(); ++k) {
        if (ShapeKinds()[k]->Outlined()) continue;
        const ShapeMaker maker(width, height, 10, 1u << k);
        DrawStream stream(unsigned(k) + 1);
        DrawsOn draws(stream);
        Shape shape;
        for (int round = 0; round < 300; ++round) {
            if (round % 10 == 0)
                maker.Random(draws, shape);
            else
                maker.Change(draws, Shape(shape), shape);
            std::vector<ShapeSpan> spans;
            SpansOf(shape, width, 0, height - 1, spans);
            std::vector<int> covered(width * height, 0);
            const auto [top, bottom] = KindOf(shape).Rows(shape);
            for (const ShapeSpan& span : spans) {
                ASSERT_TRUE(span.y >= std::max(top, 0) && span.y <= std::min(bottom, height - 1));
                ASSERT_TRUE(span.left >= 0 && span.left <= span.right && span.right < width);
                for (int x = span.left; x <= span.right; ++x) ++covered[std::size_t(span.y * width + x)];
            }
            for (int y = 0; y < height; ++y)
                for (int x = 0; x < width; ++x) {
                    const int times = covered[std::size_t(y * width + x)];
                    const double inside = Inside(shape, x, y);
                    ASSERT_LE(times, 1) << ShapeKinds()[k]->Name();
                    if (std::abs(inside) > (ShapeKinds()[k]->Stroked() ? 0.11 : 1e-6)) {
                        ASSERT_EQ(times, inside > 0 ? 1 : 0) << ShapeKinds()[k]->Name() << " round " << round << " at " << x << "," << y;
                    }
                }
        }
    }
}
