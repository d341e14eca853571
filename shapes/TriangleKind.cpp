#include "shapes/Outline.h"

// Three vertices, kept through every change.
const ShapeKind& TriangleShapes() {
    static const outline::Kind kind("triangle", 3, false);
    return kind;
}
