#include "files/RunSetup.h"

#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "genome/Settings.h"
#include "image/Downscale.h"
#include "image/Image.h"

#include "evolve/Evaluator.h"

#include <unistd.h>

#include <ctime>
#include <ostream>
#include <random>

void SettleWorkingSize(RunOptions& o) {
    if (o.search.empty()) o.search = o.shapes.empty() ? o.defaultSearch : "shapes";  // --shape asks for it
    if (o.shapes.empty()) o.shapes = "polygon";
    if (!o.maxSizeGiven) o.maxSize = o.search == "shapes" ? kShapesWorkingSize : 0;
}

std::unique_ptr<Image> EvolvedTarget(std::unique_ptr<Image> picture, const RunOptions& options,
                                     const std::string& targetName, int pictureWidth, int pictureHeight,
                                     std::ostream& err) {
    if (!picture || options.maxSize == 0) return picture;
    int w, h;
    FitWithin(picture->Width(), picture->Height(), int(options.maxSize), w, h);
    if (w == pictureWidth && h == pictureHeight) return picture;
    if (!options.maxSizeGiven)
        err << "Searching a " << w << " x " << h << " copy of <" << targetName << ">'s " << pictureWidth << " x "
            << pictureHeight << " pixels (--max-size 0 searches it whole); what is saved is drawn "
            << "at the full size.\n";
    if (w == picture->Width() && h == picture->Height()) return picture;
    return std::make_unique<Image>(Downscale(*picture, w, h));
}

void AdoptRecord(const RunRecord& record, const std::string& progressPath, RunOptions& o, std::ostream& err) {
    std::string taken;
    // A shape search's record tells its size even when that is the whole picture (0), so a
    // run from before the working size goes on at the size it had.
    if (!o.maxSizeGiven && (record.maxSize != 0 || record.search == "shapes")) {
        o.maxSize = record.maxSize;
        o.maxSizeGiven = true;
        if (record.maxSize != 0 && !(record.search == "shapes" && record.maxSize == kShapesWorkingSize))
            taken += " --max-size " + std::to_string(record.maxSize);
    }
    if (o.search.empty()) {
        o.search = record.search;
        if (record.search != o.defaultSearch) taken += " --search " + record.search;
    }
    if (o.shapes.empty() && record.search == "shapes") {
        o.shapes = record.shapes;
        if (record.shapes != "polygon") taken += " --shape " + record.shapes;
    }
    if (o.maxPolygons == 0 && record.maxPolygons != Settings::MaxPolygons && record.maxPolygons >= 3) {
        o.maxPolygons = record.maxPolygons;
        taken += " --max-polygons " + std::to_string(record.maxPolygons);
    }
    if (o.maxPoints == 0 && record.maxPoints != Settings::MaxPoints && record.maxPoints >= 3) {
        o.maxPoints = record.maxPoints;
        taken += " --max-points " + std::to_string(record.maxPoints);
    }
    const int defaultMax = o.search == "shapes" ? kShapesAlphaMax : Settings::AlphaMax;
    if (o.alphaMin < 0 && (record.alphaMin != Settings::AlphaMin || record.alphaMax != defaultMax) &&
        record.alphaMin >= 0 && record.alphaMin <= record.alphaMax && record.alphaMax <= 255) {
        o.alphaMin = record.alphaMin;
        o.alphaMax = record.alphaMax;
        taken += " --alpha " + std::to_string(record.alphaMin) + "," + std::to_string(record.alphaMax);
    }
    if (!taken.empty())
        err << "Progress file <" << progressPath << "> was made with" << taken << "; going on with the same.\n";
}

void SettleAlpha(RunOptions& o) {
    if (o.alphaMin >= 0 || o.search != "shapes") return;
    o.alphaMin = Settings::AlphaMin;
    o.alphaMax = kShapesAlphaMax;
}

void CheckRecordSize(const RunRecord& record, const std::string& progressPath, const Image& evolved,
                     const std::string& targetName, std::ostream& err) {
    if (record.width == evolved.Width() && record.height == evolved.Height()) return;
    err << "Progress file <" << progressPath << "> was evolved at " << record.width << " x " << record.height
        << " pixels, not the " << evolved.Width() << " x " << evolved.Height() << " of <" << targetName
        << "> here; its drawing is scored as it stands.\n";
}

RunRecord MakeRecord(const GeneticTest& test, const std::string& targetPath, int pictureWidth,
                     int pictureHeight, const RunOptions& o, unsigned seed) {
    RunRecord r;
    r.program = std::string("polyevolve ") + POLYEVOLVE_VERSION;
    r.target = targetPath;
    r.targetWidth = pictureWidth;
    r.targetHeight = pictureHeight;
    r.width = test.target ? test.target->Width() : 0;
    r.height = test.target ? test.target->Height() : 0;
    r.maxSize = o.maxSize;
    r.seed = seed;
    r.search = o.search.empty() ? o.defaultSearch : o.search;
    r.shapes = o.shapes.empty() ? "polygon" : o.shapes;
    r.maxPolygons = Settings::MaxPolygons;
    r.maxPoints = Settings::MaxPoints;
    r.alphaMin = Settings::AlphaMin;
    r.alphaMax = Settings::AlphaMax;
    r.background = unsigned(Settings::Background);
    r.generation = test.generation;
    r.error = test.bestError;
    return r;
}

bool SaveRun(GeneticTest& test, const std::string& progressPath, const RunRecord& record, std::ostream& err,
             bool quiet, bool withReason) {
    if (!SaveProgressTo(test, progressPath, err, quiet, withReason)) return false;
    RunRecord now = record;
    now.generation = test.generation;
    now.error = test.bestError;
    const std::string path = RecordPath(progressPath);
    if (SaveRecord(now, path)) return true;
    err << "Unable to save the run record <" << path << ">.\n";
    return false;
}

unsigned FreshSeed() {
    std::random_device entropy;
    return unsigned(std::time(nullptr)) ^ (unsigned(getpid()) * 2654435761u) ^ entropy();
}

unsigned RunSeed(const RunOptions& o, const RunRecord* resumed, unsigned fresh) {
    if (o.seedGiven) return unsigned(o.seed);
    return resumed ? unsigned(resumed->seed) : fresh;
}

void ContinueDraws(GeneticTest& test, Evaluator& search, const RunOptions& o, const RunRecord* resumed,
                   const std::string& progressPath, std::ostream& err) {
    if (o.seedGiven || !resumed) return;
    if (resumed->hasDraws)
        search.Resume(test, resumed->replayFrom, resumed->draws);
    else
        err << "Progress file <" << progressPath << ">'s record does not say where its draws stood; they "
            << "start again from its seed " << resumed->seed << ".\n";
}

void StampDraws(RunRecord& record, const GeneticTest& test, const Evaluator& search) {
    record.hasDraws = true;
    record.draws = test.draws.Position();
    record.replayFrom = search.ReplayFrom(test);
}
