#pragma once

#include "genome/DnaDrawing.h"
#include "genome/Settings.h"
#include "image/Image.h"

#include <cmath>
#include <cstdlib>

// A 200 x 200 target with some structure, and the settings sized to it.
inline Image BenchTarget() {
    Settings::ScreenWidth = 200;
    Settings::ScreenHeight = 200;
    Image target(200, 200);
    auto* pixels = static_cast<Uint8*>(target.surface->pixels);
    for (int y = 0; y < 200; ++y) {
        auto* row = reinterpret_cast<Uint32*>(pixels + y * target.surface->pitch);
        for (int x = 0; x < 200; ++x)
            row[x] = (Uint32(x) << 24) | (Uint32(y) << 16) | (Uint32((x * y) & 0xff) << 8);
    }
    return target;
}

// A drawing of `count` random polygons of the default kind (triangles, alpha 20-120).
inline DnaDrawing BenchDrawing(int count, unsigned seed = 1) {
    std::srand(seed);
    DnaDrawing drawing;
    drawing.polygons.clear();
    for (int i = 0; i < count; ++i) drawing.polygons.push_back(DnaPolygon());
    return drawing;
}

// A photo-like picture of any size: a sky gradient, a sun, hills, water with ripples and grain.
inline Image PhotoLikeTarget(int w, int h) {
    Image target(w, h);
    auto* pixels = static_cast<Uint8*>(target.surface->pixels);
    auto clamp = [](double v) { return Uint32(v < 0 ? 0 : v > 255 ? 255 : v); };
    for (int y = 0; y < h; ++y) {
        auto* row = reinterpret_cast<Uint32*>(pixels + y * target.surface->pitch);
        for (int x = 0; x < w; ++x) {
            const double u = double(x) / w, v = double(y) / h;
            double r = 90 + 120 * v, g = 120 + 70 * v, b = 180 - 40 * v;
            if (std::hypot(u - 0.3, v - 0.3) < 0.06) r = 255, g = 230, b = 160;
            if (v > 0.45 + 0.05 * std::sin(u * 9)) r = 70, g = 90, b = 120;
            if (v > 0.6) {
                const double ripple = std::sin(y * 0.5 + std::sin(x * 0.1) * 2);
                r = 30 + 25 * ripple, g = 70 + 30 * ripple, b = 110 + 30 * ripple;
            }
            const double grain = 12 * std::sin(x * 1.1 + y * 0.7) * std::sin(x * 0.23 - y * 0.9);
            row[x] = (clamp(r + grain) << 24) | (clamp(g + grain) << 16) | (clamp(b + grain) << 8);
        }
    }
    return target;
}
