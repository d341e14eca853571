#include "evolve/FlatPolygon.h"

#include "genome/DnaPolygon.h"

#include <algorithm>
#include <climits>

void FlatPolygon::Assign(DnaPolygon& polygon) {
    node = &polygon;
    color = polygon.color;
    spansKnown = false;
    const std::size_t n = polygon.FillCount();
    xs.resize(n);
    ys.resize(n);
    polygon.CopyVertices(xs.data(), ys.data(), n);
    if (n < 3) {
        xmin = ymin = 0;
        xmax = ymax = -1;
        return;
    }
    const auto [x0, x1] = std::minmax_element(xs.begin(), xs.end());
    const auto [y0, y1] = std::minmax_element(ys.begin(), ys.end());
    xmin = *x0;
    xmax = *x1;
    ymin = *y0;
    ymax = *y1;
}

bool FlatPolygon::Same(const DnaPolygon& polygon) const {
    if (polygon.color != color || polygon.points.size() != xs.size()) return false;
    std::size_t i = 0;
    for (const auto& point : polygon.points) {
        if (point.x != xs[i] || point.y != ys[i]) return false;
        ++i;
    }
    return true;
}
