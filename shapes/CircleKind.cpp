#include "shapes/Centred.h"

// A circle.
const ShapeKind& CircleShapes() {
    static const centred::Oval kind("circle", {true, false});
    return kind;
}
