#pragma once

// The loop of PaintRows, once for each kernel set. Each file that includes this compiles its
// own private copy (for its own processor features), so nothing here is shared between them.

#include "evolve/RegionPaint.h"

namespace {

// K provides Copy(to, from, n) (black for a null `from`), Blend(row, left, right, layer) and
// Distance(p, q, n).
template <class K>
std::uint64_t PaintRowsWith(const PaintJob& job) {
    std::uint64_t sum = 0;
    for (int i = 0; i < job.rowCount; ++i) {
        const PaintRow& r = job.rows[i];
        const int y = r.y;
        Uint32* row = job.to + std::ptrdiff_t(y) * job.toPitch;
        const Uint32* below = job.from ? job.from + std::ptrdiff_t(y) * job.fromPitch : nullptr;
        const bool two = r.lo1 <= r.hi1;
        K::Copy(row + r.lo0, below ? below + r.lo0 : nullptr, r.hi0 - r.lo0 + 1);
        if (two) K::Copy(row + r.lo1, below ? below + r.lo1 : nullptr, r.hi1 - r.lo1 + 1);
        const int hullHi = two ? r.hi1 : r.hi0;
        for (int k = 0; k < job.layerCount; ++k) {
            const PaintLayer& layer = job.layers[k];
            if (y < layer.firstRow || y > layer.lastRow) continue;
            const int* start = layer.rowStart + (y - layer.firstRow);
            for (int j = start[0], end = start[1]; j < end; ++j) {
                const int left = layer.spans[j].left, right = layer.spans[j].right;
                if (right < r.lo0 || left > hullHi) continue;
                int l = left > r.lo0 ? left : r.lo0, h = right < r.hi0 ? right : r.hi0;
                if (l <= h) K::Blend(row, l, h, layer);
                if (!two) continue;
                l = left > r.lo1 ? left : r.lo1;
                h = right < r.hi1 ? right : r.hi1;
                if (l <= h) K::Blend(row, l, h, layer);
            }
        }
        // A row of the counted part is under 16384 pixels, so its sum fits in 32 bits.
        const Uint32* goal = job.goal + std::ptrdiff_t(y) * job.goalPitch;
        sum += K::Distance(row + r.lo0, goal + r.lo0, r.hi0 - r.lo0 + 1);
        if (two) sum += K::Distance(row + r.lo1, goal + r.lo1, r.hi1 - r.lo1 + 1);
        if (sum >= job.limit) break;
    }
    return sum;
}

}  // namespace
