#include "genome/DnaDrawing.h"

#include "genome/Settings.h"
#include "image/Image.h"
#include "serial/Serializer.h"

#include <stdexcept>
#include <string>

DnaDrawing::DnaDrawing() {
    for (int i = 0; i < Settings::MinPolygons; ++i) polygons.push_back(DnaPolygon());
}

void DnaDrawing::Render(Image& canvas) const {
    canvas.Clear(Settings::BackgroundPixel());
    for (const DnaPolygon& polygon : polygons) polygon.Render(canvas);
}

bool DnaDrawing::Parametric() const {
    for (const DnaPolygon& polygon : polygons)
        if (polygon.Parametric()) return true;
    return false;
}

void DnaDrawing::serialize(Serializer& serializer) {
    const bool loading = serializer.getType() == Serializer::LoaderType;
    // A drawing of polygons only keeps the oldest form, byte for byte.
    if (!loading && !Parametric()) return SerializeList(serializer, polygons);
    unsigned first = kKindsMark;
    serializer.IO(first);
    if (loading && first != kKindsMark) {
        // The polygons' count, read already.
        polygons.clear();
        DnaPolygon scratch;
        for (unsigned i = 0; i < first && serializer.good(); ++i) {
            serializer & scratch;
            polygons.push_back(scratch);
        }
        return;
    }
    unsigned version = kKindsVersion, count = unsigned(polygons.size());
    serializer.IO(version);
    if (loading && serializer.good() && version != kKindsVersion)
        throw std::runtime_error("it is of a later version (" + std::to_string(version) + ") than this build reads");
    serializer.IO(count);
    DnaPolygon scratch;  // the draws a list takes, as the oldest form's
    if (!loading) {
        for (DnaPolygon& polygon : polygons) polygon.SerializeKind(serializer);
        return;
    }
    polygons.clear();
    for (unsigned i = 0; i < count && serializer.good(); ++i) {
        scratch.SerializeKind(serializer);
        polygons.push_back(scratch);
    }
}
