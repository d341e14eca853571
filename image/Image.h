#pragma once

#include "image/PictureDecoder.h"

#include <SDL.h>

#include <cstdint>
#include <string>

// One 32-bit SDL surface in the program's fixed layout: red in bits 24-31, green 16-23,
// blue 8-15, alpha 0-7 (so byte 0 of a pixel is alpha and byte 3 red on little-endian hosts).
class Image {
public:
    static constexpr Uint32 RedMask = 0xff000000u;
    static constexpr Uint32 GreenMask = 0x00ff0000u;
    static constexpr Uint32 BlueMask = 0x0000ff00u;
    static constexpr Uint32 AlphaMask = 0x000000ffu;

    // Loads a picture (LoadPictureSurface) and converts it to the layout above. Throws
    // std::string "unable to load image" when the file is missing or no picture we read.
    explicit Image(const std::string& path);
    // Converts a loaded surface to the layout above and frees it; throws as above for a null
    // surface or one SDL cannot convert.
    explicit Image(SDL_Surface* loaded);
    // A new surface of the given size; surface stays null if SDL refuses it.
    Image(int width, int height);
    ~Image();

    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    Image(Image&& other) noexcept;
    Image& operator=(Image&& other) noexcept;

    int Width() const { return surface ? surface->w : 0; }
    int Height() const { return surface ? surface->h : 0; }

    // Sets every byte of every pixel to 0: black, alpha 0.
    // Every pixel to `pixel` (0: all four channels zero).
    void Clear(Uint32 pixel = 0);
    // Sum of squared RGB differences over the top-left (W-1) x (H-1) pixels; alpha ignored.
    std::uint64_t Compare(const Image& other) const;

    // Scan-converts a closed polygon and blends it over the surface with the colour word's alpha.
    void Polygon(const short* xs, const short* ys, int count, unsigned color);
    // The same on rows firstRow..lastRow only: each of them gets the very pixels the whole
    // fill gives it, so rows can be painted apart (side by side, or only where a change is).
    void Polygon(const short* xs, const short* ys, int count, unsigned color, int firstRow, int lastRow);
    // Blends pixels x1..x2 of row y: channel = (old * keep + term) >> 8, alpha byte 0xff.
    void HLineAlpha(short x1, short x2, short y, unsigned red_term, unsigned green_term,
                    unsigned blue_term, unsigned char keep);
    // qsort comparison of two ints: the first minus the second.
    static int CompareInt(const void* a, const void* b);

    SDL_Surface* surface = nullptr;
};

// The part of a W x H picture the error counts: the top-left (W-1) x (H-1) pixels, or none
// at all when either side is a single pixel.
struct ScoredArea {
    int width = 0, height = 0;
    std::uint64_t Pixels() const { return std::uint64_t(width) * std::uint64_t(height); }
};
ScoredArea ScoredAreaOf(int width, int height);

// Loads a picture: a BMP through SDL's own loader (a compressed one through SDL_image's),
// anything else through DecodePicture. Null if it cannot be read, with the reason in `error`;
// the caller frees the surface.
// The error of `picture` against `target` over the target's scored area, which a picture of
// the target's size or one row and column smaller both cover.
std::uint64_t ScoredDistance(const Image& picture, const Image& target);

SDL_Surface* LoadPictureSurface(const std::string& path, const DecodeRequest& request = {},
                                Decoded* outcome = nullptr);

// What SDL (or SDL_image, which reports through it) last said went wrong, or "" when it said
// nothing since SDL_ClearError().
std::string SdlReason();
// " (reason)" to end a failure line with, or "" for no reason.
// The picture's mean colour, 0xRRGGBB, rounded (black for an empty one).
std::uint32_t MeanColour(const Image& image);

inline std::string Because(const std::string& reason) { return reason.empty() ? "" : " (" + reason + ")"; }

// A new 32-bit surface in the layout above, or null.
SDL_Surface* CreateImageSurface(int width, int height);
