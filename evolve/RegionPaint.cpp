#include "evolve/RegionPaint.h"

#include "evolve/RegionPainter.h"
#include "image/KernelChoice.h"

#include <cstring>

PaintLayer PaintLayerOf(const FlatPolygon& polygon) {
    PaintLayer layer{};
    layer.blend = BlendOf(polygon.color);
    const Blend& b = layer.blend;
    for (int lane = 0; lane < 16; ++lane) {
        layer.keeps[lane] = std::uint16_t(b.keep);
        const unsigned channel[4] = {0, b.blue, b.green, b.red};
        layer.terms[lane] = std::uint16_t(channel[lane % 4]);
    }
    layer.rowStart = polygon.rowStart.data();
    layer.spans = polygon.spans.data();
    layer.firstRow = polygon.firstSpanRow;
    layer.lastRow = polygon.firstSpanRow + polygon.SpanRows() - 1;
    return layer;
}

namespace {

void CopyPixels(Uint32* to, const Uint32* from, int n) {
    if (from)
        std::memcpy(to, from, std::size_t(n) * 4);
    else
        FillBackground(to, n);
}

struct PlainKernels {
    static void Copy(Uint32* to, const Uint32* from, int n) { CopyPixels(to, from, n); }
    static void Blend(Uint32* row, int left, int right, const PaintLayer& layer) {
        plain::BlendSpan(row, left, right, layer.blend);
    }
    static std::uint32_t Distance(const Uint32* p, const Uint32* q, int n) { return plain::RowDistance(p, q, n); }
};

#if POLYEVOLVE_SIMD
struct Sse2Kernels {
    static void Copy(Uint32* to, const Uint32* from, int n) { CopyPixels(to, from, n); }
    static void Blend(Uint32* row, int left, int right, const PaintLayer& layer) {
        const simd::Prepared prepared{_mm_load_si128(reinterpret_cast<const __m128i*>(layer.keeps)),
                                      _mm_load_si128(reinterpret_cast<const __m128i*>(layer.terms)),
                                      layer.blend};
        simd::BlendSpan(row, left, right, prepared);
    }
    static std::uint32_t Distance(const Uint32* p, const Uint32* q, int n) { return simd::RowDistance(p, q, n); }
};
#endif

}  // namespace

std::uint64_t PaintRows(const PaintJob& job) {
    // RunningKernels names only a set this build and processor have.
    switch (RunningKernels()) {
#if defined(POLYEVOLVE_AVX2) && !defined(POLYEVOLVE_NO_SIMD)
        case KernelSet::Avx2:
            return PaintRowsAvx2(job);
#endif
#if POLYEVOLVE_SIMD
        case KernelSet::Sse2:
            return PaintRowsWith<Sse2Kernels>(job);
#endif
        default:
            break;
    }
    return PaintRowsWith<PlainKernels>(job);
}
