#include "evolve/FastEvaluator.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"
#include "genome/MutationSteps.h"
#include "genome/Settings.h"
#include "image/Image.h"

#include <algorithm>
#include <climits>

bool FastEvaluator::Current(GeneticTest& test) {
    if (!usable || !built || test.target != target || test.canvas.Width() != width ||
        test.canvas.Height() != height || best.size() != test.best.polygons.size())
        return false;
    std::size_t i = 0;
    for (DnaPolygon& polygon : test.best.polygons) {
        if (!best[i].Same(polygon)) return false;
        if (best[i].node != &polygon) best[i].node = &polygon;  // equal, but another list's
        ++i;
    }
    return true;
}

bool FastEvaluator::Beyond(const DnaDrawing& drawing) {
    const std::size_t polygons = std::size_t(std::max(Settings::MaxPolygons, 0)) * 2 + 16;
    const std::size_t points = std::size_t(std::max(Settings::MaxPoints, 0)) * 2 + 16;
    if (drawing.polygons.size() > polygons) return true;
    for (const DnaPolygon& polygon : drawing.polygons)
        if (polygon.points.size() > points) return true;
    return false;
}

bool FastEvaluator::Prepare(GeneticTest& test) {
    Image& canvas = test.canvas;
    if (!test.target || !test.target->surface || !canvas.surface) return false;
    const int w = canvas.Width(), h = canvas.Height();
    if (test.target != target || w != width || h != height) {
        target = test.target;
        width = w;
        height = h;
        built = false;
        const std::uint64_t bytes = std::uint64_t(w) * std::uint64_t(h) * 4;
        const std::uint64_t budget = std::min(kCacheBudget, 9 * bytes);
        usable = target->Width() == w && target->Height() == h &&
                 target->surface->format->BytesPerPixel == 4 &&
                 canvas.surface->format->BytesPerPixel == 4 && bytes > 0 && 3 * bytes <= budget;
        if (usable) {
            // The whole drawing's render, its error sums and the plane candidates are painted
            // into take three canvases' worth; the partial renders share the rest.
            const int canvases = int(std::min<std::uint64_t>(budget / bytes, 9));
            region.Resize(w, h);
            own.region.Resize(w, h);
            layers.Resize(w, h, canvases - 3);
            scratch.assign(std::size_t(w) * std::size_t(h), 0);
            own.fresh.clear();
            for (int i = 0; i < kRooms; ++i) MakeRoom(own);
        }
    }
    if (!usable) return false;

    // The caches hold as long as the flat copy is still the best drawing; anything else that
    // changed it (a resume, a restart, a caller) makes them start over.
    if (Current(test)) return true;
    // A drawing far past the limits (only a damaged or hand-made file has one) would make the
    // caches huge and slow: it is scored the plain way, whose memory is two drawings. Checked
    // whenever the caches start over (a structural change does that too).
    if (Beyond(test.best)) {
        built = false;
        return false;
    }
    Rebuild(test);
    return true;
}

std::size_t FastEvaluator::SpanLimit() const {
    // One polygon may hold spans for four times the rows it can cross; the drawing as a whole
    // stays within the budget.
    const std::size_t room = spansKept < kSpanBudget ? kSpanBudget - spansKept : 0;
    return std::min(room, std::size_t(4) * std::size_t(height) + 1024);
}

void FastEvaluator::Rasterize(FlatPolygon& polygon) { region.Rasterize(polygon, SpanLimit()); }

void FastEvaluator::Complete(Candidate& c) const {
    for (const Candidate::ToRasterize& r : c.toRasterize) region.Rasterize(*r.polygon, r.limit, r.before);
    for (const Candidate::Step& step : c.steps) {
        if (step.after)
            c.region.AddDifference(*step.before, *step.after);
        else
            c.region.Add(*step.before);
    }
    c.toRasterize.clear();
    c.steps.clear();
}

void FastEvaluator::Rebuild(GeneticTest& test) {
    best.resize(test.best.polygons.size());
    std::size_t i = 0;
    spansKept = 0;
    for (DnaPolygon& polygon : test.best.polygons) {
        FlatPolygon& flat = best[i++];
        flat.Assign(polygon);
        Rasterize(flat);
        spansKept += flat.spans.size();
    }
    std::vector<const FlatPolygon*> all;
    onTarget = true;
    for (const FlatPolygon& polygon : best) {
        all.push_back(&polygon);
        for (std::size_t i = 0; i < polygon.xs.size() && onTarget; ++i)
            onTarget = polygon.xs[i] >= 0 && polygon.ys[i] >= 0 && polygon.xs[i] < width &&
                       polygon.ys[i] < height;
    }
    layers.Rebuild(all, test.canvas, PlaneOf(*test.target));
    realError = layers.TotalError();  // what Compare gives, already summed
    built = true;
}

void FastEvaluator::MakeRoom(Candidate& c) const {
    // Room for the shapes to come, so that making candidates does not touch the heap: four
    // spans a row, and the vertices the limits allow.
    FlatPolygon& room = c.fresh.emplace_back();
    room.spans.reserve(std::min<std::size_t>(std::size_t(4) * std::size_t(height) + 16, std::size_t(1) << 16));
    room.rowStart.reserve(std::size_t(height) + 1);
    room.xs.reserve(std::size_t(std::max(Settings::MaxPoints, 3)) + 1);
    room.ys.reserve(room.xs.capacity());
}

FlatPolygon& FastEvaluator::Fresh(Candidate& c, DnaPolygon& polygon, const FlatPolygon* old) {
    if (c.freshUsed == c.fresh.size()) MakeRoom(c);
    FlatPolygon& flat = c.fresh[c.freshUsed++];
    flat.Assign(polygon);
    if (old && old->spansKnown && flat.SameShape(*old)) {  // a new colour: the same spans
        flat.spansKnown = true;
        flat.firstSpanRow = old->firstSpanRow;
        flat.rowStart = old->rowStart;
        flat.spans = old->spans;
    } else {
        c.toRasterize.push_back({&flat, old, SpanLimit()});  // by whoever scores it
    }
    return flat;
}

void FastEvaluator::StartChanges(Candidate& c) {
    c.polygons.clear();
    c.changed.clear();
    c.changedTo.clear();
    c.steps.clear();
    c.toRasterize.clear();
    c.freshUsed = 0;
    c.structural = log.Structural();
    c.unchanged = INT_MAX;
    // Polygons added, deleted or moved: the candidate's list elements are matched with the
    // best drawing's by identity. Otherwise each is where it was.
    if (!c.structural) return;
    index.clear();
    for (std::size_t s = 0; s < best.size(); ++s) index.emplace_back(best[s].node, int(s));
    std::sort(index.begin(), index.end());
    seen.assign(best.size(), 0);
}

int FastEvaluator::IndexOf(const DnaPolygon* node) const {
    const auto it = std::lower_bound(index.begin(), index.end(), std::make_pair(node, INT_MIN));
    return it != index.end() && it->first == node ? it->second : -1;
}

// A changed polygon can change the pixels it covered and those it covers now; if only its
// shape changed, just those that the old and the new shape paint differently. The region
// itself is drawn up by whoever scores the candidate (Complete).
void FastEvaluator::NoteChanged(Candidate& c, int s, FlatPolygon& now) {
    const FlatPolygon& old = best[std::size_t(s)];
    if (old.color == now.color) {
        c.steps.push_back({&old, &now});
    } else {
        c.steps.push_back({&old, nullptr});
        if (!now.SameShape(old)) c.steps.push_back({&now, nullptr});
    }
    c.changed.push_back(s);
    c.changedTo.push_back(&now);
}

void FastEvaluator::NoteDeletedAndMoved(Candidate& c) {
    for (std::size_t s = 0; s < best.size(); ++s)
        if (!seen[s]) c.steps.push_back({&best[s], nullptr});  // deleted: what it covered changes
    // Moved: everything else keeps its order, so only what the moved one covers can change.
    log.ForEachMoved([this, &c](const DnaPolygon* node) {
        const int s = IndexOf(node);
        if (s >= 0) c.steps.push_back({&best[std::size_t(s)], nullptr});
    });
}

void FastEvaluator::FindChanges(DnaDrawing& drawing, Candidate& c) {
    StartChanges(c);
    auto& candidate = c.polygons;
    int i = 0;
    for (DnaPolygon& polygon : drawing.polygons) {
        const int s = c.structural ? IndexOf(&polygon) : i;
        if (s < 0) {  // new: it changes what it covers
            FlatPolygon& now = Fresh(c, polygon, nullptr);
            c.steps.push_back({&now, nullptr});
            candidate.push_back(&now);
        } else {
            if (c.structural) seen[std::size_t(s)] = 1;
            FlatPolygon& old = best[std::size_t(s)];
            if (old.Same(polygon)) {
                candidate.push_back(&old);
            } else {
                FlatPolygon& now = Fresh(c, polygon, &old);
                NoteChanged(c, s, now);
                candidate.push_back(&now);
            }
        }
        if (c.unchanged == INT_MAX && (s != i || candidate.back() != &best[std::size_t(i)])) c.unchanged = i;
        ++i;
    }
    if (c.unchanged == INT_MAX) c.unchanged = i;
    if (c.structural) NoteDeletedAndMoved(c);
}

void FastEvaluator::Build(GeneticTest& test, Candidate& c) {
    if (c.region.countedWidth != region.countedWidth || c.region.countedHeight != region.countedHeight ||
        c.region.canvasWidth != region.canvasWidth)
        c.region.Resize(width, height);
    draws::Use use(test.draws);
    // A call that changes nothing (it returns false) leaves every vertex where it was, so
    // what is known of them holds for every call.
    while (!mutation::Mutate(test.best, log, onTarget)) {
    }
    FindChanges(test.best, c);
    c.bestError = test.bestError;
}

bool FastEvaluator::Score(Candidate& c, const Plane& work, PaintScratch& active) const {
    Complete(c);
    // Outside the region the candidate's pixels are the best drawing's, so its error is the
    // best drawing's real error (not necessarily the stored one, after a resume) with the
    // region's share replaced.
    c.error = realError;
    if (c.region.Empty()) {
        c.better = c.error < c.bestError;
        return c.better;
    }
    const std::uint64_t rest = realError - layers.OrderRows(c.region, active);
    if (rest >= c.bestError) {
        c.better = false;
        return false;
    }
    const std::uint64_t limit = c.bestError - rest;
    const int level = layers.LevelBelow(c.unchanged);
    const Plane below = level < 0 ? Plane{} : layers.Level(level);
    const std::uint64_t share = layers.PaintAndScore(
        c.polygons, layers.Position(level), int(c.polygons.size()), level < 0 ? nullptr : &below,
        work, PlaneOf(*target), c.region, limit, active);
    c.better = share < limit;
    c.error = rest + share;
    return c.better;
}

void FastEvaluator::Accept(GeneticTest& test, Candidate& c, const Plane& scored) {
    test.bestError = c.error;
    realError = c.error;
    if (c.structural) {
        // Polygons came, went or moved: the levels' positions shift, so start them over.
        log.Commit();
        Rebuild(test);
        return;
    }
    layers.Update(c.polygons, c.unchanged, c.region, scored, PlaneOf(*test.target));
    for (std::size_t k = 0; k < c.changed.size(); ++k) {
        FlatPolygon& kept = best[std::size_t(c.changed[k])];
        spansKept = spansKept - kept.spans.size() + c.changedTo[k]->spans.size();
        std::swap(kept, *c.changedTo[k]);
    }
    log.Commit();
}

void FastEvaluator::Reaccept(GeneticTest& test, Candidate& c, const Plane& scored) {
    Complete(c);  // the new shapes' spans and the region, as scoring made them
    Accept(test, c, scored);
}

void FastEvaluator::Restore(GeneticTest& test, const Candidate& c) {
    auto restore = [this](DnaPolygon& polygon, const FlatPolygon& flat) {
        polygon.color = flat.color;
        log.SetPoints(polygon.points, flat.xs, flat.ys);
    };
    if (log.Structural()) {
        log.Undo(test.best.polygons);
        // The list is the old one again; put back whatever changed inside its polygons,
        // also in those that were deleted after they changed.
        std::size_t i = 0;
        for (DnaPolygon& polygon : test.best.polygons) {
            if (!best[i].Same(polygon)) restore(polygon, best[i]);
            ++i;
        }
        return;
    }
    for (int s : c.changed) restore(*best[std::size_t(s)].node, best[std::size_t(s)]);
    log.Commit();
}

bool FastEvaluator::Evolve(GeneticTest& test) {
    if (!Prepare(test)) return ::Evolve(test);
    Build(test, own);
    ++test.generation;
    if (Score(own, Scratch(), active)) {
        Accept(test, own, Scratch());
    } else {
        Restore(test, own);
    }
    own.region.Clear();
    return own.better;
}
