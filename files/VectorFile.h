#pragma once

#include "files/ScaledRender.h"

#include <string>

class DnaDrawing;

// The drawing as SVG text: an opaque black rectangle of the covered part's size (the canvas
// starts black), then every polygon in painting order with its colour and its alpha as
// opacity. The viewBox is the covered part of the target, so it scales; width and height are
// its size times the scale. Each polygon also has a half-pixel outline in its own colour, as
// the fill's spans reach that far past the edges.
std::string DrawingSvg(const DnaDrawing& drawing, const OutputSize& size, double scale);

// Writes DrawingSvg through a temporary file; false (old file untouched) on failure.
bool SaveSvg(const DnaDrawing& drawing, const OutputSize& size, double scale, const std::string& path);
