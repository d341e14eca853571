#pragma once

#include "files/ScaledRender.h"

#include <string>

class DnaDrawing;

// How an SVG is written for where it goes.
struct SvgStyle {
    bool viewBoxOnly = false;  // no width and height: it scales to the box it is put in
    double blur = 0;           // a Gaussian blur of this many output pixels (0: none)
    bool compact = false;      // the shortest text: short numbers and colours, no outlines, one line
    bool dataUri = false;      // as one data:image/svg+xml,... line for an <img src> or CSS
};
// A placeholder shown while a web page's photo loads: all of the above, blurred by `blur`.
SvgStyle PlaceholderStyle(double blur);

// The drawing as SVG text: an opaque rectangle of the background over the whole picture, then
// every polygon in painting order with its colour and its alpha as opacity (an upright
// rectangle as a <rect>). The viewBox, width and height are the output's size; vertices lie
// where the rendered pictures put them. Each polygon also has a half-pixel outline in its own
// colour, as the fill's spans reach that far past the edges (left out by `compact`).
std::string DrawingSvg(const DnaDrawing& drawing, const OutputSize& size, const SvgStyle& style = SvgStyle());

// Writes DrawingSvg through a temporary file; false (old file untouched) on failure.
bool SaveSvg(const DnaDrawing& drawing, const OutputSize& size, const std::string& path,
             const SvgStyle& style = SvgStyle());
