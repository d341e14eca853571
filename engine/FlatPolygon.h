#pragma once

#include <vector>

class DnaPolygon;

// A polygon's vertices and colour in plain arrays, with the bounds of its vertices: what the
// fast evaluator keeps of every polygon of the best drawing, and renders from.
struct FlatPolygon {
    std::vector<short> xs, ys;
    unsigned color = 0;
    int xmin = 0, xmax = -1, ymin = 0, ymax = -1;  // empty when it paints nothing
    DnaPolygon* node = nullptr;                    // the list element it was taken from

    // Copies the polygon's vertices and colour (reusing the arrays' storage).
    void Assign(DnaPolygon& polygon);
    // Same vertices in the same order, and the same colour.
    bool Same(const DnaPolygon& polygon) const;
    bool SameShape(const FlatPolygon& other) const { return xs == other.xs && ys == other.ys; }
    int Count() const { return int(xs.size()); }
    // False for polygons of fewer than three vertices, which the fill never paints.
    bool Paints() const { return xs.size() > 2; }
};
