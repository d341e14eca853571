#include "app/SdlMain.h"

#include "app/Events.h"
#include "engine/GeneticTest.h"
#include "app/MainLoop.h"
#include "engine/Target.h"
#include "genome/Random.h"
#include "app/Window.h"
#include "image/Image.h"

#include <SDL.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <iostream>
#include <memory>
#include <string>

namespace {

// POLYEVOLVE_THREADS, or one thread per online core; a bad value is reported and ignored.
int ThreadCount(std::ostream& err) {
    const char* text = std::getenv("POLYEVOLVE_THREADS");
    const int fallback = DefaultThreads();
    if (!text || !*text) return fallback;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (errno != 0 || *end != '\0' || value < 1 || value > 256 || !std::isdigit(static_cast<unsigned char>(text[0]))) {
        err << "POLYEVOLVE_THREADS=" << text << " is not a whole number from 1 to 256; using "
            << fallback << ".\n";
        return fallback;
    }
    return int(value);
}

}  // namespace

extern "C" int SDL_main(int argc, char** argv) {
    std::string baseName;
    std::string progressPath;

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

    const std::time_t start = std::time(nullptr);
    draws::Seed(static_cast<unsigned>(start));

    GeneticTest test(target.get());
    if (!test.canvas.surface) {
        std::cerr << "Unable to create the canvas!\n";
        return -1;
    }
    if (!progressPath.empty()) ResumeCommand(test, progressPath, screen, std::cerr);

    LoopState state(test, screen, baseName, start);
    state.evaluator = MakeEvaluator(EvaluatorKind::Fast, ThreadCount(std::cerr));
    while (state.running) Iterate(state, std::cerr);
    return 0;
}
