#pragma once

#include "shapes/Shape.h"

#include <cmath>
#include <utility>
#include <vector>

// The spans of shapes given by their geometry: a pixel is covered when its centre is inside.
// Each appends the spans of rows y0, y0 + step, ... up to y1 of a surface `width` wide,
// clipped to it.
namespace shapescan {

constexpr double kRadian = 3.14159265358979323846 / 180.0;  // a degree, in radians

// An ellipse of centre (cx, cy), radii rx, ry, turned by `degrees`.
void Ellipse(double cx, double cy, double rx, double ry, double degrees, int width, int y0, int y1,
             int step, std::vector<ShapeSpan>& out);
// A convex polygon of n corners (n at most 8).
void Convex(const double* xs, const double* ys, int n, int width, int y0, int y1, int step,
            std::vector<ShapeSpan>& out);
// A line through n points stroked `thickness` wide, with round ends and joins.
void Stroke(const double* xs, const double* ys, int n, double thickness, int width, int y0, int y1,
            int step, std::vector<ShapeSpan>& out);
// The rows an extent from `low` to `high` covers the centres of.
inline std::pair<int, int> RowsBetween(double low, double high) {
    return {int(std::ceil(low)), int(std::floor(high))};
}
// The first of rows y0, y0 + step, ... at or after `top`.
inline int FirstRow(int top, int y0, int step) {
    return top <= y0 ? y0 : y0 + (top - y0 + step - 1) / step * step;
}

}  // namespace shapescan
