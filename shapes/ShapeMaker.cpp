#include "shapes/ShapeMaker.h"

#include "shapes/Draws.h"

#include <algorithm>

ShapeMaker::ShapeMaker(int width, int height, int maxPoints, unsigned kinds_)
    : frame{std::max(width, 1), std::max(height, 1), std::max(maxPoints, 3)},
      kinds(kinds_ & AllKinds() ? kinds_ & AllKinds() : unsigned(kPolygon)) {
    for (int i = 0; i < int(ShapeKinds().size()); ++i)
        if (kinds & (1u << i)) drawn.push_back(i);
}

void ShapeMaker::Random(ShapeDraws& draws, Shape& out) const {
    const int kind = drawn.size() > 1 ? drawn[std::size_t(draws::Draw(draws, int(drawn.size())))] : drawn[0];
    ShapeKinds()[std::size_t(kind)]->Random(draws, frame, out);
    out.kind = kind;
}

void ShapeMaker::SkipRandom(ShapeDraws& draws) const {
    const int kind = drawn.size() > 1 ? drawn[std::size_t(draws::Draw(draws, int(drawn.size())))] : drawn[0];
    ShapeKinds()[std::size_t(kind)]->SkipRandom(draws, frame);
}

void ShapeMaker::Change(ShapeDraws& draws, const Shape& from, Shape& out) const {
    KindOf(from).Change(draws, frame, from, out);
    out.kind = from.kind;
}

void ShapeMaker::SkipChange(ShapeDraws& draws, const Shape& from) const { KindOf(from).SkipChange(draws, frame, from); }


int ShapeMaker::OutlineKind(const short* xs, const short* ys, int count) const {
    if ((kinds & kRectangle) && IsUprightRectangle(xs, ys, count)) return kRectanglePlace;
    if ((kinds & kTriangle) && count == 3) return kTrianglePlace;
    return kPolygonPlace;
}
