#pragma once

#include "engine/ChangeRegion.h"
#include "engine/Evaluator.h"
#include "engine/FlatPolygon.h"
#include "engine/LayerCache.h"
#include "engine/UndoLog.h"

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

private:
    // Makes the caches describe test.best, rebuilding what no longer does. False when the
    // caches cannot be had (a canvas over the budget): the plain way is used then.
    bool Prepare(GeneticTest& test);
    void Rebuild(GeneticTest& test);
    // Compares the mutated drawing with the flat copy: fills the region, the candidate's
    // polygons and the lowest changed layer.
    void FindChanges(DnaDrawing& candidate);
    FlatPolygon& Fresh(DnaPolygon& polygon, const FlatPolygon* sameShape);
    void Rasterize(FlatPolygon& polygon);
    void Accept(GeneticTest& test);
    void Reject(GeneticTest& test);

    const Image* target = nullptr;
    int width = -1, height = -1;
    bool usable = false;
    bool built = false;

    std::vector<FlatPolygon> best;        // the best drawing, flat, in painting order
    std::deque<FlatPolygon> fresh;        // changed and new polygons of the candidate
    std::size_t freshUsed = 0;
    std::vector<const FlatPolygon*> candidate;  // the candidate's polygons, in painting order
    std::vector<int> changed;             // indices into `best` whose polygon changed
    std::vector<FlatPolygon*> changedTo;  // and what each became
    std::vector<std::pair<const DnaPolygon*, int>> index;  // best's nodes, sorted
    std::vector<char> seen;
    int unchanged = 0;                    // layers below this are the best drawing's
    std::uint64_t realError = 0;          // the best drawing's error, rendered and compared
    std::size_t spansKept = 0;            // spans held by `best`, against kSpanBudget

    UndoLog log;
    ChangeRegion region;
    LayerCache layers;
};
