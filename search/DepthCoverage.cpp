#include "search/DepthCoverage.h"

#include "image/Image.h"

#include <algorithm>

void DepthCoverage::Reset(const Uint32* target_, int targetPitch_, const Uint32* below_, int belowPitch_,
                          const Uint32* without_, int withoutPitch_, const double* show_, int width,
                          int height, std::uint64_t prefixBudget) {
    target = target_;
    below = below_;
    without = without_;
    show = show_;
    targetPitch = targetPitch_;
    belowPitch = belowPitch_;
    withoutPitch = withoutPitch_;
    const ScoredArea area = ScoredAreaOf(width, height);
    scoredWidth = area.width;
    scoredHeight = area.height;
    const std::uint64_t entries = std::uint64_t(scoredWidth + 1) * std::uint64_t(scoredHeight) * kFields;
    if (area.Pixels() == 0 || entries * sizeof(double) > prefixBudget) {
        prefix.clear();
        return;
    }
    prefix.resize(std::size_t(entries));
}

namespace {
int Sq(unsigned a, unsigned b) { return (int(a) - int(b)) * (int(a) - int(b)); }
}  // namespace

inline void DepthCoverage::PixelFields(int x, int y, double* f) const {
    const double s = show[std::size_t(y) * std::size_t(scoredWidth) + std::size_t(x)], w = s * s;
    const Uint32 tp = target[std::size_t(y) * std::size_t(targetPitch) + std::size_t(x)];
    const Uint32 bp = below[std::size_t(y) * std::size_t(belowPitch) + std::size_t(x)];
    const Uint32 fp = without[std::size_t(y) * std::size_t(withoutPitch) + std::size_t(x)];
    f[0] += w;
    for (int c = 0; c < 3; ++c) {
        const double b = Channel(bp, c);
        const double d = double(Channel(tp, c)) - double(Channel(fp, c));
        const double e = s * b + d;  // s times the layer's target
        f[1 + c] += s * e;
        f[4 + c] += w * b;
        f[7 + c] += e * e;
        f[10 + c] += w * b * b;
        f[13 + c] += s * e * b;
    }
    // Whole numbers well within a double's exact range: any order gives the same sum.
    f[16] += double(Sq(Channel(tp, 0), Channel(fp, 0)) + Sq(Channel(tp, 1), Channel(fp, 1)) + Sq(Channel(tp, 2), Channel(fp, 2)));
    f[17] += 1;
}

void DepthCoverage::SumRows(int y0, int y1) {
    if (prefix.empty()) return;
    for (int y = std::max(y0, 0); y <= std::min(y1, scoredHeight - 1); ++y) {
        double* p = prefix.data() + std::size_t(y) * std::size_t(scoredWidth + 1) * kFields;
        // The running sums stay in a local array the compiler can keep in registers; each
        // pixel adds to them in the very order of the pixel by pixel way.
        double sums[kFields] = {};
        std::copy(sums, sums + kFields, p);
        for (int x = 0; x < scoredWidth; ++x) {
            PixelFields(x, y, sums);
            p += kFields;
            std::copy(sums, sums + kFields, p);
        }
    }
}

void DepthCoverage::AddFields(const double* f, FitSums& s) {
    s.n += f[0];
    for (int c = 0; c < 3; ++c) {
        s.t[c] += f[1 + c];
        s.o[c] += f[4 + c];
        s.tt[c] += f[7 + c];
        s.oo[c] += f[10 + c];
        s.to[c] += f[13 + c];
    }
    s.error += f[16];
    s.pixels += std::uint64_t(f[17]);
}

void DepthCoverage::AddSpan(int y, int left, int right, FitSums& sums) const {
    if (!Clip(y, left, right)) return;
    if (prefix.empty()) return AddSpanPixelByPixel(y, left, right, sums);
    const double* a = PrefixAt(y, left);
    const double* b = PrefixAt(y, right + 1);
    double f[kFields];
    for (int i = 0; i < kFields; ++i) f[i] = b[i] - a[i];
    AddFields(f, sums);
}

void DepthCoverage::AddSpanPixelByPixel(int y, int left, int right, FitSums& sums) const {
    if (!Clip(y, left, right)) return;
    for (int x = left; x <= right; ++x) {
        double f[kFields] = {};
        PixelFields(x, y, f);
        AddFields(f, sums);
    }
}
