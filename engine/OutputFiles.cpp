#include "engine/OutputFiles.h"

#include "engine/GeneticTest.h"
#include "engine/PictureFile.h"
#include "engine/ProgressFile.h"
#include "engine/VectorFile.h"

#include <ostream>

std::string ProgressPath(const std::string& baseName) { return baseName + ".idx"; }
std::string PicturePath(const std::string& baseName) { return baseName + ".out.bmp"; }
std::string SvgPath(const std::string& baseName) { return baseName + ".out.svg"; }

bool SaveProgressCommand(GeneticTest& test, const std::string& baseName, std::ostream& err) {
    const std::string path = ProgressPath(baseName);
    if (!SaveProgress(test, path)) {
        err << "Unable to save progresses to <" << path << ">.\n";
        return false;
    }
    err << "Saved progresses to <" << path << ">.\n";
    return true;
}

bool SavePictureCommand(GeneticTest& test, const std::string& baseName, std::ostream& err) {
    const std::string path = PicturePath(baseName);
    if (!SavePicture(test, path)) {
        err << "Unable to save BMP to <" << path << ">.\n";
        return false;
    }
    err << "Saved BMP to <" << path << ">.\n";
    return true;
}

bool SaveSvgCommand(GeneticTest& test, const std::string& path, std::ostream& err) {
    if (!test.target || !SaveSvg(test.best, test.target->Width(), test.target->Height(), 1.0, path)) {
        err << "Unable to save SVG to <" << path << ">.\n";
        return false;
    }
    err << "Saved SVG to <" << path << ">.\n";
    return true;
}

bool ResumeProgress(GeneticTest& test, const std::string& progressPath, std::ostream& err) {
    err << "Loading progresses from <" << progressPath << ">...\n";
    switch (LoadProgress(test, progressPath)) {
    case LoadResult::Unopened:
        // Say so: otherwise the run looks resumed while it starts from scratch.
        err << "Unable to open progress file <" << progressPath << ">; starting afresh.\n";
        return false;
    case LoadResult::Damaged:
        err << "Progress file <" << progressPath << "> is damaged; starting afresh.\n";
        return true;
    case LoadResult::Loaded:
        return true;
    }
    return true;
}
