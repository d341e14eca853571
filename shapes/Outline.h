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

// A kind held as a polygon: `vertices` of them (0: 3 to the most, drawn), which may gain and
// lose vertices where it `grows`.
class Kind : public ShapeKind {
public:
    Kind(const char* name, int vertices, bool grows) : name_(name), vertices_(vertices), grows_(grows) {}
    const char* Name() const override { return name_; }
    bool Outlined() const override { return true; }
    void Random(ShapeDraws& d, const ShapeFrame& frame, Shape& out) const override {
        outline::Random(d, frame, Count(d, frame), out);
    }
    void SkipRandom(ShapeDraws& d, const ShapeFrame& frame) const override { outline::SkipRandom(d, Count(d, frame)); }
    void Change(ShapeDraws& d, const ShapeFrame& frame, const Shape& from, Shape& out) const override {
        outline::Change(d, frame, grows_, from, out);
    }
    void SkipChange(ShapeDraws& d, const ShapeFrame& frame, const Shape& from) const override {
        outline::SkipChange(d, frame, grows_, from);
    }
    std::pair<int, int> Rows(const Shape& shape) const override { return outline::Rows(shape); }
    void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const override {
        outline::Spans(shape, width, y0, y1, step, out);
    }
    std::string Svg(const Shape& shape, const SvgPen& pen) const override { return outline::Svg(shape, pen); }

private:
    int Count(ShapeDraws& d, const ShapeFrame& frame) const;
    const char* name_;
    int vertices_;
    bool grows_;
};

}  // namespace outline
