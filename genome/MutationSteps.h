#pragma once

// The mutation operators as a template over a recorder of the structural changes, so the plain
// copy-and-mutate and an in-place mutation with an undo log draw the very same values.

#include "genome/DnaDrawing.h"
#include "genome/Random.h"
#include "genome/Settings.h"

#include <iterator>
#include <list>

// Picks from an empty list have no position to draw. Our rule: an operator that would pick
// from an empty list draws no pick. Adding a polygon or a vertex then puts the new element in
// as the only one and counts (so an empty drawing can always grow again); deleting or moving
// does nothing and does not count.

namespace mutation {

template <typename List>
typename List::iterator At(List& list, int position) {
    return std::next(list.begin(), position);
}

inline void SetByte(unsigned& color, int shift, unsigned value) {
    color = (color & ~(0xffu << shift)) | ((value & 0xffu) << shift);
}

template <class Recorder>
bool MutatePolygon(DnaPolygon& polygon, Recorder& recorder) {
    bool counted = false;
    auto& points = polygon.points;
    if (Chance(Settings::AddPointMutation) && int(points.size()) != Settings::MaxPoints) {
        auto where = points.end();
        if (!points.empty()) where = At(points, Draw(int(points.size())));
        const int ry = NextDraw();
        const int rx = NextDraw();
        points.insert(where, DnaPoint(static_cast<short>(rx % Settings::ScreenWidth),
                                      static_cast<short>(ry % Settings::ScreenHeight)));
        counted = true;
    }
    // Counted afresh: a vertex just added is seen by the delete test.
    if (Chance(Settings::DelPointMutation) && int(points.size()) != Settings::MinPoints &&
        !points.empty()) {
        recorder.ErasePoint(points, At(points, Draw(int(points.size()))));
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

// The operators in their fixed order, with every change to the lists' structure made through
// the recorder, which may log it to undo it later.
template <class Recorder>
bool MutateDrawing(DnaDrawing& drawing, Recorder& recorder) {
    auto& polygons = drawing.polygons;
    bool counted = false;
    if (Chance(Settings::AddPolyMutation) && int(polygons.size()) != Settings::MaxPolygons) {
        auto where = polygons.end();
        if (!polygons.empty()) where = At(polygons, Draw(int(polygons.size())));
        recorder.InsertedPolygon(polygons, polygons.insert(where, DnaPolygon()));
        counted = true;
    }
    if (Chance(Settings::DelPolyMutation) && int(polygons.size()) != Settings::MinPolygons &&
        !polygons.empty()) {
        recorder.ErasePolygon(polygons, At(polygons, Draw(int(polygons.size()))));
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
            recorder.MovePolygon(polygons, moved, before);
            counted = true;
        }
    }
    for (DnaPolygon& polygon : polygons) {
        if (MutatePolygon(polygon, recorder)) counted = true;
    }
    return counted;
}

// Makes the changes and keeps no record of them.
struct Unrecorded {
    using Polygons = std::list<DnaPolygon>;
    using Points = std::list<DnaPoint>;
    void InsertedPolygon(Polygons&, Polygons::iterator) {}
    void ErasePolygon(Polygons& list, Polygons::iterator at) { list.erase(at); }
    void MovePolygon(Polygons& list, Polygons::iterator moved, Polygons::iterator before) {
        list.splice(before, list, moved);
    }
    void ErasePoint(Points& list, Points::iterator at) { list.erase(at); }
};

}  // namespace mutation
