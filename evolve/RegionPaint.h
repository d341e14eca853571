#pragma once

// One candidate's paint-and-score as plain data, so that kernels compiled for different
// processors can run it: the rows of its region, and the polygons to paint there.

#include "evolve/FlatPolygon.h"
#include "genome/Settings.h"
#include "image/Kernels.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// What lies under every polygon: n pixels of the drawing's background.
inline void FillBackground(Uint32* to, int n) { std::fill_n(to, n, Uint32(Settings::BackgroundPixel())); }

// A polygon with its spans and its blend, the blend laid out for vector loads.
struct alignas(32) PaintLayer {
    std::uint16_t keeps[16];  // the blend's `keep` in every 16-bit lane
    std::uint16_t terms[16];  // (0, blue, green, red) terms in each pixel's four lanes
    Blend blend;
    const int* rowStart;  // row firstRow + k holds spans[rowStart[k]] up to spans[rowStart[k + 1]]
    const FlatPolygon::Span* spans;
    int firstRow, lastRow;
};

PaintLayer PaintLayerOf(const FlatPolygon& polygon);  // a polygon whose spans are known

// A row of the region: one range, or two apart (lo1 > hi1 when there is one).
struct PaintRow {
    int y, lo0, hi0, lo1, hi1;
};

// Paints `layers` in order over `from` (the background when null) into `to` on each row, then sums the
// row's error against `goal`, rows in the order given; stops after the row at which the sum
// reaches `limit`.
struct PaintJob {
    const PaintLayer* layers = nullptr;
    int layerCount = 0;
    const PaintRow* rows = nullptr;
    int rowCount = 0;
    const Uint32* from = nullptr;
    int fromPitch = 0;
    Uint32* to = nullptr;
    int toPitch = 0;
    const Uint32* goal = nullptr;
    int goalPitch = 0;
    std::uint64_t limit = UINT64_MAX;
};

// What a thread keeps between candidates so that none allocates.
struct PaintScratch {
    std::vector<PaintLayer> layers;
    std::vector<PaintRow> rows;
    std::vector<std::uint8_t> weights;  // each row's weight, in the region's order
};

// The job's error sum, with the kernels in use (RunningKernels).
std::uint64_t PaintRows(const PaintJob& job);
// The same with the AVX2 kernels (in builds that have them, where the processor has it).
std::uint64_t PaintRowsAvx2(const PaintJob& job);
