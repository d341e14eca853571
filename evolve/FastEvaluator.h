#pragma once

#include "evolve/ChangeRegion.h"
#include "evolve/Evaluator.h"
#include "evolve/FlatPolygon.h"
#include "evolve/LayerCache.h"
#include "evolve/UndoLog.h"

#include <cstdint>
#include <deque>
#include <vector>

class DnaDrawing;
class Image;

// Scores a candidate by recomputing only what its mutation can change, with the very result
// of copying, rendering and comparing everything:
// - the best drawing is mutated in place and put back from a flat copy if the candidate
//   loses, so nothing is copied and nothing allocated in the common case;
// - the pixels that can change are those the changed polygons cover, before and after; they
//   are repainted from a cached partial render below the lowest changed layer;
// - the candidate's error is the best drawing's own error with that region's share replaced,
//   and the new share is summed only until it shows the candidate cannot win.
// The caches follow the best drawing; when anything else changes it (a resume, a restart),
// they are rebuilt before the next candidate.
class FastEvaluator : public Evaluator {
public:
    bool Evolve(GeneticTest& test) override;

    // Memory for the caches, at most: eight canvases' worth, and no more than this.
    static constexpr std::uint64_t kCacheBudget = 1ull << 30;
    // Spans kept of the drawing's polygons, at most; polygons past it are scan-converted
    // each time (only damaged files have so many).
    static constexpr std::size_t kSpanBudget = std::size_t(1) << 24;

    // One candidate as the steps below see it: what changed, where, and its score.
    struct Candidate {
        std::deque<FlatPolygon> fresh;           // changed and new polygons
        std::size_t freshUsed = 0;
        std::vector<const FlatPolygon*> polygons;  // the candidate, in painting order
        std::vector<int> changed;                // indices into the best drawing's polygons
        std::vector<FlatPolygon*> changedTo;     // and what each became
        ChangeRegion region;
        // What the region is made of, and the new shapes whose spans it needs: left for the
        // thread that scores the candidate.
        struct Step {
            const FlatPolygon* before;
            const FlatPolygon* after;  // null: all of `before`; else the two shapes' difference
        };
        std::vector<Step> steps;
        struct ToRasterize {
            FlatPolygon* polygon;
            const FlatPolygon* before;  // its shape in the best drawing, if it had one
            std::size_t limit;
        };
        std::vector<ToRasterize> toRasterize;
        int unchanged = 0;                       // layers below this are the best drawing's
        bool structural = false;                 // polygons added, deleted or moved
        std::uint64_t bestError = 0;             // the best error it must beat
        std::uint64_t error = 0;                 // its own, when `better`
        bool better = false;
    };

    // The steps of one iteration, for callers that spread them over threads.
    // True for a drawing of far more polygons or vertices than the limits allow.
    static bool Beyond(const DnaDrawing& drawing);
    // Makes the caches describe test.best, rebuilding what no longer does. False when the
    // caches cannot be had (a canvas over the budget, a drawing Beyond the limits): the plain
    // way is used then.
    bool Prepare(GeneticTest& test);
    // True when the caches describe test.best as they are (Prepare would change nothing).
    bool Current(GeneticTest& test);
    int Width() const { return width; }
    int Height() const { return height; }
    // The evaluator's own canvas-sized plane that candidates are painted into.
    Plane Scratch() { return Plane{scratch.data(), width}; }
    // Mutates test.best in place (drawing from test.draws) and notes the changes in `c`.
    void Build(GeneticTest& test, Candidate& c);
    // Draws up c's region and scores `c` using `work` (a canvas-sized plane of the caller's),
    // setting c.better; reads the caches only, so candidates built from one best drawing may
    // be scored at once.
    bool Score(Candidate& c, const Plane& work, PaintScratch& active) const;
    // Keeps the mutated drawing as the best, with c's error, and brings the caches along;
    // `scored` is the plane Score painted c into.
    void Accept(GeneticTest& test, Candidate& c, const Plane& scored);
    // Keeps a candidate scored earlier and built again from the same draws (so the same
    // changes): its error stands, and `scored` still holds its paint.
    void Reaccept(GeneticTest& test, Candidate& c, const Plane& scored);
    // Puts test.best back as it was before Build.
    void Restore(GeneticTest& test, const Candidate& c);

private:
    void Rebuild(GeneticTest& test);
    // Compares the mutated drawing with the flat copy and fills `c`.
    void FindChanges(DnaDrawing& candidate, Candidate& c);
    // FindChanges' parts: the candidate's lists emptied (and the best drawing's polygons
    // indexed, when polygons were added, deleted or moved); one changed polygon noted; the
    // deleted and moved ones noted; where a list element of the best drawing stands, or -1.
    void StartChanges(Candidate& c);
    void NoteChanged(Candidate& c, int s, FlatPolygon& now);
    void NoteDeletedAndMoved(Candidate& c);
    int IndexOf(const DnaPolygon* node) const;
    FlatPolygon& Fresh(Candidate& c, DnaPolygon& polygon, const FlatPolygon* sameShape);
    // One more changed polygon's worth of room in c, sized for this canvas.
    void MakeRoom(Candidate& c) const;
    static constexpr int kRooms = 8;  // made ahead for a one-thread run's candidate
    void Rasterize(FlatPolygon& polygon);
    std::size_t SpanLimit() const;
    // The region of c and the spans it needs (the part of making a candidate that can run on
    // any thread).
    void Complete(Candidate& c) const;

    const Image* target = nullptr;
    int width = -1, height = -1;
    bool usable = false;
    bool built = false;

    std::vector<FlatPolygon> best;        // the best drawing, flat, in painting order
    std::vector<std::pair<const DnaPolygon*, int>> index;  // best's nodes, sorted
    std::vector<char> seen;
    std::uint64_t realError = 0;          // the best drawing's error, rendered and compared
    std::size_t spansKept = 0;            // spans held by `best`, against kSpanBudget
    // Every vertex of `best` lies on the target (as the operators leave them; a damaged file
    // may not). Mutations of such a drawing keep it so.
    bool onTarget = false;

    UndoLog log;
    ChangeRegion region;                  // the counted part's size, for rasterizing
    LayerCache layers;
    Candidate own;                        // the one candidate of a single-threaded run
    PaintScratch active;
    std::vector<Uint32> scratch;
};
