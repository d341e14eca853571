#pragma once

#include "genome/DnaPolygon.h"
#include "serial/Serializable.h"

#include <list>

// A drawing: polygons in painting order, the first painted first.
class DnaDrawing : public Serializable {
public:
    // Settings::MinPolygons random polygons.
    DnaDrawing();

    // Applies the mutation operators in their fixed order; true if any of them counted.
    bool Mutate();
    // Clears the canvas to 0 and paints every polygon in order.
    void Render(Image& canvas) const;
    void serialize(Serializer& serializer) override;

    std::list<DnaPolygon> polygons;
};
