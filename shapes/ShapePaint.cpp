#include "shapes/ShapePaint.h"

#include "image/Image.h"
#include "image/KernelChoice.h"

#include <algorithm>

void SpansOf(const Shape& shape, int width, int y0, int y1, std::vector<ShapeSpan>& spans, int step) {
    spans.clear();
    KindOf(shape).Spans(shape, width, y0, y1, std::max(step, 1), spans);
}

void PaintShape(Image& canvas, const Shape& shape, unsigned color, int y0, int y1) {
    const ShapeKind& kind = KindOf(shape);
    if (kind.Outlined()) return canvas.Polygon(shape.xs.data(), shape.ys.data(), shape.Count(), color, y0, y1);
    if (!canvas.surface) return;
    y0 = std::max(y0, 0);
    y1 = std::min(y1, canvas.Height() - 1);
    if (y0 > y1) return;
    thread_local std::vector<ShapeSpan> spans;
    SpansOf(shape, canvas.Width(), y0, y1, spans);
    const Blend blend = BlendOf(color);
    const BlendSpanFn paint = ChosenBlendSpan();
    Uint8* pixels = static_cast<Uint8*>(canvas.surface->pixels);
    for (const ShapeSpan& s : spans)
        paint(reinterpret_cast<Uint32*>(pixels + std::size_t(s.y) * std::size_t(canvas.surface->pitch)), s.left, s.right, blend);
}
