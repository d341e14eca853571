#include "shapes/Centred.h"

// An ellipse turned to any angle.
const ShapeKind& RotatedEllipseShapes() {
    static const centred::Oval kind("rotated-ellipse", {false, true});
    return kind;
}
