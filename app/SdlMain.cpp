#include "app/SdlMain.h"

#include "app/Events.h"
#include "app/MainLoop.h"
#include "app/Window.h"
#include "cli/Numbers.h"
#include "cli/CommandLine.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/Target.h"
#include "evolve/BuildInfo.h"
#include "image/Image.h"
#include "image/KernelChoice.h"
#include "image/PictureKind.h"
#include "run/RunStart.h"

#include <SDL.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

namespace {

// POLYEVOLVE_THREADS, or one thread per online core; a bad value is reported and ignored.
int ThreadCount(std::ostream& err) {
    const char* text = std::getenv("POLYEVOLVE_THREADS");
    const int fallback = DefaultThreads();
    if (!text || !*text) return fallback;
    unsigned long long value = 0;
    if (!WholeNumber(text, 256, value) || value < 1) {
        err << "POLYEVOLVE_THREADS=" << text << " is not a whole number from 1 to 256; using "
            << fallback << ".\n";
        return fallback;
    }
    return int(value);
}

std::string About() {
    return std::string("Approximates the TARGET picture (") + PictureKindList() + ") with a few\n"
    "semi-transparent polygons, in a window: the best drawing on the left, the target on the\n"
    "right. PROGRESS.idx resumes a saved run.\n"
    "Keys: s saves the progress as TARGET.idx, b saves the drawing as TARGET.out.bmp and\n"
    "TARGET.out.svg, q quits.\n"
    "Environment: POLYEVOLVE_THREADS sets the threads (default: one per core, also the most);\n"
    "POLYEVOLVE_MAX_PIXELS the most pixels a picture may have (default 400000000);\n"
    "SDL_VIDEODRIVER=dummy runs without a window.\n"
    "Without a display: xvfb-run -a polyevolve TARGET";
}

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}


// The options come out first; the arguments left are the command line as it always was: the
// target, then a progress file only when it is the second of exactly two. -1 to go on, else
// the status to end with.
int ParseOptions(int argc, char** argv, std::vector<std::string>& arguments, RunOptions& run,
                 unsigned long long& zoom) {
    CLI::App app(About(), "polyevolve");
    app.add_option("TARGET PROGRESS.idx", arguments, "the picture, and a progress file to resume");
    AddRunOptions(app, run);
    app.add_option("--zoom", zoom, "show the pictures N times larger (a tiny picture), as far as the screen allows")
        ->check(WholeFrom(1, 64));
    const int parsed = ParseCommandLine(app, argc, argv, VersionText("polyevolve"));
    if (parsed >= 0) return parsed;
    if (const std::string problem = RunOptionsProblem(run); !problem.empty()) {
        std::cerr << problem << " (polyevolve --help lists the options)\n";
        return 2;
    }
    return -1;
}

// Without a display SDL falls back to painting the terminal with characters; an explicit
// SDL_VIDEODRIVER is the user's choice and obeyed.
bool HaveDisplay() {
    if (Set("SDL_VIDEODRIVER") || Set("DISPLAY") || Set("WAYLAND_DISPLAY")) return true;
    std::cerr << "polyevolve needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                 "without one, run it as: xvfb-run -a polyevolve TARGET\n";
    return false;
}

// A picture smaller than this on its longer side is hard to see at its own size.
constexpr int kSmallPicture = 100;

// A second start without the progress file is easy to make by mistake; say what is there.
void TellOfSavedProgress(const std::string& baseName) {
    const std::string saved = ProgressPath(baseName);
    if (!ProgressFileExists(saved)) return;
    std::cerr << "A progress file <" << saved << "> exists; resume it with: polyevolve " << ShellQuoted(baseName) << " "
              << ShellQuoted(saved) << " (pressing s now keeps it as <" << saved << ".bak> if it is better).\n";
}

}  // namespace

extern "C" int SDL_main(int argc, char** argv) {
    std::string baseName;
    std::string progressPath;
    std::vector<std::string> arguments;
    RunOptions run;
    unsigned long long zoom = 1;
    const int parsed = ParseOptions(argc, argv, arguments, run, zoom);
    if (parsed >= 0) return parsed;
    if (!KernelRequestUsable(std::cerr)) return 2;
    argc = int(arguments.size()) + 1;

    if (!HaveDisplay()) return -1;
    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::cerr << "Unable to initialize SDL!\n";
        return -1;
    }
    std::atexit(SDL_Quit);
    if (argc < 2) {
        std::cerr << "**** IMAGE NOT SPECIFIED ****!\n";
        return -1;
    }
    baseName = arguments[0];
    if (argc == 3) progressPath = arguments[1];

    RunStart start(baseName, progressPath, run);
    if (!start.LoadTarget(std::cerr)) return -1;
    const Image& target = *start.target;
    if (ScoredAreaOf(target.Width(), target.Height()).Pixels() == 0)
        std::cerr << "Target image <" << baseName << "> is " << target.Width() << " x " << target.Height()
                  << " pixels: one pixel high or wide leaves nothing to score, so every drawing's error is 0.\n";

    SDL_Surface* screen = OpenWindow(*start.target, std::cerr, int(zoom));
    if (!screen) {
        std::cerr << "Unable to open window!\n";
        return -1;
    }
    if (zoom == 1 && std::max(target.Width(), target.Height()) < kSmallPicture)
        std::cerr << "Target image <" << baseName << "> is " << target.Width() << " x " << target.Height()
                  << " pixels: --zoom N shows it N times larger.\n";
    // A fresh run's seed is the time it starts; a resumed one goes on with its record's draws.
    const std::time_t started = std::time(nullptr);
    const int threads = start.options.threads ? int(start.options.threads) : ThreadCount(std::cerr);
    if (!start.Begin(static_cast<unsigned>(started), EvaluatorKind::Fast, threads, std::cerr)) return -1;
    if (start.resumedDrawing) {
        DisplayBest(*start.test, screen);
    } else if (progressPath.empty()) {
        TellOfSavedProgress(baseName);
    }

    LoopState state(start, screen, started);
    while (state.running) Iterate(state, std::cerr);
    return 0;
}
