#pragma once

#include "image/Image.h"

class DnaDrawing;

// The output size for a target of w x h at `scale`, rounded to whole pixels.
int ScaledLength(int length, double scale);
// Largest output the scaled renders make: vertices stay 16-bit, memory stays under 1 GiB.
bool ScaledSizeSupported(int width, int height);

// Renders the drawing with the program's own fill onto a new canvas of the target's size
// times `scale`, every vertex scaled and rounded to the nearest pixel; at scale 1 the pixels
// are exactly those of the `b` picture. The surface is null if the size is refused.
Image RenderScaled(const DnaDrawing& drawing, int width, int height, double scale);
