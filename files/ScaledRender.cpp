#include "files/ScaledRender.h"

#include "genome/DnaDrawing.h"
#include "image/Kernels.h"
#include "image/PolygonScan.h"

#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

OutputSize OutputSizeOf(int targetWidth, int targetHeight, double scale) {
    OutputSize size;
    const ScoredArea area = ScoredAreaOf(targetWidth, targetHeight);
    size.width = area.Pixels() > 0 ? area.width : targetWidth;
    size.height = area.Pixels() > 0 ? area.height : targetHeight;
    size.scaledWidth = ScaledLength(size.width, scale);
    size.scaledHeight = ScaledLength(size.height, scale);
    return size;
}

int ScaledLength(int length, double scale) {
    const double scaled = std::round(double(length) * scale);
    return scaled < 1 ? 1 : scaled > double(INT_MAX) ? INT_MAX : int(scaled);
}

bool ScaledSizeSupported(int width, int height) {
    return width >= 1 && height >= 1 && width <= 32768 && height <= 32768 &&
           std::uint64_t(width) * std::uint64_t(height) <= kMaxOutputPixels;
}

namespace {
double Stretch(int from, int to) { return from > 1 ? double(to - 1) / double(from - 1) : double(to) / double(from); }
}  // namespace

void RenderRows(const DnaDrawing& drawing, const OutputSize& size, int y0, int rows, Uint32* pixels) {
    const int width = size.scaledWidth;
    std::memset(pixels, 0, std::size_t(width) * std::size_t(rows) * sizeof(Uint32));
    const double kx = Stretch(size.width, size.scaledWidth), ky = Stretch(size.height, size.scaledHeight);
    const bool same = size.width == size.scaledWidth && size.height == size.scaledHeight;
    auto place = [](double scaled) {
        scaled = std::round(scaled);
        return short(scaled < SHRT_MIN ? SHRT_MIN : scaled > SHRT_MAX ? SHRT_MAX : scaled);
    };
    std::vector<short> xs, ys;
    for (const DnaPolygon& polygon : drawing.polygons) {
        const std::size_t n = polygon.FillCount();
        xs.resize(n);
        ys.resize(n);
        polygon.CopyVertices(xs.data(), ys.data(), n);
        if (!same)
            for (std::size_t i = 0; i < n; ++i) {
                xs[i] = place(xs[i] * kx);
                ys[i] = place(ys[i] * ky);
            }
        const kernels::Prepared blend = kernels::Prepare(BlendOf(polygon.color));
        scan::ScanPolygon(xs.data(), ys.data(), int(n), width, y0, y0 + rows - 1, [&](int y, int left, int right) {
            kernels::BlendSpan(pixels + std::size_t(y - y0) * std::size_t(width), left, right, blend);
        });
    }
}

Image RenderScaled(const DnaDrawing& drawing, const OutputSize& size) {
    if (!ScaledSizeSupported(size.scaledWidth, size.scaledHeight)) return Image(0, 0);
    Image canvas(size.scaledWidth, size.scaledHeight);
    if (!canvas.surface) return canvas;
    // Our surfaces' rows are contiguous (see Image::Clear).
    RenderRows(drawing, size, 0, canvas.Height(), static_cast<Uint32*>(canvas.surface->pixels));
    return canvas;
}
