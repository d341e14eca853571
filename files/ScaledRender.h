#pragma once

#include "image/Image.h"

#include <cstdint>

class DnaDrawing;

// The pictures handed out (exports, --save pictures, frames) are as large as the picture they
// show, times any scale. The drawing covers the part of the target the error counts,
// (W-1) x (H-1), pixel square onto pixel squares (so that the output, brought back to the size
// evolved at, is the drawing that was scored), and the rows and columns after it (the target's
// last, times the scale) repeat their neighbours: the unscored edge is never fitted and would
// show as a dark band. (A one pixel high or wide target has no such part: all of it is shown,
// as it is.)
struct OutputSize {
    int width = 0, height = 0;              // the covered part of the size evolved at
    int scaledWidth = 0, scaledHeight = 0;  // what it covers in the output
    int padWidth = 0, padHeight = 0;        // the repeated columns and rows after it
    int OutWidth() const { return scaledWidth + padWidth; }
    int OutHeight() const { return scaledHeight + padHeight; }
};
// An output of outWidth x outHeight of a drawing evolved at evolvedWidth x evolvedHeight.
OutputSize OutputSizeFor(int evolvedWidth, int evolvedHeight, int outWidth, int outHeight);
// The same, `scale` times the size it was evolved at.
OutputSize OutputSizeOf(int targetWidth, int targetHeight, double scale);
// How far apart two vertices one pixel apart in a drawing evolved with `from` covered pixels
// land in an output covering `to`: k = to / from, a pixel's centre u landing on k (u + 1/2) - 1/2.
double Stretch(int from, int to);
// The output size for a length at `scale`, rounded to whole pixels.
int ScaledLength(int length, double scale);
// Largest output rendered: vertices stay 16-bit, so 32 768 pixels on either side, and at most
// kMaxOutputPixels in all (it is rendered in strips, so memory stays small either way).
constexpr std::uint64_t kMaxOutputPixels = std::uint64_t(1) << 30;
bool ScaledSizeSupported(int width, int height);

// Renders rows y0 .. y0 + rows - 1 of the drawing's picture of `size` into `pixels` (rows one
// after another, size.OutWidth() pixels each), with the program's own fill. Shapes are mapped
// pixel square onto pixel squares (a polygon's vertices then rounded, and its spans widened as
// far as its fill reaches past its edges at the size evolved at); so a scaled picture is
// covered to its edges, and at scale 1 its pixels are exactly those of the `b` picture.
void RenderRows(const DnaDrawing& drawing, const OutputSize& size, int y0, int rows, Uint32* pixels);

// The whole picture in one surface (for BMP output); the surface is null if SDL refuses it.
Image RenderScaled(const DnaDrawing& drawing, const OutputSize& size);
