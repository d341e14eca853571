#pragma once

#include <SDL.h>

#include <cstdint>
#include <vector>

// A palette of at most 256 colours for one frame of a GIF, and each pixel's index in it. A
// frame of 256 colours or fewer keeps them exactly; otherwise the palette is cut from the
// frame's own colours (median cut at five bits a channel, each colour the mean of the pixels
// it stands for) and every pixel takes the palette colour nearest its own, so no pixel shows
// a colour the frame does not come near.
struct FramePalette {
    std::vector<std::uint32_t> colours;  // 0xRRGGBB
    std::vector<std::uint8_t> indices;   // one a pixel
};

// `pixels` in the image layout (0xRRGGBBAA).
FramePalette MakeFramePalette(const std::vector<Uint32>& pixels);
