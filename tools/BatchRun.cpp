#include "tools/BatchRun.h"

#include "files/DrawingFile.h"
#include "files/OutputFiles.h"
#include "files/RunSetup.h"
#include "files/VectorFile.h"
#include "image/Image.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <iostream>
#include <new>
#include <sstream>

namespace {

volatile std::sig_atomic_t gStops = 0;
volatile std::sig_atomic_t gSignal = 0;

void OnStop(int signal) {
    if (gStops > 0) _exit(128 + signal);
    gSignal = signal;
    gStops = gStops + 1;
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

int CheckOutputs(const BatchOptions& options, std::string& keepPath) {
    const RunOptions& run = options.run;
    keepPath = !options.save.empty() ? ProgressPath(options.save) : run.autosave > 0 ? ProgressPath(options.target) : "";
    if (!keepPath.empty() && ProgressFileExists(keepPath) && !options.force &&
        !(!options.resume.empty() && SameFile(keepPath, options.resume))) {
        std::cerr << "<" << keepPath << "> holds another run's progress: go on with it with --resume "
                  << ShellQuoted(keepPath) << ", or replace it with --force.\n";
        return 2;
    }
    const std::pair<std::string, std::string> places[] = {
        {keepPath, "Cannot write in <"}, {options.timelapse, "Cannot write the time-lapse in <"},
        {options.frames, "Cannot write frames in <"}};
    for (const auto& [path, words] : places) {
        std::string why;
        if (!path.empty() && !Writable(FolderOf(path), why)) {
            std::cerr << words << FolderOf(path) << "> (" << why << ").\n";
            return 2;
        }
    }
    return -1;
}

void CatchStops() {
    struct sigaction action {};
    action.sa_handler = &OnStop;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
}

int StopSignal() { return gStops ? int(gSignal) : 0; }

BatchRun::BatchRun(const BatchOptions& options_, RunStart& start_, std::string keepPath_)
    : options(options_), start(start_), test(*start_.test), keepPath(std::move(keepPath_)),
      report(std::cerr, isatty(STDERR_FILENO) == 1, options_.quiet, start_.seed, *start_.target),
      begun(Clock::now()), lastAutosave(begun) {
    if (!options.timelapse.empty()) {
        lapse = std::make_unique<Timelapse>(options.timelapse, start.target->Width(), start.target->Height(),
                                            start.pictureWidth, start.pictureHeight);
        LapseFrame();
    }
    report.Update(0, 0.0, test, options);
}

bool BatchRun::Finished() const {
    if (gStops) return true;
    if (options.haveIterations && done >= options.iterations) return true;
    if (options.haveError && test.bestError <= options.untilError) return true;
    if (options.haveRmse && Rmse(test.bestError, *start.target) <= options.untilRmse) return true;
    return options.haveSeconds && Elapsed() >= options.seconds;
}

// Frames spread over the iterations or the seconds asked for, log-spaced so that the early
// changes show.
bool BatchRun::LapseDue(double now) const {
    const double k = double(lapseIndex) / double(options.timelapseFrames - 1);
    if (options.haveIterations) return double(done) >= std::floor(std::pow(double(options.iterations), k));
    return now >= std::pow(options.seconds + 1.0, k) - 1.0;
}

void BatchRun::LapseFrame() {
    if (lapse && !lapse->Add(test.best)) {
        report.Clear();
        std::cerr << "Unable to add a frame to <" << lapse->Path() << ">.\n";
        lapse.reset();
    }
    ++lapseIndex;
}

// At the picture's own size, however large the copy evolved is; named by the candidates
// evaluated so far (the generation less one), so a resumed run goes on with the numbers.
bool BatchRun::SaveFrame(const std::string& path) const {
    return SaveDrawing(test.best,
                       OutputSizeFor(start.target->Width(), start.target->Height(), start.pictureWidth,
                                     start.pictureHeight),
                       path);
}

void BatchRun::Loop() {
    while (!Finished() && Step()) {
        ++done;
        AfterStep();
    }
}

bool BatchRun::Step() {
    try {
        const std::uint32_t before = test.generation;
        start.search->Evolve(test);
        candidates += std::uint32_t(test.generation - before);
        return true;
    } catch (const std::bad_alloc&) {
        // A candidate may have been cut short half made: the drawing is scored as it stands,
        // so what is saved tells its true error.
        report.Clear();
        std::cerr << "Out of memory after " << done << " iterations; the run ends here.\n";
        test.bestError = test.RenderBest().Compare(*start.target);
        outOfMemory = true;
        return false;
    }
}

void BatchRun::AfterStep() {
    if (options.every && done % options.every == 0 && !options.frames.empty()) {
        const std::string frame = FrameName(options.frames, test.generation - 1);
        SDL_ClearError();
        errno = 0;
        if (SaveFrame(frame)) {
            frameFailure.Succeeded();
        } else {
            const std::string reason = SaveFailureReason();
            if (frameFailure.Due(reason)) {
                report.Clear();
                std::cerr << "Unable to save frame <" << frame << ">" << Because(reason)
                          << "; said again only for another reason.\n";
            }
        }
    }
    if (lapse && options.every) {
        if (done % options.every == 0) LapseFrame();  // one frame each N iterations
    } else if (lapse) {
        const double now = Elapsed();
        while (lapseIndex + 1 < options.timelapseFrames && LapseDue(now)) LapseFrame();
    }
    // The clock is cheap beside an iteration, and a slow iteration must not delay a save.
    report.Update(done, Elapsed(), test, options);
    if (start.options.autosave > 0 &&
        std::chrono::duration<double>(Clock::now() - lastAutosave).count() >= start.options.autosave)
        Autosave();
}

void BatchRun::Autosave() {
    // A save takes draws (a scratch polygon); one on a timer must not change the run, so the
    // stream goes back to where it stood. Quiet unless it fails.
    const std::uint64_t at = test.draws.Position();
    StampDraws(start.record, test, *start.search);
    std::ostringstream said;
    if (SaveRun(test, keepPath, start.record, said, true, true)) {
        autosaveFailure.Succeeded();
    } else if (autosaveFailure.Due(said.str())) {
        report.Clear();
        std::cerr << said.str();
    }
    test.draws.Seek(at);
    lastAutosave = Clock::now();
}

int BatchRun::Finish() {
    const double seconds = Elapsed();
    // A run of no iterations has scored nothing yet: it tells the first drawing's true error.
    if (test.bestError == GeneticTest::InitialError) test.bestError = test.RenderBest().Compare(*start.target);
    report.Finish(done, seconds, test, options);
    int status = outOfMemory ? 1 : 0;
    if (lapse) {
        if (!options.every || done % options.every != 0) LapseFrame();  // the end, unless just taken
        const int frames = lapse->Frames();
        if (lapse->Finish()) {
            std::cerr << "Saved a time-lapse of " << frames << " frames to <" << options.timelapse << ">.\n";
        } else {
            std::cerr << "Unable to save the time-lapse <" << options.timelapse << ">.\n";
            status = 1;
        }
    }
    if (options.every && done % options.every != 0 && !options.frames.empty()) {
        const std::string frame = FrameName(options.frames, test.generation - 1);
        SDL_ClearError();
        errno = 0;
        if (!SaveFrame(frame)) {
            std::cerr << "Unable to save frame <" << frame << ">" << Because(SaveFailureReason()) << ".\n";
            status = 1;
        }
    }
    if (!options.save.empty() && SaveAll() != 0) status = 1;
    const double ips = seconds > 0 ? double(done) / seconds : 0.0;
    const Image& target = *start.target;
    std::cout << "iterations:" << done << " candidates:" << candidates << " seconds:" << seconds << " ips:" << static_cast<std::uint64_t>(ips)
              << " error:" << test.bestError << " generation:" << test.generation
              << " polygons:" << test.best.polygons.size() << " rmse:" << Rmse(test.bestError, target);
    if (target.Width() != start.pictureWidth || target.Height() != start.pictureHeight)
        std::cout << " size:" << target.Width() << "x" << target.Height();
    std::cout << " seed:" << start.seed << " target:" << ShellQuoted(options.target) << "\n" << std::flush;
    return status;
}

// The progress and its record, and the drawing as PNG (the picture people share) and SVG.
int BatchRun::SaveAll() {
    int status = 0;
    StampDraws(start.record, test, *start.search);
    if (!SaveRun(test, keepPath, start.record, std::cerr, !options.tellSaves, true)) status = 1;
    std::ostringstream untold;
    std::ostream& told = options.tellSaves ? static_cast<std::ostream&>(std::cerr) : untold;
    const std::string png = options.save + ".out.png";
    SDL_ClearError();
    errno = 0;
    // A placeholder's picture is the small copy it was drawn on (its SVG is what scales): a
    // photo's own size would cost more than its whole run.
    const int w = start.target->Width(), h = start.target->Height();
    if (options.placeholder ? SaveDrawing(test.best, OutputSizeFor(w, h, w, h), png) : SaveFrame(png)) {
        told << "Saved PNG to <" << png << ">.\n";
    } else {
        const std::string reason = SaveFailureReason();
        std::cerr << "Unable to save PNG to <" << png << ">" << Because(reason) << ".\n";
        status = 1;
    }
    const OutputSize size = OutputSizeFor(start.target->Width(), start.target->Height(), start.pictureWidth,
                                          start.pictureHeight);
    SvgStyle style = options.placeholder ? PlaceholderStyle(0.015 * std::max(size.OutWidth(), size.OutHeight()))
                                         : SvgStyle();
    style.dataUri = false;
    style.viewBoxOnly = style.viewBoxOnly || options.viewBox;
    if (options.blur > 0) style.blur = options.blur;
    const std::string svg = SvgPath(options.save), uri = options.save + ".out.txt";
    errno = 0;
    if (SaveSvg(test.best, size, svg, style)) {
        told << "Saved SVG to <" << svg << ">.\n";
    } else {
        std::cerr << "Unable to save SVG to <" << svg << ">" << Because(errno ? std::strerror(errno) : "") << ".\n";
        status = 1;
    }
    if (options.dataUri || options.placeholder) {
        style.dataUri = true;
        errno = 0;
        if (SaveSvg(test.best, size, uri, style)) {
            told << "Saved the SVG as a data URI to <" << uri << ">.\n";
        } else {
            std::cerr << "Unable to save the data URI to <" << uri << ">" << Because(errno ? std::strerror(errno) : "")
                      << ".\n";
            status = 1;
        }
    }
    return status;
}
