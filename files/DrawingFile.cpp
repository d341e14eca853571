#include "files/DrawingFile.h"

#include "files/PictureFile.h"
#include "files/PngFile.h"
#include "files/ScaledRender.h"
#include "files/VectorFile.h"

#include <cctype>

DrawingFormat FormatOf(const std::string& path) {
    if (path.size() < 4) return DrawingFormat::None;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".svg") return DrawingFormat::Svg;
    if (extension == ".png") return DrawingFormat::Png;
    if (extension == ".bmp") return DrawingFormat::Bmp;
    return DrawingFormat::None;
}

bool SaveDrawing(const DnaDrawing& drawing, int width, int height, double scale,
                 const std::string& path) {
    const DrawingFormat format = FormatOf(path);
    if (format == DrawingFormat::None) return false;
    if (format == DrawingFormat::Svg) return SaveSvg(drawing, width, height, scale, path);
    const Image picture = RenderScaled(drawing, width, height, scale);
    if (!picture.surface) return false;
    return format == DrawingFormat::Png ? SavePng(picture, path) : SaveBmp(picture, path);
}
