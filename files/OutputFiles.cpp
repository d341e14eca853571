#include "files/OutputFiles.h"

#include "evolve/GeneticTest.h"
#include "files/DrawingFile.h"
#include "files/PictureFile.h"
#include "files/ProgressFile.h"
#include "files/ScaledRender.h"
#include "files/VectorFile.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <ostream>

std::string ProgressPath(const std::string& baseName) { return baseName + ".idx"; }
std::string PicturePath(const std::string& baseName) { return baseName + ".out.bmp"; }
std::string SvgPath(const std::string& baseName) { return baseName + ".out.svg"; }

bool SaveProgressCommand(GeneticTest& test, const std::string& baseName, std::ostream& err) {
    return SaveProgressTo(test, ProgressPath(baseName), err);
}

bool SaveProgressTo(GeneticTest& test, const std::string& path, std::ostream& err, bool quiet,
                    bool withReason) {
    // A file with a lower error than ours (a better run, started again without it) is kept.
    unsigned long long stored = 0;
    const bool better = StoredError(path, stored) && stored < test.bestError;
    const std::string backup = path + ".bak";
    if (better && !CopyFileAtomically(path, backup)) {
        err << "Unable to keep the better progress file <" << path << "> as <" << backup
            << ">; not saving over it.\n";
        return false;
    }
    errno = 0;
    if (!SaveProgress(test, path)) {
        const std::string reason = withReason && errno ? std::strerror(errno) : "";
        err << "Unable to save progresses to <" << path << ">" << Because(reason) << ".\n";
        return false;
    }
    if (better)
        err << "Progress file <" << path << "> held a lower error (" << stored
            << "); kept it as <" << backup << ">.\n";
    if (!quiet) err << "Saved progresses to <" << path << ">.\n";
    return true;
}

std::string SaveFailureReason() {
    const std::string sdl = SdlReason();
    if (!sdl.empty()) return sdl;
    return errno ? std::strerror(errno) : "";
}

namespace {

// A drawing evolved at w x h, as a BMP of the picture's own size, or as large as one may be.
bool SaveAtPictureSize(GeneticTest& test, int w, int h, int pictureWidth, int pictureHeight, const std::string& path) {
    constexpr double kMostPixels = 50e6, kMostWide = 16383;
    const double scale = std::min({1.0, std::sqrt(kMostPixels / (double(pictureWidth) * pictureHeight)),
                                   kMostWide / pictureWidth});
    return SaveDrawing(test.best, OutputSizeFor(w, h, ScaledLength(pictureWidth, scale), ScaledLength(pictureHeight, scale)),
                       path);
}

}  // namespace

bool SavePictureCommand(GeneticTest& test, const std::string& baseName, std::ostream& err,
                        bool withReason, int pictureWidth, int pictureHeight) {
    const std::string path = PicturePath(baseName);
    SDL_ClearError();
    errno = 0;
    const int w = test.target ? test.target->Width() : 0, h = test.target ? test.target->Height() : 0;
    const bool canvas = pictureWidth == 0 || !test.target || (pictureWidth == w && pictureHeight == h);
    if (!(canvas ? SavePicture(test, path) : SaveAtPictureSize(test, w, h, pictureWidth, pictureHeight, path))) {
        const std::string reason = withReason ? SaveFailureReason() : "";
        err << "Unable to save BMP to <" << path << ">" << Because(reason) << ".\n";
        return false;
    }
    err << "Saved BMP to <" << path << ">.\n";
    return true;
}

bool SaveSvgCommand(GeneticTest& test, const std::string& path, std::ostream& err, int pictureWidth,
                    int pictureHeight) {
    const int w = test.target ? test.target->Width() : 0, h = test.target ? test.target->Height() : 0;
    errno = 0;
    if (!test.target || !SaveSvg(test.best, OutputSizeFor(w, h, pictureWidth ? pictureWidth : w,
                                                          pictureHeight ? pictureHeight : h), path)) {
        err << "Unable to save SVG to <" << path << ">" << Because(errno ? std::strerror(errno) : "") << ".\n";
        return false;
    }
    err << "Saved SVG to <" << path << ">.\n";
    return true;
}

bool ResumeProgress(GeneticTest& test, const std::string& progressPath,
                    const std::string& targetName, std::ostream& err) {
    err << "Loading progresses from <" << progressPath << ">...\n";
    std::string why;
    switch (LoadProgress(test, progressPath, &why)) {
    case LoadResult::Unopened:
        // Say so: otherwise the run looks resumed while it starts from scratch.
        err << "Unable to open progress file <" << progressPath << ">; starting afresh.\n";
        return false;
    case LoadResult::Damaged:
        err << "Progress file <" << progressPath << "> is damaged (" << why << "); starting afresh.\n";
        return true;
    case LoadResult::Loaded:
        break;
    }
    // Bytes after the generation: damage at the end, or a lowered count that read the error
    // from a polygon; the drawing is what could be read, its stored error means nothing.
    if (!why.empty())
        err << "Progress file <" << progressPath << "> is damaged (" << why << "); its error is re-scored.\n";
    // A stored error below what the drawing really scores (another picture's file, or a
    // damaged or hand-made one) could never be beaten: the run would stand still.
    if (test.target && test.canvas.surface) {
        const std::uint64_t real = test.RenderBest().Compare(*test.target);
        if (!why.empty()) {
            test.bestError = real;
        } else if (test.bestError < real) {
            test.bestError = real;
            err << "Progress file <" << progressPath << "> does not match <" << targetName
                << ">; its error was re-scored.\n";
        }
    }
    return true;
}

bool ProgressFileExists(const std::string& path) {
    unsigned long long error;
    return StoredError(path, error);
}
