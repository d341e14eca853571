// Compiled for AVX2; run only where the processor has it (RunningKernels).
#include "evolve/RegionPainter.h"
#include "image/Avx2Kernels.h"

#include <cstdint>
#include <cstring>

namespace {

struct Avx2Kernels {
    // Eight pixels at a time, the last ones as an overlapping vector (copying a pixel twice
    // does no harm); short ranges, the common case, in two overlapping halves.
    static void Copy(Uint32* to, const Uint32* from, int n) {
        if (!from) {
            std::memset(to, 0, std::size_t(n) * 4);
            return;
        }
        if (n >= 8) {
            for (int x = 0; x + 8 <= n; x += 8) Move<__m256i>(to + x, from + x);
            Move<__m256i>(to + n - 8, from + n - 8);
        } else if (n >= 4) {
            Move<__m128i>(to, from);
            Move<__m128i>(to + n - 4, from + n - 4);
        } else if (n >= 2) {
            Move<std::uint64_t>(to, from);
            Move<std::uint64_t>(to + n - 2, from + n - 2);
        } else {
            to[0] = from[0];
        }
    }
    template <class Unit>
    static void Move(Uint32* to, const Uint32* from) {
        Unit unit;
        std::memcpy(&unit, from, sizeof unit);
        std::memcpy(to, &unit, sizeof unit);
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
