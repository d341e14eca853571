#pragma once

#include "genome/DnaPoint.h"
#include "serial/Serializable.h"

#include <list>

class Image;

// One semi-transparent polygon: vertices in order and a colour word (red bits 24-31,
// green 16-23, blue 8-15, alpha 0-7).
class DnaPolygon : public Serializable {
public:
    // A random triangle inside the target; exactly ten rand() draws.
    DnaPolygon();

    // Hands the vertices and colour to Image::Polygon.
    void Render(Image& canvas) const;
    void serialize(Serializer& serializer) override;

    std::list<DnaPoint> points;
    unsigned color = 0;
};
