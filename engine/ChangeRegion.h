#pragma once

#include <climits>
#include <vector>

struct FlatPolygon;

// The pixels a candidate can change, as one column range per row, limited to the part of
// the canvas that the error counts (the top-left (W-1) x (H-1) pixels): pixels outside it
// never change the error, so they are neither rendered nor scored.
class ChangeRegion {
public:
    // For a canvas of this size; empties the region.
    void Resize(int canvasWidth, int canvasHeight);
    // Works out the polygon's spans inside the counted part, unless there would be more than
    // `limit` of them; returns how many it keeps (0 when it keeps none).
    std::size_t Rasterize(FlatPolygon& polygon, std::size_t limit) const;
    // Adds every pixel the fill paints for the polygon (inside the counted part).
    void Add(const FlatPolygon& polygon);
    // For two shapes of one polygon, same colour and layer: adds only the pixels that the two
    // paint a different number of times (the fill may paint a pixel twice where spans meet).
    void AddDifference(const FlatPolygon& before, const FlatPolygon& after);
    // Back to empty; touches only the rows that were used.
    void Clear();

    bool Empty() const { return firstRow > lastRow; }
    // Row y holds columns lo[y]..hi[y]; lo[y] > hi[y] where it holds none.
    bool RowEmpty(int y) const { return lo[y] > hi[y]; }

    int canvasWidth = 0;
    int countedWidth = 0, countedHeight = 0;  // W - 1 and H - 1, or 0
    int firstRow = INT_MAX, lastRow = INT_MIN;
    int minLeft = INT_MAX, maxRight = INT_MIN;
    std::vector<int> lo, hi;

private:
    struct RowSpan {
        int left, right;
    };
    void Mark(int y, int left, int right);
    void MarkDifference(int y, const RowSpan* a, int na, const RowSpan* b, int nb);

    std::vector<std::pair<int, int>> events;
};
