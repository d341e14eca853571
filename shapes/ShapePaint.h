#pragma once

#include "shapes/Shape.h"

class Image;

// Blends the shape over rows y0..y1 of the canvas with the colour word's alpha: a kind held as
// a polygon through the polygon fill, any other through its spans. Each row gets the very
// pixels the whole shape gives it.
void PaintShape(Image& canvas, const Shape& shape, unsigned color, int y0, int y1);
// The shape's spans on rows y0, y0 + step, ... up to y1 of a surface `width` wide (into
// `spans`, emptied first).
void SpansOf(const Shape& shape, int width, int y0, int y1, std::vector<ShapeSpan>& spans, int step = 1);
