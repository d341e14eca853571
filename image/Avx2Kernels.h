#pragma once

// The pixel kernels eight pixels at a time, computing the very same values as the plain ones.
// Only for files compiled for AVX2 (the callers choose them at run time, where the processor
// has it).

#include "image/Kernels.h"

#if defined(__AVX2__) && !defined(POLYEVOLVE_NO_SIMD)
#include <immintrin.h>

namespace avx2 {

// Lanes 0..n-1 of eight on (all ones), the rest off: masks for the last, partial vector.
inline __m256i FirstLanes(int n) {
    const __m256i lane = _mm256_setr_epi32(0, 1, 2, 3, 4, 5, 6, 7);
    return _mm256_cmpgt_epi32(_mm256_set1_epi32(n), lane);
}

// Squared channel differences of eight pixel pairs, summed into the eight 32-bit lanes of acc.
inline __m256i AddDistances(__m256i acc, __m256i a, __m256i b) {
    const __m256i colour = _mm256_set1_epi32(int(0xffffff00u));
    const __m256i zero = _mm256_setzero_si256();
    a = _mm256_and_si256(a, colour);
    b = _mm256_and_si256(b, colour);
    const __m256i dlo = _mm256_sub_epi16(_mm256_unpacklo_epi8(a, zero), _mm256_unpacklo_epi8(b, zero));
    const __m256i dhi = _mm256_sub_epi16(_mm256_unpackhi_epi8(a, zero), _mm256_unpackhi_epi8(b, zero));
    acc = _mm256_add_epi32(acc, _mm256_madd_epi16(dlo, dlo));
    return _mm256_add_epi32(acc, _mm256_madd_epi16(dhi, dhi));
}

// Sum of the plain Distance over n pixels (n at most 16384: the sum fits in 32 bits). The last
// few pixels are read through a mask, so nothing past the row is touched.
inline std::uint32_t RowDistance(const Uint32* p, const Uint32* q, int n) {
    __m256i acc = _mm256_setzero_si256();
    int x = 0;
    for (; x + 8 <= n; x += 8)
        acc = AddDistances(acc, _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p + x)),
                           _mm256_loadu_si256(reinterpret_cast<const __m256i*>(q + x)));
    if (x < n) {
        const __m256i mask = FirstLanes(n - x);
        acc = AddDistances(acc, _mm256_maskload_epi32(reinterpret_cast<const int*>(p + x), mask),
                           _mm256_maskload_epi32(reinterpret_cast<const int*>(q + x), mask));
    }
    const __m128i half = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    const __m128i pair = _mm_add_epi32(half, _mm_shuffle_epi32(half, 0x4e));
    return std::uint32_t(_mm_cvtsi128_si32(_mm_add_epi32(pair, _mm_shuffle_epi32(pair, 0xb1))));
}

// A blend's constants in vector form, made once for the many spans of one polygon.
struct Prepared {
    __m256i keeps, terms;
};

inline Prepared Prepare(const Blend& b) {
    const __m256i terms = _mm256_set_epi16(short(b.red), short(b.green), short(b.blue), 0, short(b.red),
                                           short(b.green), short(b.blue), 0, short(b.red), short(b.green),
                                           short(b.blue), 0, short(b.red), short(b.green), short(b.blue), 0);
    return Prepared{_mm256_set1_epi16(short(b.keep)), terms};
}

// Eight pixels in 16-bit lanes: old * keep + term is at most 255 * 255, so every lane holds the
// exact value of the plain formula; the alpha byte becomes 0xff.
inline __m256i BlendEight(__m256i pixels, const Prepared& p) {
    const __m256i zero = _mm256_setzero_si256();
    __m256i lo = _mm256_unpacklo_epi8(pixels, zero);
    __m256i hi = _mm256_unpackhi_epi8(pixels, zero);
    lo = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(lo, p.keeps), p.terms), 8);
    hi = _mm256_srli_epi16(_mm256_add_epi16(_mm256_mullo_epi16(hi, p.keeps), p.terms), 8);
    return _mm256_or_si256(_mm256_packus_epi16(lo, hi), _mm256_set1_epi32(0xff));
}

// Pixels left..right of the row; the last, partial vector is read and written through a mask,
// so pixels outside the span are neither read nor written.
inline void BlendSpan(Uint32* __restrict row, int left, int right, const Prepared& p) {
    int x = left;
    for (; x + 7 <= right; x += 8) {
        __m256i* at = reinterpret_cast<__m256i*>(row + x);
        _mm256_storeu_si256(at, BlendEight(_mm256_loadu_si256(at), p));
    }
    if (x <= right) {
        const __m256i mask = FirstLanes(right - x + 1);
        int* at = reinterpret_cast<int*>(row + x);
        _mm256_maskstore_epi32(at, mask, BlendEight(_mm256_maskload_epi32(at, mask), p));
    }
}

inline void BlendSpan(Uint32* __restrict row, int left, int right, const Blend& blend) {
    BlendSpan(row, left, right, Prepare(blend));
}

}  // namespace avx2
#endif
