#include "genome/DnaPolygon.h"

#include "genome/Random.h"
#include "genome/Settings.h"
#include "image/Image.h"
#include "serial/Serializer.h"

#include <climits>
#include <vector>

DnaPolygon::DnaPolygon() {
    for (int i = 0; i < 3; ++i) {
        const int ry = NextDraw();  // the row is drawn before the column
        const int rx = NextDraw();
        points.emplace_back(static_cast<short>(rx % Settings::ScreenWidth),
                            static_cast<short>(ry % Settings::ScreenHeight));
    }
    const unsigned blue = unsigned(Draw(256));
    const unsigned green = unsigned(Draw(256));
    const unsigned red = unsigned(Draw(256));
    const unsigned alpha =
        unsigned(Settings::AlphaMin + Draw(Settings::AlphaMax - Settings::AlphaMin + 1)) & 0xff;
    color = (red << 24) | (green << 16) | (blue << 8) | alpha;
}

void DnaPolygon::Render(Image& canvas) const {
    // Ordinary polygons render without touching the heap; only huge ones read from a
    // damaged file take the vector.
    constexpr std::size_t kStack = 64;
    short stackXs[kStack], stackYs[kStack];
    std::vector<short> heap;
    short* xs = stackXs;
    short* ys = stackYs;
    std::size_t n = points.size();
    if (n > std::size_t(INT_MAX)) n = std::size_t(INT_MAX);
    if (n > kStack) {
        heap.resize(2 * n);
        xs = heap.data();
        ys = xs + n;
    }
    std::size_t i = 0;
    for (auto it = points.begin(); i < n; ++it, ++i) {
        xs[i] = it->x;
        ys[i] = it->y;
    }
    canvas.Polygon(xs, ys, int(n), color);
}

void DnaPolygon::serialize(Serializer& serializer) {
    unsigned int count = static_cast<unsigned int>(points.size());
    serializer.IO(count);
    DnaPoint scratch;
    if (serializer.getType() == Serializer::LoaderType) {
        points.clear();
        // Stop at the first failed read: a damaged count cannot make us build more points
        // than the input holds bytes.
        for (unsigned int i = 0; i < count && serializer.good(); ++i) {
            serializer & scratch;
            points.push_back(scratch);
        }
    } else {
        for (const DnaPoint& point : points) {
            scratch.x = point.x;
            scratch.y = point.y;
            serializer & scratch;
        }
    }
    serializer.IO(color);
}
