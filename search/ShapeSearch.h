#pragma once

#include "evolve/Evaluator.h"
#include "image/Image.h"
#include "search/Coverage.h"
#include "search/DepthCoverage.h"
#include "search/Paint.h"
#include "search/Shape.h"
#include "search/WorkPool.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <utility>
#include <vector>

class DnaDrawing;

// The shape-by-shape search: while the drawing has room, one polygon at a time is added on
// top, found against the current render: many random shapes (ranked on a sample of rows), the
// best few hill-climbed, each candidate scored on its own coverage with its best alpha and
// colour in closed form, and the winner kept only if its exact paint lowers the exact error.
// A full drawing is refined by turns: the exact run's operators and acceptance (which may
// also free room for new shapes), and replacements: a polygon taken out and a shape
// hill-climbed from its own at its depth in the stack (one time in four on top of all), kept
// if the drawing's error falls.
//
// Every random choice comes from the run's draw stream, taken in order on the calling thread;
// candidates are made from those draws and scored side by side in batches of fixed size and
// chosen by (score, order), so a seed gives the same drawing on any number of threads. One
// call makes and scores one batch.
class ShapeSearch : public Evaluator {
public:
    // Shapes of `kinds` (ShapeKind bits); a drawing of other kinds than polygons is refined by
    // replacements only, as the exact run's operators would change a shape's kind.
    explicit ShapeSearch(int threads, unsigned kinds = kPolygon);
    ~ShapeSearch() override;
    bool Evolve(GeneticTest& test) override;
    std::uint64_t ReplayFrom(const GeneticTest& test) const override;
    // Makes the polygon in the making again from its first draw (nothing is added while it
    // is made), with the generation left as the saved run had it.
    void Resume(GeneticTest& test, std::uint64_t from, std::uint64_t to) override;

    static constexpr int kBatch = 64;     // candidates made and scored together
    static constexpr int kStarts = 64;     // batches of random shapes for each new polygon
    static constexpr int kClimbed = 4;    // how many of the best random shapes are climbed
    static constexpr int kPatience = 6;   // batches without a gain that end a climb
    static constexpr int kStartRows = 4;  // random shapes are ranked on every fourth row
    // At most this many pixels are scored a candidate when the running sums do not fit.
    static constexpr std::uint64_t kPixelsScored = std::uint64_t(1) << 19;
    // While the drawing holds fewer than this share of its room, a quick search: 16 batches
    // of starts, one climbed, patience 4.
    static constexpr double kQuickShare = 0.5;
    // A full drawing's refinement: of every kRefineCycle generations, the first kExactTurn go
    // to the exact run's operators (a generation each), the rest to replacements (a batch's
    // worth each). Replacements gain far more a second; the exact run's small steps still
    // add what they cannot.
    static constexpr std::uint32_t kExactTurn = 4096, kRefineCycle = 65 * 4096;
    struct Effort {
        int starts, climbed, patience;
    };
    static Effort EffortFor(std::size_t polygons);
    // A replacement's: its polygon's own shape climbed (a batch of random starts only for a
    // polygon of fewer than three vertices).
    static constexpr Effort kReplacing{1, 1, kPatience};
    // One replacement in kTopShare searches on top of all the others rather than in the
    // replaced polygon's place: a way for a polygon to move anywhere.
    static constexpr std::uint32_t kTopShare = 4;

    // The best paint of a shape over the render as it stands (while a polygon is replaced, at
    // its depth, on rows already made), summed over every rowStep-th row (a power of two)
    // from row 0 (for tests and benchmarks too).
    Paint Score(const Shape& shape, int rowStep = 1) const;
    const Coverage& Cover() const { return cover; }
    const Image& Render() const { return render; }
    std::uint64_t CandidatesScored() const { return scored; }

private:
    struct Ranked {
        Shape shape;
        Paint paint;
    };
    enum class Phase { Starts, Climb };
    // A polygon of the drawing a polygon is taken out of, and the rows it spans.
    struct FlatShape {
        Shape shape;
        unsigned color = 0;
        int top = 0, bottom = -1;
    };

    // The order of turns (ShapeSearch.cpp). Whether the render shows the test's target at
    // its size, and the drawing as well.
    bool Placed(const GeneticTest& test) const;
    bool Current(const GeneticTest& test);
    void Rebuild(GeneticTest& test);
    static bool Full(const GeneticTest& test);
    // This call's batch; with `check`, whether the drawing is still the one the render shows
    // is asked beside it.
    bool Batch(GeneticTest& test, bool check);
    // One batch of random shapes, or of changes to the shape being climbed.
    bool StartsBatch(GeneticTest& test);
    bool ClimbBatch(GeneticTest& test);
    void Sign(const DnaDrawing& drawing, std::vector<std::int32_t>& into) const;
    void StartPolygon(std::uint64_t position);

    // Scoring a batch (ShapeBatch.cpp). A batch of random shapes or of changes to the current
    // one, made and scored. False, with its draws put back, when `checking` is not the
    // drawing the render shows.
    bool ScoreBatch(Phase kind, const ShapeMaker& maker, DrawStream& draws, int rowStep);

    // Placing one shape (ShapePlacing.cpp). Adds the shape (or puts it in the replaced one's
    // place) if that lowers the exact error.
    bool Commit(GeneticTest& test, const Shape& shape);
    // Paints the shape on top with its exact best paint if the error then falls.
    bool Place(const Shape& shape, unsigned& color);
    // The scored rows y0..y1's error as the coverage has it and as `painted` has them.
    std::pair<std::uint64_t, std::uint64_t> RowErrors(const Image& painted, int y0, int y1) const;
    // paint(a, b) paints rows a..b and gives their RowErrors: parts of rows y0..y1 side by
    // side, their errors summed.
    std::pair<std::uint64_t, std::uint64_t> PaintRows(
        int y0, int y1, const std::function<std::pair<std::uint64_t, std::uint64_t>(int, int)>& paint);
    static constexpr int kPaintRows = 16;  // the fewest rows painted apart

    // Replacing one shape (ShapeReplacing.cpp). Takes a polygon, drawn by lot, out of the
    // render, and starts the search in its place.
    void StartReplacement(GeneticTest& test);
    bool Replace(GeneticTest& test, const Shape& shape);
    // Rows y0..y1 of the drawing without the polygon being replaced, of the layers under it
    // and of how much shows through those above, and their sums.
    void PaintWithout(int y0, int y1);
    // Makes those rows in bands, each once a replacement, side by side: the bands of rows
    // y0..y1 not made yet, or the bands given.
    void MakeRows(int y0, int y1);
    void MakeBands(const std::vector<int>& bands);
    // The first and the last band of rows a shape spans (none for no vertices).
    std::pair<int, int> BandsOf(const Shape& shape) const;
    // Whether the rows a shape spans are made (or need none).
    bool RowsMade(const Shape& shape) const;
    // Multiplies rows y0..y1 of `show` by what the polygon lets through where it paints.
    void Shade(const FlatShape& polygon, int y0, int y1);
    static constexpr int kBandRows = 32;  // rows painted together
    static constexpr int kPartRows = 8;   // the fewest rows of a band painted apart

    int threads;
    unsigned kinds;
    WorkPool pool;
    std::unique_ptr<Evaluator> refiner;
    const Image* target = nullptr;
    Image render{0, 0};
    Coverage cover;
    // While a polygon is replaced: the layers under it, the drawing without it (the render
    // always shows the drawing), and how much shows through those above.
    Image below{0, 0}, without{0, 0};
    std::vector<double> show;
    DepthCoverage depth;
    std::vector<char> bandsMade;  // per band of rows, whether made in this replacement
    std::vector<FlatShape> flat;              // the drawing a polygon is taken out of

    // Used by every thread during a batch; the calling thread writes these only between them.
    std::vector<Shape> batch;
    std::vector<std::uint64_t> starts;  // where each shape's draws start
    // What each thread found in a batch, in a cache line of its own (what one core writes
    // and another reads crosses between them, dearly): its best few by (score, order), all
    // that the batch's ranking reads, and its shapes over rows not made yet, scored once
    // those are made. Its thread clears it at the first shape of a batch (`round`).
    struct alignas(64) Found {
        std::uint64_t round = 0;
        int kept = 0;
        Paint paint[kClimbed];
        int index[kClimbed];
        std::vector<int> late;
    };
    std::vector<Found> found;
    std::uint64_t round = 0;  // the batch being scored
    // `thread`'s Found for this batch.
    Found& FoundBy(int thread);
    // Keeps shape i's paint, scored on `thread`, if it is among that thread's best.
    void Note(int i, int thread, const Paint& paint);
    // The batch's best few by (score, order), in the order of their shapes (a climb reads
    // only each thread's first).
    std::vector<std::pair<int, Paint>> Kept() const;
    int rowStep = 1;                  // candidates are scored on every rowStep-th row
    int removed = -1;                 // the polygon being replaced, or -1 while adding
    bool onTop = false;               // its successor is searched on top, not in its place
    Ranked current;                   // the shape being climbed

    // The calling thread's own, written every batch: in cache lines apart from what the
    // other threads read, so that those stay put in their cores.
    alignas(64) Phase phase = Phase::Starts;
    int batchesDone = 0;
    Effort effort{kStarts, kClimbed, kPatience};  // this polygon's, fixed at its first batch
    std::vector<Ranked> top;  // the best random shapes so far, best first
    std::size_t climbing = 0;
    Ranked best;
    int stale = 0;
    std::uint64_t scored = 0;
    bool refining = false;
    bool replaceNext = false;         // a resume makes a replacement again, whatever the turn
    std::uint64_t polygonStart = 0;   // the stream's position when this polygon's search began
    std::vector<std::int32_t> signature, seen;  // the drawing the render shows, and the one met
    const GeneticTest* checking = nullptr;      // its drawing compared beside the batch
    bool changed = false;                       // and found another one
};
