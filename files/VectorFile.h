#pragma once

#include "files/ScaledRender.h"

#include <string>

class DnaDrawing;

// The drawing as SVG text: an opaque black rectangle of the whole picture (the canvas starts
// black), then every polygon in painting order with its colour and its alpha as opacity. The
// viewBox, width and height are the output's size; the polygons are stretched so that the
// covered part reaches its edges, like the rendered pictures. Each polygon also has a
// half-pixel outline in its own colour, as the fill's spans reach that far past the edges.
std::string DrawingSvg(const DnaDrawing& drawing, const OutputSize& size);

// Writes DrawingSvg through a temporary file; false (old file untouched) on failure.
bool SaveSvg(const DnaDrawing& drawing, const OutputSize& size, const std::string& path);
