#include "genome/DnaPolygon.h"

#include "genome/Random.h"
#include "genome/Settings.h"
#include "image/Image.h"
#include "serial/Serializer.h"
#include "shapes/ShapePaint.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <stdexcept>
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

void DnaPolygon::Render(Image& canvas) const { Render(canvas, 0, canvas.Height() - 1); }

void DnaPolygon::Render(Image& canvas, int firstRow, int lastRow) const {
    if (Parametric()) return PaintShape(canvas, AsShape(), color, firstRow, lastRow);
    // Ordinary polygons render without touching the heap; only huge ones read from a
    // damaged file take the vector.
    constexpr std::size_t kStack = 64;
    short stackXs[kStack], stackYs[kStack];
    std::vector<short> heap;
    short* xs = stackXs;
    short* ys = stackYs;
    const std::size_t n = FillCount();
    if (n > kStack) {
        heap.resize(2 * n);
        xs = heap.data();
        ys = xs + n;
    }
    CopyVertices(xs, ys, n);
    canvas.Polygon(xs, ys, int(n), color, firstRow, lastRow);
}

std::size_t DnaPolygon::FillCount() const {
    return std::min(points.size(), std::size_t(INT_MAX));
}

void DnaPolygon::serialize(Serializer& serializer) {
    SerializeList(serializer, points);
    serializer.IO(color);
}

Shape DnaPolygon::AsShape(int outlineKind) const {
    Shape shape;
    shape.kind = Parametric() ? kind : outlineKind;
    shape.p = params;
    shape.xs.resize(FillCount());
    shape.ys.resize(shape.xs.size());
    CopyVertices(shape.xs.data(), shape.ys.data(), shape.xs.size());
    return shape;
}

DnaPolygon DnaPolygon::Of(const Shape& shape, unsigned color) {
    std::list<DnaPoint> points;
    for (int i = 0; i < shape.Count(); ++i) points.emplace_back(shape.xs[std::size_t(i)], shape.ys[std::size_t(i)]);
    DnaPolygon polygon(std::move(points), color);
    if (!KindOf(shape).Outlined()) {
        polygon.kind = shape.kind;
        polygon.params = shape.p;
        polygon.points.clear();
    }
    return polygon;
}

void DnaPolygon::SerializeKind(Serializer& serializer) {
    unsigned number = unsigned(kind);
    serializer.IO(number);
    if (number == 0) {
        params.clear();
        kind = 0;
        return serialize(serializer);
    }
    // Parameters as their 32-bit patterns; a kind held as a polygon is saved as one (number 0).
    if (number >= ShapeKinds().size() || ShapeKinds()[number]->Outlined())
        throw std::runtime_error("it holds a kind of shape this build does not know (number " + std::to_string(number) + ")");
    kind = int(number);
    points.clear();
    serializer.IO(color);
    params.resize(ShapeKinds()[number]->Params().size());
    for (float& value : params) {
        unsigned bits = 0;
        std::memcpy(&bits, &value, sizeof bits);
        serializer.IO(bits);
        std::memcpy(&value, &bits, sizeof bits);
    }
    if (serializer.getType() == Serializer::LoaderType && serializer.good() && !ParamsValid(*ShapeKinds()[number], params))
        throw std::runtime_error(std::string("it holds a shape (") + ShapeKinds()[number]->Name() + ") beyond any picture's bounds");
}
