#include "genome/DnaDrawing.h"
#include "genome/Random.h"
#include "genome/Settings.h"

#include <iterator>

// Picks from an empty list have no position to draw. Our rule: an operator that would pick
// from an empty list draws no pick. Adding a polygon or a vertex then puts the new element in
// as the only one and counts (so an empty drawing can always grow again); deleting or moving
// does nothing and does not count.

namespace {

template <typename List>
typename List::iterator At(List& list, int position) {
    return std::next(list.begin(), position);
}

void SetByte(unsigned& color, int shift, unsigned value) {
    color = (color & ~(0xffu << shift)) | ((value & 0xffu) << shift);
}

bool MutatePolygon(DnaPolygon& polygon) {
    bool counted = false;
    auto& points = polygon.points;
    if (Chance(Settings::AddPointMutation) && int(points.size()) != Settings::MaxPoints) {
        auto where = points.end();
        if (!points.empty()) where = At(points, Draw(int(points.size())));
        const int ry = std::rand();
        const int rx = std::rand();
        points.insert(where, DnaPoint(static_cast<short>(rx % Settings::ScreenWidth),
                                      static_cast<short>(ry % Settings::ScreenHeight)));
        counted = true;
    }
    // Counted afresh: a vertex just added is seen by the delete test.
    if (Chance(Settings::DelPointMutation) && int(points.size()) != Settings::MinPoints &&
        !points.empty()) {
        points.erase(At(points, Draw(int(points.size()))));
        counted = true;
    }
    if (Chance(Settings::AlphaMutation)) {
        SetByte(polygon.color, 0,
                unsigned(Settings::AlphaMin +
                         Draw(Settings::AlphaMax - Settings::AlphaMin + 1)));
        counted = true;
    }
    for (int shift : {24, 16, 8}) {  // red, green, blue
        if (Chance(Settings::ComponentMutation)) {
            SetByte(polygon.color, shift, unsigned(Draw(256)));
            counted = true;
        }
    }
    for (DnaPoint& point : points) {
        if (point.Mutate()) counted = true;
    }
    return counted;
}

}  // namespace

bool DnaDrawing::Mutate() {
    bool counted = false;
    if (Chance(Settings::AddPolyMutation) && int(polygons.size()) != Settings::MaxPolygons) {
        auto where = polygons.end();
        if (!polygons.empty()) where = At(polygons, Draw(int(polygons.size())));
        polygons.insert(where, DnaPolygon());
        counted = true;
    }
    if (Chance(Settings::DelPolyMutation) && int(polygons.size()) != Settings::MinPolygons &&
        !polygons.empty()) {
        polygons.erase(At(polygons, Draw(int(polygons.size()))));
        counted = true;
    }
    if (Chance(Settings::MovePolyMutation) && !polygons.empty()) {
        const int n = int(polygons.size());
        const int from = Draw(n);
        const int to = Draw(n);
        if (from != to) {
            // The moved polygon ends at position `to` of the list it leaves behind.
            auto moved = At(polygons, from);
            auto before = At(polygons, to < from ? to : to + 1);
            polygons.splice(before, polygons, moved);
            counted = true;
        }
    }
    for (DnaPolygon& polygon : polygons) {
        if (MutatePolygon(polygon)) counted = true;
    }
    return counted;
}
