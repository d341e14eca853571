#pragma once

#include "cli/RunOptions.h"
#include "evolve/Evaluator.h"

#include <string>

// The batch runner's command line.
struct BatchOptions {
    std::string target, resume, save, frames;
    bool haveSeed = false;
    unsigned long long seed = 0;
    // Stop conditions; the run ends at whichever comes first, or when interrupted.
    bool haveIterations = false, haveSeconds = false, haveError = false, haveRmse = false;
    unsigned long long iterations = 0, untilError = 0;
    double seconds = 0, untilRmse = 0;
    EvaluatorKind evaluator = EvaluatorKind::Fast;
    unsigned long long threads = 0;  // 0: one per online core
    double autosave = 0;             // seconds; 0: none
    unsigned long long every = 0;    // a frame every this many iterations
    unsigned long long maxSize = 0;  // 0: the target as it is
    RunOptions run;                  // the search and the drawing's limits
    bool quiet = false;
    bool help = false;
};

extern const char* const kBatchUsage;
extern const char* const kBatchHelp;

// True when the arguments make sense; otherwise `error` names the refused argument and why.
bool ParseBatchOptions(int argc, char** argv, BatchOptions& options, std::string& error);

// Writes the frame name for an iteration count from a pattern ParseBatchOptions accepted.
std::string FrameName(const std::string& pattern, unsigned long long iterations);
