#include "genome/DrawStream.h"

#include <algorithm>
#include <array>
#include <cstdlib>

#if defined(__SSE2__) && !defined(POLYEVOLVE_NO_SIMD)
#define POLYEVOLVE_SIMD 1
#include <emmintrin.h>
#else
#define POLYEVOLVE_SIMD 0
#endif

// The C library's generator: 31 words seeded by a linear congruential fill, then
// r[i] = r[i-31] + r[i-3] (mod 2^32) with the first 310 results thrown away; rand() gives
// r[i] >> 1.

namespace {

constexpr int kDiscarded = 310;
constexpr int kCheckedValues = 400;

}  // namespace

ChanceRate::ChanceRate(int rate) {
    std::uint32_t odd = std::uint32_t(rate);
    while (odd % 2 == 0) {
        odd /= 2;
        ++shift_;
    }
    // Newton's iteration doubles the correct low bits of an odd number's inverse each time.
    std::uint32_t inverse = odd;
    for (int i = 0; i < 5; ++i) inverse *= 2u - odd * inverse;
    inverse_ = inverse;
    limit_ = 0xffffffffu / std::uint32_t(rate);
}

std::size_t ChanceRate::FirstFiring(const std::int32_t* values, std::size_t count) const {
    std::size_t k = FirstFiringVector(values, count);
    while (k < count && !Fires(values[k])) ++k;
    return k;
}

#if POLYEVOLVE_SIMD
std::size_t ChanceRate::FirstFiringVector(const std::int32_t* values, std::size_t count) const {
    // Four values a lane group, the same arithmetic as Fires: the 32-bit products from two
    // 64-bit multiplies, the rotation from two shifts, the unsigned compare by flipping signs.
    const __m128i one = _mm_set1_epi32(1), zero = _mm_setzero_si128();
    const __m128i inverse = _mm_set1_epi32(std::int32_t(inverse_));
    const __m128i sign = _mm_set1_epi32(std::int32_t(0x80000000u));
    const __m128i limit = _mm_xor_si128(_mm_set1_epi32(std::int32_t(limit_)), sign);
    const __m128i right = _mm_cvtsi32_si128(shift_), left = _mm_cvtsi32_si128((32 - shift_) & 31);
    const bool rotate = shift_ != 0;
    std::size_t k = 0;
    for (; k + 8 <= count; k += 8) {
        int fired = 0;
        for (int half = 0; half < 2; ++half) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(values + k + 4 * half));
            const __m128i n = _mm_sub_epi32(v, one);
            const __m128i even = _mm_mul_epu32(n, inverse);
            const __m128i odd = _mm_mul_epu32(_mm_srli_epi64(n, 32), inverse);
            __m128i x = _mm_unpacklo_epi32(_mm_shuffle_epi32(even, _MM_SHUFFLE(0, 0, 2, 0)),
                                           _mm_shuffle_epi32(odd, _MM_SHUFFLE(0, 0, 2, 0)));
            if (rotate) x = _mm_or_si128(_mm_srl_epi32(x, right), _mm_sll_epi32(x, left));
            const __m128i over = _mm_cmpgt_epi32(_mm_xor_si128(x, sign), limit);
            const __m128i none = _mm_or_si128(over, _mm_cmpeq_epi32(v, zero));
            fired |= _mm_movemask_epi8(none) ^ 0xffff;
        }
        if (fired) break;
    }
    return k;
}
#else
std::size_t ChanceRate::FirstFiringVector(const std::int32_t*, std::size_t) const { return 0; }
#endif

DrawStream::DrawStream() : values_(kCapacity) {}

DrawStream::DrawStream(unsigned seed) : seeded_(true), seed_(seed), values_(kCapacity) {
    if (MatchesLibrary(seed)) {
        source_ = Source::Generator;
        StartGenerator(seed);
    }
}

void DrawStream::StartGenerator(unsigned seed) {
    // The library keeps the seed as a signed 32-bit word: seeds from 2^31 on are negative.
    std::int32_t state[kLag];
    std::int32_t word = std::int32_t(seed == 0 ? 1u : seed);
    state[0] = word;
    for (int i = 1; i < kLag; ++i) {
        // 16807 * word % 2147483647 without overflowing 31 bits.
        const std::int64_t hi = word / 127773, lo = word % 127773;
        word = std::int32_t(16807 * lo - 2836 * hi);
        if (word < 0) word += 2147483647;
        state[i] = word;
    }
    // The library walks the state with a front and a rear pointer three words apart; the last
    // kLag words of the discarded ones are what the first result is made from.
    int front = 3, rear = 0;
    std::uint32_t words[kLag];
    for (int i = 0; i < kLag; ++i) words[i] = std::uint32_t(state[i]);
    for (int i = 0; i < kDiscarded; ++i) {
        words[front] += words[rear];
        if (i >= kDiscarded - kLag) raw_[i - (kDiscarded - kLag)] = words[front];
        front = (front + 1) % kLag;
        rear = (rear + 1) % kLag;
    }
}

const char* DrawStream::Name(Source source) {
    return source == Source::Generator ? "own generator, the C library's rand() sequence"
                                       : "the C library's rand()";
}

bool DrawStream::MatchesLibrary(unsigned seed) {
    DrawStream own;
    own.source_ = Source::Generator;
    own.StartGenerator(seed);
    std::srand(seed);
    bool same = true;
    for (int i = 0; i < kCheckedValues && same; ++i) same = own.Next() == std::rand();
    std::srand(seed);
    return same;
}

void DrawStream::Extend(std::size_t wanted) {
    if (source_ == Source::Library) {
        // One rand() call a value, never ahead of need, so the C library's own state stays
        // where a program calling rand() itself would have it.
        for (std::size_t i = 0; i < wanted; ++i) values_[std::size_t(head_++) & kMask] = std::rand();
        return;
    }
    while (wanted > 0) {
        // raw_[0, kLag) holds the last kLag words made, oldest first.
        // The last three words stay in registers: reading them back from memory right after
        // they were stored stalls the processor on every word.
        std::uint32_t* r = raw_;
        std::int32_t* out = values_.data() + (std::size_t(head_) & kMask);  // kBlock divides the ring
        // Three words at a time, each the next of its own chain (word n needs word n - 3).
        std::uint32_t a = r[kLag - 3], b = r[kLag - 2], c = r[kLag - 1];
        std::size_t i = kLag;
#if POLYEVOLVE_SIMD
        // The same three chains in the low lanes of a vector; the fourth lane's store is
        // overwritten by the next step, so the loop stops one word short of the end.
        __m128i last = _mm_setr_epi32(std::int32_t(a), std::int32_t(b), std::int32_t(c), 0);
        for (; i + 4 <= kLag + kBlock; i += 3) {
            last = _mm_add_epi32(last, _mm_loadu_si128(reinterpret_cast<const __m128i*>(r + i - kLag)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(r + i), last);
            _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i - kLag), _mm_srli_epi32(last, 1));
        }
        a = r[i - 3];
        b = r[i - 2];
        c = r[i - 1];
#endif
        for (; i + 3 <= kLag + kBlock; i += 3) {
            a += r[i - kLag];
            b += r[i + 1 - kLag];
            c += r[i + 2 - kLag];
            r[i] = a;
            r[i + 1] = b;
            r[i + 2] = c;
            out[i - kLag] = std::int32_t(a >> 1);
            out[i + 1 - kLag] = std::int32_t(b >> 1);
            out[i + 2 - kLag] = std::int32_t(c >> 1);
        }
        for (; i < kLag + kBlock; ++i) {
            const std::uint32_t word = r[i - kLag] + a;
            r[i] = word;
            out[i - kLag] = std::int32_t(word >> 1);
            a = b;
            b = c;
            c = word;
        }
        std::copy(r + kBlock, r + kBlock + kLag, r);
        head_ += kBlock;
        wanted = wanted > kBlock ? wanted - kBlock : 0;
    }
}

namespace {

// The generator's words w(n) = w(n - 3) + w(n - 31) mod 2^32 are linear in any 31 in a row:
// w(m + n) = sum of c(k) w(m + k) where c is x^n modulo x^31 - x^28 - 1. Polynomials of 31
// coefficients mod 2^32, lowest first.
using Poly = std::array<std::uint32_t, 31>;

Poly Times(const Poly& a, const Poly& b) {
    std::uint32_t full[61] = {};
    for (int i = 0; i < 31; ++i)
        for (int j = 0; j < 31; ++j) full[i + j] += a[std::size_t(i)] * b[std::size_t(j)];
    // x^k = x^(k - 3) + x^(k - 31), from the top down.
    for (int k = 60; k >= 31; --k) {
        full[k - 3] += full[k];
        full[k - 31] += full[k];
    }
    Poly out;
    std::copy(full, full + 31, out.begin());
    return out;
}

Poly TimesX(const Poly& a) {
    Poly out;
    out[0] = a[30];
    for (std::size_t k = 1; k < 31; ++k) out[k] = a[k - 1];
    out[28] += a[30];
    return out;
}

}  // namespace

void DrawStream::Jump(std::uint64_t count) {
    Poly power{}, base{};
    power[0] = 1;
    base[1] = 1;
    for (std::uint64_t n = count; n > 0; n >>= 1) {
        if (n & 1) power = Times(power, base);
        base = Times(base, base);
    }
    std::uint32_t words[kLag];
    for (int j = 0; j < kLag; ++j) {
        std::uint32_t word = 0;
        for (int k = 0; k < kLag; ++k) word += power[std::size_t(k)] * raw_[k];
        words[j] = word;
        power = TimesX(power);
    }
    std::copy(words, words + kLag, raw_);
    head_ += count;
    read_ = head_;
    made_ = head_;
}

bool DrawStream::Seek(std::uint64_t position) {
    if (position > head_ || head_ - position > Reach() || position < made_) return false;
    read_ = position;
    return true;
}

bool DrawStream::GoTo(std::uint64_t position) {
    if (Seek(position)) return true;
    if (position < head_) {
        if (!seeded_) return false;
        *this = DrawStream(seed_);
    }
    // Far ahead: jump to the block before the position and make only what lies beyond it.
    if (source_ == Source::Generator && position - head_ > kCapacity) Jump((position - head_) / kBlock * kBlock - kBlock);
    Extend(std::size_t(position - head_));
    read_ = position;
    return true;
}

std::size_t DrawStream::SkipQuiet(std::size_t count, const ChanceRate& rate) {
    std::size_t passed = 0;
    while (passed < count) {
        if (read_ == head_) Extend(source_ == Source::Library ? 1 : kBlock);
        // Up to the end of what is made, of the ring, and of the count.
        const std::size_t at = std::size_t(read_) & kMask;
        const std::size_t run =
            std::min<std::uint64_t>({head_ - read_, kCapacity - at, count - passed});
        const std::size_t k = rate.FirstFiring(values_.data() + at, run);
        read_ += k;
        passed += k;
        if (k < run) break;  // the next value fires
    }
    return passed;
}

namespace draws {

namespace {
thread_local DrawStream* current = nullptr;
}  // namespace

DrawStream* Current() { return current; }

Use::Use(DrawStream& stream) : previous(current) { current = &stream; }
Use::~Use() { current = previous; }

}  // namespace draws
