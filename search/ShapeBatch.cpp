// Scoring a batch of candidates side by side, and keeping the best few.
#include "search/ShapeSearch.h"

#include "evolve/GeneticTest.h"
#include "genome/Settings.h"
#include "image/KernelChoice.h"
#include "search/SearchParts.h"

#include <algorithm>
#include <cstring>
#include <tuple>

using namespace searchparts;

namespace {

// The best paint of a shape from the sums `adder` gives over every rowStep-th of its rows.
template <class Adder>
Paint ScoredBy(Adder adder, const Shape& shape, int width, int height, int rowStep) {
    ForSpans(shape, width, 0, height - 1, [&adder](int y, int left, int right) { adder.Add(y, left, right); }, rowStep);
    return BestPaint(adder.Sums(), Settings::AlphaMin, Settings::AlphaMax);
}

}  // namespace

Paint ShapeSearch::Score(const Shape& shape, int rowStep) const {
    if (removed >= 0) return ScoredBy(DepthAdder(depth), shape, render.Width(), depth.ScoredHeight(), rowStep);
    return ScoredBy(SpanAdder(cover), shape, render.Width(), cover.ScoredHeight(), rowStep);
}

bool ShapeSearch::ScoreBatch(Phase kind, const ShapeMaker& maker, DrawStream& draws, int rowStep) {
    // The draws are taken in order here; the shapes are made from them side by side.
    const std::uint64_t from = draws.Position();
    ++round;
    const auto make = [this, kind, &maker, &draws, rowStep](int i, int thread) {
        DrawsAt at(draws, starts[std::size_t(i)]);
        Shape& shape = batch[std::size_t(i)];
        if (kind == Phase::Starts)
            maker.Random(at, shape);
        else
            maker.Change(at, current.shape, shape);
        if (RowsMade(shape))
            Note(i, thread, Score(shape, rowStep));
        else
            FoundBy(thread).late.push_back(i);
    };
    // The caller takes the draws of each thread's shapes in turn, and that thread starts on
    // them; the drawing is compared last, while the others make and score theirs.
    bool same = true;
    DrawsOn on(draws);
    pool.For(kBatch, make, [&](int a, int b) {
        for (int i = a; i < b; ++i) {
            starts[std::size_t(i)] = draws.Position();
            if (kind == Phase::Starts)
                maker.SkipRandom(on);
            else
                maker.SkipChange(on, current.shape);
        }
        if (b == kBatch) same = !checking || Current(*checking);
    });
    if (!same) {
        changed = true;
        draws.Seek(from);  // a batch's draws are well within reach
        return false;
    }
    // Shapes over rows a replacement has not made yet: those rows are made side by side (a
    // thread making them inside the batch would keep the others waiting), then the shapes
    // are scored.
    std::vector<int> late, bands;
    for (const Found& f : found)
        if (f.round == round) late.insert(late.end(), f.late.begin(), f.late.end());
    for (int i : late) {
        const auto [first, last] = BandsOf(batch[std::size_t(i)]);
        for (int band = first; band <= last; ++band)
            if (!bandsMade[std::size_t(band)] && std::find(bands.begin(), bands.end(), band) == bands.end()) bands.push_back(band);
    }
    MakeBands(bands);
    pool.For(int(late.size()), [this, &late, rowStep](int j, int thread) {
        const int i = late[std::size_t(j)];
        Note(i, thread, Score(batch[std::size_t(i)], rowStep));
    });
    scored += std::uint64_t(kBatch);
    return true;
}

ShapeSearch::Found& ShapeSearch::FoundBy(int thread) {
    Found& f = found[std::size_t(thread)];
    if (f.round != round) {
        f.round = round;
        f.kept = 0;
        f.late.clear();
    }
    return f;
}

void ShapeSearch::Note(int i, int thread, const Paint& paint) {
    Found& f = FoundBy(thread);
    int at = f.kept;
    while (at > 0 && Before(paint.delta, i, f.paint[at - 1].delta, f.index[at - 1])) --at;
    if (at >= kClimbed) return;
    for (int j = std::min(f.kept, kClimbed - 1); j > at; --j) {
        f.paint[j] = f.paint[j - 1];
        f.index[j] = f.index[j - 1];
    }
    f.paint[at] = paint;
    f.index[at] = i;
    f.kept = std::min(f.kept + 1, kClimbed);
}

std::vector<std::pair<int, Paint>> ShapeSearch::Kept() const {
    // Each thread's best few hold the batch's best few, whichever thread scored what.
    std::vector<std::pair<int, Paint>> kept;
    for (const Found& f : found)
        if (f.round == round)
            for (int j = 0; j < f.kept; ++j) kept.emplace_back(f.index[j], f.paint[j]);
    std::sort(kept.begin(), kept.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    return kept;
}
