#pragma once

#include "genome/DnaPolygon.h"

#include <list>
#include <vector>

// The recorder of an in-place mutation: it makes every structural change to the polygon list
// in a way that can be taken back (erased polygons wait in a graveyard, moves remember where
// they came from), and keeps erased vertices' list nodes for reuse, so that a rejected
// candidate costs no heap traffic.
class UndoLog {
public:
    using Polygons = std::list<DnaPolygon>;
    using Points = std::list<DnaPoint>;

    // The recorder's side, called by the mutation operators.
    void InsertedPolygon(Polygons& list, Polygons::iterator at);
    void ErasePolygon(Polygons& list, Polygons::iterator at);
    void MovePolygon(Polygons& list, Polygons::iterator moved, Polygons::iterator before);
    void ErasePoint(Points& list, Points::iterator at);

    // True when the polygon list itself changed (a polygon added, deleted or moved).
    bool Structural() const { return !entries.empty(); }
    // The polygons that were moved, in the order of the moves.
    template <class Visit>
    void ForEachMoved(Visit&& visit) const {
        for (const Entry& e : entries)
            if (e.kind == Kind::Moved) visit(&*e.at);
    }
    // Takes back every structural change, the last first. Vertex and colour changes inside
    // polygons are not recorded here; the caller restores those.
    void Undo(Polygons& list);
    // Forgets the changes: they stay.
    void Commit();
    // Makes the polygon's vertices the given ones, reusing kept list nodes where it can.
    void SetPoints(Points& points, const std::vector<short>& xs, const std::vector<short>& ys);

private:
    enum class Kind { Inserted, Erased, Moved };
    struct Entry {
        Kind kind;
        Polygons::iterator at;    // the polygon concerned
        Polygons::iterator next;  // what followed it before an erase or a move
    };
    std::vector<Entry> entries;
    Polygons graveyard;
    Points spare;
};
