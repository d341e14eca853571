#include "evolve/UndoLog.h"

#include <iterator>

namespace {
// Spare vertex nodes kept for reuse; beyond this many they are freed.
constexpr std::size_t kSpareLimit = 4096;
}  // namespace

void UndoLog::InsertedPolygon(Polygons&, Polygons::iterator at) {
    entries.push_back(Entry{Kind::Inserted, at, at});
}

void UndoLog::ErasePolygon(Polygons& list, Polygons::iterator at) {
    const auto next = std::next(at);
    graveyard.splice(graveyard.end(), list, at);
    entries.push_back(Entry{Kind::Erased, at, next});
}

void UndoLog::MovePolygon(Polygons& list, Polygons::iterator moved, Polygons::iterator before) {
    const auto next = std::next(moved);
    list.splice(before, list, moved);
    entries.push_back(Entry{Kind::Moved, moved, next});
}

void UndoLog::ErasePoint(Points& list, Points::iterator at) {
    spare.splice(spare.end(), list, at);
}

void UndoLog::Undo(Polygons& list) {
    // In reverse, each step finds the list exactly as its change left it, so the positions
    // it remembered are there again.
    for (auto e = entries.rbegin(); e != entries.rend(); ++e) {
        switch (e->kind) {
        case Kind::Inserted:
            list.erase(e->at);
            break;
        case Kind::Erased:
            list.splice(e->next, graveyard, e->at);
            break;
        case Kind::Moved:
            list.splice(e->next, list, e->at);
            break;
        }
    }
    Commit();
}

void UndoLog::Commit() {
    entries.clear();
    graveyard.clear();
    while (spare.size() > kSpareLimit) spare.pop_back();
}

void UndoLog::SetPoints(Points& points, const std::vector<short>& xs,
                        const std::vector<short>& ys) {
    while (points.size() > xs.size()) spare.splice(spare.end(), points, std::prev(points.end()));
    while (points.size() < xs.size()) {
        if (spare.empty())
            points.emplace_back();
        else
            points.splice(points.end(), spare, spare.begin());
    }
    std::size_t i = 0;
    for (DnaPoint& point : points) {
        point.x = xs[i];
        point.y = ys[i];
        ++i;
    }
}
