#include "files/ScaledRender.h"

#include "genome/DnaDrawing.h"
#include "shapes/ShapePaint.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"
#include "image/Kernels.h"
#include "image/PolygonScan.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <vector>

OutputSize OutputSizeFor(int evolvedWidth, int evolvedHeight, int outWidth, int outHeight) {
    OutputSize size;
    const ScoredArea area = ScoredAreaOf(evolvedWidth, evolvedHeight);
    const bool covered = area.Pixels() > 0 && outWidth > 1 && outHeight > 1;
    size.width = area.Pixels() > 0 ? area.width : evolvedWidth;
    size.height = area.Pixels() > 0 ? area.height : evolvedHeight;
    size.pad = covered ? 1 : 0;
    size.scaledWidth = outWidth - size.pad;
    size.scaledHeight = outHeight - size.pad;
    return size;
}

OutputSize OutputSizeOf(int targetWidth, int targetHeight, double scale) {
    return OutputSizeFor(targetWidth, targetHeight, ScaledLength(targetWidth, scale), ScaledLength(targetHeight, scale));
}

int ScaledLength(int length, double scale) {
    const double scaled = std::round(double(length) * scale);
    return scaled < 1 ? 1 : scaled > double(INT_MAX) ? INT_MAX : int(scaled);
}

bool ScaledSizeSupported(int width, int height) {
    return width >= 1 && height >= 1 && width <= 32768 && height <= 32768 &&
           std::uint64_t(width) * std::uint64_t(height) <= kMaxOutputPixels;
}

double Stretch(int from, int to) { return from > 1 ? double(to - 1) / double(from - 1) : double(to) / double(from); }

void RenderRows(const DnaDrawing& drawing, const OutputSize& size, int y0, int rows, Uint32* pixels) {
    const int stride = size.OutWidth(), width = size.scaledWidth, last = size.scaledHeight - 1;
    std::fill_n(pixels, std::size_t(stride) * std::size_t(rows), Uint32(Settings::BackgroundPixel()));
    const int y1 = std::min(y0 + rows, size.scaledHeight) - 1;     // the covered rows asked for
    const bool padRow = size.pad && y0 + rows > size.scaledHeight;  // the repeated last row too
    const double kx = Stretch(size.width, size.scaledWidth), ky = Stretch(size.height, size.scaledHeight);
    const bool same = size.width == size.scaledWidth && size.height == size.scaledHeight;
    auto place = [](double scaled) {
        scaled = std::round(scaled);
        return short(scaled < SHRT_MIN ? SHRT_MIN : scaled > SHRT_MAX ? SHRT_MAX : scaled);
    };
    const BlendSpanFn blendSpan = ChosenBlendSpan();
    std::vector<short> xs, ys;
    std::vector<ShapeSpan> spans;
    for (const DnaPolygon& polygon : drawing.polygons) {
        const Blend blend = BlendOf(polygon.color);
        auto paint = [&](Uint32* row) {
            return [&, row](int y, int left, int right) { blendSpan(row + std::ptrdiff_t(y - y0) * stride, left, right, blend); };
        };
        if (polygon.Parametric()) {
            // Drawn again from its geometry at the output's size: smooth at any scale.
            Shape shape = polygon.AsShape();
            if (!same) ScaleShape(shape, kx, ky);
            const auto paintRows = [&](Uint32* row, int a, int b) {
                SpansOf(shape, width, a, b, spans);
                for (const ShapeSpan& s : spans) paint(row)(s.y, s.left, s.right);
            };
            if (y0 <= y1) paintRows(pixels, y0, y1);
            if (padRow) paintRows(pixels + std::ptrdiff_t(size.scaledHeight - last) * stride, last, last);
            continue;
        }
        const std::size_t n = polygon.FillCount();
        xs.resize(n);
        ys.resize(n);
        polygon.CopyVertices(xs.data(), ys.data(), n);
        if (!same)
            for (std::size_t i = 0; i < n; ++i) {
                xs[i] = place(xs[i] * kx);
                ys[i] = place(ys[i] * ky);
            }
        if (y0 <= y1) scan::ScanPolygon(xs.data(), ys.data(), int(n), width, y0, y1, paint(pixels));
        // The pad row gets the last covered row painted again, at its own place.
        if (padRow)
            scan::ScanPolygon(xs.data(), ys.data(), int(n), width, last, last,
                              paint(pixels + std::ptrdiff_t(size.scaledHeight - last) * stride));
    }
    if (size.pad)
        for (int r = 0; r < rows; ++r) pixels[std::size_t(r) * std::size_t(stride) + std::size_t(width)] =
                                           pixels[std::size_t(r) * std::size_t(stride) + std::size_t(width - 1)];
}

Image RenderScaled(const DnaDrawing& drawing, const OutputSize& size) {
    if (!ScaledSizeSupported(size.OutWidth(), size.OutHeight())) return Image(0, 0);
    Image canvas(size.OutWidth(), size.OutHeight());
    if (!canvas.surface) return canvas;
    // Our surfaces' rows are contiguous (see Image::Clear).
    RenderRows(drawing, size, 0, canvas.Height(), static_cast<Uint32*>(canvas.surface->pixels));
    return canvas;
}
