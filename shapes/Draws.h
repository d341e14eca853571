#pragma once

#include "shapes/Shape.h"

#include <algorithm>
#include <cmath>

// The small steps every kind's random shapes and changes are made of.
namespace draws {

inline int Draw(ShapeDraws& d, int modulus) { return d.Next() % modulus; }
// A signed step of up to `reach` pixels.
inline int Step(ShapeDraws& d, int reach) { return Draw(d, 2 * reach + 1) - reach; }
// The same in quarter pixels: a smooth edge settles between whole pixels.
inline double FineStep(ShapeDraws& d, int reach) { return Step(d, 4 * reach) / 4.0; }
// How far a change reaches: one, three, ten or thirty pixels.
inline int Reach(ShapeDraws& d) {
    static constexpr int kReach[4] = {1, 3, 10, 30};
    return kReach[Draw(d, 4)];
}
// A size spread evenly on a log scale, from a pixel to half the picture's larger side: as
// many small shapes as large ones.
inline double Size(ShapeDraws& d, const ShapeFrame& frame) {
    const double largest = std::max(2.0, std::max(frame.width, frame.height) / 2.0);
    return std::exp(std::log(largest) * Draw(d, 1000) / 1000.0);
}
// A share from 0.2 to 1 of a size.
inline double Share(ShapeDraws& d) { return 0.2 + 0.8 * Draw(d, 1000) / 1000.0; }
// A factor from 0.8 to 1.25, to scale by.
inline double Factor(ShapeDraws& d) { return 0.8 + Draw(d, 46) / 100.0; }

// A coordinate held to the picture, and a length held between half a pixel and its size.
inline float OnX(const ShapeFrame& f, double x) { return float(std::clamp(x, 0.0, double(f.width - 1))); }
inline float OnY(const ShapeFrame& f, double y) { return float(std::clamp(y, 0.0, double(f.height - 1))); }
// A centre held near the picture: a quarter of it beyond each side, where a large round
// shape's edge crosses the picture nearly straight.
inline float NearX(const ShapeFrame& f, double x) { return float(std::clamp(x, -f.width / 4.0, f.width * 1.25)); }
inline float NearY(const ShapeFrame& f, double y) { return float(std::clamp(y, -f.height / 4.0, f.height * 1.25)); }
inline float Length(const ShapeFrame& f, double r) {
    return float(std::clamp(r, 0.5, double(std::max(f.width, f.height))));
}

}  // namespace draws
