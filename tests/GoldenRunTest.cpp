#include "TestSupport.h"

#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/Target.h"
#include "genome/Random.h"
#include "genome/Settings.h"
#include "search/Search.h"
#include "search/Shape.h"
#include "serial/Serializer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <vector>

namespace {

// The bytes of a progress file of the test, written to memory (and so shifting the random
// sequence by ten draws, as every save does).
std::vector<unsigned char> SaveToMemory(GeneticTest& test) {
    SerialSizer sizer;
    sizer & test;
    std::vector<unsigned char> bytes(sizer.count);
    SerialSaver saver(bytes.data(), bytes.size());
    saver & test;
    EXPECT_TRUE(saver.good());
    return bytes;
}

void LoadFromMemory(GeneticTest& test, std::vector<unsigned char> bytes) {
    SerialLoader loader(bytes.data(), bytes.size());
    loader & test;
    EXPECT_TRUE(loader.good());
}

std::uint64_t Fnv1a(const std::vector<unsigned char>& bytes) {
    std::uint64_t hash = 0xcbf29ce484222325ull;
    for (unsigned char b : bytes) hash = (hash ^ b) * 0x100000001b3ull;
    return hash;
}

// `steps` iterations, a save to memory, `steps` more: the hash of the half-way save, and the
// final save.
struct HalfWay {
    std::uint64_t halfWay;
    std::vector<unsigned char> saved;
};
template <class Evolver>
HalfWay RunWithSaveHalfWay(GeneticTest& test, Evolver& evolver, int steps) {
    for (int i = 0; i < steps; ++i) evolver.Evolve(test);
    const std::uint64_t halfWay = Fnv1a(SaveToMemory(test));
    for (int i = 0; i < steps; ++i) evolver.Evolve(test);
    return HalfWay{halfWay, SaveToMemory(test)};
}

struct Way {
    EvaluatorKind kind;
    int threads;
};
class GoldenRun : public ::testing::TestWithParam<Way> {};

// The tripwire for every change to how candidates are made and scored: a short run on the
// bundled sample, with a save half way, must end exactly where it always has, whichever way
// the candidates are scored.
TEST_P(GoldenRun, SampleSeed7With6000IterationsAndASaveHalfWay) {
    SettingsGuard guard;
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    UseTargetSize(target);
    GeneticTest test(&target, 7);
    const auto evaluator = MakeEvaluator(GetParam().kind, GetParam().threads);
    const auto [halfWay, saved] = RunWithSaveHalfWay(test, *evaluator, 3000);

    EXPECT_EQ(halfWay, 9867152895680537167ull);
    EXPECT_EQ(test.bestError, 42435407ull);
    EXPECT_EQ(test.generation, 6001u);
    EXPECT_EQ(test.best.polygons.size(), 14u);
    EXPECT_EQ(saved.size(), 356u);
    EXPECT_EQ(Fnv1a(saved), 630852299131489477ull);
}

INSTANTIATE_TEST_SUITE_P(Evaluators, GoldenRun,
                         ::testing::Values(Way{EvaluatorKind::Plain, 1}, Way{EvaluatorKind::Fast, 1},
                                           Way{EvaluatorKind::Fast, 2}, Way{EvaluatorKind::Fast, 4}),
                         [](const auto& info) {
                             return std::string(info.param.kind == EvaluatorKind::Plain ? "Plain" : "Fast") +
                                    std::to_string(info.param.threads) + "Threads";
                         });

}  // namespace

namespace {

// The shape search's tripwire: the build-up and the refinement after it, on one thread and
// two, with a save in the middle.
class ShapesGoldenRun : public ::testing::TestWithParam<int> {};

// A shape search on the sample with room for `room` polygons, `calls` calls before and after
// the save; the run's end as the assertions need it.
struct ShapesEnd {
    std::uint64_t halfWay, error, saved;
    std::uint32_t generation;
    std::size_t polygons;
    std::size_t otherForms;  // polygons neither triangles nor upright rectangles
    unsigned kinds;          // the kinds held by parameters that the drawing holds, as bits
};
ShapesEnd RunShapes(int room, unsigned seed, int calls, int threads, bool onMean = false, unsigned kinds = kPolygon) {
    SettingsGuard guard;
    Settings::MaxPolygons = room;
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    UseTargetSize(target);
    if (onMean) Settings::Background = int(MeanColour(target));
    GeneticTest test(&target, seed);
    const auto search = MakeSearch(SearchKind::Shapes, EvaluatorKind::Fast, threads, kinds);
    const auto [halfWay, saved] = RunWithSaveHalfWay(test, *search, calls);
    std::size_t other = 0;
    unsigned held = 0;
    for (const DnaPolygon& p : test.best.polygons) {
        held |= p.Parametric() ? 1u << p.kind : 0u;
        short xs[4], ys[4];
        if (p.points.size() == 4) p.CopyVertices(xs, ys, 4);
        other += !p.Parametric() && p.points.size() != 3 && !(p.points.size() == 4 && IsUprightRectangle(xs, ys, 4));
    }
    // What was saved loads back to the very drawing.
    GeneticTest loaded(&target, seed);
    LoadFromMemory(loaded, saved);
    EXPECT_EQ(SaveToMemory(loaded), saved);
    return ShapesEnd{halfWay, test.bestError, Fnv1a(saved), test.generation, test.best.polygons.size(), other, held};
}

TEST_P(ShapesGoldenRun, SampleSeed7With700CallsAndASaveHalfWay) {
    const ShapesEnd end = RunShapes(4, 7, 350, GetParam());  // one polygon searched, then refined by turns
    EXPECT_EQ(end.halfWay, 791074293532972952ull);
    EXPECT_EQ(end.error, 135884732ull);
    EXPECT_EQ(end.generation, 44801u);
    EXPECT_EQ(end.polygons, 4u);
    EXPECT_EQ(end.saved, 3800690098153364265ull);
}

// Room for ten: the first five polygons searched quickly, the rest in full, then refined by
// replacements (in place and on top) and into the exact run's second turn.
TEST_P(ShapesGoldenRun, SampleSeed3WithRoomForTenAndASaveHalfWay) {
    const ShapesEnd end = RunShapes(10, 3, 2200, GetParam());
    EXPECT_EQ(end.halfWay, 11555164422059418811ull);
    EXPECT_EQ(end.error, 13590445ull);
    EXPECT_EQ(end.generation, 267552u);
    EXPECT_EQ(end.polygons, 10u);
    EXPECT_EQ(end.saved, 10937611755297085383ull);
}

// On the picture's mean colour, as runs of the programs paint: the search, the exact run's
// turns and the replacements all start from it.
TEST_P(ShapesGoldenRun, SampleSeed3OnItsMeanColourAndASaveHalfWay) {
    const ShapesEnd end = RunShapes(10, 3, 2200, GetParam(), true);
    EXPECT_EQ(end.halfWay, 11136674629012840402ull);
    EXPECT_EQ(end.error, 13006191ull);  // on black: 13590445
    EXPECT_EQ(end.generation, 266859u);
    EXPECT_EQ(end.polygons, 10u);
    EXPECT_EQ(end.saved, 7362389438873176416ull);
}

// Triangles and upright rectangles, each kept in its form: the kind drawn for each random
// shape, each kind's own changes, replacements only once the drawing is full.
TEST_P(ShapesGoldenRun, SampleSeed5InTrianglesAndRectangles) {
    const ShapesEnd end = RunShapes(6, 5, 1500, GetParam(), true, kTriangle | kRectangle);
    EXPECT_EQ(end.halfWay, 12934941363726458968ull);
    EXPECT_EQ(end.error, 74027014ull);
    EXPECT_EQ(end.generation, 192001u);
    EXPECT_EQ(end.polygons, 6u);
    EXPECT_EQ(end.saved, 2736864354833123596ull);
    EXPECT_EQ(end.otherForms, 0u);
}

// Every kind at once, the kind drawn for each random shape: ellipses, circles, turned
// rectangles and curves kept by their parameters, saved in the progress file of their own.
TEST_P(ShapesGoldenRun, SampleSeed5InEveryKind) {
    const ShapesEnd end = RunShapes(8, 5, 1500, GetParam(), true, AllKinds());
    EXPECT_EQ(end.halfWay, 4080048533942713320ull);
    EXPECT_EQ(end.error, 45072373ull);
    EXPECT_EQ(end.generation, 192001u);
    EXPECT_EQ(end.polygons, 8u);
    EXPECT_EQ(end.saved, 3581929378478929337ull);
    EXPECT_EQ(end.kinds, 0x18u);  // turned rectangles and ellipses among its polygons
}

INSTANTIATE_TEST_SUITE_P(Threads, ShapesGoldenRun, ::testing::Values(1, 2));

}  // namespace
