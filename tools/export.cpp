// Renders the drawing of a progress file (or of a drawing as JSON) as SVG, PNG or BMP, or
// writes it as JSON (by the output's extension).
// polyevolve-export TARGET PROGRESS.idx|DRAWING.json OUTPUT [--scale K | --width W]

#include "files/DrawingFile.h"
#include "files/DrawingJson.h"
#include "files/OutputFiles.h"
#include "evolve/GeneticTest.h"
#include "files/ProgressFile.h"
#include "files/ScaledRender.h"
#include "files/VectorFile.h"
#include "files/Target.h"
#include "genome/Settings.h"
#include "cli/CommandLine.h"
#include "files/RunRecord.h"
#include "files/RunSetup.h"
#include "image/KernelChoice.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <unistd.h>
#include <cstring>
#include <iostream>
#include <vector>
#include <memory>
#include <string>

namespace {

struct Options {
    std::string target, progress, output;
    double scale = 1;
    double width = 0, height = 0;  // when given, the scale follows from them
    SvgStyle svg;
    bool placeholder = false, blurGiven = false;
    std::string format;  // for OUTPUT "-" (standard output): png, svg, bmp, json or txt
};

bool EndsWithTxt(const std::string& path) {
    return path.size() > 4 && path.compare(path.size() - 4, 4, ".txt") == 0;
}

// The command line into `o`: -1 to go on, else the status to end with.
int Parse(int argc, char** argv, Options& o) {
    CLI::App app("Renders the drawing of a progress file (or of a drawing written as JSON) as SVG, PNG or\n"
                 "BMP at the size of the TARGET picture, times K, or writes it as JSON (its shapes for code\n"
                 "of your own), by OUTPUT's extension.",
                 "polyevolve-export");
    std::vector<std::string> files;
    app.add_option("TARGET PROGRESS.idx|DRAWING.json OUTPUT", files,
                   "the picture, the progress file or drawing, the output");
    auto* scale = app.add_option("--scale", o.scale, "K times the size (up to 1000)")->check(Positive());
    auto* width = app.add_option("--width", o.width, "W pixels wide, the height in proportion (up to 32768)")
                      ->check(WholeFrom(1, 32768))
                      ->excludes(scale);
    app.add_option("--height", o.height, "H pixels high, the width in proportion (up to 32768)")
        ->check(WholeFrom(1, 32768))
        ->excludes(scale)
        ->excludes(width);
    app.add_flag("--viewbox", o.svg.viewBoxOnly, "an SVG that scales to its box: a viewBox, no width or height");
    app.add_option("--blur", o.svg.blur, "an SVG blurred by a Gaussian of R pixels")
        ->check(Positive("a positive number of pixels"))
        ->each([&o](const std::string&) { o.blurGiven = true; });
    app.add_flag("--data-uri", o.svg.dataUri,
                 "the SVG as one data:image/svg+xml,... line, for an <img src> or CSS (OUTPUT .svg or .txt)");
    app.add_flag("--placeholder", o.placeholder,
                 "a small blurred SVG to show while a web page's photo loads: --viewbox, --blur (1.5 % of the "
                 "longer side unless given), --data-uri and the shortest text at once");
    app.add_option("--format", o.format, "png, svg, bmp, json or txt (a data URI): what OUTPUT - (standard output) gets")
        ->check(CLI::IsMember({"png", "svg", "bmp", "json", "txt"}));
    const int parsed = ParseCommandLine(app, argc, argv, std::string("polyevolve-export ") + POLYEVOLVE_VERSION + "\n");
    if (parsed >= 0) return parsed;
    auto refuse = [](const std::string& line) {
        std::cerr << line << " (polyevolve-export --help lists the options)\n";
        return 2;
    };
    if (files.size() > 3) return refuse(files[3] + ": not expected here");
    if (files.size() < 3) return refuse("TARGET PROGRESS.idx|DRAWING.json OUTPUT: three files are needed");
    o.target = files[0];
    o.progress = files[1];
    o.output = files[2];
    // Standard output: written as a file of the kind asked, then copied there.
    if (o.output == "-" && o.format.empty()) return refuse("-: standard output needs --format png, svg, bmp, json or txt");
    if (o.output != "-" && !o.format.empty()) return refuse("--format: only for OUTPUT - (standard output)");
    if (o.output == "-") o.output = "-." + o.format;
    const bool svgOptions = o.svg.viewBoxOnly || o.blurGiven || o.svg.dataUri || o.placeholder;
    const bool textOut = (o.svg.dataUri || o.placeholder) && EndsWithTxt(o.output);
    if (FormatOf(o.output) == DrawingFormat::None && !IsJsonPath(o.output) && !textOut)
        return refuse(o.output + ": does not end in .svg, .png, .bmp or .json");
    if (svgOptions && FormatOf(o.output) != DrawingFormat::Svg && !textOut)
        return refuse(o.output + ": --viewbox, --blur, --data-uri and --placeholder write an SVG (.svg, or .txt for a "
                                 "data URI)");
    if (o.scale > 1000) return refuse("--scale: more than 1000 times the size");
    // NAME.json beside NAME.idx is its run record, which a drawing must not replace.
    if (!IsJsonPath(o.progress) && o.output == RecordPath(o.progress))
        return refuse(o.output + ": the run record of " + o.progress + "; write the drawing under another name");
    return -1;
}

// The size a progress file's drawing was evolved at (a --max-size run's coordinates are
// smaller than the picture's), as its record tells, and the background it was painted on.
void ReadRecord(const Options& o, int pictureWidth, int pictureHeight, int& w, int& h) {
    RunRecord record;
    std::string why;
    const RecordLoad load = LoadRecord(RecordPath(o.progress), record, why);
    if (load == RecordLoad::Damaged)
        std::cerr << "Run record <" << RecordPath(o.progress) << "> is damaged (" << why
                  << "); drawing <" << o.progress << "> as made at <" << o.target << ">'s size.\n";
    // The drawing is shown on what it was painted on.
    if (load == RecordLoad::Loaded) Settings::Background = int(record.background);
    if (load == RecordLoad::Loaded && record.width > 1 && record.height > 1) {
        w = record.width;
        h = record.height;
        if (record.targetWidth != pictureWidth || record.targetHeight != pictureHeight)
            std::cerr << "Progress file <" << o.progress << "> was made for a picture of " << record.targetWidth
                      << " x " << record.targetHeight << " pixels; drawing it at <" << o.target << ">'s "
                      << pictureWidth << " x " << pictureHeight << ".\n";
    }
}

// The output's size: the picture's times the scale, for a drawing evolved at w x h.
OutputSize SizeFor(const Options& o, int w, int h, int pictureWidth, int pictureHeight) {
    double scale = o.scale;
    if (o.width > 0) scale = o.width / double(pictureWidth);
    if (o.height > 0) scale = o.height / double(pictureHeight);
    return OutputSizeFor(w, h, ScaledLength(pictureWidth, scale), ScaledLength(pictureHeight, scale));
}

// The drawing into the test: from a progress file (the size and background its record tells),
// or from a drawing as JSON (its own). False after a line saying why not.
bool LoadDrawing(const Options& o, int pictureWidth, int pictureHeight, GeneticTest& test, int& w, int& h) {
    std::string why;
    if (IsJsonPath(o.progress)) {
        DrawingJson json;
        if (!LoadDrawingJson(o.progress, json, why)) {
            std::cerr << "Drawing <" << o.progress << "> is damaged (" << why << ").\n";
            return false;
        }
        if (json.pictureWidth != pictureWidth || json.pictureHeight != pictureHeight)
            std::cerr << "Drawing <" << o.progress << "> was made for a picture of " << json.pictureWidth << " x "
                      << json.pictureHeight << " pixels; drawing it at <" << o.target << ">'s " << pictureWidth
                      << " x " << pictureHeight << ".\n";
        w = json.width;
        h = json.height;
        Settings::Background = int(json.background);
        test.best.polygons = std::move(json.polygons);
        return true;
    }
    ReadRecord(o, pictureWidth, pictureHeight, w, h);
    switch (LoadProgress(test, o.progress, &why)) {
    case LoadResult::Unopened:
        std::cerr << "Unable to open progress file <" << o.progress << ">.\n";
        return false;
    case LoadResult::Damaged:
        std::cerr << "Progress file <" << o.progress << "> is damaged (" << why << ").\n";
        return false;
    case LoadResult::Loaded:
        if (!why.empty()) std::cerr << "Progress file <" << o.progress << "> is damaged (" << why << ").\n";
        break;
    }
    return true;
}

int Export(const Options& o);

// OUTPUT "-": written to a temporary file of its kind, then copied to standard output, with
// nothing else on it.
int ToStandardOutput(Options o) {
    const char* folder = std::getenv("TMPDIR");
    std::string name = std::string(folder && *folder ? folder : "/tmp") + "/polyevolve-out.XXXXXX." + o.format;
    const int fd = mkstemps(name.data(), int(o.format.size()) + 1);
    if (fd < 0) {
        std::cerr << "Unable to write to standard output (" << std::strerror(errno) << ").\n";
        return 1;
    }
    close(fd);
    o.output = name;
    int status = Export(o);
    std::FILE* file = status == 0 ? std::fopen(name.c_str(), "rb") : nullptr;
    if (file) {
        char buffer[1 << 16];
        for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, file)) > 0;)
            if (std::fwrite(buffer, 1, got, stdout) != got) status = 1;
        std::fclose(file);
        if (std::fflush(stdout) != 0 || status != 0) {
            std::cerr << "Unable to write to standard output (" << std::strerror(errno) << ").\n";
            status = 1;
        }
    }
    unlink(name.c_str());
    return status;
}

int Export(const Options& o) {
    if (!KernelRequestUsable(std::cerr)) return 2;
    // Only the picture's size is needed: one too large to load whole loads shrunk.
    int pictureWidth = 0, pictureHeight = 0;
    const std::unique_ptr<Image> target = LoadTarget(o.target, std::cerr, 4096, 0, &pictureWidth, &pictureHeight);
    if (!target) return 1;
    UseTargetSize(*target);
    int w = target->Width(), h = target->Height();
    GeneticTest test(target.get());
    if (!LoadDrawing(o, pictureWidth, pictureHeight, test, w, h)) return 1;
    const OutputSize size = SizeFor(o, w, h, pictureWidth, pictureHeight);
    if (IsJsonPath(o.output)) {
        DrawingJson json;
        json.width = w;
        json.height = h;
        json.pictureWidth = pictureWidth;
        json.pictureHeight = pictureHeight;
        json.background = unsigned(Settings::Background);
        json.polygons = test.best.polygons;
        errno = 0;
        if (SaveDrawingJson(json, o.output)) return 0;
        std::cerr << "Unable to write <" << o.output << ">" << Because(errno ? std::strerror(errno) : "") << ".\n";
        return 1;
    }

    if (!ScaledSizeSupported(size.OutWidth(), size.OutHeight())) {
        std::cerr << "A picture of " << size.OutWidth() << " x " << size.OutHeight()
                  << " pixels is too large: at most 32768 on a side and " << kMaxOutputPixels
                  << " pixels in all.\n";
        return 1;
    }
    if (FormatOf(o.output) == DrawingFormat::Bmp && size.OutWidth() >= 16384) {
        std::cerr << "A BMP of " << size.OutWidth() << " pixels wide is more than SDL writes (16383); "
                  << "write a .png or .svg instead.\n";
        return 1;
    }
    SDL_ClearError();
    errno = 0;
    SvgStyle style = o.svg;
    if (o.placeholder) {
        const double blur = style.blur;
        style = PlaceholderStyle(o.blurGiven ? blur : 0.015 * std::max(size.OutWidth(), size.OutHeight()));
    }
    const bool svg = FormatOf(o.output) == DrawingFormat::Svg || EndsWithTxt(o.output);
    if (!(svg ? SaveSvg(test.best, size, o.output, style) : SaveDrawing(test.best, size, o.output))) {
        const std::string reason = SaveFailureReason();
        std::cerr << "Unable to write <" << o.output << ">"
                  << Because(reason) << ".\n";
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    const int parsed = Parse(argc, argv, o);
    if (parsed >= 0) return parsed;
    if (o.output == "-." + o.format) return ToStandardOutput(o);
    return Export(o);
}
