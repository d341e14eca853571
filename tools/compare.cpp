// Scores a picture against a target the way the evolution does.
// polyevolve-compare PICTURE TARGET  ->  width:W height:H error:E

#include "cli/CommandLine.h"
#include "files/Target.h"
#include "image/Image.h"
#include "image/KernelChoice.h"

#include <memory>
#include <iostream>
#include <string>
#include <vector>

int main(int argc, char** argv) {
    CLI::App app("Prints the error of PICTURE against TARGET, as the evolution counts it:\n"
                 "  width:W height:H error:E",
                 "polyevolve-compare");
    std::vector<std::string> files;
    app.add_option("PICTURE TARGET", files, "the two pictures");
    const int parsed = ParseCommandLine(app, argc, argv, std::string("polyevolve-compare ") + POLYEVOLVE_VERSION + "\n");
    if (parsed >= 0) return parsed;
    if (!KernelRequestUsable(std::cerr)) return 2;
    if (files.size() != 2) {
        std::cerr << (files.size() > 2 ? files[2] + ": not expected here" : "PICTURE TARGET: two pictures are needed")
                  << " (polyevolve-compare --help lists the options)\n";
        return 2;
    }
    const std::unique_ptr<Image> picture = LoadTarget(files[0], std::cerr);
    const std::unique_ptr<Image> target = picture ? LoadTarget(files[1], std::cerr) : nullptr;
    if (!picture || !target) return 1;
    const int w = target->Width(), h = target->Height();
    // Pictures saved by older versions left out the unscored last row and column.
    const bool older = picture->Width() == w - 1 && picture->Height() == h - 1;
    if (!older && (picture->Width() != w || picture->Height() != h)) {
        std::cerr << "The pictures differ in size: <" << files[0] << "> is " << picture->Width() << " x "
                  << picture->Height() << " and <" << files[1] << "> " << w << " x " << h << ".\n";
        return 1;
    }
    std::cout << "width:" << w << " height:" << h << " error:" << ScoredDistance(*picture, *target) << "\n";
    return 0;
}
