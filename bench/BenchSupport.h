#pragma once

#include "genome/DnaDrawing.h"
#include "genome/Settings.h"
#include "image/Image.h"

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
