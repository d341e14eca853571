// Scores a picture against a target the way the evolution does.
// polyevolve-compare PICTURE.bmp TARGET.bmp  ->  width:W height:H error:E

#include "image/Image.h"

#include <iostream>
#include <string>

int main(int argc, char** argv) {
    if (argc != 3) {
        std::cerr << "usage: polyevolve-compare PICTURE.bmp TARGET.bmp\n";
        return 2;
    }
    try {
        const Image picture{std::string(argv[1])};
        const Image target{std::string(argv[2])};
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
        std::cerr << "Error in image creation: " << text << (reason.empty() ? "" : " (" + reason + ")")
                  << "\n";
        return 1;
    }
    return 0;
}
