#include "TestSupport.h"

#include "evolve/GeneticTest.h"
#include "files/PictureFile.h"
#include "files/ProgressFile.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "image/Downscale.h"

#include "image/KernelChoice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <csignal>

#include <sstream>

// Long runs with real processes, signals and files: resumes onto other pictures, better files
// kept, stop conditions, autosaves, frames, scaled targets, and what the user is told.

namespace {

ProcessResult Batch(std::vector<std::string> args, int terminateAfterMs = -1) {
    args.insert(args.begin(), POLYEVOLVE_BATCH_BIN);
    return RunProcess(args, {}, 60, terminateAfterMs);
}

// Runs a shell command line (for signals other than SIGTERM, and environments without).
ProcessResult Shell(const std::string& command) { return RunProcess({"/bin/bash", "-c", command}); }

std::uint64_t RealError(const std::string& targetPath, const std::string& progress) {
    SettingsGuard guard;
    Image target{targetPath};
    UseTargetSize(target);
    GeneticTest test(&target);
    EXPECT_EQ(LoadProgress(test, progress), LoadResult::Loaded);
    test.best.Render(test.canvas);
    return test.canvas.Compare(target);
}

TEST(LongRun, AResumeOntoAnotherPictureIsReScoredAndGoesOn) {
    TempDir dir;
    const std::string p = dir.File("sunset");
    ASSERT_EQ(Batch({POLYEVOLVE_SAMPLE, "--seed", "3", "--iterations", "3000", "--save", p, "--quiet"}).status, 0);
    const std::string other = POLYEVOLVE_HARBOUR;
    const std::uint64_t real = RealError(other, p + ".idx");
    const ProcessResult r = Batch({other, "--seed", "4", "--iterations", "2000", "--resume", p + ".idx", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    // Its record tells the picture was another size; the error tells it is another picture.
    EXPECT_EQ(r.err, "Nothing will be saved: give --save PREFIX to keep the drawing.\nProgress file <" + p +
                         ".idx> was evolved at 200 x 200 pixels, not the 256 x 256 of <" +
                         other + "> here; its drawing is scored as it stands.\nLoading progresses from <" + p +
                         ".idx>...\nProgress file <" + p + ".idx> does not match <" + other +
                         ">; its error was re-scored.\n");
    EXPECT_LT(std::stoull(Fields(r.out).at("error")), real);  // it accepts again, and improves

    // The same picture's own file resumes as it always did.
    const ProcessResult same = Batch({POLYEVOLVE_SAMPLE, "--seed", "4", "--iterations", "10", "--resume", p + ".idx", "--quiet"});
    EXPECT_EQ(same.err, "Nothing will be saved: give --save PREFIX to keep the drawing.\nLoading progresses from <" + p +
                            ".idx>...\n");
}

TEST(LongRun, ASaveOverABetterProgressFileKeepsItAsBak) {
    TempDir dir;
    const std::string p = dir.File("run");
    ASSERT_EQ(Batch({POLYEVOLVE_SAMPLE, "--seed", "1", "--iterations", "4000", "--save", p, "--quiet"}).status, 0);
    const std::vector<unsigned char> better = ReadFile(p + ".idx");
    // Another run's progress file is not replaced unless asked, and then a better one is kept.
    const ProcessResult refused = Batch({POLYEVOLVE_SAMPLE, "--seed", "2", "--iterations", "20", "--save", p, "--quiet"});
    EXPECT_EQ(refused.status, 2);
    EXPECT_EQ(refused.err, "<" + p + ".idx> holds another run's progress: go on with it with --resume " + p +
                               ".idx, or replace it with --force.\n");
    EXPECT_EQ(ReadFile(p + ".idx"), better);
    const ProcessResult worse =
        Batch({POLYEVOLVE_SAMPLE, "--seed", "2", "--iterations", "20", "--save", p, "--force", "--quiet"});
    ASSERT_EQ(worse.status, 0) << worse.err;
    EXPECT_NE(worse.err.find("Progress file <" + p + ".idx> held a lower error ("), std::string::npos) << worse.err;
    EXPECT_NE(worse.err.find("); kept it as <" + p + ".idx.bak>.\n"), std::string::npos) << worse.err;
    EXPECT_EQ(ReadFile(p + ".idx.bak"), better);
    EXPECT_NE(ReadFile(p + ".idx"), better);
    // A save that is better replaces the file and keeps no copy.
    const ProcessResult best = Batch({POLYEVOLVE_SAMPLE, "--seed", "3", "--iterations", "3000", "--resume", p + ".idx.bak", "--save", dir.File("again"), "--quiet"});
    ASSERT_EQ(best.status, 0);
    EXPECT_FALSE(FileExists(dir.File("again.idx.bak")));
}

TEST(LongRun, AStopSignalEndsTheRunWithItsSavesAndAResultLine) {
    TempDir dir;
    const std::string p = dir.File("run");
    // SIGTERM, no stop condition: the run goes on until told.
    // It ends by the signal after its saves, so a shell loop stops too.
    const ProcessResult term = Batch({POLYEVOLVE_SAMPLE, "--save", p, "--quiet"}, 1200);
    EXPECT_EQ(term.status, 128 + SIGTERM) << term.err;
    EXPECT_NE(term.out.find("iterations:"), std::string::npos);
    EXPECT_NE(term.out.find(" rmse:"), std::string::npos);
    EXPECT_GT(std::stoull(Fields(term.out).at("iterations")), 100u);
    EXPECT_GT(RealError(POLYEVOLVE_SAMPLE, p + ".idx"), 0u);  // complete and loadable
    EXPECT_TRUE(FileExists(p + ".out.png"));
    EXPECT_TRUE(FileExists(p + ".out.svg"));

    // SIGINT, as Ctrl-C sends it.
    const std::string q = dir.File("interrupted");
    const ProcessResult sigint = Shell("'" POLYEVOLVE_BATCH_BIN "' '" POLYEVOLVE_SAMPLE "' --save '" + q +
                                       "' --quiet & pid=$!; sleep 1; kill -INT $pid; wait $pid");
    EXPECT_EQ(sigint.status, 128 + SIGINT) << sigint.err;
    EXPECT_NE(sigint.out.find("iterations:"), std::string::npos);
    EXPECT_GT(RealError(POLYEVOLVE_SAMPLE, q + ".idx"), 0u);
}

TEST(LongRun, ASecondSignalQuitsAtOnceAndTheLastSaveStaysWhole) {
    TempDir dir;
    // A large target, so that the saves after the first signal take a while: the second one
    // comes in the middle of them.
    const std::string target = dir.File("large.bmp");
    {
        Image large(2500, 2500);
        Fill(large, Rgb{90, 120, 200});
        ASSERT_TRUE(SaveBmp(large, target));
    }
    const std::string p = dir.File("run");
    const ProcessResult r = Shell("'" POLYEVOLVE_BATCH_BIN "' '" + target + "' --save '" + p +
                                  "' --autosave 0.1 --quiet & pid=$!; sleep 2.5; kill -INT $pid; "
                                  "sleep 0.02; kill -INT $pid; wait $pid");
    EXPECT_EQ(r.status, 130) << r.err;
    // Whatever was being written, the last complete save is there and whole.
    ASSERT_TRUE(FileExists(p + ".idx"));
    EXPECT_GT(RealError(target, p + ".idx"), 0u);
    if (FileExists(p + ".out.png")) {
        EXPECT_EQ(Image{p + ".out.png"}.Width(), 2499);
    }
}

TEST(LongRun, EachStopConditionStopsTheRun) {
    const ProcessResult count = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "5", "--iterations", "777", "--quiet"});
    EXPECT_EQ(Fields(count.out).at("iterations"), "777");
    EXPECT_EQ(Fields(count.out).at("candidates"), "777");  // one a mutate iteration
    // No iterations at all: the first drawing, with its true error.
    // The exact run's canvas is black; the shape search's is the picture's mean colour, and
    // its shapes may be opaque.
    const ProcessResult none = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "5", "--iterations", "0", "--quiet"});
    const ProcessResult noShapes = Batch({POLYEVOLVE_SAMPLE, "--seed", "5", "--iterations", "0", "--quiet"});
    {
        SettingsGuard guard;
        Image target{std::string(POLYEVOLVE_SAMPLE)};
        UseTargetSize(target);
        GeneticTest first(&target, 5);
        EXPECT_EQ(Fields(none.out).at("error"), std::to_string(first.RenderBest().Compare(target)));
        Settings::Background = int(MeanColour(target));
        Settings::AlphaMax = 255;
        GeneticTest shapes(&target, 5);
        EXPECT_EQ(Fields(noShapes.out).at("error"), std::to_string(shapes.RenderBest().Compare(target)));
        EXPECT_LT(std::stoull(Fields(noShapes.out).at("error")), std::stoull(Fields(none.out).at("error")));
    }
    const ProcessResult timed = Batch({POLYEVOLVE_SAMPLE, "--seed", "5", "--seconds", "1", "--quiet"});
    const double seconds = std::stod(Fields(timed.out).at("seconds"));
    EXPECT_GE(seconds, 1.0);
    EXPECT_LT(seconds, 5.0);
    const ProcessResult error = Batch({POLYEVOLVE_SAMPLE, "--seed", "5", "--until-error", "80000000", "--quiet"});
    EXPECT_LE(std::stoull(Fields(error.out).at("error")), 80000000u);
    const ProcessResult rmse = Batch({POLYEVOLVE_SAMPLE, "--seed", "5", "--until-rmse", "30", "--quiet"});
    EXPECT_LE(std::stod(Fields(rmse.out).at("rmse")), 30.0);
    EXPECT_GT(std::stod(Fields(rmse.out).at("rmse")), 20.0);  // it stopped as soon as it got there
    // Whichever comes first.
    const ProcessResult first = Batch({POLYEVOLVE_SAMPLE, "--seed", "5", "--until-rmse", "1", "--iterations", "50", "--quiet"});
    EXPECT_EQ(Fields(first.out).at("iterations"), "50");
}

TEST(LongRun, AutosavesAppearAndLoad) {
    TempDir dir;
    const std::string p = dir.File("auto");
    // Without --save, autosaves go beside the target, quietly; the record goes with them.
    const std::string target = dir.File("t.bmp");
    WriteFile(target, ReadFile(POLYEVOLVE_SAMPLE));
    const ProcessResult r = Batch({target, "--seed", "6", "--seconds", "1.3", "--autosave", "0.25", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.err, "");
    EXPECT_GT(RealError(target, target + ".idx"), 0u);
    const std::vector<unsigned char> record = ReadFile(target + ".json");
    EXPECT_NE(std::string(record.begin(), record.end()).find("\"seed\": 6"), std::string::npos);

    // Saves on a timer (and frames) leave the run as it is: the same seed ends alike with or
    // without them, on one thread or three.
    auto run = [&](std::vector<std::string> extra) {
        std::vector<std::string> args{POLYEVOLVE_SAMPLE, "--seed", "6", "--iterations", "3000", "--quiet"};
        args.insert(args.end(), extra.begin(), extra.end());
        const ProcessResult result = Batch(args);
        EXPECT_EQ(result.status, 0) << result.err;
        auto fields = Fields(result.out);
        return fields["error"] + " " + fields["generation"];
    };
    const std::string plain = run({"--threads", "1"});
    EXPECT_EQ(run({"--threads", "1", "--autosave", "0.000001", "--save", p}), plain);
    EXPECT_EQ(ReadFile(p + ".json").empty(), false);
    EXPECT_EQ(run({"--threads", "3", "--autosave", "0.000001", "--save", dir.File("three"), "--frames",
                   dir.File("f%d.bmp"), "--every", "700"}),
              plain);
}

TEST(LongRun, FramesGetTheirNamesAndTheTargetsSize) {
    TempDir dir;
    const ProcessResult r = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "7", "--iterations", "1200", "--frames",
                                   dir.File("f-%05d.bmp"), "--every", "500", "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    for (const char* name : {"f-00500.bmp", "f-01000.bmp", "f-01200.bmp"}) {
        const Image frame{dir.File(name)};
        EXPECT_EQ(frame.Width(), 200) << name;
        EXPECT_EQ(frame.Height(), 200) << name;
    }
    EXPECT_FALSE(FileExists(dir.File("f-01500.bmp")));
    const ProcessResult svg = Batch({POLYEVOLVE_SAMPLE, "--search", "mutate", "--seed", "7", "--iterations", "100", "--frames",
                                     dir.File("v%d.svg"), "--every", "100", "--quiet"});
    EXPECT_TRUE(FileExists(dir.File("v100.svg")));
}

TEST(LongRun, MaxSizeEvolvesAScaledTarget) {
    TempDir dir;
    const std::string p = dir.File("small");
    const ProcessResult r = Batch({POLYEVOLVE_HARBOUR, "--seed", "8", "--iterations", "300", "--max-size", "64", "--save", p, "--quiet"});
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Fields(r.out).at("size"), "64x64");
    // What is saved is drawn at the picture's own size.
    const Image picture{p + ".out.png"};
    EXPECT_EQ(picture.Width(), 256);
    // Its record carries the size on: a resume evolves at it again (saying so), and an export
    // against the full picture draws the same picture as the run saved.
    const ProcessResult resumed = Batch({POLYEVOLVE_HARBOUR, "--seed", "8", "--iterations", "10", "--resume", p + ".idx", "--quiet"});
    EXPECT_EQ(Fields(resumed.out).at("size"), "64x64");
    EXPECT_EQ(resumed.err.rfind("Progress file <" + p + ".idx> was made with --max-size 64; going on with the same.\n", 0), 0u)
        << resumed.err;
    const ProcessResult exported = RunProcess({POLYEVOLVE_EXPORT_BIN, POLYEVOLVE_HARBOUR, p + ".idx", dir.File("e.png")});
    EXPECT_EQ(exported.status, 0) << exported.err;
    EXPECT_EQ(exported.err, "");
    EXPECT_EQ(Image{dir.File("e.png")}.Compare(picture), 0u);
    const ProcessResult fits = Batch({POLYEVOLVE_HARBOUR, "--seed", "8", "--iterations", "10", "--max-size", "300", "--quiet"});
    EXPECT_EQ(Fields(fits.out).count("size"), 0u);  // already small enough: not scaled
}

// The shape search paints on a background (the picture's mean colour, or --background): the
// record keeps it, a resume goes on with it, and the PNG, the SVG and an export show it.
TEST(LongRun, TheShapeSearchsBackgroundIsKeptInEveryOutput) {
    TempDir dir;
    const std::string p = dir.File("bg");
    auto background = [&p]() {
        const std::vector<unsigned char> text = ReadFile(p + ".json");
        return nlohmann::json::parse(text.begin(), text.end()).at("background").get<std::string>();
    };
    ASSERT_EQ(Batch({POLYEVOLVE_HARBOUR, "--seed", "2", "--iterations", "40", "--background", "204060", "--save", p,
                     "--quiet"}).status, 0);
    EXPECT_EQ(background(), "204060");
    const std::vector<unsigned char> svg = ReadFile(p + ".out.svg");
    EXPECT_NE(std::string(svg.begin(), svg.end()).find("fill=\"#204060\"/>"), std::string::npos);
    ASSERT_EQ(RunProcess({POLYEVOLVE_EXPORT_BIN, POLYEVOLVE_HARBOUR, p + ".idx", dir.File("e.png")}).status, 0);
    EXPECT_EQ(Image{dir.File("e.png")}.Compare(Image{p + ".out.png"}), 0u);
    ASSERT_EQ(Batch({POLYEVOLVE_HARBOUR, "--iterations", "5", "--resume", p + ".idx", "--save", p, "--quiet"}).status, 0);
    EXPECT_EQ(background(), "204060");
    ASSERT_EQ(Batch({POLYEVOLVE_HARBOUR, "--seed", "2", "--iterations", "1", "--save", p, "--force", "--quiet"}).status, 0);
    char mean[8];
    std::snprintf(mean, sizeof mean, "%06x", unsigned(MeanColour(Image{std::string(POLYEVOLVE_HARBOUR)})));
    EXPECT_EQ(background(), mean);
    ASSERT_EQ(Batch({POLYEVOLVE_HARBOUR, "--search", "mutate", "--seed", "2", "--iterations", "1", "--save", p, "--force",
                     "--quiet"}).status, 0);
    EXPECT_EQ(background(), "000000");
}

TEST(LongRun, DownscaleAveragesBoxes) {
    Image source(4, 2);
    const int values[2][4] = {{0, 100, 200, 255}, {50, 150, 250, 0}};
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) SetPixel(source, x, y, Rgb{values[y][x], 10, 255});
    const Image half = Downscale(source, 2, 1);
    EXPECT_EQ(RgbAt(half, 0, 0), (Rgb{75, 10, 255}));   // (0 + 100 + 50 + 150) / 4
    EXPECT_EQ(RgbAt(half, 1, 0), (Rgb{176, 10, 255}));  // (200 + 255 + 250 + 0) / 4 = 176.25
    int w, h;
    FitWithin(4000, 3000, 1000, w, h);
    EXPECT_EQ(w, 1000);
    EXPECT_EQ(h, 750);
    FitWithin(300, 7000, 700, w, h);
    EXPECT_EQ(w, 30);
    EXPECT_EQ(h, 700);
}

TEST(LongRun, TheProgressLineOnAPipe) {
    TempDir dir;
    const ProcessResult r = Batch({POLYEVOLVE_SAMPLE, "--seed", "9", "--seconds", "0.5"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind("Nothing will be saved: give --save PREFIX to keep the drawing.\n", 0), 0u) << r.err;
    const std::size_t at = r.err.find("seed:");
    const std::string first = r.err.substr(at, r.err.find('\n', at) - at);
    const auto f = Fields(first);
    EXPECT_EQ(f.at("seed"), "9");
    EXPECT_EQ(f.at("error"), "-");  // nothing scored yet: no error to tell
    for (const char* key : {"iterations", "ips", "error", "rmse", "polygons", "elapsed", "left"})
        EXPECT_EQ(f.count(key), 1u) << key << " in " << first;
    // Without a seed the time is used, and shown so the run can be repeated.
    const ProcessResult timed = Batch({POLYEVOLVE_SAMPLE, "--iterations", "5"});
    const std::string seed = Fields(timed.out).at("seed");
    EXPECT_EQ(Fields(timed.out).at("target"), POLYEVOLVE_SAMPLE);
    const ProcessResult again = Batch({POLYEVOLVE_SAMPLE, "--iterations", "5", "--seed", seed});
    EXPECT_EQ(Fields(again.out).at("error"), Fields(timed.out).at("error"));
    // Quiet but for a run that keeps nothing, which is most likely a mistake.
    EXPECT_EQ(Batch({POLYEVOLVE_SAMPLE, "--iterations", "5", "--quiet"}).err,
              "Nothing will be saved: give --save PREFIX to keep the drawing.\n");
    EXPECT_EQ(Batch({POLYEVOLVE_SAMPLE, "--iterations", "5", "--quiet", "--timelapse", dir.File("t.gif"), "--every", "1"}).err,
              "Saved a time-lapse of 6 frames to <" + dir.File("t.gif") + ">.\n");
}

TEST(LongRun, TheWindowProgramWithoutADisplayHelpAndVersion) {
    const ProcessResult none = Shell("env -u DISPLAY -u WAYLAND_DISPLAY -u SDL_VIDEODRIVER '" POLYEVOLVE_BIN "' '" POLYEVOLVE_SAMPLE "'");
    EXPECT_EQ(none.status, 255);
    EXPECT_EQ(none.err, "polyevolve needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                        "without one, run it as: xvfb-run -a polyevolve TARGET\n");
    for (const char* flag : {"--help", "-h"}) {
        const ProcessResult help = Shell("env -u DISPLAY '" POLYEVOLVE_BIN "' " + std::string(flag));
        EXPECT_EQ(help.status, 0);
        for (const char* word : {"TARGET", "PROGRESS.idx", "--search", "--max-size", "--seed", "--autosave"})
            EXPECT_NE(help.out.find(word), std::string::npos) << word;
    }
    const ProcessResult version = RunProcess({POLYEVOLVE_BIN, "--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("polyevolve ", 0), 0u);
    EXPECT_NE(version.out.find("\nrandom draws: own generator"), std::string::npos) << version.out;
    // The kernels named are the ones this build and processor run, and a choice that cannot run is
    // not taken.
    EXPECT_NE(version.out.find(std::string("\npixel kernels: ") + KernelName(RunningKernels()) + "\n"),
              std::string::npos)
        << version.out;
    const ProcessResult plain = Shell("POLYEVOLVE_KERNELS=plain '" POLYEVOLVE_BIN "' --version");
    EXPECT_NE(plain.out.find("\npixel kernels: plain\n"), std::string::npos) << plain.out;
}

TEST(LongRun, TheWindowProgramTellsOfAnExistingProgressFile) {
    TempDir dir;
    const std::string target = dir.File("cat.bmp");
    WriteFile(target, ReadFile(POLYEVOLVE_SAMPLE));
    ASSERT_EQ(Batch({target, "--seed", "1", "--iterations", "100", "--save", target, "--quiet"}).status, 0);
    const ProcessResult r = RunProcess({POLYEVOLVE_BIN, target}, {"SDL_VIDEODRIVER=dummy"}, 30, 600);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err.rfind("A progress file <" + target + ".idx> exists; resume it with: polyevolve " +
                              target + " " + target + ".idx (pressing s now keeps it as <" + target +
                              ".idx.bak> if it is better).\n", 0),
              0u)
        << r.err;
}

}  // namespace

namespace {

// A seed repeats a run across resumes: N iterations saved and M resumed are the N + M of one
// run, byte for byte, with either search (a full drawing's refinement too) and any number of
// threads; a record from before the draws were kept still resumes, with a line.
TEST(LongRun, ARunResumedGoesOnAsIfItHadNeverStopped) {
    TempDir dir;
    struct Way {
        std::vector<std::string> options;
        int first, rest;
    };
    // The third stops a full drawing's refinement in the middle of a polygon's replacement.
    const std::vector<Way> ways = {{{"--search", "mutate"}, 300, 400},
                                   {{"--search", "shapes"}, 300, 400},
                                   {{"--search", "shapes", "--max-polygons", "3"}, 4120, 180},
                                   {{"--shape", "triangle,rectangle"}, 300, 400},
                                   {{"--shape", "rectangle", "--max-polygons", "4"}, 700, 300},
                                   {{"--shape", "any", "--max-polygons", "5"}, 900, 300}};
    for (const Way& way : ways)
        for (const std::string threads : {"1", "2"}) {
            std::vector<std::string> common = {POLYEVOLVE_SAMPLE, "--threads", threads, "--quiet"};
            common.insert(common.end(), way.options.begin(), way.options.end());
            auto run = [&](std::vector<std::string> more) {
                more.insert(more.begin(), common.begin(), common.end());
                return Batch(more);
            };
                        const ProcessResult whole = run({"--seed", "5", "--iterations", std::to_string(way.first + way.rest), "--save", dir.File("whole"), "--force"});
            ASSERT_EQ(whole.status, 0) << whole.err;
            ASSERT_EQ(run({"--seed", "5", "--iterations", std::to_string(way.first), "--save", dir.File("split"), "--force"}).status, 0);
            const std::vector<unsigned char> text = ReadFile(dir.File("split.json"));
            const nlohmann::json record = nlohmann::json::parse(text.begin(), text.end());
            if (way.first > 1000) {
                EXPECT_LT(record.at("replay_from"), record.at("draws"));
            }
            const ProcessResult rest = run({"--iterations", std::to_string(way.rest), "--resume", dir.File("split.idx"), "--save", dir.File("split")});
            ASSERT_EQ(rest.status, 0) << rest.err;
            EXPECT_EQ(ReadFile(dir.File("split.idx")), ReadFile(dir.File("whole.idx"))) << way.options.back() << " on " << threads;
            EXPECT_EQ(Fields(rest.out).at("seed"), "5");
            EXPECT_EQ(Fields(rest.out).at("error"), Fields(whole.out).at("error"));
        }
    // Without the draws in its record, the stream starts again from the record's seed.
    const std::vector<unsigned char> text = ReadFile(dir.File("split.json"));
    nlohmann::json record = nlohmann::json::parse(text.begin(), text.end());
    ASSERT_TRUE(record.contains("draws"));
    record.erase("draws");
    record.erase("replay_from");
    const std::string older = record.dump();
    WriteFile(dir.File("split.json"), std::vector<unsigned char>(older.begin(), older.end()));
    const ProcessResult restarted = Batch({POLYEVOLVE_SAMPLE, "--iterations", "10", "--resume", dir.File("split.idx"), "--quiet"});
    EXPECT_EQ(restarted.status, 0);
    EXPECT_NE(restarted.err.find("'s record does not say where its draws stood; they start again from its seed 5.\n"),
              std::string::npos) << restarted.err;
    // A record is never passed over in silence, its values are held to the command line's
    // bounds, and no count in it makes the resume replay without end.
    const std::string json = dir.File("split.json");
    for (const auto& [change, words] : std::vector<std::pair<std::string, std::string>>{
             {R"({"draws": 4611686018427387905})", "\"draws\" is 4611686018427387905, not a whole number from 0 to 4611686018427387904"},
             {R"({"draws": -1})", "\"draws\" is -1, not a whole number from 0 to 4611686018427387904"},
             {R"({"draws": 9007199254740992, "replay_from": 0})", "\"replay_from\" is 0, not a whole number from 9007199250546688 to 9007199254740992"},
             {R"({"max_size": 1})", "\"max_size\" is 1, not 0 or 2 to 32767"},
             {R"({"search": "best"})", "\"search\" is \"best\", not mutate or shapes"},
             {R"({"width": 0})", "\"width\" is 0, not a whole number from 1 to 32767"},
             {R"({"seed": "5"})", "\"seed\" is \"5\", not a whole number from 0 to 4294967295"},
             {"", "no \"program\""},
             {"not json", "not a run record (JSON object)"},
             {R"({"draws": 9007199254740992, "replay_from": 9007199254740000})", ""}}) {
        std::string text = older;
        if (change.empty())
            text = "{}";
        else if (change.front() != '{')
            text = change;
        else {
            nlohmann::json patched = record;
            patched.merge_patch(nlohmann::json::parse(change));
            text = patched.dump();
        }
        WriteFile(json, std::vector<unsigned char>(text.begin(), text.end()));
        const ProcessResult r = Batch({POLYEVOLVE_SAMPLE, "--iterations", "2", "--resume", dir.File("split.idx"), "--quiet"});
        EXPECT_EQ(r.status, 0) << change << r.err;
        const std::string line = "Run record <" + json + "> is damaged (" + words +
                                 "); resuming <" + dir.File("split.idx") + "> with the command line's search, settings and seed.\n";
        if (words.empty())
            EXPECT_EQ(r.err.find("is damaged"), std::string::npos) << change << r.err;
        else
            EXPECT_NE(r.err.find(line), std::string::npos) << change << r.err;
    }
    // Runs started together without --seed each draw from a seed of their own.
    const ProcessResult a = Batch({POLYEVOLVE_SAMPLE, "--iterations", "1", "--quiet"});
    const ProcessResult b = Batch({POLYEVOLVE_SAMPLE, "--iterations", "1", "--quiet"});
    EXPECT_NE(Fields(a.out).at("seed"), Fields(b.out).at("seed"));
}

}  // namespace

namespace {

std::string LastLine(const std::string& text) {
    const std::size_t end = text.find_last_not_of('\n');
    return end == std::string::npos ? "" : text.substr(text.rfind('\n', end) + 1, end - text.rfind('\n', end));
}

}  // namespace

// Many targets into a folder in one command: side by side, each saved by its name as a run of
// it alone would be (the same seed, the same drawing), a damaged file named and passed over,
// a summary and a status that tell of it; the same command again goes on from what the first
// left; and a stop signal ends the pictures in hand, each with its saves.
TEST(LongRun, AFolderOfTargetsInOneCommand) {
    TempDir dir;
    const std::string bad = dir.File("bad.png"), out = dir.File("out") + "/";
    WriteFile(bad, {'n', 'o'});
    const ProcessResult many = Batch({POLYEVOLVE_SAMPLE, POLYEVOLVE_HARBOUR, bad, "--seed", "5", "--iterations", "40",
                                      "--save", out, "--quiet"});
    EXPECT_EQ(many.status, 1) << many.err;
    EXPECT_NE(many.err.find("<" + bad + ">"), std::string::npos) << many.err;
    auto summary = Fields(LastLine(many.out));
    EXPECT_EQ(summary["pictures"], "3");
    EXPECT_EQ(summary["done"], "2");
    EXPECT_EQ(summary["failed"], "1");
    const ProcessResult alone = Batch({POLYEVOLVE_HARBOUR, "--seed", "5", "--iterations", "40", "--threads", "1", "--save",
                                       dir.File("alone"), "--quiet"});
    ASSERT_EQ(alone.status, 0);
    EXPECT_EQ(ReadFile(out + "harbour.idx"), ReadFile(dir.File("alone.idx")));
    EXPECT_TRUE(FileExists(out + "sunset.out.png") && FileExists(out + "sunset.out.svg"));

    const ProcessResult again = Batch({POLYEVOLVE_SAMPLE, POLYEVOLVE_HARBOUR, "--iterations", "40", "--save", out, "--quiet"});
    EXPECT_EQ(again.status, 0) << again.err;
    EXPECT_NE(again.out.find("generation:" + std::to_string(2 * 40 * 64 + 1)), std::string::npos) << again.out;

    const std::string stopped = dir.File("stopped") + "/";
    const ProcessResult sigint = Shell("'" POLYEVOLVE_BATCH_BIN "' '" POLYEVOLVE_SAMPLE "' '" POLYEVOLVE_HARBOUR "' --save '" +
                                       stopped + "' --quiet & pid=$!; sleep 1; kill -INT $pid; wait $pid");
    EXPECT_EQ(sigint.status, 128 + SIGINT) << sigint.err;
    summary = Fields(LastLine(sigint.out));
    EXPECT_EQ(summary["stopped"], "2") << sigint.out;
    EXPECT_GT(RealError(POLYEVOLVE_HARBOUR, stopped + "harbour.idx"), 0u);
    EXPECT_GT(RealError(POLYEVOLVE_SAMPLE, stopped + "sunset.idx"), 0u);
}
