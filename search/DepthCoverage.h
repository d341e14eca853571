#pragma once

#include "search/Coverage.h"
#include "search/Paint.h"

#include <cstdint>
#include <vector>

// What a polygon painted at its own depth in the stack covers, for a drawing with that
// polygon taken out. Per pixel of the scored area: the layer below it b (the polygons under
// it), the drawing without it f, and how much of that layer shows through the polygons above
// it, s (their (255 - alpha) / 256 multiplied). Painting the layer changes b to b' and the
// drawing by about s (b' - b), so the error is that of a layer on top of b with weight s^2
// and target b + (t - f) / s: FitSums of those, with the same closed-form paint. The pixel by
// pixel way stays beside the running sums for huge pictures and for the tests.
class DepthCoverage {
public:
    // Takes the planes (not owned). `show` holds s for the scored area, row by row. The sums
    // are made by SumRows, a row once its planes are painted (rows apart may be made side by
    // side).
    void Reset(const Uint32* target, int targetPitch, const Uint32* below, int belowPitch,
               const Uint32* without, int withoutPitch, const double* show, int width, int height,
               std::uint64_t prefixBudget = std::uint64_t(1) << 29);

    void SumRows(int y0, int y1);
    bool Clip(int y, int& left, int& right) const { return ClipSpan(scoredWidth, scoredHeight, y, left, right); }
    void AddSpan(int y, int left, int right, FitSums& sums) const;
    void AddSpanPixelByPixel(int y, int left, int right, FitSums& sums) const;
    bool Prefixed() const { return !prefix.empty(); }
    int ScoredWidth() const { return scoredWidth; }
    int ScoredHeight() const { return scoredHeight; }

    // w, w t (3), w b (3), w t t (3), w b b (3), w t b (3), the error, the pixels.
    static constexpr int kFields = 18;
    // The running sums of row y up to (not including) column x.
    const double* PrefixAt(int y, int x) const {
        return prefix.data() + (std::size_t(y) * std::size_t(scoredWidth + 1) + std::size_t(x)) * kFields;
    }
    static void AddFields(const double* fields, FitSums& sums);

private:
    // One pixel's fields, added to `into`.
    void PixelFields(int x, int y, double* into) const;

    const Uint32* target = nullptr;
    const Uint32* below = nullptr;
    const Uint32* without = nullptr;
    const double* show = nullptr;
    int targetPitch = 0, belowPitch = 0, withoutPitch = 0;
    int scoredWidth = 0, scoredHeight = 0;
    std::vector<double> prefix;  // per row, (scoredWidth + 1) entries of kFields
};

// Adds spans as DepthCoverage::AddSpan does, for the search's inner loop: the fields are
// summed as they are and made into FitSums once.
class DepthAdder {
public:
    explicit DepthAdder(const DepthCoverage& cover) : cover_(cover) {}
    void Add(int y, int left, int right) {
        if (!cover_.Clip(y, left, right)) return;
        if (!cover_.Prefixed()) return cover_.AddSpanPixelByPixel(y, left, right, slow_);
        const double* a = cover_.PrefixAt(y, left);
        const double* b = cover_.PrefixAt(y, right + 1);
        for (int f = 0; f < DepthCoverage::kFields; ++f) total_[f] += b[f] - a[f];
    }
    FitSums Sums() const {
        FitSums sums = slow_;
        DepthCoverage::AddFields(total_, sums);
        return sums;
    }

private:
    const DepthCoverage& cover_;
    FitSums slow_;
    double total_[DepthCoverage::kFields] = {};
};
