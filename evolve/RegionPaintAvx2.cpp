// Compiled for AVX2; run only where the processor has it (RunningKernels).
#include "evolve/RegionPainter.h"
#include "image/Avx2Kernels.h"

#include <cstring>

namespace {

struct Avx2Kernels {
    // Eight pixels at a time, the last few through a mask: short ranges are the common case.
    static void Copy(Uint32* to, const Uint32* from, int n) {
        if (!from) {
            FillBackground(to, n);
            return;
        }
        int x = 0;
        for (; x + 8 <= n; x += 8)
            _mm256_storeu_si256(reinterpret_cast<__m256i*>(to + x),
                                _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from + x)));
        if (x < n) {
            const __m256i mask = avx2::FirstLanes(n - x);
            _mm256_maskstore_epi32(reinterpret_cast<int*>(to + x), mask,
                                   _mm256_maskload_epi32(reinterpret_cast<const int*>(from + x), mask));
        }
    }
    static void Blend(Uint32* row, int left, int right, const PaintLayer& layer) {
        const avx2::Prepared prepared{_mm256_load_si256(reinterpret_cast<const __m256i*>(layer.keeps)),
                                      _mm256_load_si256(reinterpret_cast<const __m256i*>(layer.terms))};
        avx2::BlendSpan(row, left, right, prepared);
    }
    static std::uint32_t Distance(const Uint32* p, const Uint32* q, int n) { return avx2::RowDistance(p, q, n); }
};

}  // namespace

std::uint64_t PaintRowsAvx2(const PaintJob& job) { return PaintRowsWith<Avx2Kernels>(job); }
