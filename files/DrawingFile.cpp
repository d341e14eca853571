#include "files/DrawingFile.h"

#include "files/PictureFile.h"
#include "files/PngFile.h"
#include "files/ScaledRender.h"
#include "files/VectorFile.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <vector>

DrawingFormat FormatOf(const std::string& path) {
    if (path.size() < 4) return DrawingFormat::None;
    std::string extension = path.substr(path.size() - 4);
    for (char& c : extension) c = char(std::tolower(static_cast<unsigned char>(c)));
    if (extension == ".svg") return DrawingFormat::Svg;
    if (extension == ".png") return DrawingFormat::Png;
    if (extension == ".bmp") return DrawingFormat::Bmp;
    return DrawingFormat::None;
}

bool SaveDrawing(const DnaDrawing& drawing, const OutputSize& size, const std::string& path) {
    const DrawingFormat format = FormatOf(path);
    if (format == DrawingFormat::None) return false;
    if (format == DrawingFormat::Svg) return SaveSvg(drawing, size, path);
    const int w = size.OutWidth(), h = size.OutHeight();
    if (!ScaledSizeSupported(w, h)) return false;
    if (format == DrawingFormat::Png) {
        // In strips of rows, so that a poster takes little memory and no SDL surface.
        const int strip = int(std::max<std::int64_t>(1, std::min<std::int64_t>(h, (std::int64_t(1) << 22) / w)));
        std::vector<Uint32> rows(std::size_t(strip) * std::size_t(w));
        int first = -1, count = 0;
        return SavePngRows(w, h, [&](int y, Uint32* row) {
            if (first < 0 || y >= first + count) {
                first = y;
                count = std::min(strip, h - y);
                RenderRows(drawing, size, first, count, rows.data());
            }
            std::memcpy(row, rows.data() + std::size_t(y - first) * std::size_t(w), std::size_t(w) * sizeof(Uint32));
        }, path);
    }
    const Image picture = RenderScaled(drawing, size);
    return picture.surface && SaveBmp(picture, path);
}
