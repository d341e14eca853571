#pragma once

#include "files/ScaledRender.h"

#include <string>

class DnaDrawing;

// The picture formats a drawing can be written as, by the file name's extension (any case).
enum class DrawingFormat { None, Svg, Png, Bmp };
DrawingFormat FormatOf(const std::string& path);

// Writes the drawing at `size` (ScaledRender.h), in the format its name gives: SVG, or a render by our own fill as PNG (any size, in strips) or BMP
// (as large as SDL's surfaces go). False (old file untouched) on failure or for a name of no
// such format.
bool SaveDrawing(const DnaDrawing& drawing, const OutputSize& size, const std::string& path);
