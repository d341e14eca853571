// Scores a picture against a target the way the evolution does.
// polyevolve-compare PICTURE.bmp TARGET.bmp  ->  width:W height:H error:E

#include "cli/CommandLine.h"
#include "image/Image.h"

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
    if (files.size() != 2) {
        std::cerr << (files.size() > 2 ? files[2] + ": not expected here" : "PICTURE TARGET: two pictures are needed")
                  << " (polyevolve-compare --help lists the options)\n";
        return 2;
    }
    try {
        const Image picture{files[0]};
        const Image target{files[1]};
        if (picture.Width() != target.Width() || picture.Height() != target.Height()) {
            std::cerr << "The pictures differ in size: " << picture.Width() << " x "
                      << picture.Height() << " and " << target.Width() << " x "
                      << target.Height() << ".\n";
            return 1;
        }
        std::cout << "width:" << picture.Width() << " height:" << picture.Height()
                  << " error:" << picture.Compare(target) << "\n";
    } catch (const std::string& text) {
        const std::string reason = SdlReason();
        std::cerr << "Error in image creation: " << text << Because(reason)
                  << "\n";
        return 1;
    }
    return 0;
}
