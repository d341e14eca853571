#pragma once

// The scan conversion behind Image::Polygon, as a template over what is done with each span,
// so that the fill, a fill clipped to a region and a coverage count all see the very same
// spans.

#include "image/Image.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace scan {

// Counts up to this many vertices use a buffer on the stack; larger ones (only a damaged
// progress file makes them) go to the heap so no count can overflow the stack.
constexpr int kStackVertices = 64;
// Rows scan-converted together (see ScanPolygon).
constexpr int kBandRows = 32;

inline void SortCrossings(int* c, int n) {
    if (n == 2) {  // the common case (every row of a triangle), without a branch
        const int low = std::min(c[0], c[1]), high = std::max(c[0], c[1]);
        c[0] = low;
        c[1] = high;
        return;
    }
    if (n > 32) {
        std::qsort(c, std::size_t(n), sizeof(int), &Image::CompareInt);
        return;
    }
    for (int i = 1; i < n; ++i) {  // a handful of crossings: insertion sort beats qsort
        const int v = c[i];
        int j = i - 1;
        while (j >= 0 && c[j] > v) {
            c[j + 1] = c[j];
            --j;
        }
        c[j + 1] = v;
    }
}

// One non-horizontal edge, upper end first, with its crossing stepped exactly from row to
// row: t = ((y - ya) * 65536) / dy is kept as quotient and remainder, so each new row adds
// 65536 without a division and gives the same truncated t, whichever row it starts at.
struct Edge {
    int ya, yb;  // the first and the last row the edge counts in
    std::int64_t dx, base;  // base = xa * 65536
    std::uint32_t dy, step, stepRemainder;
    std::uint32_t t = 0, remainder = 0;
    bool started = false;

    // Crossing at row y; rows must come in ascending order while the edge counts.
    std::int64_t CrossingAt(int y) {
        if (!started) {
            // y - ya < 65536, so the numerator fits in 32 unsigned bits.
            const std::uint32_t numerator = std::uint32_t(y - ya) << 16;
            t = numerator / dy;
            remainder = numerator % dy;
            started = true;
        } else {
            // Branch-free: the carry is as likely as not, so a branch would mispredict.
            remainder += stepRemainder;
            const std::uint32_t carry = remainder >= dy;
            t += step + carry;
            remainder -= carry * dy;
        }
        return std::int64_t(t) * dx + base;
    }
};

// The polygon's non-horizontal edges, upper end first, into `edges`; their count.
inline int BuildEdges(const short* xs, const short* ys, int count, int ymax, Edge* edges) {
    int edgeCount = 0;
    for (int i = 0; i < count; ++i) {
        const int p = (i == 0) ? count - 1 : i - 1;
        int xa = xs[p], ya = ys[p], xb = xs[i], yb = ys[i];
        if (ya == yb) continue;  // horizontal edges never cross a row
        if (ya > yb) {
            std::swap(xa, xb);
            std::swap(ya, yb);
        }
        Edge& e = edges[edgeCount++];
        e = Edge{};
        e.ya = ya;
        // Edges count from their upper end up to, not including, their lower end; on the
        // polygon's last row the edges ending there count too.
        e.yb = yb == ymax ? yb : yb - 1;
        e.dx = xb - xa;
        e.base = std::int64_t(xa) * 65536;
        e.dy = std::uint32_t(yb - ya);
        e.step = 65536u / e.dy;
        e.stepRemainder = 65536u % e.dy;
    }
    return edgeCount;
}

// Rows firstRow..lastRow in bands of `bandRows`: each edge steps through its rows of a band
// in one tight loop, so the rows an edge does not reach cost nothing (row by row, every edge
// would be tested on every row); then each row's crossings, sorted, give its spans.
template <class Span>
void ScanBands(Edge* edges, int edgeCount, int* crossings, int bandRows, int width, int firstRow, int lastRow,
               Span&& span) {
    // Crossings are computed in 64 bits (any 16-bit vertex is safe) and then held just
    // outside the surface, which keeps their order and the clipped spans unchanged.
    const std::int64_t lowest = -65536;
    const std::int64_t highest = std::int64_t(width + 1) * 65536;
    const int stride = edgeCount;  // crossings of band row k: crossings[k * stride ...]
    int counts[kBandRows];
    for (int bandFrom = firstRow; bandFrom <= lastRow; bandFrom += bandRows) {
        const int bandTo = std::min(lastRow, bandFrom + bandRows - 1);
        std::fill(counts, counts + (bandTo - bandFrom + 1), 0);
        for (int i = 0; i < edgeCount; ++i) {
            Edge& e = edges[i];
            const int from = std::max(e.ya, bandFrom), to = std::min(e.yb, bandTo);
            for (int y = from; y <= to; ++y) {
                const int k = y - bandFrom;
                crossings[k * stride + counts[k]++] = int(std::clamp(e.CrossingAt(y), lowest, highest));
            }
        }
        for (int y = bandFrom; y <= bandTo; ++y) {
            const int k = y - bandFrom, n = counts[k];
            int* c = crossings + k * stride;
            SortCrossings(c, n);
            for (int j = 0; j + 1 < n; j += 2) {
                // Rounds e + 1/65536 and f - 1/65536 to the nearest column, halves upward.
                int left = (c[j] + 32769) >> 16;
                int right = (c[j + 1] + 32767) >> 16;
                left = std::max(left, 0);
                right = std::min(right, width - 1);
                if (right < left) continue;
                span(y, left, right);
            }
        }
    }
}

// Calls span(y, left, right) for every span the fill paints in rows rowFrom..rowTo of a
// surface `width` pixels wide; spans are already clipped to 0..width-1 and never empty.
// Rows outside the surface must not be asked for.
template <class Span>
void ScanPolygon(const short* xs, const short* ys, int count, int width, int rowFrom,
                 int rowTo, Span&& span) {
    if (count <= 2) return;
    int ymin = ys[0], ymax = ys[0];
    for (int i = 1; i < count; ++i) {
        ymin = std::min<int>(ymin, ys[i]);
        ymax = std::max<int>(ymax, ys[i]);
    }
    const int firstRow = std::max(ymin, rowFrom);
    const int lastRow = std::min(ymax, rowTo);
    if (firstRow > lastRow) return;

    Edge stackEdges[kStackVertices];
    int stackCrossings[kStackVertices * kBandRows];
    std::vector<Edge> heapEdges;
    std::vector<int> heapCrossings;
    Edge* edges = stackEdges;
    int* crossings = stackCrossings;
    int bandRows = kBandRows;
    if (count > kStackVertices) {
        // Thinner bands keep the crossings' buffer near the stack's size.
        bandRows = std::max(1, kStackVertices * kBandRows / count);
        heapEdges.resize(std::size_t(count));
        heapCrossings.resize(std::size_t(count) * std::size_t(bandRows));
        edges = heapEdges.data();
        crossings = heapCrossings.data();
    }
    const int edgeCount = BuildEdges(xs, ys, count, ymax, edges);
    ScanBands(edges, edgeCount, crossings, bandRows, width, firstRow, lastRow, span);
}

}  // namespace scan
