#pragma once

#include "image/PictureKind.h"

#include <SDL.h>

#include <cstdint>
#include <string>

// Pictures other than BMP, through libvips: JPEG, PNG, GIF, TIFF, WebP, HEIC/AVIF (where the
// library reads them), each by its own loader once its first bytes say what it is, and nothing
// else. What a picture means is the same for every format: its first frame or page, turned
// upright by its EXIF orientation, converted to sRGB (CMYK and ICC profiles included), any
// alpha flattened onto `background` (0xRRGGBB). A truncated or damaged file is refused, never
// read part way; only a JPEG whose damage still decodes whole is loaded, with a warning.
struct DecodeRequest {
    std::uint32_t background = 0;  // black: the canvas starts black
    // A source wider or higher than this, or of more than kMostWholePixels, is not decoded in
    // full...
    int maxWidth = 8191, maxHeight = 32767;
    // ...unless it may be shrunk while loading so its longer side fits this (0: may not).
    int shrinkTo = 0;
};

// The most pixels a picture's header may claim: POLYEVOLVE_MAX_PIXELS, or 400 million (phone
// panoramas and 200-megapixel sensors). Past this nothing is decoded.
constexpr std::uint64_t kDefaultMaxSourcePixels = 400000000;
std::uint64_t MaxSourcePixels();
// A file of a few bytes can claim gigapixels: a header may claim at most this many pixels a
// byte of its file (far more than the best compression of a flat picture in any kind read),
// so that a small file's claim is refused before anything is decoded.
constexpr std::uint64_t kPixelsPerByte = 10000;
// Pictures of more pixels are shrunk while they load (at four bytes a pixel a whole one would
// take gigabytes), or refused where the run wants them whole.
constexpr std::uint64_t kMostWholePixels = 50000000;

struct Decoded {
    SDL_Surface* surface = nullptr;  // in the Image layout; the caller frees it
    std::string error;               // why not, when there is no surface
    std::string warning;             // loaded, but something was wrong with the file
    bool tooLarge = false;           // refused for its size alone
    bool damaged = false;            // the error is the decoder's: the file is not whole
    int sourceWidth = 0, sourceHeight = 0;  // as stored (before turning and shrinking)
    int uprightWidth = 0, uprightHeight = 0;  // turned upright, before shrinking: the picture's own size
};

Decoded DecodePicture(const std::string& path, PictureKind kind, const DecodeRequest& request);
// Readies the decoders (their modules loaded once): a process that forks one for each picture
// calls it first, so that they need not. False if they cannot be had.
bool PrepareDecoders();
