#include "shapes/Shape.h"

#include <algorithm>
#include <cmath>

// Each kind's file gives its one instance.
const ShapeKind& PolygonShapes();
const ShapeKind& TriangleShapes();
const ShapeKind& RectangleShapes();
const ShapeKind& RotatedRectangleShapes();
const ShapeKind& EllipseShapes();
const ShapeKind& RotatedEllipseShapes();
const ShapeKind& CircleShapes();
const ShapeKind& CurveShapes();

// The list of kinds. A kind's place is its number in progress files and its bit in a set:
// new kinds go at the end.
const std::vector<const ShapeKind*>& ShapeKinds() {
    static const std::vector<const ShapeKind*> kinds{
        &PolygonShapes(), &TriangleShapes(), &RectangleShapes(), &RotatedRectangleShapes(),
        &EllipseShapes(), &RotatedEllipseShapes(), &CircleShapes(), &CurveShapes()};
    return kinds;
}

const ShapeKind& KindOf(const Shape& shape) {
    const auto& kinds = ShapeKinds();
    return *kinds[shape.kind >= 0 && std::size_t(shape.kind) < kinds.size() ? std::size_t(shape.kind) : 0];
}

unsigned AllKinds() { return (1u << ShapeKinds().size()) - 1; }

bool ParseShapeKinds(const std::string& list, unsigned& kinds) {
    unsigned read = 0;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string name = list.substr(from, comma - from);
        unsigned kind = name == "any" ? AllKinds() : 0;
        for (std::size_t i = 0; i < ShapeKinds().size(); ++i)
            if (name == ShapeKinds()[i]->Name()) kind = 1u << i;
        if (kind == 0) return false;
        read |= kind;
        from = comma + 1;
    }
    kinds = read;
    return true;
}

std::string ShapeKindNames(unsigned kinds) {
    std::string names;
    for (std::size_t i = 0; i < ShapeKinds().size(); ++i)
        if (kinds & (1u << i)) names += (names.empty() ? "" : ",") + std::string(ShapeKinds()[i]->Name());
    return names;
}

void ShapeKind::SkipRandom(ShapeDraws& draws, const ShapeFrame& frame) const {
    Shape scratch;
    Random(draws, frame, scratch);
}

void ShapeKind::SkipChange(ShapeDraws& draws, const ShapeFrame& frame, const Shape& from) const {
    Shape scratch;
    Change(draws, frame, from, scratch);
}

std::pair<int, int> ShapeKind::Rows(const Shape&) const { return {0, -1}; }

bool ParamsValid(const ShapeKind& kind, const std::vector<float>& p) {
    const std::vector<Param> params = kind.Params();
    if (p.size() != params.size()) return false;
    for (std::size_t i = 0; i < p.size(); ++i) {
        if (!std::isfinite(p[i]) || std::abs(p[i]) > 32767.0f) return false;
        const Role role = params[i].role;
        if ((role == Role::Width || role == Role::Height || role == Role::Length) && !(p[i] > 0)) return false;
    }
    return true;
}

void MapShape(Shape& shape, double kx, double ky, double ox, double oy) {
    const auto place = [](double v) { return short(std::clamp(std::round(v), -32768.0, 32767.0)); };
    for (short& x : shape.xs) x = place(x * kx + ox);
    for (short& y : shape.ys) y = place(y * ky + oy);
    const std::vector<Param> params = KindOf(shape).Params();
    for (std::size_t i = 0; i < shape.p.size() && i < params.size(); ++i) {
        const Role role = params[i].role;
        const double v = shape.p[i];
        shape.p[i] = float(role == Role::X        ? v * kx + ox
                           : role == Role::Y      ? v * ky + oy
                           : role == Role::Width  ? v * kx
                           : role == Role::Height ? v * ky
                           : role == Role::Length ? v * std::sqrt(kx * ky)
                                                  : v);
    }
}

bool IsUprightRectangle(const short* xs, const short* ys, int count) {
    if (count != 4) return false;
    return (ys[0] == ys[1] && xs[1] == xs[2] && ys[2] == ys[3] && xs[3] == xs[0]) ||
           (xs[0] == xs[1] && ys[1] == ys[2] && xs[2] == xs[3] && ys[3] == ys[0]);
}
