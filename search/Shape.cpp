#include "search/Shape.h"

#include <algorithm>
#include <cmath>

namespace {

template <class Draws>
int Draw(Draws& draws, int modulus) { return draws.Next() % modulus; }

// A signed step of up to `reach` pixels.
template <class Draws>
int Step(Draws& draws, int reach) { return Draw(draws, 2 * reach + 1) - reach; }

}  // namespace

namespace {

constexpr struct {
    unsigned kind;
    const char* name;
} kKindNames[] = {{kPolygon, "polygon"}, {kTriangle, "triangle"}, {kRectangle, "rectangle"}};

int CountKinds(unsigned kinds) {
    int n = 0;
    for (const auto& k : kKindNames) n += (kinds & k.kind) != 0;
    return n;
}

// The i-th of the kinds, in the order of kKindNames.
unsigned NthKind(unsigned kinds, int i) {
    for (const auto& k : kKindNames)
        if ((kinds & k.kind) && i-- == 0) return k.kind;
    return kPolygon;
}

}  // namespace

bool ParseShapeKinds(const std::string& list, unsigned& kinds) {
    unsigned read = 0;
    std::size_t from = 0;
    while (from <= list.size()) {
        const std::size_t comma = std::min(list.find(',', from), list.size());
        const std::string name = list.substr(from, comma - from);
        unsigned kind = name == "any" ? kAllKinds : 0;
        for (const auto& k : kKindNames)
            if (name == k.name) kind = k.kind;
        if (kind == 0) return false;
        read |= kind;
        from = comma + 1;
    }
    kinds = read;
    return true;
}

std::string ShapeKindNames(unsigned kinds) {
    std::string names;
    for (const auto& k : kKindNames)
        if (kinds & k.kind) names += (names.empty() ? "" : ",") + std::string(k.name);
    return names;
}

ShapeMaker::ShapeMaker(int width_, int height_, int maxPoints_, unsigned kinds_)
    : width(std::max(width_, 1)), height(std::max(height_, 1)), maxPoints(std::max(maxPoints_, 3)),
      kinds(kinds_ & kAllKinds ? kinds_ & kAllKinds : unsigned(kPolygon)), kindCount(CountKinds(kinds)) {}

bool ShapeMaker::Fits(const Shape& shape) const {
    if (kinds & kPolygon) return true;
    return (kinds & KindOf(shape)) && KindOf(shape) != kPolygon;
}

unsigned ShapeMaker::KindOf(const Shape& shape) const {
    if ((kinds & kRectangle) && IsUprightRectangle(shape.xs.data(), shape.ys.data(), shape.Count())) return kRectangle;
    if ((kinds & kTriangle) && shape.Count() == 3) return kTriangle;
    return kPolygon;
}

short ShapeMaker::ClampX(double x) const { return short(std::clamp(RoundHalfAway(x), 0l, long(width - 1))); }
short ShapeMaker::ClampY(double y) const { return short(std::clamp(RoundHalfAway(y), 0l, long(height - 1))); }

std::uint64_t ShapeMaker::SkipRandom(DrawStream& draws) const {
    const std::uint64_t start = draws.Position();
    const unsigned kind = kindCount > 1 ? NthKind(kinds, Draw(draws, kindCount)) : kinds;
    if (kind == kRectangle) {
        for (int i = 0; i < 5; ++i) draws.Next();  // centre, size, the two sides
        return start;
    }
    const int n = kind == kTriangle ? 3 : std::min(3 + Draw(draws, maxPoints - 2), 256);
    for (int i = 0; i < 3 + 2 * n; ++i) draws.Next();  // centre, size, then angle and distance of each
    return start;
}

template <class Draws>
void ShapeMaker::RandomRectangle(Draws& draws, Shape& out) const {
    const double cx = Draw(draws, width), cy = Draw(draws, height);
    const double largest = std::max(2.0, std::max(width, height) / 2.0);
    const double radius = std::exp(std::log(largest) * Draw(draws, 1000) / 1000.0);
    const double halfWidth = radius * (0.2 + 0.8 * Draw(draws, 1000) / 1000.0);
    const double halfHeight = radius * (0.2 + 0.8 * Draw(draws, 1000) / 1000.0);
    const short x0 = ClampX(cx - halfWidth), x1 = ClampX(cx + halfWidth);
    const short y0 = ClampY(cy - halfHeight), y1 = ClampY(cy + halfHeight);
    out.xs = {x0, x1, x1, x0};
    out.ys = {y0, y0, y1, y1};
}

template <class Draws>
void ShapeMaker::Random(Draws& draws, Shape& out) const {
    const unsigned kind = kindCount > 1 ? NthKind(kinds, Draw(draws, kindCount)) : kinds;
    if (kind == kRectangle) return RandomRectangle(draws, out);
    const int count = kind == kTriangle ? 3 : 3 + Draw(draws, maxPoints - 2);
    const double cx = Draw(draws, width), cy = Draw(draws, height);
    // Sizes spread evenly on a log scale: as many small shapes as large ones.
    const double largest = std::max(2.0, std::max(width, height) / 2.0);
    const double radius = std::exp(std::log(largest) * Draw(draws, 1000) / 1000.0);
    int angles[256];
    const int n = std::min(count, 256);
    for (int i = 0; i < n; ++i) angles[i] = Draw(draws, 3600);
    std::sort(angles, angles + n);
    out.xs.resize(std::size_t(n));
    out.ys.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const double r = radius * (0.4 + 0.6 * Draw(draws, 1000) / 1000.0);
        const double theta = angles[i] * (3.14159265358979323846 / 1800.0);
        out.xs[std::size_t(i)] = ClampX(cx + r * std::cos(theta));
        out.ys[std::size_t(i)] = ClampY(cy + r * std::sin(theta));
    }
}

template void ShapeMaker::Random(DrawStream&, Shape&) const;
template void ShapeMaker::Random(DrawsAt&, Shape&) const;

int ShapeMaker::ChangeKind(int kind, int n) const {
    if (kind >= 12 && kind <= 13 && n >= maxPoints) return 0;  // no room for a vertex
    if (kind == 14 && n <= 3) return 0;                         // none to spare
    // A triangle keeps its three vertices (where polygons may be drawn too, a three-vertex
    // one is taken for a triangle).
    if (kind >= 12 && kind <= 14 && (!(kinds & kPolygon) || (n == 3 && (kinds & kTriangle)))) return 0;
    return kind;
}

std::uint64_t ShapeMaker::SkipChange(DrawStream& draws, const Shape& from) const {
    const std::uint64_t start = draws.Position();
    draws.Next();  // the reach
    if (KindOf(from) == kRectangle) {
        const int kind = Draw(draws, 16);
        for (int i = 0; i < (kind < 12 ? 2 : 1); ++i) draws.Next();
        return start;
    }
    const int kind = ChangeKind(Draw(draws, 16), from.Count());
    const int more = kind < 10 ? 3 : kind < 12 ? 2 : kind < 14 ? 3 : 1;
    for (int i = 0; i < more; ++i) draws.Next();
    return start;
}

template <class Draws>
void ShapeMaker::ChangeRectangle(Draws& draws, int reach, const Shape& from, Shape& out) const {
    int x0 = std::min(from.xs[0], from.xs[2]), x1 = std::max(from.xs[0], from.xs[2]);
    int y0 = std::min(from.ys[0], from.ys[2]), y1 = std::max(from.ys[0], from.ys[2]);
    const int kind = Draw(draws, 16);
    if (kind < 8) {  // one side moves
        const int side = Draw(draws, 4), step = Step(draws, reach);
        (side == 0 ? x0 : side == 1 ? x1 : side == 2 ? y0 : y1) += step;
        if (x0 > x1) x0 = x1 = (x0 + x1) / 2;
        if (y0 > y1) y0 = y1 = (y0 + y1) / 2;
    } else if (kind < 12) {  // the whole rectangle moves
        const int dx = Step(draws, reach), dy = Step(draws, reach);
        x0 += dx, x1 += dx, y0 += dy, y1 += dy;
    } else {  // scaled about its centre by 0.8 to 1.25
        const double f = 0.8 + Draw(draws, 46) / 100.0;
        const double cx = (x0 + x1) / 2.0, cy = (y0 + y1) / 2.0;
        x0 = int(RoundHalfAway(cx + (x0 - cx) * f)), x1 = int(RoundHalfAway(cx + (x1 - cx) * f));
        y0 = int(RoundHalfAway(cy + (y0 - cy) * f)), y1 = int(RoundHalfAway(cy + (y1 - cy) * f));
    }
    const short l = ClampX(x0), r = ClampX(x1), t = ClampY(y0), b = ClampY(y1);
    out.xs = {l, r, r, l};
    out.ys = {t, t, b, b};
}

template <class Draws>
void ShapeMaker::Change(Draws& draws, const Shape& from, Shape& out) const {
    out = from;
    const int n = from.Count();
    static constexpr int kReach[4] = {1, 3, 10, 30};
    const int reach = kReach[Draw(draws, 4)];
    if (KindOf(from) == kRectangle) return ChangeRectangle(draws, reach, from, out);
    const int kind = ChangeKind(Draw(draws, 16), n);
    if (kind < 10) {  // one vertex moves
        const std::size_t i = std::size_t(Draw(draws, n));
        out.xs[i] = ClampX(from.xs[i] + Step(draws, reach));
        out.ys[i] = ClampY(from.ys[i] + Step(draws, reach));
    } else if (kind < 12) {  // the whole shape moves
        const int dx = Step(draws, reach), dy = Step(draws, reach);
        for (int i = 0; i < n; ++i) {
            out.xs[std::size_t(i)] = ClampX(from.xs[std::size_t(i)] + dx);
            out.ys[std::size_t(i)] = ClampY(from.ys[std::size_t(i)] + dy);
        }
    } else if (kind < 14) {  // a vertex is added between two, near their middle
        const int i = Draw(draws, n), j = (i + 1) % n;
        const double x = (from.xs[std::size_t(i)] + from.xs[std::size_t(j)]) / 2.0 + Step(draws, reach);
        const double y = (from.ys[std::size_t(i)] + from.ys[std::size_t(j)]) / 2.0 + Step(draws, reach);
        out.xs.insert(out.xs.begin() + i + 1, ClampX(x));
        out.ys.insert(out.ys.begin() + i + 1, ClampY(y));
    } else if (kind == 14) {  // a vertex goes
        const int i = Draw(draws, n);
        out.xs.erase(out.xs.begin() + i);
        out.ys.erase(out.ys.begin() + i);
    } else {  // scaled about its centre by 0.8 to 1.25
        double cx = 0, cy = 0;
        for (int i = 0; i < n; ++i) cx += from.xs[std::size_t(i)], cy += from.ys[std::size_t(i)];
        cx /= n;
        cy /= n;
        const double f = 0.8 + Draw(draws, 46) / 100.0;
        for (int i = 0; i < n; ++i) {
            out.xs[std::size_t(i)] = ClampX(cx + (from.xs[std::size_t(i)] - cx) * f);
            out.ys[std::size_t(i)] = ClampY(cy + (from.ys[std::size_t(i)] - cy) * f);
        }
    }
}

template void ShapeMaker::Change(DrawStream&, const Shape&, Shape&) const;
template void ShapeMaker::Change(DrawsAt&, const Shape&, Shape&) const;
