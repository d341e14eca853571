#include "app/SdlMain.h"

#include "app/Events.h"
#include "app/MainLoop.h"
#include "app/Window.h"
#include "cli/Numbers.h"
#include "cli/RunOptions.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/Target.h"
#include "genome/DrawStream.h"
#include "image/Image.h"
#include "search/Search.h"

#include <SDL.h>

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

const char* const kUsage =
    "usage: polyevolve TARGET [PROGRESS.idx] [--search mutate|shapes] [--max-polygons N]\n"
    "                  [--max-points N] [--alpha MIN,MAX]\n"
    "Approximates the TARGET picture (BMP, PNG, JPEG, GIF, TIFF, WebP, TGA) with a few\n"
    "semi-transparent polygons, in a window: the best drawing on the left, the target on the\n"
    "right. PROGRESS.idx resumes a saved run.\n"
    "Keys: s saves the progress as TARGET.idx, b saves the drawing as TARGET.out.bmp and\n"
    "TARGET.out.svg, q quits.\n"
    "Environment: POLYEVOLVE_THREADS sets the threads (default: one per core);\n"
    "SDL_VIDEODRIVER=dummy runs without a window.\n"
    "Without a display: xvfb-run -a polyevolve TARGET\n";

bool Set(const char* name) {
    const char* value = std::getenv(name);
    return value && *value;
}

}  // namespace

extern "C" int SDL_main(int argc, char** argv) {
    std::string baseName;
    std::string progressPath;

    // The run options come out first; what is left is the command line as it always was.
    RunOptions run;
    std::vector<char*> positional{argv[0]};
    for (int i = 1; i < argc; ++i) {
        std::string refused;
        if (TakeRunOption(argc, argv, i, run, refused)) {
            if (!refused.empty()) {
                std::cerr << refused << " (polyevolve --help lists the options)\n";
                return 2;
            }
        } else {
            positional.push_back(argv[i]);
        }
    }
    argc = int(positional.size());
    positional.push_back(nullptr);
    argv = positional.data();

    if (argc >= 2 && (std::string(argv[1]) == "--help" || std::string(argv[1]) == "-h")) {
        std::cout << kUsage << kRunOptionsHelp;
        return 0;
    }
    if (argc >= 2 && std::string(argv[1]) == "--version") {
        // Which source the run's random draws come from on this machine.
        const bool own = DrawStream::MatchesLibrary(static_cast<unsigned>(std::time(nullptr)));
        std::cout << "polyevolve " << POLYEVOLVE_VERSION << "\nrandom draws: "
                  << DrawStream::Name(own ? DrawStream::Source::Generator : DrawStream::Source::Library)
                  << "\n";
        return 0;
    }
    // Without a display SDL falls back to painting the terminal with characters; an explicit
    // SDL_VIDEODRIVER is the user's choice and obeyed.
    if (!Set("SDL_VIDEODRIVER") && !Set("DISPLAY") && !Set("WAYLAND_DISPLAY")) {
        std::cerr << "polyevolve needs a display (neither DISPLAY nor WAYLAND_DISPLAY is set); "
                     "without one, run it as: xvfb-run -a polyevolve TARGET\n";
        return -1;
    }

    if (SDL_Init(SDL_INIT_VIDEO) < 0) {
        std::cerr << "Unable to initialize SDL!\n";
        return -1;
    }
    std::atexit(SDL_Quit);
    if (argc < 2) {
        std::cerr << "**** IMAGE NOT SPECIFIED ****!\n";
        return -1;
    }

    // Also refuses targets too large for the window's 16-bit row length or the 16-bit
    // vertex coordinates.
    const std::unique_ptr<Image> target = LoadTarget(argv[1], std::cerr);
    if (!target) return -1;

    baseName = argv[1];
    if (argc == 3) progressPath = argv[2];

    SDL_Surface* screen = OpenWindow(*target);
    if (!screen) {
        std::cerr << "Unable to open window!\n";
        return -1;
    }
    UseTargetSize(*target);
    UseLimits(run.maxPolygons, run.maxPoints, run.alphaMin, run.alphaMax);

    const std::time_t start = std::time(nullptr);
    std::srand(static_cast<unsigned>(start));

    GeneticTest test(target.get(), static_cast<unsigned>(start));
    if (!test.canvas.surface) {
        std::cerr << "Unable to create the canvas!\n";
        return -1;
    }
    if (!progressPath.empty()) {
        ResumeCommand(test, progressPath, baseName, screen, std::cerr);
    } else if (ProgressFileExists(ProgressPath(baseName))) {
        // A second start without the file is easy to make by mistake; say what is there.
        const std::string saved = ProgressPath(baseName);
        std::cerr << "A progress file <" << saved << "> exists; resume it with: polyevolve "
                  << baseName << " " << saved << " (pressing s now keeps it as <" << saved
                  << ".bak> if it is better).\n";
    }

    LoopState state(test, screen, baseName, start);
    SearchKind search = SearchKind::Mutate;
    ParseSearchKind(run.search, search);
    state.evaluator = MakeSearch(search, EvaluatorKind::Fast, ThreadCount(std::cerr));
    while (state.running) Iterate(state, std::cerr);
    return 0;
}
