#pragma once

#include "shapes/Shape.h"

// What the kinds made around a centre share (ellipses, circles, turned rectangles): their
// parameters are the centre, one radius or two, and an angle where they turn.
namespace centred {

struct Form {
    bool round;  // one radius (a circle) rather than two
    bool turns;  // an angle in degrees follows the radii
};
std::vector<Param> Params(Form form);
// Around a random centre, of a random size, at a random angle.
void Random(ShapeDraws& draws, const ShapeFrame& frame, Form form, Shape& out);
// The centre moved, a radius changed, both scaled, or (where it turns) turned; moves and
// radii by quarter pixels.
void Change(ShapeDraws& draws, const ShapeFrame& frame, Form form, const Shape& from, Shape& out);
// The radii across and down, and the angle, of a shape of this form.
struct Geometry {
    double cx, cy, rx, ry, degrees;
};
Geometry Of(const Shape& shape, Form form);
// The rows of the box around an extent of half-height `half`.
std::pair<int, int> Rows(const Shape& shape, double half);

}  // namespace centred
