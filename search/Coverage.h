#pragma once

#include "search/WorkPool.h"

#include <SDL.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#if defined(__SSE2__) && !defined(POLYEVOLVE_NO_SIMD)
#define POLYEVOLVE_SEARCH_SIMD 1
#include <emmintrin.h>
#else
#define POLYEVOLVE_SEARCH_SIMD 0
#endif

// What a polygon laid on top of the current render covers, summed over the scored area: per
// channel (red, green, blue) the target's values t and the render's o, with t*t, o*o and t*o,
// and the covered pixels' present error.
struct CoverSums {
    std::uint64_t n = 0, error = 0;
    std::uint64_t t[3] = {}, o[3] = {}, tt[3] = {}, oo[3] = {}, to[3] = {};
    bool operator==(const CoverSums& other) const;
};

// Clips a span of row y to a width x height area; false when nothing of it is left.
inline bool ClipSpan(int width, int height, int y, int& left, int& right) {
    if (y < 0 || y >= height) return false;
    left = std::max(left, 0);
    right = std::min(right, width - 1);
    return left <= right;
}

// The target and the current render over the scored area, with each pixel's error, and per
// row running sums of everything CoverSums holds, so that a span adds in constant time. The
// straightforward way (pixel by pixel) stays beside it for huge pictures and for the tests.
class Coverage {
public:
    // Takes the planes (not owned; `render` changes only through UpdateRows). Running sums
    // are kept when they fit in `prefixBudget` bytes.
    void Reset(const Uint32* target, int targetPitch, const Uint32* render, int renderPitch,
               int width, int height, std::uint64_t prefixBudget = std::uint64_t(1) << 29);
    // The render changed in rows y0..y1: their errors and sums are made again (on `pool`,
    // parts of the rows side by side).
    void UpdateRows(int y0, int y1);
    void UpdateRows(int y0, int y1, WorkPool& pool);

    // Adds the pixels x = left..right of row y that the error counts (any part outside is
    // left out).
    void AddSpan(int y, int left, int right, CoverSums& sums) const;
    bool Clip(int y, int& left, int& right) const { return ClipSpan(scoredWidth, scoredHeight, y, left, right); }
    void AddSpanPixelByPixel(int y, int left, int right, CoverSums& sums) const;

    std::uint64_t Error() const { return total; }
    std::uint32_t PixelError(int x, int y) const { return errors[std::size_t(y) * std::size_t(scoredWidth) + std::size_t(x)]; }
    int ScoredWidth() const { return scoredWidth; }
    int ScoredHeight() const { return scoredHeight; }
    bool Prefixed() const { return !prefix.empty(); }
    static constexpr int kFields = 16;  // t, o, tt, oo, to (three each), error
    // The running sums of row y up to (not including) column x.
    const std::uint32_t* PrefixAt(int y, int x) const {
        return prefix.data() + (std::size_t(y) * std::size_t(scoredWidth + 1) + std::size_t(x)) * kFields;
    }
    Uint32 Target(int x, int y) const { return target[std::size_t(y) * std::size_t(targetPitch) + std::size_t(x)]; }
    Uint32 Render(int x, int y) const { return render[std::size_t(y) * std::size_t(renderPitch) + std::size_t(x)]; }

private:
    // Makes row y's errors and sums again; returns what its error changed by (modulo 2^64).
    std::uint64_t RowSums(int y);

    const Uint32* target = nullptr;
    const Uint32* render = nullptr;
    int targetPitch = 0, renderPitch = 0;  // in pixels
    int scoredWidth = 0, scoredHeight = 0;
    std::vector<std::uint32_t> errors;  // scoredWidth x scoredHeight
    std::vector<std::uint32_t> prefix;  // per row, (scoredWidth + 1) entries of kFields
    std::uint64_t total = 0;
};

// Adds spans as Coverage::AddSpan does, for the search's inner loop: the sixteen fields of the
// running sums four at a time in the vector unit where there is one (the very same sums).
class SpanAdder {
public:
    explicit SpanAdder(const Coverage& cover) : cover_(cover) {}
    void Add(int y, int left, int right) {
        if (!cover_.Clip(y, left, right)) return;
        if (!cover_.Prefixed()) return cover_.AddSpanPixelByPixel(y, left, right, slow_);
        const std::uint32_t* a = cover_.PrefixAt(y, left);
        const std::uint32_t* b = cover_.PrefixAt(y, right + 1);
        n_ += std::uint64_t(right - left + 1);
#if POLYEVOLVE_SEARCH_SIMD
        // A row's differences are exact in 32 bits; they widen to 64 as they are added.
        const __m128i zero = _mm_setzero_si128();
        for (int k = 0; k < 4; ++k) {
            const __m128i d = _mm_sub_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(b + 4 * k)),
                                            _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + 4 * k)));
            total_[2 * k] = _mm_add_epi64(total_[2 * k], _mm_unpacklo_epi32(d, zero));
            total_[2 * k + 1] = _mm_add_epi64(total_[2 * k + 1], _mm_unpackhi_epi32(d, zero));
        }
#else
        for (int f = 0; f < Coverage::kFields; ++f) total_[f] += b[f] - a[f];
#endif
    }
    CoverSums Sums() const;

private:
    const Coverage& cover_;
    CoverSums slow_;  // pixel by pixel, without running sums
    std::uint64_t n_ = 0;
#if POLYEVOLVE_SEARCH_SIMD
    __m128i total_[8] = {};  // fields 4k, 4k + 1 in total_[2k]; 4k + 2, 4k + 3 in total_[2k + 1]
#else
    std::uint64_t total_[Coverage::kFields] = {};
#endif
};

// The colour word's channel c of a pixel: 0 red, 1 green, 2 blue.
inline unsigned Channel(Uint32 pixel, int c) { return (pixel >> (24 - 8 * c)) & 0xff; }
