#include "engine/ChangeRegion.h"

#include "engine/FlatPolygon.h"
#include "image/PolygonScan.h"

#include <algorithm>

void ChangeRegion::Resize(int width, int height) {
    canvasWidth = width;
    countedWidth = width > 1 && height > 1 ? width - 1 : 0;
    countedHeight = width > 1 && height > 1 ? height - 1 : 0;
    lo.assign(std::size_t(std::max(countedHeight, 0)), INT_MAX);
    hi.assign(std::size_t(std::max(countedHeight, 0)), INT_MIN);
    firstRow = minLeft = INT_MAX;
    lastRow = maxRight = INT_MIN;
}

void ChangeRegion::Add(const FlatPolygon& p) {
    if (!p.Paints() || countedHeight == 0) return;
    if (p.ymax < 0 || p.ymin >= countedHeight || p.xmax < 0 || p.xmin >= countedWidth) return;
    const int lastColumn = countedWidth - 1;
    // The spans of the whole canvas's fill, cut to the counted part.
    scan::ScanPolygon(p.xs.data(), p.ys.data(), p.Count(), canvasWidth, 0, countedHeight - 1,
                      [this, lastColumn](int y, int left, int right) {
                          if (left > lastColumn) return;
                          right = std::min(right, lastColumn);
                          lo[y] = std::min(lo[y], left);
                          hi[y] = std::max(hi[y], right);
                          firstRow = std::min(firstRow, y);
                          lastRow = std::max(lastRow, y);
                          minLeft = std::min(minLeft, left);
                          maxRight = std::max(maxRight, right);
                      });
}

void ChangeRegion::Clear() {
    for (int y = firstRow; y <= lastRow; ++y) {
        lo[y] = INT_MAX;
        hi[y] = INT_MIN;
    }
    firstRow = minLeft = INT_MAX;
    lastRow = maxRight = INT_MIN;
}
