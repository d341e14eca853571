#include "genome/DnaDrawing.h"

#include "genome/Settings.h"
#include "image/Image.h"
#include "serial/Serializer.h"


DnaDrawing::DnaDrawing() {
    for (int i = 0; i < Settings::MinPolygons; ++i) polygons.push_back(DnaPolygon());
}

void DnaDrawing::Render(Image& canvas) const {
    canvas.Clear();
    for (const DnaPolygon& polygon : polygons) polygon.Render(canvas);
}

void DnaDrawing::serialize(Serializer& serializer) {
    unsigned int count = static_cast<unsigned int>(polygons.size());
    serializer.IO(count);
    // Made on save and on load alike, so both shift the random sequence by ten draws.
    DnaPolygon scratch;
    if (serializer.getType() == Serializer::LoaderType) {
        polygons.clear();
        // Stop at the first failed read, so a damaged count cannot outgrow the input.
        for (unsigned int i = 0; i < count && serializer.good(); ++i) {
            serializer & scratch;
            polygons.push_back(scratch);
        }
    } else {
        for (const DnaPolygon& polygon : polygons) {
            scratch.points = polygon.points;
            scratch.color = polygon.color;
            serializer & scratch;
        }
    }
}
