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

    // The spans the fill paints inside the counted part of the canvas, when they are known:
    // row firstSpanRow + k holds spans[rowStart[k]] up to spans[rowStart[k + 1]], left to
    // right. Painting and comparing shapes from them needs no scan conversion.
    struct Span {
        int left, right;
    };
    bool spansKnown = false;
    int firstSpanRow = 0;
    std::vector<int> rowStart;
    std::vector<Span> spans;
    int SpanRows() const { return rowStart.empty() ? 0 : int(rowStart.size()) - 1; }
    // Calls visit(left, right) for the known spans of row y, left to right (none outside).
    template <class Visit>
    void ForEachSpanIn(int y, Visit&& visit) const {
        const int k = y - firstSpanRow;
        if (k >= 0 && k < SpanRows()) ForEachSpanOfRow(std::size_t(k), visit);
    }
    // The same for the k-th row of spans, which the caller knows there is.
    template <class Visit>
    void ForEachSpanOfRow(std::size_t k, Visit&& visit) const {
        for (int j = rowStart[k]; j < rowStart[k + 1]; ++j)
            visit(spans[std::size_t(j)].left, spans[std::size_t(j)].right);
    }

    // Copies the polygon's vertices and colour (reusing the arrays' storage); the spans are
    // then unknown.
    void Assign(DnaPolygon& polygon);
    // Same vertices in the same order, and the same colour.
    bool Same(const DnaPolygon& polygon) const;
    bool SameShape(const FlatPolygon& other) const { return xs == other.xs && ys == other.ys; }
    int Count() const { return int(xs.size()); }
    // False for polygons of fewer than three vertices, which the fill never paints.
    bool Paints() const { return xs.size() > 2; }
};
