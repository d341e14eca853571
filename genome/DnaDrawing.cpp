#include "genome/DnaDrawing.h"

#include "genome/Settings.h"
#include "image/Image.h"
#include "serial/Serializer.h"


DnaDrawing::DnaDrawing() {
    for (int i = 0; i < Settings::MinPolygons; ++i) polygons.push_back(DnaPolygon());
}

void DnaDrawing::Render(Image& canvas) const {
    canvas.Clear(Settings::BackgroundPixel());
    for (const DnaPolygon& polygon : polygons) polygon.Render(canvas);
}

void DnaDrawing::serialize(Serializer& serializer) { SerializeList(serializer, polygons); }
