#include "engine/Target.h"

#include "genome/Settings.h"
#include "image/Image.h"

#include <ostream>

bool TargetSizeSupported(int width, int height) {
    return width >= 1 && height >= 1 && width <= MaxTargetWidth && height <= MaxTargetHeight;
}

std::unique_ptr<Image> LoadTarget(const std::string& path, std::ostream& err) {
    std::unique_ptr<Image> target;
    try {
        target = std::make_unique<Image>(path);
    } catch (const std::string& text) {
        err << "Error in image creation: " << text << "\n";
        return nullptr;
    }
    if (!TargetSizeSupported(target->Width(), target->Height())) {
        err << "Target image <" << path << "> is " << target->Width() << " x "
            << target->Height() << " pixels; at most " << MaxTargetWidth << " x "
            << MaxTargetHeight << " are supported.\n";
        return nullptr;
    }
    return target;
}

void UseTargetSize(const Image& target) {
    Settings::ScreenHeight = target.Height();
    Settings::ScreenWidth = target.Width();
}
