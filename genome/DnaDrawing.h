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
    // Polygons only: a count, then each polygon. With shapes of other kinds: kKindsMark where
    // the count would be (a build that knows no kinds reads it as a count beyond its file and
    // refuses the file), kKindsVersion, the count, then each shape by its kind's number.
    void serialize(Serializer& serializer) override;
    static constexpr unsigned kKindsMark = 0xfffffff0u, kKindsVersion = 2;
    // Whether it holds a shape held by parameters.
    bool Parametric() const;

    std::list<DnaPolygon> polygons;
};
