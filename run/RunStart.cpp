#include "run/RunStart.h"

#include "files/OutputFiles.h"
#include "files/RunSetup.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "search/Search.h"
#include "search/Shape.h"

#include <algorithm>
#include <cstdlib>
#include <ostream>
#include <utility>

RunStart::RunStart(std::string targetPath_, std::string progressPath_, RunOptions options_)
    : targetPath(std::move(targetPath_)), progressPath(std::move(progressPath_)), options(std::move(options_)) {}

bool RunStart::LoadTarget(std::ostream& err) {
    if (!progressPath.empty()) TakeRecord(err);
    SettleWorkingSize(options);
    // Also refuses targets too large for the window's 16-bit row length or the 16-bit
    // vertex coordinates.
    std::unique_ptr<Image> picture =
        ::LoadTarget(targetPath, err, int(options.maxSize), options.background, &pictureWidth, &pictureHeight);
    if (!picture) return false;
    target = EvolvedTarget(std::move(picture), options, targetPath, pictureWidth, pictureHeight, err);
    return true;
}

void RunStart::TakeRecord(std::ostream& err) {
    const std::string path = RecordPath(progressPath);
    std::string why;
    switch (LoadRecord(path, resumed, why)) {
    case RecordLoad::Loaded:
        recorded = true;
        AdoptRecord(resumed, progressPath, options, err);
        return;
    case RecordLoad::Damaged:
        err << "Run record <" << path << "> is damaged (" << why << "); resuming <" << progressPath
            << "> with the command line's search, settings and seed.\n";
        return;
    case RecordLoad::Missing:
        // A file from before records, or one copied without its record: say what the run
        // takes instead of what it cannot know.
        if (ProgressFileExists(progressPath))
            err << "Progress file <" << progressPath << "> has no run record <" << path
                << ">; resuming it with the command line's search, settings and seed.\n";
        return;
    }
}

bool RunStart::Begin(unsigned freshSeed, EvaluatorKind evaluator, int threads, std::ostream& err) {
    UseTargetSize(*target);
    // What the drawing is painted on: --background for the shape search, else the resumed
    // record's (the drawing was made on it), else the shape search's own, the picture's mean
    // colour, which it need not spend shapes on; the exact run's canvas is black.
    const bool shapes = options.search == "shapes";
    Settings::Background = int(shapes && options.backgroundGiven ? options.background
                               : recorded                        ? resumed.background
                               : shapes                          ? MeanColour(*target)
                                                                 : 0);
    SettleAlpha(options);
    UseLimits(options.maxPolygons, options.maxPoints, options.alphaMin, options.alphaMax);
    const RunRecord* saved = recorded ? &resumed : nullptr;
    seed = RunSeed(options, saved, freshSeed);
    std::srand(seed);
    test = std::make_unique<GeneticTest>(target.get(), seed);
    if (!test->canvas.surface) {
        err << "Unable to create the canvas!\n";
        return false;
    }
    if (!progressPath.empty()) {
        if (recorded) CheckRecordSize(resumed, progressPath, *target, targetPath, err);
        resumedDrawing = ResumeProgress(*test, progressPath, targetPath, err);
    }
    if (resumedDrawing && test->best.Parametric() && options.search != "shapes") TakeShapeSearch(err);
    SearchKind kind = SearchKind::Mutate;
    ParseSearchKind(options.search, kind);
    // More threads than cores only take turns, and every batch then waits for a thread that
    // is not running: at most one a core (the run is the same for any number).
    unsigned kinds = kPolygon;
    ParseShapeKinds(options.shapes, kinds);
    search = MakeSearch(kind, evaluator, std::min(threads, DefaultThreads()), kinds);
    if (!progressPath.empty()) ContinueDraws(*test, *search, options, saved, progressPath, err);
    record = MakeRecord(*test, targetPath, pictureWidth, pictureHeight, options, seed);
    return true;
}

void RunStart::TakeShapeSearch(std::ostream& err) {
    // The exact run's operators change vertices; a drawing of ellipses or curves is the shape
    // search's to go on with, in the kinds it holds.
    unsigned kinds = 0;
    ParseShapeKinds(options.shapes, kinds);
    for (const DnaPolygon& polygon : test->best.polygons)
        if (polygon.Parametric()) kinds |= 1u << polygon.kind;
    options.search = "shapes";
    options.shapes = ShapeKindNames(kinds);
    if (!recorded && !options.backgroundGiven) Settings::Background = int(MeanColour(*target));
    err << "Progress file <" << progressPath << "> holds shapes the exact run cannot change; resuming it with"
        << " --search shapes --shape " << options.shapes << ".\n";
}
