#pragma once

#include "cli/CommandLine.h"
#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/RunRecord.h"
#include "image/Image.h"

#include <iosfwd>
#include <memory>
#include <string>

// How every run starts, the window program's and the batch runner's alike, in two steps so
// that the window can open in between: first the target (the record of a resumed run taken
// in, the size evolved at settled, the picture loaded and scaled), then the run itself (the
// settings fixed once, the seed, the evolution state, the resume, the search, the draws put
// where the saved run stood). Each step says on `err` what went wrong, in one line.
class RunStart {
public:
    RunStart(std::string targetPath, std::string progressPath, RunOptions options);

    // The record, the working size and the target; false (a line said) when it cannot load.
    bool LoadTarget(std::ostream& err);
    // The run, seeded by --seed, the resumed record's seed or `freshSeed`; false when there
    // is no canvas. The search is `evaluator`'s on `threads`.
    bool Begin(unsigned freshSeed, EvaluatorKind evaluator, int threads, std::ostream& err);

    const std::string targetPath, progressPath;  // progressPath: the file resumed, or ""
    RunOptions options;                          // settled: the record's where the command line was silent
    std::unique_ptr<Image> target;               // as evolved
    int pictureWidth = 0, pictureHeight = 0;     // the picture's own size, which outputs are drawn at
    unsigned seed = 0;
    std::unique_ptr<GeneticTest> test;
    std::unique_ptr<Evaluator> search;
    RunRecord record;             // this run's, written beside every progress file it saves
    bool resumedDrawing = false;  // a progress file was read: its drawing is worth showing

private:
    // A resumed drawing of kinds held by parameters goes on in the shape search, with a line.
    void TakeShapeSearch(std::ostream& err);
    // The resumed progress file's record, its settings adopted where the command line is
    // silent; a line when there is none or it is damaged.
    void TakeRecord(std::ostream& err);
    RunRecord resumed;
    bool recorded = false;
};
