#pragma once

#include "genome/Point.h"

// The vertex gene.
class DnaPoint : public Point<short> {
public:
    using Point<short>::Point;

    // Jump, medium and small moves, then a clamp into the target; true if a move fired.
    bool Mutate();
};
