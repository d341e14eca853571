#include "search/ShapeSearch.h"

#include "evolve/GeneticTest.h"
#include "genome/Settings.h"
#include "search/SearchParts.h"

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace searchparts;

ShapeSearch::ShapeSearch(int threads_, unsigned kinds_)
    : threads(std::max(threads_, 1)), kinds(kinds_), pool(threads) {
    batch.resize(kBatch);
    starts.resize(kBatch);
    found.resize(std::size_t(pool.Threads()));
}

ShapeSearch::~ShapeSearch() = default;

ShapeSearch::Effort ShapeSearch::EffortFor(std::size_t polygons) {
    // The first polygons are the large ones, the dearest to climb, and later ones cover much
    // of them: a quick search for them puts a fair picture up sooner, and the replacements
    // of a full drawing make up for it later.
    if (double(polygons) < kQuickShare * Settings::MaxPolygons) return Effort{16, 1, 4};
    return Effort{kStarts, kClimbed, kPatience};
}

void ShapeSearch::Sign(const DnaDrawing& drawing, std::vector<std::int32_t>& into) const {
    into.clear();
    for (const DnaPolygon& polygon : drawing.polygons) {
        into.push_back(std::int32_t(polygon.color));
        into.push_back(std::int32_t(polygon.points.size()));
        into.push_back(polygon.kind);
        for (float v : polygon.params) {
            std::int32_t bits;
            std::memcpy(&bits, &v, sizeof bits);
            into.push_back(bits);
        }
        // Both 16-bit halves as they are, in unsigned arithmetic: any vertex, -32768 too.
        for (const DnaPoint& p : polygon.points)
            into.push_back(std::int32_t(std::uint32_t(std::uint16_t(p.x)) << 16 | std::uint16_t(p.y)));
    }
}

bool ShapeSearch::Placed(const GeneticTest& test) const {
    return test.target == target && render.surface && render.Width() == test.target->Width() &&
           render.Height() == test.target->Height();
}

bool ShapeSearch::Current(const GeneticTest& test) {
    if (!Placed(test)) return false;
    Sign(test.best, seen);
    return seen == signature;
}

void ShapeSearch::Rebuild(GeneticTest& test) {
    target = test.target;
    render = Image(target->Width(), target->Height());
    test.best.Render(render);
    cover.Reset(Pixels(*target), PitchOf(*target), Pixels(render), PitchOf(render), render.Width(),
                render.Height());
    test.bestError = cover.Error();
    Sign(test.best, signature);
    // Without running sums a candidate costs its every pixel: on a huge picture, rows are
    // sampled so that a batch (the window's step) stays short.
    rowStep = 1;
    while (!cover.Prefixed() && std::uint64_t(cover.ScoredHeight() / rowStep) * std::uint64_t(cover.ScoredWidth()) > kPixelsScored)
        rowStep *= 2;
    // A replacement under way belonged to the drawing met before.
    removed = -1;
    if (Full(test))
        StartReplacement(test);
    else
        StartPolygon(test.draws.Position());
}

bool ShapeSearch::Full(const GeneticTest& test) {
    return int(test.best.polygons.size()) >= Settings::MaxPolygons;
}

void ShapeSearch::StartPolygon(std::uint64_t position) {
    polygonStart = position;
    phase = Phase::Starts;
    batchesDone = 0;
    top.clear();
    climbing = 0;
    stale = 0;
}


bool ShapeSearch::Evolve(GeneticTest& test) {
    const bool nothing = !test.target || !test.target->surface ||
                         ScoredAreaOf(test.target->Width(), test.target->Height()).Pixels() == 0 ||
                         (Full(test) && test.best.polygons.empty());
    // A full drawing is refined by turns, as its generation counts: the exact run's operators,
    // then polygons replaced (a replacement under way is finished first).
    const bool exactTurn = test.generation % kRefineCycle < kExactTurn && kinds == kPolygon;
    if (nothing || (Full(test) && removed < 0 && !replaceNext && exactTurn)) {
        if (!refiner) refiner = MakeEvaluator(EvaluatorKind::Fast, threads);
        refining = true;
        return refiner->Evolve(test);
    }
    refining = false;
    replaceNext = false;
    // Whether the drawing is the one the render shows (a walk of all of it) is asked beside
    // the batch where nothing before it needs the answer; another drawing throws it away.
    bool check = false;
    if (!Placed(test))
        Rebuild(test);
    else if (!(Full(test) && removed < 0))
        check = true;
    else if (Current(test))
        StartReplacement(test);
    else
        Rebuild(test);
    test.generation += std::uint32_t(kBatch);
    const bool better = Batch(test, check);
    if (!changed) return better;
    Rebuild(test);
    return Batch(test, false);
}

bool ShapeSearch::Batch(GeneticTest& test, bool check) {
    checking = check ? &test : nullptr;
    changed = false;
    return phase == Phase::Starts ? StartsBatch(test) : ClimbBatch(test);
}

bool ShapeSearch::StartsBatch(GeneticTest& test) {
    const ShapeMaker maker(render.Width(), render.Height(), Settings::MaxPoints, kinds);
    if (batchesDone == 0)
        effort = removed >= 0 ? kReplacing : EffortFor(test.best.polygons.size());
    if (!ScoreBatch(Phase::Starts, maker, test.draws, kStartRows * rowStep)) return false;
    for (const auto& [i, p] : Kept()) {
        // Insert by (score, order) among the best to climb; earlier batches come first.
        std::size_t at = top.size();
        while (at > 0 && p.delta < top[at - 1].paint.delta) --at;
        if (at >= std::size_t(effort.climbed)) continue;
        top.insert(top.begin() + std::ptrdiff_t(at), Ranked{batch[std::size_t(i)], p});
        if (top.size() > std::size_t(effort.climbed)) top.pop_back();
    }
    if (++batchesDone == effort.starts) {
        // Every fourth scored row ranked them; the climbs compare scores over every scored row.
        for (Ranked& r : top) r.paint = Score(r.shape, rowStep);
        // A few at most: an insertion sort, which keeps equal ones in their order.
        for (std::size_t i = 1; i < top.size(); ++i)
            for (std::size_t j = i; j > 0 && top[j].paint.delta < top[j - 1].paint.delta; --j) std::swap(top[j], top[j - 1]);
        phase = Phase::Climb;
        climbing = 0;
        current = top.front();
        best = current;
        stale = 0;
    }
    return false;
}

bool ShapeSearch::ClimbBatch(GeneticTest& test) {
    const ShapeMaker maker(render.Width(), render.Height(), Settings::MaxPoints, kinds);
    if (!ScoreBatch(Phase::Climb, maker, test.draws, rowStep)) return false;
    // Each thread's best, the first of the lowest: the batch's, as if all were compared.
    const Found* winner = nullptr;
    for (const Found& f : found)
        if (f.round == round && f.kept > 0 &&
            (!winner || Before(f.paint[0].delta, f.index[0], winner->paint[0].delta, winner->index[0])))
            winner = &f;
    if (winner && winner->paint[0].delta < current.paint.delta) {
        current = Ranked{batch[std::size_t(winner->index[0])], winner->paint[0]};
        stale = 0;
    } else if (++stale >= effort.patience) {
        if (current.paint.delta < best.paint.delta) best = current;
        if (++climbing < top.size()) {
            current = top[climbing];
            stale = 0;
            return false;
        }
        const Shape chosen = best.shape;
        StartPolygon(test.draws.Position());
        return Commit(test, chosen);
    }
    return false;
}

std::uint64_t ShapeSearch::ReplayFrom(const GeneticTest& test) const {
    return refining || !render.surface ? test.draws.Position() : polygonStart;
}

void ShapeSearch::Resume(GeneticTest& test, std::uint64_t from, std::uint64_t to) {
    if (from < to && test.draws.GoTo(from)) {
        const std::uint32_t generation = test.generation;
        refining = false;
        removed = -1;
        replaceNext = Full(test);  // only a replacement is ever under way in a full drawing
        render = Image(0, 0);  // a search of its own, begun at `from`
        // A record that does not fit its progress file may commit, or stand still.
        for (std::uint64_t at = test.draws.Position(); at < to; at = test.draws.Position())
            if (Evolve(test) || test.draws.Position() <= at) break;
        test.generation = generation;
    }
    test.draws.GoTo(to);
}
