#include "search/Paint.h"

#include "search/Shape.h"

#include <algorithm>
#include <cmath>

namespace {

// One channel's least-squares value at alpha a, and its approximate new error.
double ChannelFit(const FitSums& s, int c, int a, int& value) {
    const double n = s.n, k = 255.0 - a, u = a / 256.0;
    const double t = s.t[c], o = s.o[c];
    // new = u * value + v per pixel, v = (k * o - 127.5) / 256; w = t - v.
    const double sw = t - (k * o - 127.5 * n) / 256.0;
    const double stv = (k * s.to[c] - 127.5 * t) / 256.0;
    const double svv = (k * k * s.oo[c] - 255.0 * k * o + 127.5 * 127.5 * n) / 65536.0;
    const double sww = s.tt[c] - 2.0 * stv + svv;
    const double best = sw / (n * u);
    value = int(RoundHalfAway(std::clamp(best, 0.0, 255.0)));
    const double cu = u * value;
    return sww - 2.0 * cu * sw + n * cu * cu;
}

unsigned ColorWord(const int rgb[3], int alpha) {
    return (unsigned(rgb[0]) << 24) | (unsigned(rgb[1]) << 16) | (unsigned(rgb[2]) << 8) |
           unsigned(alpha & 0xff);
}

}  // namespace

FitSums::FitSums(const CoverSums& s) : n(double(s.n)), error(double(s.error)), pixels(s.n) {
    for (int c = 0; c < 3; ++c) {
        t[c] = double(s.t[c]);
        o[c] = double(s.o[c]);
        tt[c] = double(s.tt[c]);
        oo[c] = double(s.oo[c]);
        to[c] = double(s.to[c]);
    }
}

Paint PaintFor(const FitSums& sums, int alpha) {
    Paint paint;
    if (sums.pixels == 0 || !(sums.n > 0) || alpha <= 0) return paint;
    int rgb[3];
    double error = 0;
    for (int c = 0; c < 3; ++c) error += ChannelFit(sums, c, alpha, rgb[c]);
    paint.delta = error - sums.error;
    paint.color = ColorWord(rgb, alpha);
    return paint;
}

namespace {

// The alpha in alphaMin..alphaMax where the error is lowest, in closed form. With x = a / 256
// and y = x * colour, a pixel's error is (y - x o - r)^2, r its residual at alpha 0. Per
// channel y is the least-squares value, or 0, or 255 x where that leaves 0..255; either way
// the channel's error is a quadratic in x, and their sum is convex in x, so the minimum is
// found by fixing which channels are clamped until that no longer changes. -1 if it does.
int FittedAlpha(const FitSums& s, int alphaMin, int alphaMax) {
    const double n = s.n;
    double r[3], ro[3];
    for (int ch = 0; ch < 3; ++ch) {
        const double o = s.o[ch];
        r[ch] = s.t[ch] - (255.0 * o - 127.5 * n) / 256.0;
        ro[ch] = s.to[ch] - (255.0 * s.oo[ch] - 127.5 * o) / 256.0;
    }
    int clamp[3] = {0, 0, 0};  // -1 colour 0, 0 free, 1 colour 255
    double x = 1;
    for (int round = 0; round < 4; ++round) {
        double b = 0, c = 0;  // the error is c x^2 + 2 b x + const
        for (int ch = 0; ch < 3; ++ch) {
            const double o = s.o[ch], oo = s.oo[ch];
            if (clamp[ch] == 0) {
                b += ro[ch] - r[ch] * o / n;
                c += oo - o * o / n;
            } else if (clamp[ch] < 0) {
                b += ro[ch];
                c += oo;
            } else {  // q = 255 - o
                b -= 255.0 * r[ch] - ro[ch];
                c += 255.0 * 255.0 * n - 510.0 * o + oo;
            }
        }
        x = c > 0 ? std::clamp(-b / c, 1.0 / 256.0, 1.0) : 1.0;
        bool same = true;
        for (int ch = 0; ch < 3; ++ch) {
            const double color = (r[ch] + x * s.o[ch]) / (n * x);
            const int now = color < 0 ? -1 : color > 255 ? 1 : 0;
            same = same && now == clamp[ch];
            clamp[ch] = now;
        }
        if (same) return int(std::clamp(RoundHalfAway(x * 256.0), long(alphaMin), long(alphaMax)));
    }
    return -1;
}

}  // namespace

Paint BestPaint(const FitSums& sums, int alphaMin, int alphaMax) {
    alphaMin = std::clamp(alphaMin, 1, 255);
    alphaMax = std::clamp(alphaMax, alphaMin, 255);
    const int fitted = sums.pixels > 1 && sums.n > 0 ? FittedAlpha(sums, alphaMin, alphaMax) : -1;
    if (fitted >= 0) {
        // The alphas around the quadratic's minimum, clamped to the range.
        const int centre = fitted;
        Paint best = PaintFor(sums, centre);
        for (int a = std::max(alphaMin, centre - 2); a <= std::min(alphaMax, centre + 2); ++a) {
            if (a == centre) continue;
            const Paint p = PaintFor(sums, a);
            if (p.delta < best.delta) best = p;
        }
        return best;
    }
    // Coarse steps over the range, then every alpha around the best of them.
    const int step = std::max(1, (alphaMax - alphaMin) / 12);
    Paint best = PaintFor(sums, alphaMin);
    int bestAlpha = alphaMin;
    for (int a = alphaMin + step; a <= alphaMax; a += step) {
        const Paint p = PaintFor(sums, a);
        if (p.delta < best.delta) best = p, bestAlpha = a;
    }
    for (int a = std::max(alphaMin, bestAlpha - step + 1); a <= std::min(alphaMax, bestAlpha + step - 1); ++a) {
        if (a == bestAlpha) continue;
        const Paint p = PaintFor(sums, a);
        if (p.delta < best.delta) best = p;
    }
    return best;
}

std::int64_t ExactChannelDelta(const Coverage& cover, const std::vector<Span>& spans, int channel,
                               int alpha, int value) {
    const unsigned keep = 255u - unsigned(alpha), term = unsigned(value) * unsigned(alpha);
    std::int64_t delta = 0;
    for (const Span& s : spans)
        for (int x = s.left; x <= s.right; ++x) {
            const int t = int(Channel(cover.Target(x, s.y), channel));
            const int o = int(Channel(cover.Render(x, s.y), channel));
            const int now = int((unsigned(o) * keep + term) >> 8);
            delta += std::int64_t((t - now) * (t - now)) - std::int64_t((t - o) * (t - o));
        }
    return delta;
}

Paint ExactPaint(const Coverage& cover, const std::vector<Span>& spans, int alpha) {
    // Per channel, the covered pixels grouped by the render's value o: with them the exact
    // error of every value v is a sum over at most 256 groups, so all 256 are tried.
    struct Group {
        std::uint64_t n = 0, t = 0, tt = 0;
    };
    static thread_local Group groups[3][256];
    for (auto& channel : groups)
        for (Group& g : channel) g = Group{};
    for (const Span& s : spans)
        for (int x = s.left; x <= s.right; ++x) {
            const Uint32 tp = cover.Target(x, s.y), op = cover.Render(x, s.y);
            for (int c = 0; c < 3; ++c) {
                Group& g = groups[c][Channel(op, c)];
                const std::uint64_t t = Channel(tp, c);
                ++g.n;
                g.t += t;
                g.tt += t * t;
            }
        }
    const std::int64_t keep = 255 - alpha;
    int rgb[3];
    double delta = 0;
    for (int c = 0; c < 3; ++c) {
        int present[256], count = 0;
        std::int64_t before = 0;
        for (int o = 0; o < 256; ++o) {
            const Group& g = groups[c][o];
            if (g.n == 0) continue;
            present[count++] = o;
            before += std::int64_t(g.tt) - 2 * std::int64_t(g.t) * o + std::int64_t(g.n) * o * o;
        }
        std::int64_t best = INT64_MAX;
        for (int v = 0; v < 256; ++v) {
            std::int64_t after = 0;
            for (int i = 0; i < count; ++i) {
                const int o = present[i];
                const Group& g = groups[c][o];
                const std::int64_t now = (o * keep + std::int64_t(v) * alpha) >> 8;
                after += std::int64_t(g.tt) - 2 * std::int64_t(g.t) * now + std::int64_t(g.n) * now * now;
            }
            if (after - before < best) {
                best = after - before;
                rgb[c] = v;
            }
        }
        delta += double(best);
    }
    Paint paint;
    paint.delta = delta;
    paint.color = ColorWord(rgb, alpha);
    return paint;
}
