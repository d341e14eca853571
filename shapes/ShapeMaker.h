#pragma once

#include "shapes/Shape.h"

// Makes shapes of a set of kinds (bits of ShapeKinds()) from the run's draws. Every shape
// stays on the w x h picture.
class ShapeMaker {
public:
    ShapeMaker(int width, int height, int maxPoints, unsigned kinds = kPolygon);
    // A shape of one of the kinds (drawn first, where there are several).
    void Random(ShapeDraws& draws, Shape& out) const;
    // Passes over the draws Random takes, so that the shapes of a batch can be made side by
    // side from draws taken in order.
    void SkipRandom(ShapeDraws& draws) const;
    // A small change of `from` that keeps its kind.
    void Change(ShapeDraws& draws, const Shape& from, Shape& out) const;
    void SkipChange(ShapeDraws& draws, const Shape& from) const;
    // Whether `shape` is of one of the kinds drawn.
    bool Fits(const Shape& shape) const { return kinds & (1u << shape.kind); }
    // What vertices are among the kinds held as polygons, by their form: four upright as a
    // rectangle's, three as a triangle's (where those are drawn), or a polygon.
    int OutlineKind(const short* xs, const short* ys, int count) const;
    const ShapeFrame& Frame() const { return frame; }

private:
    ShapeFrame frame;
    unsigned kinds;
    std::vector<int> drawn;  // the kinds' places, in order
};
