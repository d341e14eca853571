#include "genome/Point.h"

#include "serial/Serializer.h"

template <typename Coord>
void Point<Coord>::serialize(Serializer& serializer) {
    // Stored as the two's-complement bits of the signed 16-bit value.
    unsigned short ux = static_cast<unsigned short>(x);
    serializer.IO(ux);
    x = static_cast<Coord>(ux);
    unsigned short uy = static_cast<unsigned short>(y);
    serializer.IO(uy);
    y = static_cast<Coord>(uy);
}

template class Point<short>;
