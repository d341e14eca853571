// Headless runner: the program's evolution without a window, for unattended runs, scripts
// and measurements. polyevolve-batch --help tells the options.

#include "tools/BatchFolder.h"
#include "tools/BatchOptions.h"
#include "tools/BatchRun.h"

#include "evolve/BuildInfo.h"
#include "files/RunSetup.h"
#include "image/Image.h"
#include "image/KernelChoice.h"
#include "run/RunStart.h"

#include <csignal>
#include <iostream>
#include <string>

namespace {

// One target's run: its checks, the run, the saves; the status to end with.
int RunOne(BatchOptions& options) {
    std::string keepPath;
    const int refused = CheckOutputs(options, keepPath);
    if (refused >= 0) return refused;

    RunStart start(options.target, options.resume, options.run);
    if (!start.LoadTarget(std::cerr)) return 1;
    const Image& target = *start.target;
    if (ScoredAreaOf(target.Width(), target.Height()).Pixels() == 0) {
        std::cerr << "Target image <" << options.target << "> is " << target.Width() << " x " << target.Height()
                  << " pixels: one pixel high or wide leaves nothing to score.\n";
        return 2;
    }
    // Said even with --quiet: a quiet run that keeps nothing is most likely a mistake.
    if (keepPath.empty() && options.frames.empty() && options.timelapse.empty())
        std::cerr << "Nothing will be saved: give --save PREFIX to keep the drawing.\n";
    const int threads = start.options.threads ? int(start.options.threads) : DefaultThreads();
    if (!start.Begin(FreshSeed(), options.evaluator, threads, std::cerr)) return 1;
    CatchStops();

    BatchRun run(options, start, keepPath);
    run.Loop();
    const int status = run.Finish();
    if (const int signal = StopSignal()) {
        // Stopped by a signal: end by it too, so a shell (or a loop over many pictures) sees
        // the run was interrupted and stops as well.
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    const int parsed = ParseBatchOptions(argc, argv, options, VersionText("polyevolve-batch"));
    if (parsed >= 0) return parsed;
    if (!KernelRequestUsable(std::cerr)) return 2;
    if (options.targets.empty()) return RunOne(options);
    const int status = RunFolder(options, &RunOne);
    if (const int signal = StopSignal()) {
        std::signal(signal, SIG_DFL);
        std::raise(signal);
    }
    return status;
}
