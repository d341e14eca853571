#pragma once

#include "genome/DrawStream.h"

#include <vector>

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
