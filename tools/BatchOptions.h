#pragma once

#include "cli/CommandLine.h"
#include "evolve/Evaluator.h"

#include <string>
#include <vector>

// The batch runner's command line.
struct BatchOptions {
    std::string target, resume, save, frames, timelapse;
    // Many targets, with --save FOLDER/: each run on its own, its files FOLDER/NAME.* (empty
    // for one target).
    std::vector<std::string> targets;
    unsigned long long timelapseFrames = 200;  // spread over the run when --every is not given
    // Stop conditions; the run ends at whichever comes first, or when interrupted.
    bool haveIterations = false, haveSeconds = false, haveError = false, haveRmse = false;
    unsigned long long iterations = 0, untilError = 0;
    double seconds = 0, untilRmse = 0;
    EvaluatorKind evaluator = EvaluatorKind::Fast;
    unsigned long long every = 0;    // a frame every this many iterations
    RunOptions run;                  // seed, threads, --max-size, --autosave, the search and limits
    bool quiet = false;
    // The saved SVG's style (--viewbox, --blur, --data-uri), and --placeholder: a run suited to
    // a web page's placeholder, saved as one.
    bool viewBox = false, dataUri = false, placeholder = false;
    double blur = 0;
    bool force = false;              // may replace PREFIX.idx of another run
    bool tellSaves = true;           // a line for each save at the end (a folder's runs: failures only)
};

// Parses the command line: -1 to go on, else the status to end with (--help, --version, a
// refused argument).
int ParseBatchOptions(int argc, char** argv, BatchOptions& options, const std::string& version);

// Whether --save names a folder: it ends in '/' or is one.
bool SavesInFolder(const std::string& save);
// Each target's prefix in the folder `save`: FOLDER/NAME, NAME its file name without the
// extension.
std::string PrefixInFolder(const std::string& save, const std::string& target);

// Writes the frame name for an iteration count from a pattern ParseBatchOptions accepted.
std::string FrameName(const std::string& pattern, unsigned long long iterations);
