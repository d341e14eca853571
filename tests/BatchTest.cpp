#include "TestSupport.h"

#include "cli/CommandLine.h"
#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"
#include "files/PngFile.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Settings.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <sstream>

namespace {

ProcessResult Batch(const std::vector<std::string>& args) {
    std::vector<std::string> argv = {POLYEVOLVE_BATCH_BIN};
    argv.insert(argv.end(), args.begin(), args.end());
    return RunProcess(argv);
}

TEST(Batch, SameSeedSameTrajectoryAsTheSharedIteration) {
    const ProcessResult a = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "42", "--iterations", "400"});
    const ProcessResult b = Batch({"--iterations", "400", "--seed", "42", POLYEVOLVE_SAMPLE, "--search", "mutate"});
    ASSERT_EQ(a.status, 0) << a.err;
    ASSERT_EQ(b.status, 0) << b.err;
    auto fa = Fields(a.out), fb = Fields(b.out);
    EXPECT_EQ(fa["iterations"], "400");
    EXPECT_EQ(fa["error"], fb["error"]);
    EXPECT_EQ(fa["generation"], "401");
    EXPECT_EQ(fa["polygons"], fb["polygons"]);
    EXPECT_TRUE(fa.count("seconds") && fa.count("ips"));

    SettingsGuard guard;
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    Settings::ScreenWidth = target.Width();
    Settings::ScreenHeight = target.Height();
    std::srand(42);
    GeneticTest test(&target);
    for (int i = 0; i < 400; ++i) Evolve(test);
    EXPECT_EQ(fa["error"], std::to_string(test.bestError));
    EXPECT_EQ(fa["polygons"], std::to_string(test.best.polygons.size()));
}

TEST(Batch, EveryEvaluatorAndThreadCountWritesTheSameFiles) {
    TempDir dir;
    const std::vector<std::vector<std::string>> ways = {
        {"--evaluator", "plain"}, {"--evaluator", "fast", "--threads", "1"}, {"--search", "mutate", "--threads", "3"}};
    std::vector<std::map<std::string, std::string>> lines;
    for (std::size_t k = 0; k < ways.size(); ++k) {
        std::vector<std::string> args = {POLYEVOLVE_SAMPLE, "--seed", "5", "--iterations", "1500",
                                         "--save", dir.File(std::to_string(k))};
        args.insert(args.end(), ways[k].begin(), ways[k].end());
        const ProcessResult r = Batch(args);
        ASSERT_EQ(r.status, 0) << r.err;
        lines.push_back(Fields(r.out));
    }
    EXPECT_FALSE(ReadFile(dir.File("0.idx")).empty());
    for (std::size_t k = 1; k < ways.size(); ++k) {
        EXPECT_EQ(lines[0]["error"], lines[k]["error"]);
        EXPECT_EQ(lines[0]["generation"], lines[k]["generation"]);
        for (const char* suffix : {".idx", ".out.png", ".out.svg"})
            EXPECT_EQ(ReadFile(dir.File("0") + suffix), ReadFile(dir.File(std::to_string(k)) + suffix))
                << ways[k][1] << suffix;
    }
}

TEST(Batch, EveryRefusedArgumentIsNamedWithTheReason) {
    const std::string t = POLYEVOLVE_SAMPLE;
    for (const auto& [args, line] : std::vector<std::pair<std::vector<std::string>, std::string>>{
             {{}, "TARGET: no target picture given"},
             {{t, "--seed", "x1"}, "--seed: x1 is not a whole number from 0 to 4294967295"},
             {{t, "--seed", "99999999999"}, "--seed: 99999999999 is not a whole number from 0 to 4294967295"},
             {{t, "--iterations", "-5"}, "--iterations: -5 is not a whole number"},
             {{t, "--iterations", "1e6"}, "--iterations: 1e6 is not a whole number"},
             {{t, "--iterations"}, "--iterations: needs a value"},
             {{t, "--fast"}, "--fast: unknown option"},
             {{t, "--iteratons", "5"}, "--iteratons: unknown option; did you mean --iterations?"},
             {{t, "--search", "shapes", "--evaluator", "plain"},
              "--evaluator: scores the exact run's candidates; the shape search scores its own"},
             {{t, t}, t + ": a second target (many need --save FOLDER/, where each is saved by its name)"},
             {{t, t, "--save", "d/", "--resume", "x.idx"}, "--resume: a folder's run goes on from FOLDER/NAME.idx of each target by itself"},
             {{t, t, "--save", "d/"}, t + ": another target has its name; each is saved as d/sunset.*"},
             {{t, "--seconds", "0"}, "--seconds: 0 is not a positive number"},
             {{t, "--until-error", "low"}, "--until-error: low is not a whole number"},
             {{t, "--until-rmse", "-1"}, "--until-rmse: -1 is not a positive number"},
             {{t, "--autosave", "soon"}, "--autosave: soon is not a positive number of seconds"},
             {{t, "--search", "best"}, "--search: best is not mutate or shapes"},
             {{t, "--max-points", "2"}, "--max-points: 2 is not a whole number from 3 to 1000"},
             {{t, "--frames", "f.png", "--every", "5"}, "--frames: f.png needs exactly one %d (or %06d) for the generation"},
             {{t, "--frames", "f%d%s.png", "--every", "5"}, "--frames: f%d%s.png needs exactly one %d (or %06d) for the generation"},
             {{t, "--frames", "f%d.gif", "--every", "5"}, "--frames: f%d.gif does not end in .bmp, .png or .svg"},
             {{t, "--frames", "f%d.png"}, "--frames: needs --every N"},
             {{t, "--every", "5"}, "--every: needs --frames PATTERN or --timelapse FILE"},
             {{t, "--every", "0", "--frames", "f%d.png"}, "--every: 0 is not a whole number above 0"},
             {{t, "--max-size", "1"}, "--max-size: 1 is not 0 or a whole number from 2 to 32767"},
             {{t, "--evaluator", "quick"}, "--evaluator: quick is not plain or fast"},
             {{t, "--threads", "0"}, "--threads: 0 is not a whole number from 1 to 256"},
             {{t, "--threads", "257"}, "--threads: 257 is not a whole number from 1 to 256"},
             {{t, "--save", "--quiet", "--iterations", "50"},
              "--save: needs a value, not the option --quiet (for a file of that name, write ./--quiet)"},
             {{t, "--iterations", "10", "--iterations=5"}, "--iterations: given twice"},
             {{t, "--", "--seed", "1"},
              "--seed: a second target (after --, every argument is a file name; options go before --)"},
             {{t, "--iterations", "99999999999999999999"},
              "--iterations: 99999999999999999999 is too large (at most 18446744073709551615)"},
             {{t, "--seconds", "-1e-3"}, "--seconds: -1e-3 is not a positive number"},
             {{t, "--shape", "triangle,blob"}, "--shape: triangle,blob is not a list of polygon, triangle, rectangle, rotated-rectangle, ellipse, "
                                                  "rotated-ellipse, circle, curve or any"},
             {{t, "--shape", "triangle", "--search", "mutate"}, "--shape: drawn by the shape search, not --search mutate"},
         }) {
        const ProcessResult r = Batch(args);
        EXPECT_EQ(r.status, 2) << line;
        EXPECT_EQ(r.err, line + " (polyevolve-batch --help lists the options)\n");
        EXPECT_EQ(r.out, "");
    }
    const ProcessResult help = Batch({"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--until-rmse", "--search", "--force", "--version"})
        EXPECT_NE(help.out.find(option), std::string::npos) << option;
    EXPECT_EQ(help.err, "");
    const ProcessResult exponent = Batch({t, "--seconds", "1e-3", "--seed", "1", "--quiet"});
    EXPECT_EQ(exponent.status, 0) << exponent.err;
    const ProcessResult joined = Batch({t, "--iterations=3", "--seed=1", "--quiet"});
    EXPECT_EQ(joined.status, 0) << joined.err;
    EXPECT_EQ(Fields(joined.out)["iterations"], "3");
    const ProcessResult missing = Batch({"/no/such.bmp", "--seed", "1", "--iterations", "1"});
    EXPECT_EQ(missing.status, 1);
    // The tools carry SDL's reason; the window's line stays the plain one.
    EXPECT_EQ(missing.err, "Error in image creation: unable to load image (</no/such.bmp>: no such file)\n");
}

TEST(Batch, SaveWritesBothFilesFromOneDrawingAndResumeContinues) {
    TempDir dir;
    const std::string prefix = dir.File("run");
    const ProcessResult first =
        Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "7", "--iterations", "300", "--save", prefix, "--quiet"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.err, "Saved progresses to <" + prefix + ".idx>.\nSaved PNG to <" + prefix +
                             ".out.png>.\nSaved SVG to <" + prefix + ".out.svg>.\n");
    const auto saved = Fields(first.out);

    // The picture is the saved drawing at the target's size, its unscored edge repeating its
    // neighbours, and our compare tool scores it at the run's error, as it does older pictures
    // without that edge.
    Image target{std::string(POLYEVOLVE_SAMPLE)};
    UseTargetSize(target);
    GeneticTest test(&target);
    ASSERT_EQ(LoadProgress(test, prefix + ".idx"), LoadResult::Loaded);
    const Image& render = test.RenderBest();
    const Image png{prefix + ".out.png"};
    ASSERT_EQ(png.Width(), 200);
    ASSERT_EQ(png.Height(), 200);
    int differ = 0;
    for (int y = 0; y < 200; ++y)
        for (int x = 0; x < 200; ++x)
            differ += !(RgbAt(png, x, y) == RgbAt(render, std::min(x, 198), std::min(y, 198)));
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(std::to_string(render.Compare(target)), saved.at("error"));
    const ProcessResult compared = RunProcess({POLYEVOLVE_COMPARE_BIN, prefix + ".out.png", POLYEVOLVE_SAMPLE});
    EXPECT_EQ(compared.out, "width:200 height:200 error:" + saved.at("error") + "\n") << compared.err;
    Image old(199, 199);
    for (int y = 0; y < 199; ++y)
        for (int x = 0; x < 199; ++x) SetPixel(old, x, y, RgbAt(render, x, y));
    ASSERT_TRUE(SavePng(old, dir.File("old.png")));
    EXPECT_EQ(RunProcess({POLYEVOLVE_COMPARE_BIN, dir.File("old.png"), POLYEVOLVE_SAMPLE}).out, compared.out);
    unsigned long long stored = 0;
    ASSERT_TRUE(StoredError(prefix + ".idx", stored));
    EXPECT_EQ(std::to_string(stored), saved.at("error"));

    const ProcessResult resumed =
        Batch({POLYEVOLVE_SAMPLE, "--seed", "8", "--iterations", "10", "--resume", prefix + ".idx", "--quiet"});
    ASSERT_EQ(resumed.status, 0) << resumed.err;
    // The batch runner's own default is the shape search: the record's search goes on, said.
    EXPECT_EQ(resumed.err, "Progress file <" + prefix + ".idx> was made with --search mutate; going on with the same.\n"
                           "Nothing will be saved: give --save PREFIX to keep the drawing.\n"
                           "Loading progresses from <" + prefix + ".idx>...\n");
    const auto after = Fields(resumed.out);
    EXPECT_EQ(after.at("generation"), "311");
    EXPECT_LE(std::stoull(after.at("error")), stored);
}

// Names with spaces come out as a shell takes them back: the final line, and the command a
// refusal suggests.
TEST(Batch, NamesWithSpacesAreQuotedWhereTheyAreToBeTyped) {
    TempDir dir;
    const std::string target = dir.File("my photo.bmp"), prefix = dir.File("my run");
    WriteFile(target, ReadFile(POLYEVOLVE_SAMPLE));
    const ProcessResult first = Batch({target, "--iterations", "1", "--save", prefix, "--quiet"});
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_NE(first.out.find(" target:'" + target + "'\n"), std::string::npos) << first.out;
    const ProcessResult again = Batch({target, "--iterations", "1", "--save", prefix, "--quiet"});
    EXPECT_EQ(again.status, 2);
    EXPECT_EQ(again.err, "<" + prefix + ".idx> holds another run's progress: go on with it with --resume '" + prefix +
                             ".idx', or replace it with --force.\n");
    EXPECT_EQ(ShellQuoted("it's"), "'it'\\''s'");
    EXPECT_EQ(ShellQuoted("plain/name-1.bmp"), "plain/name-1.bmp");
}

TEST(Batch, DamagedResumeStartsAfresh) {
    TempDir dir;
    WriteFile(dir.File("bad.idx"), {1, 2, 3});
    const ProcessResult r = Batch(
        {POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "3", "--iterations", "5", "--resume", dir.File("bad.idx"), "--quiet"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "Nothing will be saved: give --save PREFIX to keep the drawing.\nLoading progresses from <" +
                         dir.File("bad.idx") + ">...\nProgress file <" +
                         dir.File("bad.idx") + "> is damaged (it ends early); starting afresh.\n");
    EXPECT_EQ(Fields(r.out).at("generation"), "6");
}

}  // namespace

// A drawing of ellipses is the shape search's to go on with: asked for the exact run, the
// resume says so and takes the shape search in the kinds the drawing holds.
TEST(Batch, ADrawingOfOtherKindsResumesInTheShapeSearch) {
    TempDir dir;
    const std::string p = dir.File("ellipses");
    ASSERT_EQ(Batch({POLYEVOLVE_SAMPLE, "--shape", "ellipse", "--iterations", "100", "--save", p, "--quiet"}).status, 0);
    const ProcessResult exact = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--iterations", "50", "--resume", p + ".idx",
                                       "--save", p, "--quiet"});
    EXPECT_EQ(exact.status, 0) << exact.err;
    EXPECT_NE(exact.err.find("Progress file <" + p + ".idx> holds shapes the exact run cannot change; resuming it with "
                             "--search shapes --shape ellipse.\n"), std::string::npos) << exact.err;
    EXPECT_EQ(Fields(exact.out).at("generation"), std::to_string(150 * 64 + 1));
}
