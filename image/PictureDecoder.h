#pragma once

#include <SDL.h>

#include <cstdint>
#include <string>

// Pictures other than BMP, through libvips: JPEG, PNG, GIF, TIFF, WebP, HEIC/AVIF (where the
// library reads them), and nothing else (its loaders of untrusted formats are blocked). What a
// picture means is the same for every format: its first frame or page, turned upright by its
// EXIF orientation, converted to sRGB (CMYK and ICC profiles included), any alpha flattened
// onto `background` (0xRRGGBB). A truncated or damaged file is refused, never read part way.
struct DecodeRequest {
    std::uint32_t background = 0;  // black: the canvas starts black
    // A source wider or higher than this is not decoded in full...
    int maxWidth = 8191, maxHeight = 32767;
    // ...unless it may be shrunk while loading so its longer side fits this (0: may not).
    int shrinkTo = 0;
};
// Largest source that is shrunk while loading.
constexpr std::uint64_t kMaxSourcePixels = std::uint64_t(1) << 30;

struct Decoded {
    SDL_Surface* surface = nullptr;  // 24-bit RGB; the caller frees it
    std::string error;               // why not, when there is no surface
    bool tooLarge = false;           // refused for its size alone
    int sourceWidth = 0, sourceHeight = 0;  // as stored (before turning and shrinking)
};

Decoded DecodePicture(const std::string& path, const DecodeRequest& request);
