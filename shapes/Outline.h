#pragma once

#include "shapes/Shape.h"

// What the kinds held as polygons share: vertices on whole pixels, painted by the polygon
// fill (which paints both end pixels of every span).
namespace outline {

short OnX(const ShapeFrame& frame, double x);
short OnY(const ShapeFrame& frame, double y);
// `count` vertices in angle order around a random centre, at random distances.
void Random(ShapeDraws& draws, const ShapeFrame& frame, int count, Shape& out);
void SkipRandom(ShapeDraws& draws, int count);
// A vertex moved, the whole shape moved or scaled, or (where `grows`) a vertex added or
// removed.
void Change(ShapeDraws& draws, const ShapeFrame& frame, bool grows, const Shape& from, Shape& out);
void SkipChange(ShapeDraws& draws, const ShapeFrame& frame, bool grows, const Shape& from);
std::pair<int, int> Rows(const Shape& shape);
void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out);
// A <polygon> (a <path> where compact: its lines need no commas).
std::string Svg(const Shape& shape, const SvgPen& pen);

}  // namespace outline
