#include "evolve/FlatPolygon.h"

#include "genome/DnaPolygon.h"

#include <algorithm>
#include <climits>

void FlatPolygon::Assign(DnaPolygon& polygon) {
    node = &polygon;
    color = polygon.color;
    spansKnown = false;
    // The fill takes at most INT_MAX vertices; so does this copy.
    std::size_t n = polygon.points.size();
    if (n > std::size_t(INT_MAX)) n = std::size_t(INT_MAX);
    xs.resize(n);
    ys.resize(n);
    xmin = ymin = INT_MAX;
    xmax = ymax = INT_MIN;
    std::size_t i = 0;
    for (auto it = polygon.points.begin(); i < n; ++it, ++i) {
        xs[i] = it->x;
        ys[i] = it->y;
        xmin = std::min<int>(xmin, it->x);
        xmax = std::max<int>(xmax, it->x);
        ymin = std::min<int>(ymin, it->y);
        ymax = std::max<int>(ymax, it->y);
    }
    if (n < 3) {
        xmin = ymin = 0;
        xmax = ymax = -1;
    }
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
