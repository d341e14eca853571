#include "shapes/Centred.h"

#include "shapes/Draws.h"
#include "shapes/Scan.h"

#include <cmath>

using draws::Draw;

namespace centred {

std::vector<Param> Params(Form form) {
    std::vector<Param> params{{"cx", Role::X}, {"cy", Role::Y}};
    if (form.round) {
        params.push_back({"r", Role::Length});
    } else {
        params.push_back({"rx", form.turns ? Role::Length : Role::Width});
        params.push_back({"ry", form.turns ? Role::Length : Role::Height});
    }
    if (form.turns) params.push_back({"angle", Role::Angle});
    return params;
}

namespace {

float Turned(double degrees) {
    const double a = std::fmod(degrees, 180.0);
    return float(a < 0 ? a + 180.0 : a);
}

}  // namespace

void Random(ShapeDraws& d, const ShapeFrame& frame, Form form, Shape& out) {
    out.xs.clear();
    out.ys.clear();
    const double cx = Draw(d, frame.width), cy = Draw(d, frame.height);
    const double size = draws::Size(d, frame);
    out.p = {float(cx), float(cy)};
    if (form.round) {
        out.p.push_back(draws::Length(frame, size * draws::Share(d)));
    } else {
        const double rx = size * draws::Share(d), ry = size * draws::Share(d);
        out.p.push_back(draws::Length(frame, rx));
        out.p.push_back(draws::Length(frame, ry));
    }
    if (form.turns) out.p.push_back(float(Draw(d, 180)));
}

void Change(ShapeDraws& d, const ShapeFrame& frame, Form form, const Shape& from, Shape& out) {
    out = from;
    std::vector<float>& p = out.p;
    const int reach = draws::Reach(d);
    int kind = Draw(d, 16);
    if (kind >= 13 && !form.turns) kind = 0;
    const int radii = form.round ? 1 : 2;
    if (kind < 6) {  // the centre moves
        const double dx = draws::FineStep(d, reach), dy = draws::FineStep(d, reach);
        p[0] = draws::NearX(frame, p[0] + dx);
        p[1] = draws::NearY(frame, p[1] + dy);
    } else if (kind < 10) {  // a radius grows or shrinks
        const std::size_t i = 2 + std::size_t(Draw(d, radii));
        p[i] = draws::Length(frame, p[i] + draws::FineStep(d, reach));
    } else if (kind < 13) {  // scaled about its centre by 0.8 to 1.25
        const double f = draws::Factor(d);
        for (int i = 0; i < radii; ++i) p[std::size_t(2 + i)] = draws::Length(frame, p[std::size_t(2 + i)] * f);
    } else {  // turned by up to 1.5 degrees a pixel of reach
        p[std::size_t(2 + radii)] = Turned(p[std::size_t(2 + radii)] + 1.5 * draws::Step(d, reach));
    }
}

Geometry Of(const Shape& shape, Form form) {
    const std::vector<float>& p = shape.p;
    const double rx = p[2], ry = form.round ? p[2] : p[3];
    return Geometry{p[0], p[1], rx, ry, form.turns ? p[form.round ? 3 : 4] : 0.0};
}

std::pair<int, int> Rows(const Shape& shape, double half) {
    return {int(std::floor(shape.p[1] - half)), int(std::ceil(shape.p[1] + half))};
}

std::string Kind::Turn(const Geometry& g, const SvgPen& pen) const {
    if (!form_.turns) return "";
    return pen.Attribute("transform", "rotate(" + pen.number(g.degrees) + " " + pen.number(g.cx) + " " + pen.number(g.cy) + ")");
}

std::pair<int, int> Oval::Rows(const Shape& shape) const {
    const Geometry g = Of(shape);
    const double c = std::cos(g.degrees * shapescan::kRadian), s = std::sin(g.degrees * shapescan::kRadian);
    return centred::Rows(shape, std::sqrt(g.rx * g.rx * s * s + g.ry * g.ry * c * c));
}

void Oval::Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const {
    const Geometry g = Of(shape);
    shapescan::Ellipse(g.cx, g.cy, g.rx, g.ry, g.degrees, width, y0, y1, step, out);
}

std::string Oval::Svg(const Shape& shape, const SvgPen& pen) const {
    const Geometry g = Of(shape);
    return (Round() ? "<circle" : "<ellipse") + pen.Attribute("cx", g.cx) + pen.Attribute("cy", g.cy) +
           (Round() ? pen.Attribute("r", g.rx) : pen.Attribute("rx", g.rx) + pen.Attribute("ry", g.ry)) + Turn(g, pen);
}

}  // namespace centred
