#pragma once

#include "search/Coverage.h"

#include <vector>

// A polygon's paint: its colour word (alpha included) and what it would change the error by.
struct Paint {
    double delta = 0;  // new error minus old over the covered pixels; negative is better
    unsigned color = 0;
};

// What the fit of a paint needs of the covered pixels, each pixel weighted: the sums of
// CoverSums with n the weights' sum, and `pixels` how many there are. A pixel of weight w
// counts w times its squared error (CoverSums: every weight 1).
struct FitSums {
    double n = 0, error = 0;
    double t[3] = {}, o[3] = {}, tt[3] = {}, oo[3] = {}, to[3] = {};
    std::uint64_t pixels = 0;
    FitSums() = default;
    explicit FitSums(const CoverSums& s);
};

// The alpha in [alphaMin, alphaMax] and the colour that fit the covered pixels best, in
// closed form: per channel the least-squares value under the blend
// new = (old * (255 - a) + c * a) >> 8, with the shift's rounding taken as half a step.
Paint BestPaint(const FitSums& sums, int alphaMin, int alphaMax);
inline Paint BestPaint(const CoverSums& sums, int alphaMin, int alphaMax) {
    return BestPaint(FitSums(sums), alphaMin, alphaMax);
}
// The same for one alpha.
Paint PaintFor(const FitSums& sums, int alpha);
inline Paint PaintFor(const CoverSums& sums, int alpha) { return PaintFor(FitSums(sums), alpha); }

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
