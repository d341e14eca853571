#include "shapes/Outline.h"

#include "image/PolygonScan.h"
#include "shapes/Draws.h"

#include <algorithm>
#include <cmath>

using draws::Draw;
using draws::Step;

namespace outline {

short OnX(const ShapeFrame& f, double x) { return short(std::clamp(RoundHalfAway(x), 0l, long(f.width - 1))); }
short OnY(const ShapeFrame& f, double y) { return short(std::clamp(RoundHalfAway(y), 0l, long(f.height - 1))); }

void Random(ShapeDraws& d, const ShapeFrame& frame, int count, Shape& out) {
    const double cx = Draw(d, frame.width), cy = Draw(d, frame.height);
    const double radius = draws::Size(d, frame);
    int angles[256];
    const int n = std::min(count, 256);
    for (int i = 0; i < n; ++i) angles[i] = Draw(d, 3600);
    std::sort(angles, angles + n);
    out.p.clear();
    out.xs.resize(std::size_t(n));
    out.ys.resize(std::size_t(n));
    for (int i = 0; i < n; ++i) {
        const double r = radius * (0.4 + 0.6 * Draw(d, 1000) / 1000.0);
        const double theta = angles[i] * (3.14159265358979323846 / 1800.0);
        out.xs[std::size_t(i)] = OnX(frame, cx + r * std::cos(theta));
        out.ys[std::size_t(i)] = OnY(frame, cy + r * std::sin(theta));
    }
}

void SkipRandom(ShapeDraws& d, int count) {
    for (int i = 0; i < 3 + 2 * std::min(count, 256); ++i) d.Next();  // centre, size, then angle and distance of each
}

namespace {

// The kind of change drawn, or a vertex's move where it cannot be had.
int ChangeKind(int kind, int n, int maxPoints, bool grows) {
    if (kind >= 12 && kind <= 14 && !grows) return 0;
    if (kind >= 12 && kind <= 13 && n >= maxPoints) return 0;  // no room for a vertex
    if (kind == 14 && n <= 3) return 0;                         // none to spare
    return kind;
}

}  // namespace

void SkipChange(ShapeDraws& d, const ShapeFrame& frame, bool grows, const Shape& from) {
    d.Next();  // the reach
    const int kind = ChangeKind(Draw(d, 16), from.Count(), frame.maxPoints, grows);
    const int more = kind < 10 ? 3 : kind < 12 ? 2 : kind < 14 ? 3 : 1;
    for (int i = 0; i < more; ++i) d.Next();
}

void Change(ShapeDraws& d, const ShapeFrame& frame, bool grows, const Shape& from, Shape& out) {
    out = from;
    const int n = from.Count();
    const int reach = draws::Reach(d);
    const int kind = ChangeKind(Draw(d, 16), n, frame.maxPoints, grows);
    const auto at = [](int i) { return std::size_t(i); };
    if (kind < 10) {  // one vertex moves
        const std::size_t i = at(Draw(d, n));
        out.xs[i] = OnX(frame, from.xs[i] + Step(d, reach));
        out.ys[i] = OnY(frame, from.ys[i] + Step(d, reach));
    } else if (kind < 12) {  // the whole shape moves
        const int dx = Step(d, reach), dy = Step(d, reach);
        for (int i = 0; i < n; ++i) {
            out.xs[at(i)] = OnX(frame, from.xs[at(i)] + dx);
            out.ys[at(i)] = OnY(frame, from.ys[at(i)] + dy);
        }
    } else if (kind < 14) {  // a vertex is added between two, near their middle
        const int i = Draw(d, n), j = (i + 1) % n;
        const double x = (from.xs[at(i)] + from.xs[at(j)]) / 2.0 + Step(d, reach);
        const double y = (from.ys[at(i)] + from.ys[at(j)]) / 2.0 + Step(d, reach);
        out.xs.insert(out.xs.begin() + i + 1, OnX(frame, x));
        out.ys.insert(out.ys.begin() + i + 1, OnY(frame, y));
    } else if (kind == 14) {  // a vertex goes
        const int i = Draw(d, n);
        out.xs.erase(out.xs.begin() + i);
        out.ys.erase(out.ys.begin() + i);
    } else {  // scaled about its centre by 0.8 to 1.25
        double cx = 0, cy = 0;
        for (int i = 0; i < n; ++i) cx += from.xs[at(i)], cy += from.ys[at(i)];
        cx /= n;
        cy /= n;
        const double f = draws::Factor(d);
        for (int i = 0; i < n; ++i) {
            out.xs[at(i)] = OnX(frame, cx + (from.xs[at(i)] - cx) * f);
            out.ys[at(i)] = OnY(frame, cy + (from.ys[at(i)] - cy) * f);
        }
    }
}

int Kind::Count(ShapeDraws& d, const ShapeFrame& frame) const {
    return vertices_ ? vertices_ : 3 + Draw(d, frame.maxPoints - 2);
}

std::pair<int, int> Rows(const Shape& shape) {
    if (shape.ys.empty()) return {0, -1};
    const auto [low, high] = std::minmax_element(shape.ys.begin(), shape.ys.end());
    return {*low, *high};
}

void Spans(const Shape& shape, int width, int y0, int y1, int step, std::vector<ShapeSpan>& out) {
    scan::ScanPolygon(shape.xs.data(), shape.ys.data(), shape.Count(), width, y0, y1, [&](int y, int left, int right) {
        if ((y - y0) % step == 0) out.push_back(ShapeSpan{y, left, right});
    });
}

std::string Svg(const Shape& shape, const SvgPen& pen) {
    std::string points;
    for (int i = 0; i < shape.Count(); ++i)
        points += (points.empty() ? "" : " ") + std::to_string(shape.xs[std::size_t(i)]) + (pen.compact ? " " : ",") +
                  std::to_string(shape.ys[std::size_t(i)]);
    return pen.compact ? "<path" + pen.Attribute("d", "M" + points) : "<polygon" + pen.Attribute("points", points);
}

}  // namespace outline
