#pragma once

#include <string>

class DnaDrawing;

// The picture formats a drawing can be written as, by the file name's extension (any case).
enum class DrawingFormat { None, Svg, Png, Bmp };
DrawingFormat FormatOf(const std::string& path);

// Writes the drawing of a target of w x h, its scored part `scale` times its size, in the
// format its name gives: SVG, or a render by our own fill as PNG (any size, in strips) or BMP
// (as large as SDL's surfaces go). False (old file untouched) on failure or for a name of no
// such format.
bool SaveDrawing(const DnaDrawing& drawing, int width, int height, double scale,
                 const std::string& path);
