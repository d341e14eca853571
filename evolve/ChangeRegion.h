#pragma once

#include <array>
#include <climits>
#include <vector>

struct FlatPolygon;

// The pixels a candidate can change, as at most two column ranges per row (a reshaped
// polygon changes pixels along its left and its right edge), limited to the part of the
// canvas that the error counts (the top-left (W-1) x (H-1) pixels): pixels outside it never
// change the error, so they are neither rendered nor scored. Ranges may hold some pixels that
// do not change; never the other way round.
class ChangeRegion {
public:
    // For a canvas of this size; empties the region.
    void Resize(int canvasWidth, int canvasHeight);
    // Works out the polygon's spans inside the counted part, unless there would be more than
    // `limit` of them; returns how many it keeps (0 when it keeps none).
    // Given `before`, an earlier shape of the polygon with as many vertices and known spans,
    // only the rows that can differ are scan-converted again.
    std::size_t Rasterize(FlatPolygon& polygon, std::size_t limit, const FlatPolygon* before = nullptr) const;
    // The rows where two shapes of a polygon, with as many vertices, can be filled differently
    // (from > to when none): a row's spans follow from the edges that cross it and from
    // whether it is the polygon's last row, so only the rows a changed edge (old or new)
    // reaches can differ.
    static void RowsThatDiffer(const FlatPolygon& before, const FlatPolygon& now, int& from, int& to);
    // Adds every pixel the fill paints for the polygon (inside the counted part).
    void Add(const FlatPolygon& polygon);
    // For two shapes of one polygon, same colour and layer: adds only the pixels that the two
    // paint a different number of times (the fill may paint a pixel twice where spans meet).
    void AddDifference(const FlatPolygon& before, const FlatPolygon& after);
    // Back to empty; touches only the rows that were used.
    void Clear();

    struct Interval {
        int lo = INT_MAX, hi = INT_MIN;
        bool Empty() const { return lo > hi; }
        int Size() const { return hi - lo + 1; }
    };
    using Row = std::array<Interval, 2>;  // left to right, apart; the second may be empty

    bool Empty() const { return firstRow > lastRow; }
    // True when the polygon's vertices lie wholly beside the region's bounds: it paints none
    // of the region's pixels.
    bool Misses(const FlatPolygon& polygon) const;
    bool RowEmpty(int y) const { return rows[std::size_t(y)][0].Empty(); }
    // Calls visit(lo, hi) for each range of row y.
    template <class Visit>
    void ForEachRange(int y, Visit&& visit) const {
        const Row& row = rows[std::size_t(y)];
        if (!row[0].Empty()) visit(row[0].lo, row[0].hi);
        if (!row[1].Empty()) visit(row[1].lo, row[1].hi);
    }

    int canvasWidth = 0;
    int countedWidth = 0, countedHeight = 0;  // W - 1 and H - 1, or 0
    int firstRow = INT_MAX, lastRow = INT_MIN;
    int minLeft = INT_MAX, maxRight = INT_MIN;
    std::vector<Row> rows;

private:
    struct RowSpan {
        int left, right;
    };
    void Mark(int y, int left, int right);
    void MarkDifference(int y, const RowSpan* a, int na, const RowSpan* b, int nb);

    std::vector<int> events;
};
