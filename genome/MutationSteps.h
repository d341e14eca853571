#pragma once

// The mutation operators as a template over a recorder of the structural changes, so the plain
// copy-and-mutate and an in-place mutation with an undo log draw the very same values.

#include "genome/DnaDrawing.h"
#include "genome/Random.h"
#include "genome/Settings.h"

#include <cstddef>
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

// Offset of the medium and small vertex moves: 2 * (r % m) - m, one of -m, -m + 2, ..., m - 2.
inline short Offset(int draw, int m) { return static_cast<short>(2 * (draw % m) - m); }

// DnaPoint::Mutate from its test `first` on (0 jump, 1 medium, 2 small): the tests before it
// were made elsewhere and did not fire. The clamp is always made.
inline bool MutateVertex(DnaPoint& point, int first) {
    bool fired = false;
    if (first <= 0 && Chance(Settings::PointMaxMutation)) {
        point.x = static_cast<short>(Draw(Settings::ScreenWidth));
        point.y = static_cast<short>(Draw(Settings::ScreenHeight));
        fired = true;
    }
    const int moves[2] = {Settings::PointMidMovement, Settings::PointSmallMovement};
    const int rates[2] = {Settings::PointMidMutation, Settings::PointMinMutation};
    for (int step = first <= 1 ? 0 : 1; step < 2; ++step) {
        if (!Chance(rates[step])) continue;
        const int ry = NextDraw();
        const int rx = NextDraw();
        // Added at the coordinates' own 16-bit width, before the clamp.
        point.x = static_cast<short>(point.x + Offset(rx, moves[step]));
        point.y = static_cast<short>(point.y + Offset(ry, moves[step]));
        fired = true;
    }
    if (point.x < 0) point.x = 0;
    if (point.y < 0) point.y = 0;
    if (point.x >= Settings::ScreenWidth) point.x = static_cast<short>(Settings::ScreenWidth - 1);
    if (point.y >= Settings::ScreenHeight) point.y = static_cast<short>(Settings::ScreenHeight - 1);
    return fired;
}

// A polygon's tests, each one draw when it does not fire: six of its own (add vertex, delete
// vertex, alpha, red, green, blue), then three for each vertex (jump, medium, small).
constexpr int kPolygonTests = 6;
constexpr int kVertexTests = 3;
inline std::size_t QuietDraws(const DnaPolygon& polygon) {
    return kPolygonTests + kVertexTests * polygon.points.size();
}

// The polygon's operators from test `first` on (numbered as above); the tests before it were
// made elsewhere and did not fire, and the vertices before the one it names need no clamp.
template <class Recorder>
bool MutatePolygon(DnaPolygon& polygon, Recorder& recorder, std::size_t first = 0) {
    bool counted = false;
    auto& points = polygon.points;
    if (first <= 0 && Chance(Settings::AddPointMutation) && int(points.size()) != Settings::MaxPoints) {
        auto where = points.end();
        if (!points.empty()) where = At(points, Draw(int(points.size())));
        const int ry = NextDraw();
        const int rx = NextDraw();
        points.insert(where, DnaPoint(static_cast<short>(rx % Settings::ScreenWidth),
                                      static_cast<short>(ry % Settings::ScreenHeight)));
        counted = true;
    }
    // Counted afresh: a vertex just added is seen by the delete test.
    if (first <= 1 && Chance(Settings::DelPointMutation) && int(points.size()) != Settings::MinPoints &&
        !points.empty()) {
        recorder.ErasePoint(points, At(points, Draw(int(points.size()))));
        counted = true;
    }
    if (first <= 2 && Chance(Settings::AlphaMutation)) {
        SetByte(polygon.color, 0,
                unsigned(Settings::AlphaMin +
                         Draw(Settings::AlphaMax - Settings::AlphaMin + 1)));
        counted = true;
    }
    int test = 3;
    for (int shift : {24, 16, 8}) {  // red, green, blue
        if (first <= std::size_t(test++) && Chance(Settings::ComponentMutation)) {
            SetByte(polygon.color, shift, unsigned(Draw(256)));
            counted = true;
        }
    }
    const std::size_t vertexTest = first > kPolygonTests ? first - kPolygonTests : 0;
    auto point = points.begin();
    std::advance(point, vertexTest / kVertexTests);
    for (int from = int(vertexTest % kVertexTests); point != points.end(); ++point, from = 0) {
        if (MutateVertex(*point, from)) counted = true;
    }
    return counted;
}

// The operators in their fixed order, with every change to the lists' structure made through
// the recorder, which may log it to undo it later.
// The three drawing-wide operators, in their order.
template <class Recorder>
bool MutatePolygonList(DnaDrawing& drawing, Recorder& recorder) {
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
    return counted;
}

// The operators in their fixed order, every test drawn one after another (the walk), with
// every change to the lists' structure made through the recorder, which may log it to undo
// it later.
template <class Recorder>
bool MutateDrawing(DnaDrawing& drawing, Recorder& recorder) {
    bool counted = MutatePolygonList(drawing, recorder);
    for (DnaPolygon& polygon : drawing.polygons) {
        if (MutatePolygon(polygon, recorder)) counted = true;
    }
    return counted;
}

// The rate every per-polygon and per-vertex test shares, or 0 when they differ (or share one
// that never fires).
inline int SharedPolygonRate() {
    const int rate = Settings::AddPointMutation;
    for (int other : {Settings::DelPointMutation, Settings::AlphaMutation, Settings::ComponentMutation,
                      Settings::PointMaxMutation, Settings::PointMidMutation, Settings::PointMinMutation})
        if (other != rate) return 0;
    return rate >= 2 ? rate : 0;
}

// True when every vertex lies on the target, so that the clamp of a vertex whose tests do not
// fire changes nothing (a drawing from a damaged file may break this).
inline bool VerticesOnTarget(const DnaDrawing& drawing) {
    for (const DnaPolygon& polygon : drawing.polygons)
        for (const DnaPoint& point : polygon.points)
            if (point.x < 0 || point.y < 0 || point.x >= Settings::ScreenWidth ||
                point.y >= Settings::ScreenHeight)
                return false;
    return true;
}

// The same changes as MutateDrawing, from the same draws, without making the tests that do not
// fire one by one: when the per-polygon tests share one rate, the stream is scanned for the
// next draw that fires, which is mapped back to its polygon and test, and the walk takes over
// there for the rest of that polygon.
template <class Recorder>
bool MutateDrawingSkipping(DnaDrawing& drawing, Recorder& recorder, DrawStream& stream,
                           const ChanceRate& rate) {
    bool counted = MutatePolygonList(drawing, recorder);
    auto& polygons = drawing.polygons;
    for (auto polygon = polygons.begin(); polygon != polygons.end(); ++polygon) {
        std::size_t quiet = 0;
        for (auto rest = polygon; rest != polygons.end(); ++rest) quiet += QuietDraws(*rest);
        std::size_t test = stream.SkipQuiet(quiet, rate);
        if (test == quiet) break;  // none of the remaining tests fires
        while (test >= QuietDraws(*polygon)) test -= QuietDraws(*polygon++);
        if (MutatePolygon(*polygon, recorder, test)) counted = true;
    }
    return counted;
}

// One DnaDrawing::Mutate call, the walk or the skip: the one place that chooses. A caller
// that knows every vertex is on the target says so (`onTarget`), sparing the check.
template <class Recorder>
bool Mutate(DnaDrawing& drawing, Recorder& recorder, bool onTarget = false) {
    DrawStream* stream = draws::Current();
    const int rate = SharedPolygonRate();
    if (stream && rate && (onTarget || VerticesOnTarget(drawing)))
        return MutateDrawingSkipping(drawing, recorder, *stream, ChanceRate(rate));
    return MutateDrawing(drawing, recorder);
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
