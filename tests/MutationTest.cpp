#include "TestSupport.h"

#include "genome/DnaDrawing.h"
#include "genome/DrawStream.h"
#include "genome/MutationSteps.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <functional>
#include <random>
#include <set>
#include <vector>

namespace {

constexpr int W = 200, H = 150;

// The first n values rand() gives after srand(seed).
std::vector<int> Draws(unsigned seed, int n = 120) {
    std::srand(seed);
    std::vector<int> r;
    for (int i = 0; i < n; ++i) r.push_back(std::rand());
    return r;
}

// The first seed whose draws satisfy the predicate; rate-2 tests fire on odd draws.
unsigned FindSeed(const std::function<bool(const std::vector<int>&)>& wanted) {
    for (unsigned seed = 1; seed < 100000; ++seed)
        if (wanted(Draws(seed))) return seed;
    ADD_FAILURE() << "no seed found";
    return 0;
}

bool Odd(int v) { return v % 2 == 1; }

// How many draws a call consumed, given the seed it started from.
int DrawsUsed(unsigned seed) {
    const int next = std::rand();
    const std::vector<int> r = Draws(seed, 2000);
    for (int i = 0; i < 2000; ++i)
        if (r[i] == next) return i;
    return -1;
}

class Mutation : public ::testing::Test {
protected:
    void SetUp() override {
        Settings::ScreenWidth = W;
        Settings::ScreenHeight = H;
        // Rate 1 never fires: each test switches on only the operators it is about.
        for (int* rate : {&Settings::PointMaxMutation, &Settings::PointMidMutation,
                          &Settings::PointMinMutation, &Settings::AlphaMutation,
                          &Settings::DelPointMutation, &Settings::AddPointMutation,
                          &Settings::DelPolyMutation, &Settings::MovePolyMutation,
                          &Settings::AddPolyMutation, &Settings::ComponentMutation})
            *rate = 1;
    }

    // Polygons named by their colour word 1, 2, 3, ... so their order is easy to read.
    DnaDrawing Named(int count) {
        DnaDrawing d;
        d.polygons.clear();
        for (int i = 1; i <= count; ++i)
            d.polygons.push_back(MakePolygon({{10, 10}, {50, 20}, {30, 60}}, unsigned(i)));
        return d;
    }
    static std::vector<unsigned> Order(const DnaDrawing& d) {
        std::vector<unsigned> order;
        for (const DnaPolygon& p : d.polygons) order.push_back(p.color);
        return order;
    }

    SettingsGuard guard;
};

TEST_F(Mutation, RateOneNeverFiresRateTwoFiresOnOddDraws) {
    for (unsigned seed = 1; seed <= 300; ++seed) {
        DnaPoint p(100, 70);
        std::srand(seed);
        EXPECT_FALSE(p.Mutate());
    }
    Settings::PointMaxMutation = 2;
    for (unsigned seed = 1; seed <= 300; ++seed) {
        const std::vector<int> r = Draws(seed, 1);
        DnaPoint p(100, 70);
        std::srand(seed);
        EXPECT_EQ(p.Mutate(), Odd(r[0])) << seed;
    }
}

TEST_F(Mutation, NoFireCallOnThreeTrianglesDrawsFortyEight) {
    std::srand(99);
    DnaDrawing drawing;
    const DnaDrawing before = drawing;
    std::srand(5);
    EXPECT_FALSE(drawing.Mutate());
    EXPECT_EQ(DrawsUsed(5), 48);
    EXPECT_TRUE(SameDrawing(before, drawing));
}

TEST_F(Mutation, PointJumpDrawsXThenY) {
    Settings::PointMaxMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[0]); });
    const std::vector<int> r = Draws(seed);
    DnaPoint p(1, 1);
    std::srand(seed);
    EXPECT_TRUE(p.Mutate());
    EXPECT_EQ(p.x, r[1] % W);
    EXPECT_EQ(p.y, r[2] % H);
    EXPECT_EQ(DrawsUsed(seed), 5);
}

TEST_F(Mutation, MediumAndSmallMovesDrawYThenX) {
    Settings::PointMidMutation = 2;
    Settings::PointMinMutation = 2;
    const unsigned seed =
        FindSeed([](const std::vector<int>& r) { return Odd(r[1]) && Odd(r[4]); });
    const std::vector<int> r = Draws(seed);
    DnaPoint p(100, 70);
    std::srand(seed);
    EXPECT_TRUE(p.Mutate());
    // Medium: ry = r[2], rx = r[3]; small: ry = r[5], rx = r[6].
    EXPECT_EQ(p.x, 100 + (2 * (r[3] % 20) - 20) + (2 * (r[6] % 3) - 3));
    EXPECT_EQ(p.y, 70 + (2 * (r[2] % 20) - 20) + (2 * (r[5] % 3) - 3));
    EXPECT_EQ(DrawsUsed(seed), 7);
}

TEST_F(Mutation, SmallAndMediumOffsetsAreEvenStepsWithinTheirRange) {
    std::set<int> small, medium;
    for (int* rate : {&Settings::PointMinMutation, &Settings::PointMidMutation}) {
        *rate = 2;
        for (unsigned seed = 1; seed <= 3000; ++seed) {
            DnaPoint p(100, 70);
            std::srand(seed);
            if (!p.Mutate()) continue;
            (rate == &Settings::PointMinMutation ? small : medium).insert(p.x - 100);
        }
        *rate = 1;
    }
    EXPECT_EQ(small, (std::set<int>{-3, -1, 1}));
    std::set<int> even;
    for (int v = -20; v <= 18; v += 2) even.insert(v);
    EXPECT_EQ(medium, even);
}

TEST_F(Mutation, ClampAlwaysRunsAndAloneDoesNotCount) {
    DnaPoint low(-5, short(H + 10)), high(short(W + 3), 0), negY(7, -1);
    EXPECT_FALSE(low.Mutate());
    EXPECT_FALSE(high.Mutate());
    EXPECT_FALSE(negY.Mutate());
    EXPECT_TRUE(low.x == 0 && low.y == H - 1);
    EXPECT_TRUE(high.x == W - 1 && high.y == 0);
    EXPECT_TRUE(negY.x == 7 && negY.y == 0);
}

TEST_F(Mutation, MovesAtTheBordersStayInside) {
    Settings::PointMinMutation = 2;
    for (unsigned seed = 1; seed <= 500; ++seed) {
        const std::vector<int> r = Draws(seed);
        if (!Odd(r[2])) continue;
        const int dx = 2 * (r[4] % 3) - 3;
        DnaPoint left(0, 5), right(short(W - 1), 5);
        std::srand(seed);
        left.Mutate();
        std::srand(seed);
        right.Mutate();
        EXPECT_EQ(left.x, dx < 0 ? 0 : dx);
        EXPECT_EQ(right.x, dx > 0 ? W - 1 : W - 1 + dx);
    }
}

TEST_F(Mutation, OffsetsWrapAtSixteenBitsBeforeTheClamp) {
    Settings::ScreenWidth = 32767;
    Settings::PointMinMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[2]) && r[4] % 3 == 2; });
    DnaPoint p(32767, 5);  // +1 wraps to -32768, which the clamp takes to 0
    std::srand(seed);
    EXPECT_TRUE(p.Mutate());
    EXPECT_EQ(p.x, 0);
}

TEST_F(Mutation, AddPolygonPicksThenBuildsAndInsertsBefore) {
    Settings::AddPolyMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[0]); });
    const std::vector<int> r = Draws(seed);
    DnaDrawing drawing = Named(3);
    std::srand(seed);
    EXPECT_TRUE(drawing.Mutate());
    // 12 draws for the addition, 2 more polygon tests, 15 per polygon for the new four.
    EXPECT_EQ(DrawsUsed(seed), 12 + 2 + 4 * 15);
    ASSERT_EQ(drawing.polygons.size(), 4u);
    const int at = r[1] % 3;
    const unsigned color = (unsigned(r[10] % 256) << 24) | (unsigned(r[9] % 256) << 16) |
                           (unsigned(r[8] % 256) << 8) | unsigned(20 + r[11] % 101);
    const DnaPolygon expected = MakePolygon(
        {{short(r[3] % W), short(r[2] % H)}, {short(r[5] % W), short(r[4] % H)},
         {short(r[7] % W), short(r[6] % H)}},
        color);
    std::vector<unsigned> order = {1, 2, 3};
    order.insert(order.begin() + at, color);
    EXPECT_EQ(Order(drawing), order);
    EXPECT_TRUE(SamePolygon(*std::next(drawing.polygons.begin(), at), expected));
}

TEST_F(Mutation, AddedPolygonIsNeverLast) {
    Settings::AddPolyMutation = 2;
    for (unsigned seed = 1; seed <= 200; ++seed) {
        DnaDrawing drawing = Named(1);
        std::srand(seed);
        if (!drawing.Mutate()) continue;
        EXPECT_EQ(drawing.polygons.back().color, 1u);
    }
}

TEST_F(Mutation, LimitsAreEqualityTestsWithoutPicks) {
    Settings::AddPolyMutation = 2;
    Settings::DelPolyMutation = 2;
    Settings::MaxPolygons = 3;
    Settings::MinPolygons = 3;
    const unsigned seed =
        FindSeed([](const std::vector<int>& r) { return Odd(r[0]) && Odd(r[1]); });
    DnaDrawing drawing = Named(3);
    std::srand(seed);
    EXPECT_FALSE(drawing.Mutate());
    EXPECT_EQ(Order(drawing), (std::vector<unsigned>{1, 2, 3}));
    EXPECT_EQ(DrawsUsed(seed), 48);

    // Above the maximum additions still happen; below the minimum deletions do.
    Settings::DelPolyMutation = 1;
    DnaDrawing over = Named(4);
    std::srand(seed);
    EXPECT_TRUE(over.Mutate());
    EXPECT_EQ(over.polygons.size(), 5u);
    Settings::AddPolyMutation = 1;
    Settings::DelPolyMutation = 2;
    const unsigned delSeed = FindSeed([](const std::vector<int>& r) { return Odd(r[1]); });
    const std::vector<int> r = Draws(delSeed);
    DnaDrawing under = Named(2);
    std::srand(delSeed);
    EXPECT_TRUE(under.Mutate());
    EXPECT_EQ(Order(under), (std::vector<unsigned>{r[2] % 2 == 0 ? 2u : 1u}));
}

TEST_F(Mutation, MovePolygonLandsAtTheSecondPick) {
    Settings::MovePolyMutation = 2;
    auto moveWith = [&](int from, int to) {
        const unsigned seed = FindSeed([&](const std::vector<int>& r) {
            return Odd(r[2]) && r[3] % 5 == from && r[4] % 5 == to;
        });
        DnaDrawing d = Named(5);
        std::srand(seed);
        EXPECT_TRUE(d.Mutate());
        return Order(d);
    };
    EXPECT_EQ(moveWith(0, 4), (std::vector<unsigned>{2, 3, 4, 5, 1}));
    EXPECT_EQ(moveWith(4, 0), (std::vector<unsigned>{5, 1, 2, 3, 4}));
    EXPECT_EQ(moveWith(1, 3), (std::vector<unsigned>{1, 3, 4, 2, 5}));
    EXPECT_EQ(moveWith(3, 1), (std::vector<unsigned>{1, 4, 2, 3, 5}));

    // One polygon: two picks, both 0, no change and nothing counted.
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[2]); });
    DnaDrawing one = Named(1);
    std::srand(seed);
    EXPECT_FALSE(one.Mutate());
    EXPECT_EQ(DrawsUsed(seed), 3 + 2 + 15);
}

TEST_F(Mutation, AddVertexIsInsideInsertedBeforeAndItselfMutated) {
    Settings::AddPointMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[3]); });
    const std::vector<int> r = Draws(seed);
    DnaDrawing d = Named(1);
    std::srand(seed);
    EXPECT_TRUE(d.Mutate());
    const auto& points = d.polygons.front().points;
    ASSERT_EQ(points.size(), 4u);
    const int at = r[4] % 3;
    const DnaPoint& added = *std::next(points.begin(), at);
    EXPECT_EQ(added.x, r[6] % W);
    EXPECT_EQ(added.y, r[5] % H);
    EXPECT_TRUE(points.back().x == 30 && points.back().y == 60);  // never placed last
    // 3 polygon tests, 4 for the addition, 5 more polygon tests, 3 for each of four vertices.
    EXPECT_EQ(DrawsUsed(seed), 3 + 4 + 5 + 12);
}

TEST_F(Mutation, DeleteVertexSeesTheVertexJustAdded) {
    Settings::AddPointMutation = 2;
    Settings::DelPointMutation = 2;
    Settings::MinPoints = 4;
    const unsigned seed =
        FindSeed([](const std::vector<int>& r) { return Odd(r[3]) && Odd(r[7]); });
    DnaDrawing d = Named(1);
    std::srand(seed);
    EXPECT_TRUE(d.Mutate());
    EXPECT_EQ(d.polygons.front().points.size(), 4u);  // the count is 4 = MinPoints: no delete
    EXPECT_EQ(DrawsUsed(seed), 3 + 4 + 1 + 4 + 12);  // and no pick drawn for it
}

TEST_F(Mutation, DeleteVertexRemovesThePickedVertex) {
    Settings::DelPointMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) { return Odd(r[4]); });
    const std::vector<int> r = Draws(seed);
    DnaDrawing d = Named(1);
    d.polygons.front().points.emplace_back(70, 80);
    std::vector<std::pair<short, short>> expected = {{10, 10}, {50, 20}, {30, 60}, {70, 80}};
    expected.erase(expected.begin() + r[5] % 4);
    std::srand(seed);
    EXPECT_TRUE(d.Mutate());
    EXPECT_TRUE(SamePolygon(d.polygons.front(), MakePolygon(expected, 1)));
}

TEST_F(Mutation, AlphaAndChannelsReplaceOnlyTheirByte) {
    Settings::AlphaMutation = 2;
    Settings::ComponentMutation = 2;
    const unsigned seed = FindSeed([](const std::vector<int>& r) {
        return Odd(r[5]) && Odd(r[7]) && !Odd(r[9]) && Odd(r[10]);
    });
    const std::vector<int> r = Draws(seed);
    DnaDrawing d = Named(1);
    d.polygons.front().color = 0x11223344u;
    std::srand(seed);
    EXPECT_TRUE(d.Mutate());
    const unsigned expected = (unsigned(r[8] % 256) << 24) | (0x22u << 16) |
                              (unsigned(r[11] % 256) << 8) | unsigned(20 + r[6] % 101);
    EXPECT_EQ(d.polygons.front().color, expected);
}

TEST_F(Mutation, EmptyListsNeverPickAndEmptyDrawingsGrow) {
    Settings::AddPolyMutation = 2;
    Settings::DelPolyMutation = 2;
    Settings::MovePolyMutation = 2;
    // Add (r0) fires on the empty drawing without a pick: the polygon takes r1..r10. Delete
    // (r11) then removes it with pick r12; move (r13) finds the list empty and draws nothing.
    const unsigned seed = FindSeed(
        [](const std::vector<int>& r) { return Odd(r[0]) && Odd(r[11]) && Odd(r[13]); });
    DnaDrawing empty = Named(0);
    std::srand(seed);
    EXPECT_TRUE(empty.Mutate());
    EXPECT_TRUE(empty.polygons.empty());
    EXPECT_EQ(DrawsUsed(seed), 14);

    // With the default rates an empty drawing regains a polygon through the loop's repetition.
    Settings::AddPolyMutation = 700;
    Settings::DelPolyMutation = 1500;
    Settings::MovePolyMutation = 700;
    DnaDrawing none = Named(0);
    std::srand(1);
    int calls = 0;
    while (!none.Mutate() && calls < 100000) ++calls;
    EXPECT_LT(calls, 100000);
    EXPECT_EQ(none.polygons.size(), 1u);
}

TEST_F(Mutation, PolygonWithoutVerticesTakesAVertexWithoutAPick) {
    Settings::AddPointMutation = 2;
    Settings::DelPointMutation = 2;
    const unsigned seed =
        FindSeed([](const std::vector<int>& r) { return Odd(r[3]) && !Odd(r[6]); });
    const std::vector<int> r = Draws(seed);
    DnaDrawing d = Named(1);
    d.polygons.front().points.clear();
    std::srand(seed);
    EXPECT_TRUE(d.Mutate());
    ASSERT_EQ(d.polygons.front().points.size(), 1u);
    EXPECT_EQ(d.polygons.front().points.front().x, r[5] % W);  // ry = r[4], rx = r[5]
    EXPECT_EQ(d.polygons.front().points.front().y, r[4] % H);
    EXPECT_EQ(DrawsUsed(seed), 3 + 3 + 5 + 3);

    // Deleting from a polygon without vertices does nothing, draws no pick, does not count.
    const unsigned delSeed =
        FindSeed([](const std::vector<int>& r) { return !Odd(r[3]) && Odd(r[4]); });
    DnaDrawing bare = Named(1);
    bare.polygons.front().points.clear();
    std::srand(delSeed);
    EXPECT_FALSE(bare.Mutate());
    EXPECT_EQ(DrawsUsed(delSeed), 3 + 6);
}

}  // namespace

namespace {

// The run's stream is the C library's sequence: for any seed, and again after going back.
TEST(DrawStream, IsTheCLibrarySequenceAndRepeatsItselfAfterASeek) {
    for (unsigned seed : {0u, 1u, 5u, 12345u, 1767225600u, 2147483648u, 4294967295u}) {
        DrawStream stream(seed);
        EXPECT_EQ(stream.Using(), DrawStream::Source::Generator) << seed;
        std::srand(seed);
        std::vector<int> values;
        for (int i = 0; i < 5000; ++i) {
            values.push_back(stream.Next());
            ASSERT_EQ(values.back(), std::rand()) << "seed " << seed << ", value " << i;
        }
        ASSERT_TRUE(stream.Seek(1234));
        for (int i = 1234; i < 5000; ++i) ASSERT_EQ(stream.Next(), values[std::size_t(i)]) << seed;
        // Beyond what is made, or further back than it keeps: refused, nothing moves.
        EXPECT_FALSE(stream.Seek(6000));
        for (int i = 0; i < 100000; ++i) stream.Next();
        EXPECT_FALSE(stream.Seek(0));
        EXPECT_EQ(stream.Position(), 105000u);
    }
    // Bound streams feed the genome; nothing bound, rand() does.
    DrawStream a(9), b(9);
    draws::Use use(a);
    EXPECT_EQ(NextDraw(), b.Next());
}

// A far GoTo jumps the generator instead of making every value: the same values as walking
// there, back and forth, and a position as far as a record could claim in an instant.
TEST(DrawStream, GoingFarAheadGivesTheValuesAWalkMakes) {
    for (unsigned seed : {1u, 77u, 4294967295u}) {
        DrawStream walked(seed);
        std::vector<int> values;
        for (int i = 0; i < 3000000; ++i) values.push_back(walked.Next());
        DrawStream jumped(seed);
        for (std::uint64_t at : {2999990ull, 200000ull, 70001ull, 2500000ull, 131072ull}) {
            ASSERT_TRUE(jumped.GoTo(at)) << seed;
            for (std::uint64_t i = at; i < std::min<std::uint64_t>(at + 10, values.size()); ++i)
                ASSERT_EQ(jumped.Next(), values[i]) << "seed " << seed << ", value " << i;
        }
        // What the jump passed over was never made: a seek there is refused, a GoTo makes it.
        EXPECT_FALSE(jumped.Seek(131072 - 600));
        ASSERT_TRUE(jumped.GoTo(131072 - 600));
        EXPECT_EQ(jumped.Next(), values[131072 - 600]);
    }
    DrawStream far(3);
    ASSERT_TRUE(far.GoTo(kMostDraws));
    EXPECT_EQ(far.Position(), kMostDraws);
    DrawStream near(3);
    ASSERT_TRUE(near.GoTo(kMostDraws - 1));
    near.Next();
    EXPECT_EQ(far.Next(), near.Next());
}

TEST(DrawStream, SkippingFindsTheNextFiringDrawForEveryRate) {
    std::mt19937 rng(3);
    for (int rate : {2, 3, 4, 7, 12, 700, 1500, 4096, 1000003}) {
        DrawStream stream(rate), check(rate);
        const ChanceRate chance(rate);
        for (int round = 0; round < 300; ++round) {
            const std::size_t count = rng() % 5000;
            const std::size_t passed = stream.SkipQuiet(count, chance);
            std::size_t expected = 0;
            while (expected < count && check.Next() % rate != 1) ++expected;
            ASSERT_EQ(passed, expected) << "rate " << rate;
            if (expected < count) check.Seek(check.Position() - 1);  // the firing one is next
            ASSERT_EQ(stream.Position(), check.Position());
        }
    }
}

// The skip makes the walk's very changes from the very draws, call after call, on drawings
// of every shape: damaged ones (no vertices, vertices off the target, counts past the limits)
// go through the chooser, which must fall back to the walk where the skip would differ.
TEST_F(Mutation, SkipAndWalkMakeTheSameChangesFromTheSameDraws) {
    SettingsGuard guard;
    std::mt19937 rng(11);
    for (int trial = 0; trial < 120; ++trial) {
        const int rate = std::vector<int>{2, 3, 5, 9, 40, 300, 1500}[trial % 7];
        for (int* shared : {&Settings::PointMaxMutation, &Settings::PointMidMutation,
                            &Settings::PointMinMutation, &Settings::AlphaMutation,
                            &Settings::DelPointMutation, &Settings::AddPointMutation,
                            &Settings::ComponentMutation})
            *shared = rate;
        Settings::AddPolyMutation = 2 + int(rng() % 900);
        Settings::DelPolyMutation = 2 + int(rng() % 900);
        Settings::MovePolyMutation = 2 + int(rng() % 900);
        Settings::MinPoints = int(rng() % 4);
        Settings::MaxPoints = Settings::MinPoints + int(rng() % 12);
        Settings::MinPolygons = int(rng() % 3);
        Settings::MaxPolygons = Settings::MinPolygons + int(rng() % 40);
        const bool damaged = trial % 3 == 0;
        DnaDrawing drawing;
        drawing.polygons.clear();
        const int polygons = int(rng() % 30);
        for (int p = 0; p < polygons; ++p) {
            std::vector<std::pair<short, short>> points(rng() % (damaged ? 25 : 11));
            for (auto& point : points)
                point = {short(int(rng() % (damaged ? W + 40 : W)) - (damaged ? 20 : 0)), short(rng() % H)};
            drawing.polygons.push_back(MakePolygon(points, unsigned(rng())));
        }
        DrawStream walkDraws{unsigned(trial)}, skipDraws{unsigned(trial)};
        DnaDrawing walked = drawing, skipped = drawing;
        for (int call = 0; call < 60; ++call) {
            mutation::Unrecorded recorder;
            bool walkCounted, skipCounted;
            {
                draws::Use use(walkDraws);
                walkCounted = mutation::MutateDrawing(walked, recorder);
            }
            {
                draws::Use use(skipDraws);
                skipCounted = damaged ? mutation::Mutate(skipped, recorder)
                                      : mutation::MutateDrawingSkipping(skipped, recorder, skipDraws,
                                                                        ChanceRate(rate));
            }
            ASSERT_EQ(walkCounted, skipCounted) << "trial " << trial << ", call " << call;
            ASSERT_EQ(walkDraws.Position(), skipDraws.Position()) << "trial " << trial << ", call " << call;
            ASSERT_TRUE(SameDrawing(walked, skipped)) << "trial " << trial << ", call " << call;
        }
    }
}

}  // namespace
