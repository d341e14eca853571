#include "tools/BatchOptions.h"

#include "files/DrawingFile.h"
#include "cli/Numbers.h"

#include <cctype>
#include <cstdio>

const char* const kBatchUsage =
    "usage: polyevolve-batch TARGET [--seed N] [--iterations N] [--seconds S] [--until-error E]\n"
    "       [--until-rmse R] [--resume FILE.idx] [--save PREFIX] [--autosave SECONDS]\n"
    "       [--frames PATTERN --every N] [--max-size PIXELS] [--evaluator plain|fast]\n"
    "       [--threads N] [--search mutate|shapes] [--max-polygons N] [--max-points N]\n"
    "       [--alpha MIN,MAX] [--quiet] [--help]\n";

const char* const kBatchHelp =
    "Evolves TARGET without a window and prints, at the end,\n"
    "  iterations:N seconds:T ips:X error:E generation:G polygons:P rmse:R\n"
    "--seed N            the random seed (default: the time, shown in the first progress line)\n"
    "--iterations N      stop after N iterations\n"
    "--seconds S         stop after S seconds\n"
    "--until-error E     stop once the error is at most E\n"
    "--until-rmse R      stop once the RMSE per channel is at most R\n"
    "                    (with no stop condition the run goes on until Ctrl-C)\n"
    "--resume FILE.idx   go on from a progress file\n"
    "--save PREFIX       at the end write PREFIX.idx, PREFIX.out.bmp and PREFIX.out.svg\n"
    "--autosave SECONDS  save the progress that often (PREFIX.idx, or TARGET.idx)\n"
    "--frames PATTERN    a picture of the best drawing every N iterations (--every N) and at\n"
    "                    the end, named by PATTERN with the iteration count (frame-%06d.png);\n"
    "                    BMP, PNG or SVG by its extension\n"
    "--max-size PIXELS   evolve a copy of the target scaled down to at most PIXELS on its\n"
    "                    longer side (the progress file is then for that size)\n"
    "--evaluator KIND    fast (default) or plain: the same run, scored two ways\n"
    "--threads N         threads to score on (default: one per core); the same run\n"
    "--quiet             no progress lines\n"
    "Ctrl-C (or SIGTERM) ends the run after the current iteration, with its saves; a second\n"
    "one quits at once, leaving the last complete save as it was.\n";

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

bool ParseBatchOptions(int argc, char** argv, BatchOptions& o, std::string& error) {
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            o.help = true;
            return true;
        }
    }
    auto refuse = [&error](const std::string& what, const std::string& why) {
        error = what + ": " + why;
        return false;
    };
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--quiet") {
            o.quiet = true;
            continue;
        }
        std::string refused;
        if (TakeRunOption(argc, argv, i, o.run, refused)) {
            if (!refused.empty()) {
                error = refused;
                return false;
            }
            continue;
        }
        if (arg.rfind("--", 0) != 0) {
            if (!o.target.empty()) return refuse(arg, "a second target (only one is taken)");
            o.target = arg;
            continue;
        }
        static const char* const valued[] = {"--seed", "--iterations", "--seconds", "--until-error",
                                             "--until-rmse", "--resume", "--save", "--autosave",
                                             "--frames", "--every", "--max-size", "--evaluator",
                                             "--threads"};
        bool known = false;
        for (const char* name : valued) known = known || arg == name;
        if (!known) return refuse(arg, "unknown option");
        if (i + 1 >= argc) return refuse(arg, "needs a value");
        const std::string value = argv[++i];
        if (arg == "--seed") {
            if (!WholeNumber(value, 0xffffffffull, o.seed))
                return refuse(arg, value + " is not a whole number from 0 to 4294967295");
            o.haveSeed = true;
        } else if (arg == "--iterations") {
            if (!WholeNumber(value, ~0ull, o.iterations)) return refuse(arg, value + " is not a whole number");
            o.haveIterations = true;
        } else if (arg == "--seconds") {
            if (!PositiveNumber(value, o.seconds)) return refuse(arg, value + " is not a positive number");
            o.haveSeconds = true;
        } else if (arg == "--until-error") {
            if (!WholeNumber(value, ~0ull, o.untilError)) return refuse(arg, value + " is not a whole number");
            o.haveError = true;
        } else if (arg == "--until-rmse") {
            if (!PositiveNumber(value, o.untilRmse)) return refuse(arg, value + " is not a positive number");
            o.haveRmse = true;
        } else if (arg == "--resume") {
            o.resume = value;
        } else if (arg == "--save") {
            o.save = value;
        } else if (arg == "--autosave") {
            if (!PositiveNumber(value, o.autosave)) return refuse(arg, value + " is not a positive number of seconds");
        } else if (arg == "--frames") {
            std::size_t length = 0;
            if (CountConversion(value, length) == std::string::npos)
                return refuse(arg, value + " needs exactly one %d (or %06d) for the iteration count");
            if (FormatOf(value) == DrawingFormat::None)
                return refuse(arg, value + " does not end in .bmp, .png or .svg");
            o.frames = value;
        } else if (arg == "--every") {
            if (!WholeNumber(value, ~0ull, o.every) || o.every == 0)
                return refuse(arg, value + " is not a whole number above 0");
        } else if (arg == "--max-size") {
            if (!WholeNumber(value, 32767, o.maxSize) || o.maxSize < 2)
                return refuse(arg, value + " is not a whole number from 2 to 32767");
        } else if (arg == "--evaluator") {
            if (!ParseEvaluatorKind(value, o.evaluator)) return refuse(arg, value + " is not plain or fast");
        } else if (arg == "--threads") {
            if (!WholeNumber(value, 256, o.threads) || o.threads == 0)
                return refuse(arg, value + " is not a whole number from 1 to 256");
        }
    }
    if (o.target.empty()) return refuse("TARGET", "no target picture given");
    if (!o.frames.empty() && o.every == 0) return refuse("--frames", "needs --every N");
    if (o.frames.empty() && o.every != 0) return refuse("--every", "needs --frames PATTERN");
    return true;
}
