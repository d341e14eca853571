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

// A stream's values read again from a position it has passed, without moving it.
class DrawsAt {
public:
    DrawsAt(const DrawStream& stream, std::uint64_t position) : stream_(stream), position_(position) {}
    int Next() { return stream_.At(position_++); }

private:
    const DrawStream& stream_;
    std::uint64_t position_;
};

// Makes shapes from the run's draws. Every vertex stays on the w x h target.
class ShapeMaker {
public:
    ShapeMaker(int width, int height, int maxPoints);
    // A polygon of 3 to maxPoints vertices around a random centre, its vertices in angle order
    // at random distances, of a random size from a few pixels to the whole picture.
    template <class Draws>
    void Random(Draws& draws, Shape& out) const;
    // Passes over the draws Random takes and returns where they start, so that the shapes of
    // a batch can be made side by side (with DrawsAt) from draws taken in order.
    std::uint64_t SkipRandom(DrawStream& draws) const;
    // A small change of `from`: a vertex moved, the whole shape moved or scaled, a vertex added
    // or removed.
    template <class Draws>
    void Change(Draws& draws, const Shape& from, Shape& out) const;
    // The same for Change.
    std::uint64_t SkipChange(DrawStream& draws, const Shape& from) const;

private:
    // The kind of change drawn, or a vertex's move where it cannot be had.
    int ChangeKind(int kind, int n) const;
    short ClampX(double x) const;
    short ClampY(double y) const;
    int width, height, maxPoints;
};
