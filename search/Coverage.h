#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

// What a polygon laid on top of the current render covers, summed over the scored area: per
// channel (red, green, blue) the target's values t and the render's o, with t*t, o*o and t*o,
// and the covered pixels' present error.
struct CoverSums {
    std::uint64_t n = 0, error = 0;
    std::uint64_t t[3] = {}, o[3] = {}, tt[3] = {}, oo[3] = {}, to[3] = {};
    bool operator==(const CoverSums& other) const;
};

// The target and the current render over the scored area, with each pixel's error, and per
// row running sums of everything CoverSums holds, so that a span adds in constant time. The
// straightforward way (pixel by pixel) stays beside it for huge pictures and for the tests.
class Coverage {
public:
    // Takes the planes (not owned; `render` changes only through UpdateRows). Running sums
    // are kept when they fit in `prefixBudget` bytes.
    void Reset(const Uint32* target, int targetPitch, const Uint32* render, int renderPitch,
               int width, int height, std::uint64_t prefixBudget = std::uint64_t(1) << 29);
    // The render changed in rows y0..y1: their errors and sums are made again.
    void UpdateRows(int y0, int y1);

    // Adds the pixels x = left..right of row y that the error counts (any part outside is
    // left out).
    void AddSpan(int y, int left, int right, CoverSums& sums) const;
    void AddSpanPixelByPixel(int y, int left, int right, CoverSums& sums) const;

    std::uint64_t Error() const { return total; }
    std::uint32_t PixelError(int x, int y) const { return errors[std::size_t(y) * std::size_t(scoredWidth) + std::size_t(x)]; }
    int ScoredWidth() const { return scoredWidth; }
    int ScoredHeight() const { return scoredHeight; }
    bool Prefixed() const { return !prefix.empty(); }
    Uint32 Target(int x, int y) const { return target[std::size_t(y) * std::size_t(targetPitch) + std::size_t(x)]; }
    Uint32 Render(int x, int y) const { return render[std::size_t(y) * std::size_t(renderPitch) + std::size_t(x)]; }

private:
    static constexpr int kFields = 16;  // t, o, tt, oo, to (three each), error
    void RowSums(int y);

    const Uint32* target = nullptr;
    const Uint32* render = nullptr;
    int targetPitch = 0, renderPitch = 0;  // in pixels
    int scoredWidth = 0, scoredHeight = 0;
    std::vector<std::uint32_t> errors;  // scoredWidth x scoredHeight
    std::vector<std::uint32_t> prefix;  // per row, (scoredWidth + 1) entries of kFields
    std::uint64_t total = 0;
};

// The colour word's channel c of a pixel: 0 red, 1 green, 2 blue.
inline unsigned Channel(Uint32 pixel, int c) { return (pixel >> (24 - 8 * c)) & 0xff; }
