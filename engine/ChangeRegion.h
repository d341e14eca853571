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
    // Adds every pixel the fill paints for the polygon (inside the counted part).
    void Add(const FlatPolygon& polygon);
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
};
