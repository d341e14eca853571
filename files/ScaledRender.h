#pragma once

#include "image/Image.h"

#include <cstdint>

class DnaDrawing;

// The pictures handed out (exports, --save pictures, frames) cover the part of the target the
// error counts, (W-1) x (H-1), scaled: the last row and column are never fitted, and would show
// as a dark band. (A one pixel high or wide target has no such part: all of it is shown.)
struct OutputSize {
    int width = 0, height = 0;  // of the covered part, before scaling
    int scaledWidth = 0, scaledHeight = 0;
};
OutputSize OutputSizeOf(int targetWidth, int targetHeight, double scale);

// The output size for a length at `scale`, rounded to whole pixels.
int ScaledLength(int length, double scale);
// Largest output rendered: vertices stay 16-bit, so 32 768 pixels on either side, and at most
// kMaxOutputPixels in all (it is rendered in strips, so memory stays small either way).
constexpr std::uint64_t kMaxOutputPixels = std::uint64_t(1) << 30;
bool ScaledSizeSupported(int width, int height);

// Renders rows y0 .. y0 + rows - 1 of the drawing's picture of `size` into `pixels` (rows one
// after another, size.scaledWidth pixels each), with the program's own fill. Vertices are
// mapped so that the first and last covered pixel of each side land on the first and last
// pixel of the picture (pixel index to pixel index), then rounded; so a scaled picture is
// covered to its edges, and at scale 1 its pixels are exactly those of the `b` picture.
void RenderRows(const DnaDrawing& drawing, const OutputSize& size, int y0, int rows, Uint32* pixels);

// The whole picture in one surface (for BMP output); the surface is null if SDL refuses it.
Image RenderScaled(const DnaDrawing& drawing, const OutputSize& size);
