#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

// std::lround (halves away from zero) for |x| below 2^31, without the library call that the
// search's inner loops would otherwise make for every vertex and colour.
inline long RoundHalfAway(double x) {
    const double m = x < 0 ? -x : x;
    long t = long(m + 0.5);
    if (double(t) - 0.5 > m) --t;  // m + 0.5 was rounded up to the next whole number (exact test)
    return x < 0 ? -t : t;
}

// Where a shape's random choices come from: the run's draws, read in order.
class ShapeDraws {
public:
    virtual int Next() = 0;

protected:
    ~ShapeDraws() = default;
};

// One shape in its kind: a kind held as a polygon keeps its vertices in xs, ys (the fill's
// whole-pixel corners); any other kind its parameters in p, in drawing coordinates (a pixel's
// centre at whole numbers), sub-pixel where an edge needs it.
struct Shape {
    int kind = 0;  // its place in the list of kinds
    std::vector<short> xs, ys;
    std::vector<float> p;
    int Count() const { return int(xs.size()); }
    bool operator==(const Shape& other) const { return kind == other.kind && xs == other.xs && ys == other.ys && p == other.p; }
};

// The picture shapes are made on, and the most vertices a polygon may have.
struct ShapeFrame {
    int width = 1, height = 1, maxPoints = 3;
};

// How an SVG element's numbers and attributes are written.
struct SvgPen {
    std::string (*number)(double);
    char quote;
    bool compact;  // as short as the geometry allows
    std::string Attribute(const char* name, const std::string& value) const {
        return std::string(" ") + name + "=" + quote + value + quote;
    }
    std::string Attribute(const char* name, double value) const { return Attribute(name, number(value)); }
};

// Pixels left..right of row y.
struct ShapeSpan {
    int y, left, right;
};

// What a parameter is, for scaling and checking: a coordinate across or down, a length along
// one axis or both, or an angle in degrees.
enum class Role { X, Y, Width, Height, Length, Angle };
struct Param {
    const char* name;
    Role role;
};

// A kind of shape: everything the search, the painting and the files ask of it. Each kind is
// one file, listed in ShapeKinds.cpp.
class ShapeKind {
public:
    virtual ~ShapeKind() = default;
    virtual const char* Name() const = 0;
    // Its parameters, in the order of Shape::p; none for a kind held as a polygon (saved as one).
    virtual std::vector<Param> Params() const { return {}; }
    // Whether it is held as a polygon (asked for every candidate scored: no list made).
    virtual bool Outlined() const { return false; }

    // A random shape of this kind, of a random size from a few pixels to the whole picture.
    virtual void Random(ShapeDraws& draws, const ShapeFrame& frame, Shape& out) const = 0;
    // A small change that keeps it of this kind.
    virtual void Change(ShapeDraws& draws, const ShapeFrame& frame, const Shape& from, Shape& out) const = 0;
    // Pass over the draws Random and Change take (by making a shape, unless a kind knows a
    // cheaper way).
    virtual void SkipRandom(ShapeDraws& draws, const ShapeFrame& frame) const;
    virtual void SkipChange(ShapeDraws& draws, const ShapeFrame& frame, const Shape& from) const;

    // The first and last rows it may reach (unclipped); last < first for none.
    virtual std::pair<int, int> Rows(const Shape& shape) const;
    // Its spans on rows y0, y0 + step, ... up to y1 of a surface `width` pixels wide, clipped
    // to it, row by row, none overlapping: a pixel is covered when its centre is inside.
    virtual void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) const = 0;
    // Its SVG element up to its paint: "<ellipse cx=..." in the drawing's coordinates.
    virtual std::string Svg(const Shape& shape, const SvgPen& pen) const = 0;
    // Whether it is painted by its outline (a stroke) rather than filled.
    virtual bool Stroked() const { return false; }
};

// Whether four vertices in order make an upright rectangle (sides along the axes), the form
// the rectangles keep.
bool IsUprightRectangle(const short* xs, const short* ys, int count);

// The kinds, in a fixed order: a kind's place is its number in files and its bit in a set.
const std::vector<const ShapeKind*>& ShapeKinds();
const ShapeKind& KindOf(const Shape& shape);
// The places and bits of the kinds held as polygons, which are told apart by their form.
enum KindPlace : int { kPolygonPlace = 0, kTrianglePlace = 1, kRectanglePlace = 2 };
enum KindBit : unsigned { kPolygon = 1, kTriangle = 2, kRectangle = 4 };
unsigned AllKinds();
// "polygon", "triangle", ...; "any" for every kind; a comma list for several. False for a
// name of no kind.
bool ParseShapeKinds(const std::string& list, unsigned& kinds);
// The kinds as a comma list, in their order.
std::string ShapeKindNames(unsigned kinds);

// Whether every parameter is one a file may hold: finite, a length above 0, nothing beyond
// 16-bit coordinates.
bool ParamsValid(const ShapeKind& kind, const std::vector<float>& p);
// The shape mapped by x -> kx x + ox, y -> ky y + oy (its lengths scaled alike; a polygon's
// vertices rounded).
void MapShape(Shape& shape, double kx, double ky, double ox = 0, double oy = 0);
