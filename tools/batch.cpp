// Headless runner: the program's evolution without a window, for unattended runs, scripts
// and measurements. polyevolve-batch --help tells the options.

#include "tools/BatchOptions.h"
#include "tools/BatchProgress.h"

#include "files/DrawingFile.h"
#include "evolve/BuildInfo.h"
#include "evolve/Evaluator.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/RunRecord.h"
#include "files/RunSetup.h"
#include "files/Timelapse.h"
#include "files/Target.h"
#include "genome/DrawStream.h"
#include "image/Downscale.h"
#include "image/Image.h"
#include "search/Search.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstring>
#include <sstream>
#include <cstdlib>
#include <csignal>
#include <ctime>
#include <iostream>
#include <memory>
#include <new>
#include <string>

namespace {

volatile std::sig_atomic_t gStops = 0;
volatile std::sig_atomic_t gSignal = 0;

// The first SIGINT or SIGTERM asks the run to end after the current iteration; a second one
// quits at once (saves go through temporary files, so the last complete one stays whole).
void OnStop(int signal) {
    if (gStops > 0) _exit(128 + signal);
    gSignal = signal;
    gStops = gStops + 1;
}

void CatchStops() {
    struct sigaction action {};
    action.sa_handler = &OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

// Frames are named by the candidates evaluated so far (the generation less one), so a
// resumed run goes on with the numbers where the last one stopped.
std::string FrameFor(const BatchOptions& options, const GeneticTest& test) {
    return FrameName(options.frames, test.generation - 1);
}

// At the picture's own size, however large the copy evolved is.
bool SaveFrame(GeneticTest& test, int pictureWidth, int pictureHeight, const std::string& path) {
    return SaveDrawing(test.best, OutputSizeFor(test.target->Width(), test.target->Height(), pictureWidth, pictureHeight),
                       path);
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
}

// A folder files can be written in, or the reason why not.
bool Writable(const std::string& folder, std::string& why) {
    if (access(folder.c_str(), W_OK | X_OK) == 0) return true;
    why = std::strerror(errno);
    return false;
}

bool SameFile(const std::string& a, const std::string& b) {
    struct stat x, y;
    return stat(a.c_str(), &x) == 0 && stat(b.c_str(), &y) == 0 && x.st_dev == y.st_dev && x.st_ino == y.st_ino;
}

}  // namespace

int main(int argc, char** argv) {
    BatchOptions options;
    const int parsed = ParseBatchOptions(argc, argv, options, VersionText("polyevolve-batch"));
    if (parsed >= 0) return parsed;
    RunOptions& run = options.run;

    // Where the run's progress goes, checked before any work: a progress file there that is
    // not the one resumed may hold a better drawing of another run.
    const std::string keepPath =
        !options.save.empty() ? ProgressPath(options.save) : run.autosave > 0 ? ProgressPath(options.target) : "";
    if (!keepPath.empty() && ProgressFileExists(keepPath) && !options.force &&
        !(!options.resume.empty() && SameFile(keepPath, options.resume))) {
        std::cerr << "<" << keepPath << "> holds another run's progress: go on with it with --resume " << keepPath
                  << ", or replace it with --force.\n";
        return 2;
    }
    std::string why;
    if (!keepPath.empty() && !Writable(FolderOf(keepPath), why)) {
        std::cerr << "Cannot write in <" << FolderOf(keepPath) << "> (" << why << ").\n";
        return 2;
    }
    if (!options.timelapse.empty() && !Writable(FolderOf(options.timelapse), why)) {
        std::cerr << "Cannot write the time-lapse in <" << FolderOf(options.timelapse) << "> (" << why << ").\n";
        return 2;
    }
    if (!options.frames.empty() && !Writable(FolderOf(options.frames), why)) {
        std::cerr << "Cannot write frames in <" << FolderOf(options.frames) << "> (" << why << ").\n";
        return 2;
    }
    RunRecord record;
    const bool recorded = !options.resume.empty() && LoadRecord(RecordPath(options.resume), record);
    if (recorded) AdoptRecord(record, options.resume, run, std::cerr);
    SettleWorkingSize(run);

    std::unique_ptr<Image> picture = LoadTarget(options.target, std::cerr, int(run.maxSize), run.background);
    if (!picture) return 1;
    const int pictureWidth = picture->Width(), pictureHeight = picture->Height();
    const std::unique_ptr<Image> target = EvolvedTarget(std::move(picture), run, options.target, std::cerr);
    const bool scaled = target->Width() != pictureWidth || target->Height() != pictureHeight;
    if (ScoredAreaOf(target->Width(), target->Height()).Pixels() == 0) {
        std::cerr << "Target image <" << options.target << "> is " << target->Width() << " x " << target->Height()
                  << " pixels: one pixel high or wide leaves nothing to score.\n";
        return 2;
    }
    if (keepPath.empty() && options.frames.empty() && options.timelapse.empty() && !options.quiet)
        std::cerr << "Nothing will be saved: give --save PREFIX to keep the drawing.\n";
    UseTargetSize(*target);
    UseLimits(run.maxPolygons, run.maxPoints, run.alphaMin, run.alphaMax);
    const unsigned seed = RunSeed(run, recorded ? &record : nullptr, FreshSeed());
    std::srand(seed);

    GeneticTest test(target.get(), seed);
    if (!test.canvas.surface) {
        std::cerr << "Unable to create the canvas!\n";
        return 1;
    }
    if (!options.resume.empty()) {
        if (recorded) CheckRecordSize(record, options.resume, *target, options.target, std::cerr);
        ResumeProgress(test, options.resume, options.target, std::cerr);
    }

    const int threads = run.threads ? int(run.threads) : DefaultThreads();
    SearchKind search = SearchKind::Mutate;
    ParseSearchKind(run.search.empty() ? "mutate" : run.search, search);
    const auto evaluator = MakeSearch(search, options.evaluator, threads);
    if (!options.resume.empty()) ContinueDraws(test, *evaluator, run, recorded ? &record : nullptr, options.resume, std::cerr);
    RunRecord ours = MakeRecord(test, options.target, pictureWidth, pictureHeight, run, seed);
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
    // The time-lapse: a frame every N iterations, or frames spread over the iterations or the
    // seconds asked for, log-spaced so that the early changes show.
    std::unique_ptr<Timelapse> lapse;
    std::uint64_t lapseIndex = 0;
    auto lapseDue = [&](double now) {
        const double k = double(lapseIndex) / double(options.timelapseFrames - 1);
        if (options.haveIterations) return double(done) >= std::floor(std::pow(double(options.iterations), k));
        return now >= std::pow(options.seconds + 1.0, k) - 1.0;
    };
    auto lapseFrame = [&] {
        if (lapse && !lapse->Add(test.best)) {
            report.Clear();
            std::cerr << "Unable to add a frame to <" << lapse->Path() << ">.\n";
            lapse.reset();
        }
        ++lapseIndex;
    };
    if (!options.timelapse.empty()) {
        lapse = std::make_unique<Timelapse>(options.timelapse, target->Width(), target->Height(), pictureWidth,
                                            pictureHeight);
        lapseFrame();
    }

    report.Update(0, 0.0, test, options);
    bool outOfMemory = false;
    while (!finished() && !outOfMemory) {
        try {
            evaluator->Evolve(test);
        } catch (const std::bad_alloc&) {
            // A candidate may have been cut short half made: the drawing is scored as it stands,
            // so what is saved tells its true error.
            report.Clear();
            std::cerr << "Out of memory after " << done << " iterations; the run ends here.\n";
            test.bestError = test.RenderBest().Compare(*target);
            outOfMemory = true;
            continue;
        }
        ++done;
        if (options.every && done % options.every == 0 && !options.frames.empty()) {
            report.Clear();
            const std::string frame = FrameFor(options, test);
            if (!SaveFrame(test, pictureWidth, pictureHeight, frame)) std::cerr << "Unable to save frame <" << frame << ">.\n";
        }
        if (lapse && options.every) {
            if (done % options.every == 0) lapseFrame();  // one frame each N iterations
        } else if (lapse) {
            const double now = elapsed();
            while (lapseIndex + 1 < options.timelapseFrames && lapseDue(now)) lapseFrame();
        }
        {  // the clock is cheap beside an iteration, and a slow iteration must not delay a save
            const double now = elapsed();
            report.Update(done, now, test, options);
            if (run.autosave > 0 &&
                std::chrono::duration<double>(Clock::now() - lastAutosave).count() >= run.autosave) {
                // A save takes draws (a scratch polygon); one on a timer must not change the
                // run, so the stream goes back to where it stood. Quiet unless it fails.
                const std::uint64_t at = test.draws.Position();
                StampDraws(ours, test, *evaluator);
                std::ostringstream said;
                if (!SaveRun(test, keepPath, ours, said, true, true)) {
                    report.Clear();
                    std::cerr << said.str();
                }
                test.draws.Seek(at);
                lastAutosave = Clock::now();
            }
        }
    }
    const double seconds = elapsed();
    // A run of no iterations has scored nothing yet: it tells the first drawing's true error.
    if (test.bestError == GeneticTest::InitialError) test.bestError = test.RenderBest().Compare(*target);
    report.Finish(done, seconds, test, options);

    int status = outOfMemory ? 1 : 0;
    if (lapse) {
        if (!options.every || done % options.every != 0) lapseFrame();  // the end, unless just taken
        const int frames = lapse->Frames();
        if (lapse->Finish()) {
            std::cerr << "Saved a time-lapse of " << frames << " frames to <" << options.timelapse << ">.\n";
        } else {
            std::cerr << "Unable to save the time-lapse <" << options.timelapse << ">.\n";
            status = 1;
        }
    }
    if (options.every && done % options.every != 0 && !options.frames.empty()) {
        const std::string frame = FrameFor(options, test);
        if (!SaveFrame(test, pictureWidth, pictureHeight, frame)) {
            std::cerr << "Unable to save frame <" << frame << ">.\n";
            status = 1;
        }
    }
    if (!options.save.empty()) {
        StampDraws(ours, test, *evaluator);
        if (!SaveRun(test, keepPath, ours, std::cerr, false, true)) status = 1;
        // PNG, the picture people share, of the part of the target the error counts.
        const std::string png = options.save + ".out.png";
        SDL_ClearError();
        errno = 0;
        if (SaveFrame(test, pictureWidth, pictureHeight, png)) {
            std::cerr << "Saved PNG to <" << png << ">.\n";
        } else {
            const std::string reason = SaveFailureReason();
            std::cerr << "Unable to save PNG to <" << png << ">" << Because(reason) << ".\n";
            status = 1;
        }
        if (!SaveSvgCommand(test, SvgPath(options.save), std::cerr, pictureWidth, pictureHeight)) status = 1;
    }
    const double ips = seconds > 0 ? double(done) / seconds : 0.0;
    std::cout << "iterations:" << done << " seconds:" << seconds
              << " ips:" << static_cast<std::uint64_t>(ips) << " error:" << test.bestError
              << " generation:" << test.generation << " polygons:" << test.best.polygons.size()
              << " rmse:" << Rmse(test.bestError, *target);
    if (scaled) std::cout << " size:" << target->Width() << "x" << target->Height();
    std::cout << " seed:" << seed << " target:" << options.target << "\n" << std::flush;
    if (gStops) {
        // Stopped by a signal: end by it too, so a shell (or a loop over many pictures) sees
        // the run was interrupted and stops as well.
        std::signal(int(gSignal), SIG_DFL);
        std::raise(int(gSignal));
    }
    return status;
}
