#pragma once

#include "search/Coverage.h"

#include <vector>

// A polygon's paint: its colour word (alpha included) and what it would change the error by.
struct Paint {
    double delta = 0;  // new error minus old over the covered pixels; negative is better
    unsigned color = 0;
};

// The alpha in [alphaMin, alphaMax] and the colour that fit the covered pixels best, in
// closed form: per channel the least-squares value under the blend
// new = (old * (255 - a) + c * a) >> 8, with the shift's rounding taken as half a step.
Paint BestPaint(const CoverSums& sums, int alphaMin, int alphaMax);
// The same for one alpha.
Paint PaintFor(const CoverSums& sums, int alpha);

// A span of a polygon inside the scored area.
struct Span {
    int y, left, right;
};

// The exact error change of painting `spans` with channel value `value` at `alpha`, for one
// channel (each span painted once).
std::int64_t ExactChannelDelta(const Coverage& cover, const std::vector<Span>& spans, int channel,
                               int alpha, int value);
// The colour for `alpha` whose exact error is lowest (each pixel painted once): channels are
// independent, and every value of each is tried.
Paint ExactPaint(const Coverage& cover, const std::vector<Span>& spans, int alpha);
