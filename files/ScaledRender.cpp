#include "files/ScaledRender.h"

#include "genome/DnaDrawing.h"

#include <climits>
#include <cmath>
#include <vector>

int ScaledLength(int length, double scale) {
    const double scaled = std::round(double(length) * scale);
    return scaled < 1 ? 1 : scaled > double(INT_MAX) ? INT_MAX : int(scaled);
}

bool ScaledSizeSupported(int width, int height) {
    return width >= 1 && height >= 1 && width <= 32767 && height <= 32767 &&
           std::uint64_t(width) * std::uint64_t(height) <= (std::uint64_t(1) << 28);
}

Image RenderScaled(const DnaDrawing& drawing, int width, int height, double scale) {
    const int w = ScaledLength(width, scale), h = ScaledLength(height, scale);
    if (!ScaledSizeSupported(w, h)) return Image(0, 0);
    Image canvas(w, h);
    if (!canvas.surface) return canvas;
    if (scale == 1.0) {  // the very render the run uses
        drawing.Render(canvas);
        return canvas;
    }
    canvas.Clear();
    auto place = [scale](short v) {
        const double scaled = std::round(double(v) * scale);
        return short(scaled < SHRT_MIN ? SHRT_MIN : scaled > SHRT_MAX ? SHRT_MAX : scaled);
    };
    std::vector<short> xs, ys;
    for (const DnaPolygon& polygon : drawing.polygons) {
        const std::size_t n = polygon.FillCount();
        xs.resize(n);
        ys.resize(n);
        polygon.CopyVertices(xs.data(), ys.data(), n, place);
        canvas.Polygon(xs.data(), ys.data(), int(n), polygon.color);
    }
    return canvas;
}
