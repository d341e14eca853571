#include "shapes/Outline.h"

// A polygon of 3 to maxPoints vertices, which may gain and lose vertices.
const ShapeKind& PolygonShapes() {
    static const outline::Kind kind("polygon", 0, true);
    return kind;
}
