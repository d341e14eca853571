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

// A kind made around a centre: its parameters, random shapes and changes by its form.
class Kind : public ShapeKind {
public:
    Kind(const char* name, Form form) : name_(name), form_(form) {}
    const char* Name() const override { return name_; }
    std::vector<Param> Params() const override { return centred::Params(form_); }
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override { centred::Random(d, frame, form_, out); }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        centred::Change(d, frame, form_, from, out);
    }

protected:
    Geometry Of(const Shape& shape) const { return centred::Of(shape, form_); }
    bool Round() const { return form_.round; }
    // "rotate(angle cx cy)", where it turns.
    std::string Turn(const Geometry& g, const SvgPen& pen) const;

private:
    const char* name_;
    Form form_;
};

// An ellipse or a circle, upright or turned.
class Oval final : public Kind {
public:
    using Kind::Kind;
    std::pair<int, int> Rows(const Shape& shape) const override;
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override;
    std::string Svg(const Shape& shape, const SvgPen& pen) const override;
};

}  // namespace centred
