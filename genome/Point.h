#pragma once

#include "serial/Serializable.h"

// A vertex position in canvas pixels: x the column, y the row.
template <typename Coord>
class Point : public Serializable {
public:
    Point() = default;
    Point(Coord x_, Coord y_) : x(x_), y(y_) {}

    void serialize(Serializer& serializer) override;

    Coord x = 0;
    Coord y = 0;
};

extern template class Point<short>;
