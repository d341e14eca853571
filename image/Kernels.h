#pragma once

// The two pixel loops that the render and the metric spend their time in, each as a plain
// loop and, where the compiler targets SSE2, a vector one computing the very same values.
// PixelKernels picks one of them; tests run both side by side.

#include <SDL.h>

#include <cstdint>

#if defined(__SSE2__) && !defined(POLYEVOLVE_NO_SIMD)
#define POLYEVOLVE_SIMD 1
#include <emmintrin.h>
#else
#define POLYEVOLVE_SIMD 0
#endif

// A polygon's colour premultiplied by its alpha, and what is kept of the pixel beneath.
struct Blend {
    unsigned red, green, blue;  // colour channel times alpha
    unsigned keep;              // 255 - alpha
};

// The blend of a colour word (red bits 24-31, green 16-23, blue 8-15, alpha 0-7).
inline Blend BlendOf(unsigned color) {
    const unsigned a = color & 0xff;
    return Blend{(color >> 24) * a, ((color >> 16) & 0xff) * a, ((color >> 8) & 0xff) * a,
                 255 - a};
}

namespace plain {

// Squared RGB distance of two pixels in the program's layout; the alpha byte is left out.
inline std::uint32_t Distance(Uint32 p, Uint32 q) {
    const int d1 = int((p >> 8) & 0xff) - int((q >> 8) & 0xff);
    const int d2 = int((p >> 16) & 0xff) - int((q >> 16) & 0xff);
    const int d3 = int(p >> 24) - int(q >> 24);
    return std::uint32_t(d1 * d1 + d2 * d2 + d3 * d3);
}

// Sum of Distance over n pixels; n at most 16384, so the sum fits in 32 bits.
inline std::uint32_t RowDistance(const Uint32* p, const Uint32* q, int n) {
    std::uint32_t sum = 0;
    for (int x = 0; x < n; ++x) sum += Distance(p[x], q[x]);
    return sum;
}

// Distance of each of n pixel pairs, into out.
inline void PixelDistances(const Uint32* p, const Uint32* q, int n, std::uint32_t* out) {
    for (int x = 0; x < n; ++x) out[x] = Distance(p[x], q[x]);
}

inline Uint32 BlendPixel(Uint32 old, const Blend& b) {
    const Uint32 r = (((old >> 24) * b.keep + b.red) >> 8) & 0xff;
    const Uint32 g = ((((old >> 16) & 0xff) * b.keep + b.green) >> 8) & 0xff;
    const Uint32 bl = ((((old >> 8) & 0xff) * b.keep + b.blue) >> 8) & 0xff;
    return (r << 24) | (g << 16) | (bl << 8) | 0xffu;
}

// Pixels left..right of the row: channel = (old * keep + term) >> 8, alpha byte 0xff.
inline void BlendSpan(Uint32* __restrict row, int left, int right, const Blend& blend) {
    const Blend b = blend;  // a local copy: stores into the row cannot change it
    for (int x = left; x <= right; ++x) row[x] = BlendPixel(row[x], b);
}

// Without vectors there is nothing to make ahead.
using Prepared = Blend;
inline Prepared Prepare(const Blend& b) { return b; }

}  // namespace plain

#if POLYEVOLVE_SIMD
namespace simd {

// Four pixel pairs at p and q: the channel differences in 16-bit lanes, squared and paired up
// by pmaddwd, (alpha, blue) and (green, red) of each pixel; pixels 0 and 1 in `lo`, 2 and 3
// in `hi`. The alpha bytes are masked out first.
inline void SquaredDifferences(const Uint32* p, const Uint32* q, __m128i& lo, __m128i& hi) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i colour = _mm_set1_epi32(int(0xffffff00u));
    const __m128i a = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)), colour);
    const __m128i b = _mm_and_si128(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)), colour);
    const __m128i dlo = _mm_sub_epi16(_mm_unpacklo_epi8(a, zero), _mm_unpacklo_epi8(b, zero));
    const __m128i dhi = _mm_sub_epi16(_mm_unpackhi_epi8(a, zero), _mm_unpackhi_epi8(b, zero));
    lo = _mm_madd_epi16(dlo, dlo);
    hi = _mm_madd_epi16(dhi, dhi);
}

// Four pixels at a time. Each 32-bit lane gains at most 4 * 255^2 per step, far from
// overflowing.
inline std::uint32_t RowDistance(const Uint32* p, const Uint32* q, int n) {
    __m128i acc = _mm_setzero_si128();
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        __m128i lo, hi;
        SquaredDifferences(p + x, q + x, lo, hi);
        acc = _mm_add_epi32(acc, _mm_add_epi32(lo, hi));
    }
    alignas(16) std::uint32_t lanes[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(lanes), acc);
    std::uint32_t sum = lanes[0] + lanes[1] + lanes[2] + lanes[3];
    return sum + plain::RowDistance(p + x, q + x, n - x);
}

// Four pixels' distances at a time: adding each pixel's two pairs gives its distance.
inline void PixelDistances(const Uint32* p, const Uint32* q, int n, std::uint32_t* out) {
    int x = 0;
    for (; x + 4 <= n; x += 4) {
        __m128i plo, phi;
        SquaredDifferences(p + x, q + x, plo, phi);
        // Lanes 0 and 2 of each, then lanes 1 and 3: their sum is the four pixels in order.
        const __m128 flo = _mm_castsi128_ps(plo), fhi = _mm_castsi128_ps(phi);
        const __m128i even = _mm_castps_si128(_mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(2, 0, 2, 0)));
        const __m128i odd = _mm_castps_si128(_mm_shuffle_ps(flo, fhi, _MM_SHUFFLE(3, 1, 3, 1)));
        _mm_storeu_si128(reinterpret_cast<__m128i*>(out + x), _mm_add_epi32(even, odd));
    }
    plain::PixelDistances(p + x, q + x, n - x, out + x);
}

// A blend's constants in vector form, made once for the many spans of one polygon.
struct Prepared {
    __m128i keeps, terms;
    Blend scalar;
};

inline Prepared Prepare(const Blend& b) {
    return Prepared{_mm_set1_epi16(short(b.keep)),
                    _mm_set_epi16(short(b.red), short(b.green), short(b.blue), 0, short(b.red),
                                  short(b.green), short(b.blue), 0),
                    b};
}

// Four pixels at a time in 16-bit lanes: old * keep + term never exceeds 255 * 255, so every
// lane holds the exact value the plain formula computes. The alpha lane's result is
// overwritten with 0xff by the final OR. Two pixels at a time for what is left, then one.
inline void BlendSpan(Uint32* __restrict row, int left, int right, const Prepared& p) {
    const __m128i zero = _mm_setzero_si128();
    const __m128i opaque = _mm_set1_epi32(0xff);
    int x = left;
    for (; x + 3 <= right; x += 4) {
        __m128i* at = reinterpret_cast<__m128i*>(row + x);
        const __m128i pixels = _mm_loadu_si128(at);
        __m128i lo = _mm_unpacklo_epi8(pixels, zero);
        __m128i hi = _mm_unpackhi_epi8(pixels, zero);
        lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, p.keeps), p.terms), 8);
        hi = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(hi, p.keeps), p.terms), 8);
        _mm_storeu_si128(at, _mm_or_si128(_mm_packus_epi16(lo, hi), opaque));
    }
    if (x + 1 <= right) {
        __m128i* at = reinterpret_cast<__m128i*>(row + x);
        __m128i lo = _mm_unpacklo_epi8(_mm_loadl_epi64(at), zero);
        lo = _mm_srli_epi16(_mm_add_epi16(_mm_mullo_epi16(lo, p.keeps), p.terms), 8);
        _mm_storel_epi64(at, _mm_or_si128(_mm_packus_epi16(lo, zero), opaque));
        x += 2;
    }
    if (x <= right) row[x] = plain::BlendPixel(row[x], p.scalar);
}

inline void BlendSpan(Uint32* __restrict row, int left, int right, const Blend& blend) {
    BlendSpan(row, left, right, Prepare(blend));
}

}  // namespace simd
#endif

// The kernels the program runs: the vector ones where they are built, the plain ones else.
namespace kernels {
#if POLYEVOLVE_SIMD
using simd::BlendSpan;
using simd::PixelDistances;
using simd::Prepare;
using simd::Prepared;
using simd::RowDistance;
#else
using plain::BlendSpan;
using plain::PixelDistances;
using plain::Prepare;
using plain::Prepared;
using plain::RowDistance;
#endif
}  // namespace kernels
