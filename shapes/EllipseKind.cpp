#include "shapes/Centred.h"

// An upright ellipse.
const ShapeKind& EllipseShapes() {
    static const centred::Oval kind("ellipse", {false, false});
    return kind;
}
