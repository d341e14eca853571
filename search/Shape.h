#pragma once

#include "genome/DrawStream.h"

#include <vector>

// std::lround (halves away from zero) for |x| below 2^31, without the library call that the
// search's inner loops would otherwise make for every vertex and colour.
inline long RoundHalfAway(double x) {
    const double m = x < 0 ? -x : x;
    long t = long(m + 0.5);
    if (double(t) - 0.5 > m) --t;  // m + 0.5 was rounded up to the next whole number (exact test)
    return x < 0 ? -t : t;
}

// A polygon being searched for: its vertices on the target, in order.
struct Shape {
    std::vector<short> xs, ys;
    int Count() const { return int(xs.size()); }
};

// Makes shapes from the run's draws. Every vertex stays on the w x h target.
class ShapeMaker {
public:
    ShapeMaker(int width, int height, int maxPoints);
    // A polygon of 3 to maxPoints vertices around a random centre, its vertices in angle order
    // at random distances, of a random size from a few pixels to the whole picture.
    void Random(DrawStream& draws, Shape& out) const;
    // A small change of `from`: a vertex moved, the whole shape moved or scaled, a vertex added
    // or removed.
    void Change(DrawStream& draws, const Shape& from, Shape& out) const;

private:
    short ClampX(double x) const;
    short ClampY(double y) const;
    int width, height, maxPoints;
};
