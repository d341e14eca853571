#pragma once

#include "cli/CommandLine.h"
#include "evolve/Evaluator.h"

#include <string>

// The batch runner's command line.
struct BatchOptions {
    std::string target, resume, save, frames, timelapse;
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
};

// Parses the command line: -1 to go on, else the status to end with (--help, --version, a
// refused argument).
int ParseBatchOptions(int argc, char** argv, BatchOptions& options, const std::string& version);

// Writes the frame name for an iteration count from a pattern ParseBatchOptions accepted.
std::string FrameName(const std::string& pattern, unsigned long long iterations);
