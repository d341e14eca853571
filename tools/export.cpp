// Renders the drawing of a progress file as SVG, PNG or BMP (by the output's extension).
// polyevolve-export TARGET PROGRESS.idx OUTPUT [--scale K | --width W]

#include "files/DrawingFile.h"
#include "files/OutputFiles.h"
#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/ScaledRender.h"
#include "files/Target.h"
#include "cli/Numbers.h"

#include <cerrno>
#include <iostream>
#include <memory>
#include <string>

namespace {

const char* const kUsage =
    "usage: polyevolve-export TARGET PROGRESS.idx OUTPUT.svg|OUTPUT.png|OUTPUT.bmp "
    "[--scale K | --width W]\n";

struct Options {
    std::string target, progress, output;
    double scale = 1;
    double width = 0;  // when given, the scale follows from it
};

bool Parse(int argc, char** argv, Options& o) {
    std::string* positional[] = {&o.target, &o.progress, &o.output};
    int have = 0;
    bool scaled = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if ((arg == "--scale" || arg == "--width") && i + 1 < argc && !scaled) {
            double& value = arg == "--scale" ? o.scale : o.width;
            if (!PositiveNumber(argv[++i], value) || value > 1000) return false;
            if (arg == "--width" && o.width != double(long(o.width))) return false;
            scaled = true;
        } else if (arg.rfind("--", 0) != 0 && have < 3) {
            *positional[have++] = arg;
        } else {
            return false;
        }
    }
    return have == 3 && FormatOf(o.output) != DrawingFormat::None;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!Parse(argc, argv, o)) {
        std::cerr << kUsage;
        return 2;
    }
    const std::unique_ptr<Image> target = LoadTarget(o.target, std::cerr, true);
    if (!target) return 1;
    UseTargetSize(*target);
    if (o.width > 0) o.scale = o.width / double(target->Width());

    GeneticTest test(target.get());
    switch (LoadProgress(test, o.progress)) {
    case LoadResult::Unopened:
        std::cerr << "Unable to open progress file <" << o.progress << ">.\n";
        return 1;
    case LoadResult::Damaged:
        std::cerr << "Progress file <" << o.progress << "> is damaged.\n";
        return 1;
    case LoadResult::Loaded:
        break;
    }

    const int w = target->Width(), h = target->Height();
    if (!ScaledSizeSupported(ScaledLength(w, o.scale), ScaledLength(h, o.scale))) {
        std::cerr << "A picture of " << ScaledLength(w, o.scale) << " x "
                  << ScaledLength(h, o.scale) << " pixels is too large to render.\n";
        return 1;
    }
    SDL_ClearError();
    errno = 0;
    if (!SaveDrawing(test.best, w, h, o.scale, o.output)) {
        const std::string reason = SaveFailureReason();
        std::cerr << "Unable to write <" << o.output << ">"
                  << (reason.empty() ? "" : " (" + reason + ")") << ".\n";
        return 1;
    }
    return 0;
}
