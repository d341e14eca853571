#include "search/Coverage.h"

#include "image/Image.h"

#include <algorithm>

bool CoverSums::operator==(const CoverSums& other) const {
    for (int c = 0; c < 3; ++c)
        if (t[c] != other.t[c] || o[c] != other.o[c] || tt[c] != other.tt[c] ||
            oo[c] != other.oo[c] || to[c] != other.to[c])
            return false;
    return n == other.n && error == other.error;
}

void Coverage::Reset(const Uint32* target_, int targetPitch_, const Uint32* render_, int renderPitch_,
                     int width, int height, std::uint64_t prefixBudget) {
    target = target_;
    render = render_;
    targetPitch = targetPitch_;
    renderPitch = renderPitch_;
    const ScoredArea area = ScoredAreaOf(width, height);
    scoredWidth = area.width;
    scoredHeight = area.height;
    errors.assign(std::size_t(area.Pixels()), 0);
    const std::uint64_t prefixBytes =
        std::uint64_t(scoredWidth + 1) * std::uint64_t(scoredHeight) * kFields * 4;
    if (area.Pixels() > 0 && prefixBytes <= prefixBudget)
        prefix.assign(std::size_t(prefixBytes / 4), 0);
    else
        prefix.clear();
    total = 0;
    for (int y = 0; y < scoredHeight; ++y) total += RowSums(y);
}

void Coverage::UpdateRows(int y0, int y1) {
    y0 = std::max(y0, 0);
    y1 = std::min(y1, scoredHeight - 1);
    for (int y = y0; y <= y1; ++y) total += RowSums(y);
}

void Coverage::UpdateRows(int y0, int y1, WorkPool& pool) {
    std::uint64_t change[WorkPool::kMaxParts] = {};
    const int parts = pool.ForRows(std::max(y0, 0), std::min(y1, scoredHeight - 1), 16, [&](int i, int a, int b) {
        for (int y = a; y <= b; ++y) change[i] += RowSums(y);
    });
    for (int i = 0; i < parts; ++i) total += change[i];
}

std::uint64_t Coverage::RowSums(int y) {
    std::uint32_t* e = errors.data() + std::size_t(y) * std::size_t(scoredWidth);
    std::uint32_t* p = prefix.empty() ? nullptr
                                      : prefix.data() + std::size_t(y) * std::size_t(scoredWidth + 1) * kFields;
    std::uint64_t change = 0;
    // Whole numbers: the running sums kept in a local array add up the same in any order.
    std::uint32_t sums[kFields] = {};
    if (p) std::copy(sums, sums + kFields, p);
    for (int x = 0; x < scoredWidth; ++x) {
        const Uint32 tp = Target(x, y), op = Render(x, y);
        std::uint32_t error = 0;
        for (int c = 0; c < 3; ++c) {
            const std::uint32_t t = Channel(tp, c), o = Channel(op, c);
            const int d = int(t) - int(o);
            error += std::uint32_t(d * d);
            sums[c] += t;
            sums[3 + c] += o;
            sums[6 + c] += t * t;
            sums[9 + c] += o * o;
            sums[12 + c] += t * o;
        }
        change += std::uint64_t(error) - std::uint64_t(e[x]);  // modulo 2^64: the total's change
        e[x] = error;
        if (p) {
            sums[15] += error;
            p += kFields;
            std::copy(sums, sums + kFields, p);
        }
    }
    return change;
}

void Coverage::AddSpan(int y, int left, int right, CoverSums& s) const {
    if (!Clip(y, left, right)) return;
    if (prefix.empty()) return AddSpanPixelByPixel(y, left, right, s);
    // A row's sums stay under 2^32 (16383 pixels of at most 3 * 255^2), so the differences
    // of running sums are exact in 32 bits.
    const std::uint32_t* a = PrefixAt(y, left);
    const std::uint32_t* b = PrefixAt(y, right + 1);
    s.n += std::uint64_t(right - left + 1);
    for (int c = 0; c < 3; ++c) {
        s.t[c] += b[c] - a[c];
        s.o[c] += b[3 + c] - a[3 + c];
        s.tt[c] += b[6 + c] - a[6 + c];
        s.oo[c] += b[9 + c] - a[9 + c];
        s.to[c] += b[12 + c] - a[12 + c];
    }
    s.error += b[15] - a[15];
}

void Coverage::AddSpanPixelByPixel(int y, int left, int right, CoverSums& s) const {
    if (!Clip(y, left, right)) return;
    for (int x = left; x <= right; ++x) {
        const Uint32 tp = Target(x, y), op = Render(x, y);
        ++s.n;
        for (int c = 0; c < 3; ++c) {
            const std::uint64_t t = Channel(tp, c), o = Channel(op, c);
            s.t[c] += t;
            s.o[c] += o;
            s.tt[c] += t * t;
            s.oo[c] += o * o;
            s.to[c] += t * o;
        }
        s.error += PixelError(x, y);
    }
}

CoverSums SpanAdder::Sums() const {
    if (!cover_.Prefixed()) return slow_;
    std::uint64_t field[Coverage::kFields];
#if POLYEVOLVE_SEARCH_SIMD
    for (int k = 0; k < 8; ++k) _mm_storeu_si128(reinterpret_cast<__m128i*>(field + 2 * k), total_[k]);
#else
    std::copy(total_, total_ + Coverage::kFields, field);
#endif
    CoverSums s;
    s.n = n_;
    for (int c = 0; c < 3; ++c) {
        s.t[c] = field[c];
        s.o[c] = field[3 + c];
        s.tt[c] = field[6 + c];
        s.oo[c] = field[9 + c];
        s.to[c] = field[12 + c];
    }
    s.error = field[15];
    return s;
}
