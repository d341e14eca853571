#include "tools/BatchOptions.h"

#include "files/DrawingFile.h"
#include "files/Timelapse.h"
#include "image/PictureKind.h"

#include <cctype>
#include <cstdio>
#include <iostream>
#include <set>
#include <vector>

#include <sys/stat.h>

namespace {

// The one integer conversion of a frame pattern ("%d", "%06d"), so that no other printf
// directive ever sees the count; npos when there is not exactly one.
std::size_t CountConversion(const std::string& pattern, std::size_t& length) {
    std::size_t found = std::string::npos;
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != '%') continue;
        if (i + 1 < pattern.size() && pattern[i + 1] == '%') {
            ++i;
            continue;
        }
        std::size_t j = i + 1;
        while (j < pattern.size() && std::isdigit(static_cast<unsigned char>(pattern[j]))) ++j;
        if (j >= pattern.size() || pattern[j] != 'd' || j - i - 1 > 2 || found != std::string::npos)
            return std::string::npos;
        found = i;
        length = j - i + 1;
        i = j;
    }
    return found;
}

}  // namespace

std::string FrameName(const std::string& pattern, unsigned long long iterations) {
    std::size_t length = 0;
    const std::size_t at = CountConversion(pattern, length);
    const std::string width = pattern.substr(at + 1, length - 2);
    char number[48];
    std::snprintf(number, sizeof number, ("%" + width + "llu").c_str(), iterations);
    std::string name;
    // The rest of the pattern as it stands, "%%" as "%".
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        if (i == at) {
            name += number;
            i += length - 1;
        } else if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == '%') {
            name += '%';
            ++i;
        } else {
            name += pattern[i];
        }
    }
    return name;
}

namespace {

// The options of the batch runner's own, beside the run options every program shares.
void AddBatchOptions(CLI::App& app, BatchOptions& o, std::vector<std::string>& targets, std::string& evaluator) {
    app.add_option("TARGET", targets, "the picture to approximate; many, with --save FOLDER/, each run on its own");
    app.add_option("--iterations", o.iterations, "stop after N iterations")->check(WholeNumber());
    app.add_option("--seconds", o.seconds, "stop after S seconds")->check(Positive());
    app.add_option("--until-error", o.untilError, "stop once the error is at most E")->check(WholeNumber());
    app.add_option("--until-rmse", o.untilRmse, "stop once the RMSE per channel is at most R")->check(Positive());
    app.add_option("--resume", o.resume, "go on from a progress file");
    app.add_option("--save", o.save, "write the progress as PREFIX.idx with its record PREFIX.json (at the end, "
                                     "and with --autosave), and at the end the drawing as PREFIX.out.png and "
                                     "PREFIX.out.svg, at the target's size; FOLDER/ (a folder) saves each of many "
                                     "targets as FOLDER/NAME, and goes on from FOLDER/NAME.idx where there is one");
    app.add_flag("--force", o.force, "replace PREFIX.idx even if it is not the file resumed");
    app.add_option("--frames", o.frames,
                   "a picture of the best drawing every N iterations (--every N) and at the end, named "
                   "by PATTERN with the generation (frame-%06d.png); BMP, PNG or SVG by its extension")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                std::size_t length = 0;
                if (CountConversion(value, length) == std::string::npos)
                    return value + " needs exactly one %d (or %06d) for the generation";
                if (FormatOf(value) == DrawingFormat::None) return value + " does not end in .bmp, .png or .svg";
                return "";
            },
            ""));
    app.add_option("--every", o.every, "a frame every N iterations")->check(WholeFrom(1, ~0ull));
    app.add_option("--timelapse", o.timelapse,
                   "one animated picture of the run, FILE.webp or FILE.gif: a frame every N iterations "
                   "(--every N) and the first and last, or --timelapse-frames spread over --iterations or "
                   "--seconds, closer together early on")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                return Timelapse::Supported(value) ? "" : value + " does not end in .webp or .gif";
            },
            ""));
    app.add_option("--timelapse-frames", o.timelapseFrames, "frames of the time-lapse (default 200)")
        ->check(WholeFrom(2, 100000));
    app.add_option("--evaluator", evaluator,
                   "fast (default) or plain: the same exact run (--search mutate, which it implies), scored "
                   "two ways")
        ->check(CLI::Validator(
            [](std::string& value) -> std::string {
                EvaluatorKind kind;
                return ParseEvaluatorKind(value, kind) ? "" : value + " is not plain or fast";
            },
            ""));
    app.add_flag("--quiet", o.quiet, "no progress lines");
    app.add_flag("--viewbox", o.viewBox, "the saved SVG scales to its box: a viewBox, no width or height");
    app.add_option("--blur", o.blur, "the saved SVG blurred by a Gaussian of R pixels")
        ->check(Positive("a positive number of pixels"));
    app.add_flag("--data-uri", o.dataUri, "also PREFIX.out.txt: the SVG as one data:image/svg+xml,... line");
    app.add_flag("--placeholder", o.placeholder,
                 "a placeholder for a web page's photo: 16 triangles on a 64-pixel copy (1000 iterations "
                 "unless told), saved as a small blurred SVG that scales to its box, and as a data URI "
                 "(PREFIX.out.txt); each setting may be given otherwise");
}

// What is wrong with the targets given, or "": many need a folder to save in, each its own name
// there, and one run a target.
std::string ManyTargetsProblem(BatchOptions& o, const std::vector<std::string>& targets) {
    if (!SavesInFolder(o.save)) {
        if (targets.size() > 1 && targets[1].rfind("-", 0) == 0)
            return targets[1] + ": a second target (after --, every argument is a file name; options go before --)";
        if (targets.size() > 1) return targets[1] + ": a second target (many need --save FOLDER/, where each is saved by its name)";
        return "";
    }
    if (!o.resume.empty()) return "--resume: a folder's run goes on from FOLDER/NAME.idx of each target by itself";
    if (!o.frames.empty() || !o.timelapse.empty()) return "--frames and --timelapse: one target at a time, not with --save FOLDER/";
    std::set<std::string> names;
    for (const std::string& target : targets) {
        if (target == "-") return "-: standard input is one picture, not one of a folder's";
        if (!names.insert(PrefixInFolder(o.save, target)).second)
            return target + ": another target has its name; each is saved as " + PrefixInFolder(o.save, target) + ".*";
    }
    o.targets = targets;
    return "";
}

}  // namespace

bool SavesInFolder(const std::string& save) {
    struct stat info;
    return !save.empty() && (save.back() == '/' || (stat(save.c_str(), &info) == 0 && S_ISDIR(info.st_mode)));
}

std::string PrefixInFolder(const std::string& save, const std::string& target) {
    std::string name = target.substr(target.find_last_of('/') + 1);
    const std::size_t dot = name.find_last_of('.');
    if (dot != std::string::npos && dot > 0) name.erase(dot);
    return save + (save.back() == '/' ? "" : "/") + name;
}

int ParseBatchOptions(int argc, char** argv, BatchOptions& o, const std::string& version) {
    CLI::App app(std::string("Evolves TARGET (") + PictureKindList() + ") without a window and prints, at the end,\n"
                 "  iterations:N candidates:C seconds:T ips:X error:E generation:G polygons:P rmse:R seed:S target:NAME\n"
                 "(an iteration is one candidate of --search mutate, a batch of 64 of --search shapes,\n"
                 "one in its turns of the exact run's operators on a full drawing; candidates counts\n"
                 "them alike).\n"
                 "Ctrl-C (or SIGTERM) ends the run after the current iteration, with its saves, and\n"
                 "then by that signal (so a shell loop stops too); a second one quits at once, leaving\n"
                 "the last complete save as it was. POLYEVOLVE_MAX_PIXELS sets the most pixels a picture\n"
                 "may have (default 400000000).",
                 "polyevolve-batch");
    std::vector<std::string> targets;
    std::string evaluator = "fast";
    // Without a window the picture is what counts: the shape search gets there many times
    // sooner. The exact run is a word away.
    o.run.defaultSearch = "shapes";
    AddBatchOptions(app, o, targets, evaluator);
    AddRunOptions(app, o.run);
    const int status = ParseCommandLine(app, argc, argv, version);
    if (status >= 0) return status;

    auto refuse = [](const std::string& line) {
        std::cerr << line << " (polyevolve-batch --help lists the options)\n";
        return 2;
    };
    if (targets.empty()) return refuse("TARGET: no target picture given");
    if (const std::string problem = ManyTargetsProblem(o, targets); !problem.empty()) return refuse(problem);
    o.target = targets.front();
    if (o.placeholder) {
        // What a placeholder needs, where the command line is silent: a few shapes, quickly.
        if (o.run.maxPolygons == 0) o.run.maxPolygons = 16;
        if (o.run.shapes.empty() && o.run.search != "mutate") o.run.shapes = "triangle";
        if (!o.run.maxSizeGiven) o.run.maxSize = 64, o.run.maxSizeGiven = true;
        if (!app.count("--iterations") && !app.count("--seconds") && !app.count("--until-error") &&
            !app.count("--until-rmse"))
            o.iterations = 1000, o.haveIterations = true;
    }
    o.haveIterations = o.haveIterations || app.count("--iterations") > 0;
    o.haveSeconds = app.count("--seconds") > 0;
    o.haveError = app.count("--until-error") > 0;
    o.haveRmse = app.count("--until-rmse") > 0;
    ParseEvaluatorKind(evaluator, o.evaluator);
    if (const std::string problem = RunOptionsProblem(o.run); !problem.empty()) return refuse(problem);
    if (app.count("--evaluator") > 0 && (o.run.search == "shapes" || !o.run.shapes.empty()))
        return refuse("--evaluator: scores the exact run's candidates; the shape search scores its own");
    if (app.count("--evaluator") > 0) o.run.defaultSearch = "mutate";  // it asks for the exact run
    if (!o.frames.empty() && o.every == 0) return refuse("--frames: needs --every N");
    if (o.frames.empty() && o.timelapse.empty() && o.every != 0)
        return refuse("--every: needs --frames PATTERN or --timelapse FILE");
    if (!o.timelapse.empty() && o.every == 0 && !o.haveIterations && !o.haveSeconds)
        return refuse("--timelapse: needs --every N, --iterations N or --seconds S to place its frames");
    return -1;
}
