// Headless runner: the program's evolution without a window, for unattended runs, scripts
// and measurements. polyevolve-batch --help tells the options.

#include "tools/BatchOptions.h"
#include "tools/BatchProgress.h"

#include "files/DrawingFile.h"
#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/Target.h"
#include "genome/DrawStream.h"
#include "image/Downscale.h"
#include "image/Image.h"
#include "search/Search.h"

#include <signal.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

namespace {

volatile std::sig_atomic_t gStops = 0;

// The first SIGINT or SIGTERM asks the run to end after the current iteration; a second one
// quits at once (saves go through temporary files, so the last complete one stays whole).
void OnStop(int signal) {
    if (gStops > 0) _exit(128 + signal);
    gStops = gStops + 1;
}

void CatchStops() {
    struct sigaction action {};
    action.sa_handler = &OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

bool SaveFrame(GeneticTest& test, const std::string& path) {
    return SaveDrawing(test.best, test.target->Width(), test.target->Height(), 1.0, path);
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    std::string refused;
    if (!ParseBatchOptions(argc, argv, options, refused)) {
        std::cerr << refused << "\n" << kBatchUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kBatchUsage << kBatchHelp << kRunOptionsHelp;
        return 0;
    }
    std::unique_ptr<Image> target = LoadTarget(options.target, std::cerr, true);
    if (!target) return 1;
    bool scaled = false;
    if (options.maxSize) {
        int w, h;
        FitWithin(target->Width(), target->Height(), int(options.maxSize), w, h);
        if (w != target->Width() || h != target->Height()) {
            target = std::make_unique<Image>(Downscale(*target, w, h));
            scaled = true;
        }
    }
    UseTargetSize(*target);
    UseLimits(options.run.maxPolygons, options.run.maxPoints, options.run.alphaMin, options.run.alphaMax);
    const unsigned seed =
        options.haveSeed ? unsigned(options.seed) : unsigned(std::time(nullptr));
    std::srand(seed);

    GeneticTest test(target.get(), seed);
    if (!test.canvas.surface) {
        std::cerr << "Unable to create the canvas!\n";
        return 1;
    }
    if (!options.resume.empty()) ResumeProgress(test, options.resume, options.target, std::cerr);

    const int threads = options.threads ? int(options.threads) : DefaultThreads();
    SearchKind search = SearchKind::Mutate;
    ParseSearchKind(options.run.search, search);
    const auto evaluator = MakeSearch(search, options.evaluator, threads);
    const std::string autosavePath =
        ProgressPath(options.save.empty() ? options.target : options.save);
    CatchStops();

    ProgressReport report(std::cerr, isatty(STDERR_FILENO) == 1, options.quiet, seed, *target);
    using Clock = std::chrono::steady_clock;
    const auto begun = Clock::now();
    auto lastAutosave = begun;
    unsigned long long done = 0;
    auto elapsed = [&begun] { return std::chrono::duration<double>(Clock::now() - begun).count(); };
    auto finished = [&] {
        if (gStops) return true;
        if (options.haveIterations && done >= options.iterations) return true;
        if (options.haveError && test.bestError <= options.untilError) return true;
        if (options.haveRmse && Rmse(test.bestError, *target) <= options.untilRmse) return true;
        return options.haveSeconds && elapsed() >= options.seconds;
    };
    report.Update(0, 0.0, test, options);
    while (!finished()) {
        evaluator->Evolve(test);
        ++done;
        if (options.every && done % options.every == 0) {
            report.Clear();
            const std::string frame = FrameName(options.frames, done);
            if (!SaveFrame(test, frame)) std::cerr << "Unable to save frame <" << frame << ">.\n";
        }
        {  // the clock is cheap beside an iteration, and a slow iteration must not delay a save
            const double now = elapsed();
            report.Update(done, now, test, options);
            if (options.autosave > 0 &&
                std::chrono::duration<double>(Clock::now() - lastAutosave).count() >= options.autosave) {
                report.Clear();
                // A save takes draws (a scratch polygon); one on a timer must not change the
                // run, so the stream goes back to where it stood.
                const std::uint64_t at = test.draws.Position();
                SaveProgressTo(test, autosavePath, std::cerr);
                test.draws.Seek(at);
                lastAutosave = Clock::now();
            }
        }
    }
    const double seconds = elapsed();
    report.Finish(done, seconds, test, options);

    int status = 0;
    if (options.every && done % options.every != 0) {
        const std::string frame = FrameName(options.frames, done);
        if (!SaveFrame(test, frame)) {
            std::cerr << "Unable to save frame <" << frame << ">.\n";
            status = 1;
        }
    }
    if (!options.save.empty()) {
        if (!SaveProgressTo(test, ProgressPath(options.save), std::cerr)) status = 1;
        if (!SavePictureCommand(test, options.save, std::cerr, true)) status = 1;
        if (!SaveSvgCommand(test, SvgPath(options.save), std::cerr)) status = 1;
    }
    const double ips = seconds > 0 ? double(done) / seconds : 0.0;
    std::cout << "iterations:" << done << " seconds:" << seconds
              << " ips:" << static_cast<std::uint64_t>(ips) << " error:" << test.bestError
              << " generation:" << test.generation << " polygons:" << test.best.polygons.size()
              << " rmse:" << Rmse(test.bestError, *target);
    if (scaled) std::cout << " size:" << target->Width() << "x" << target->Height();
    std::cout << "\n";
    return status;
}
