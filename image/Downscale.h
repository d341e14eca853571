#pragma once

#include "image/Image.h"

// The size a picture of w x h takes when its longer side is cut to at most `maxSide` pixels,
// keeping the aspect (each side at least 1); the same size when it already fits.
void FitWithin(int w, int h, int maxSide, int& width, int& height);

// An area-averaging downscale: each pixel of the result is the rounded mean of the source
// pixels its box covers, the boxes tiling the source exactly. `width` and `height` are at
// most the source's.
Image Downscale(const Image& source, int width, int height);
