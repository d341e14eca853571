#pragma once

#include "genome/DnaPolygon.h"
#include "genome/DrawStream.h"

#include <string>
#include <vector>

// std::lround (halves away from zero) for |x| below 2^31, without the library call that the
// search's inner loops would otherwise make for every vertex and colour.
inline long RoundHalfAway(double x) {
    const double m = x < 0 ? -x : x;
    long t = long(m + 0.5);
    if (double(t) - 0.5 > m) --t;  // m + 0.5 was rounded up to the next whole number (exact test)
    return x < 0 ? -t : t;
}

// The kinds of shape a drawing may be made of, as bits: each kind keeps its own form through
// every change (a triangle's three vertices, a rectangle's four sides upright).
enum ShapeKind : unsigned { kPolygon = 1, kTriangle = 2, kRectangle = 4 };
constexpr unsigned kAllKinds = kPolygon | kTriangle | kRectangle;
// "polygon", "triangle", "rectangle"; "any" for every kind; a comma list for several. False
// for a name of no kind.
bool ParseShapeKinds(const std::string& list, unsigned& kinds);
// The kinds as a comma list, in the order above.
std::string ShapeKindNames(unsigned kinds);

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
    ShapeMaker(int width, int height, int maxPoints, unsigned kinds = kPolygon);
    // A shape of one of the kinds (drawn first, where there are several) around a random
    // centre, of a random size from a few pixels to the whole picture: a polygon of 3 to
    // maxPoints vertices in angle order at random distances (a triangle: three), or an
    // upright rectangle of random sides.
    template <class Draws>
    void Random(Draws& draws, Shape& out) const;
    // Passes over the draws Random takes and returns where they start, so that the shapes of
    // a batch can be made side by side (with DrawsAt) from draws taken in order.
    std::uint64_t SkipRandom(DrawStream& draws) const;
    // A small change of `from` that keeps its kind: a vertex moved, the whole shape moved or
    // scaled, a vertex added or removed (a polygon's only); a rectangle's side moved, the
    // rectangle moved or scaled.
    template <class Draws>
    void Change(Draws& draws, const Shape& from, Shape& out) const;
    // The same for Change.
    std::uint64_t SkipChange(DrawStream& draws, const Shape& from) const;
    // Whether `shape` is of one of the kinds drawn (any polygon is one where polygons are).
    bool Fits(const Shape& shape) const;

private:
    // The kind of change drawn, or a vertex's move where it cannot be had.
    int ChangeKind(int kind, int n) const;
    // What `shape` is, by its form: four vertices upright as a rectangle's, three, or more.
    unsigned KindOf(const Shape& shape) const;
    short ClampX(double x) const;
    short ClampY(double y) const;
    template <class Draws>
    void RandomRectangle(Draws& draws, Shape& out) const;
    template <class Draws>
    void ChangeRectangle(Draws& draws, int reach, const Shape& from, Shape& out) const;
    int width, height, maxPoints;
    unsigned kinds;
    int kindCount;
};

