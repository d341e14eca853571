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
    // The covered part's share of the output, at least a pixel, and a pixel short of it.
    const auto share = [covered](int out, int part, int whole) {
        if (!covered) return out;
        return std::clamp(int(std::lround(double(out) * part / whole)), 1, out - 1);
    };
    size.scaledWidth = share(outWidth, size.width, evolvedWidth);
    size.scaledHeight = share(outHeight, size.height, evolvedHeight);
    size.padWidth = outWidth - size.scaledWidth;
    size.padHeight = outHeight - size.scaledHeight;
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

double Stretch(int from, int to) { return double(to) / double(from); }

namespace {

// Where the drawing's coordinates land in the output: v -> k v + (k - 1) / 2 across and down
// (a pixel's square onto k x k output pixels), and how much farther a polygon's spans reach
// there (its fill reaches half a pixel past its edges, k / 2 output pixels; the output's fill
// half of one).
struct Mapping {
    double kx, ky, ox, oy;
    int wx, wy;
    bool same;
};

Mapping MappingOf(const OutputSize& size) {
    Mapping m;
    m.kx = Stretch(size.width, size.scaledWidth);
    m.ky = Stretch(size.height, size.scaledHeight);
    m.ox = (m.kx - 1) / 2;
    m.oy = (m.ky - 1) / 2;
    m.wx = int(std::lround(std::max(0.0, m.ox)));
    m.wy = int(std::lround(std::max(0.0, m.oy)));
    m.same = size.width == size.scaledWidth && size.height == size.scaledHeight;
    return m;
}

short Place(double v) {
    v = std::round(v);
    return short(v < SHRT_MIN ? SHRT_MIN : v > SHRT_MAX ? SHRT_MAX : v);
}

// Calls paint(row, left, right) for a mapped polygon's spans on output rows a..b and on the
// pad rows padFrom..padTo (which show row `last`): each row's spans widened by m.wx and
// merged, and the m.wy rows beyond its first and last given theirs.
template <class Paint>
void PolygonRows(const short* xs, const short* ys, int n, int width, const Mapping& m, int a, int b, int last,
                 int padFrom, int padTo, Paint&& paint) {
    if (n < 3) return;
    const auto [low, high] = std::minmax_element(ys, ys + n);
    const int top = *low, bottom = *high;
    int row = 0, left = 0, right = -1;
    const auto flush = [&] {
        if (right >= left) paint(row, left, right);
        right = left - 1;
    };
    const auto add = [&](int to, int l, int r) {
        l = std::max(l - m.wx, 0);
        r = std::min(r + m.wx, width - 1);
        if (right >= left && to == row && l <= right + 1) return void(right = std::max(right, r));
        flush();
        row = to, left = l, right = r;
    };
    // Output row y shows the polygon's row `from`, if any.
    const auto show = [&](int y, int to) {
        if (y < top - m.wy || y > bottom + m.wy) return;
        const int from = std::clamp(y, top, bottom);
        scan::ScanPolygon(xs, ys, n, width, from, from, [&](int, int l, int r) { add(to, l, r); });
    };
    for (int y = a; y <= std::min(b, top - 1); ++y) show(y, y);
    if (std::max(a, top) <= std::min(b, bottom))
        scan::ScanPolygon(xs, ys, n, width, std::max(a, top), std::min(b, bottom), [&](int y, int l, int r) { add(y, l, r); });
    for (int y = std::max(a, bottom + 1); y <= b; ++y) show(y, y);
    for (int y = padFrom; y <= padTo; ++y) show(last, y);
    flush();
}

}  // namespace

void RenderRows(const DnaDrawing& drawing, const OutputSize& size, int y0, int rows, Uint32* pixels) {
    const int stride = size.OutWidth(), width = size.scaledWidth, last = size.scaledHeight - 1;
    std::fill_n(pixels, std::size_t(stride) * std::size_t(rows), Uint32(Settings::BackgroundPixel()));
    const int y1 = std::min(y0 + rows, size.scaledHeight) - 1;  // the covered rows asked for
    // The pad rows asked for: each shows the last covered row again, painted at its own place.
    const int padFrom = std::max(y0, size.scaledHeight), padTo = y0 + rows - 1;
    const Mapping m = MappingOf(size);
    const BlendSpanFn blendSpan = ChosenBlendSpan();
    std::vector<short> xs, ys;
    std::vector<ShapeSpan> spans;
    for (const DnaPolygon& polygon : drawing.polygons) {
        const Blend blend = BlendOf(polygon.color);
        const auto paint = [&](int y, int left, int right) {
            blendSpan(pixels + std::ptrdiff_t(y - y0) * stride, left, right, blend);
        };
        if (polygon.Parametric()) {
            // Drawn again from its geometry at the output's size: smooth at any scale.
            Shape shape = polygon.AsShape();
            if (!m.same) MapShape(shape, m.kx, m.ky, m.ox, m.oy);
            SpansOf(shape, width, y0, y1, spans);
            for (const ShapeSpan& s : spans) paint(s.y, s.left, s.right);
            if (padFrom <= padTo) SpansOf(shape, width, last, last, spans);
            for (int y = padFrom; y <= padTo; ++y)
                for (const ShapeSpan& s : spans) paint(y, s.left, s.right);
            continue;
        }
        const std::size_t n = polygon.FillCount();
        xs.resize(n);
        ys.resize(n);
        polygon.CopyVertices(xs.data(), ys.data(), n);
        if (m.same) {
            if (y0 <= y1) scan::ScanPolygon(xs.data(), ys.data(), int(n), width, y0, y1, paint);
            for (int y = padFrom; y <= padTo; ++y)
                scan::ScanPolygon(xs.data(), ys.data(), int(n), width, last, last,
                                  [&](int, int left, int right) { paint(y, left, right); });
            continue;
        }
        for (std::size_t i = 0; i < n; ++i) {
            xs[i] = Place(xs[i] * m.kx + m.ox);
            ys[i] = Place(ys[i] * m.ky + m.oy);
        }
        PolygonRows(xs.data(), ys.data(), int(n), width, m, y0, y1, last, padFrom, padTo, paint);
    }
    for (int r = 0; r < rows; ++r) {
        Uint32* row = pixels + std::size_t(r) * std::size_t(stride);
        std::fill(row + width, row + stride, row[width - 1]);
    }
}

Image RenderScaled(const DnaDrawing& drawing, const OutputSize& size) {
    if (!ScaledSizeSupported(size.OutWidth(), size.OutHeight())) return Image(0, 0);
    Image canvas(size.OutWidth(), size.OutHeight());
    if (!canvas.surface) return canvas;
    // Our surfaces' rows are contiguous (see Image::Clear).
    RenderRows(drawing, size, 0, canvas.Height(), static_cast<Uint32*>(canvas.surface->pixels));
    return canvas;
}
