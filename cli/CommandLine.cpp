#include "cli/CommandLine.h"

#include "cli/Numbers.h"

#include <algorithm>
#include <iostream>
#include <vector>

CLI::Validator WholeFrom(unsigned long long low, unsigned long long high) {
    return CLI::Validator(
        [low, high](std::string& text) -> std::string {
            unsigned long long value = 0;
            if (WholeNumber(text, high, value) && value >= low) return "";
            if (high == ~0ull && Digits(text) && text.size() > 1) return text + " is too large (at most " + std::to_string(high) + ")";
            if (high == ~0ull) return text + " is not a whole number above " + std::to_string(low - 1);
            return text + " is not a whole number from " + std::to_string(low) + " to " + std::to_string(high);
        },
        "");
}

CLI::Validator WholeNumber() {
    return CLI::Validator(
        [](std::string& text) -> std::string {
            unsigned long long value = 0;
            if (WholeNumber(text, ~0ull, value)) return "";
            if (Digits(text)) return text + " is too large (at most " + std::to_string(~0ull) + ")";
            return text + " is not a whole number";
        },
        "");
}

CLI::Validator Positive(const std::string& what) {
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            double value = 0;
            return PositiveNumber(text, value) ? "" : text + " is not " + what;
        },
        "");
}

std::string ShellQuoted(const std::string& word) {
    const bool plain = !word.empty() && word.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                                               "0123456789_./+-=:,@%") == std::string::npos;
    if (plain) return word;
    std::string quoted = "'";
    for (char c : word) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + "'";
}

namespace {

// --alpha MIN,MAX, checked as a whole.
void AddAlphaOption(CLI::App& app, RunOptions& o) {
    app.add_option_function<std::string>(
           "--alpha",
           [&o](const std::string& text) {
               const std::size_t comma = text.find(',');
               unsigned long long low = 0, high = 0;
               WholeNumber(text.substr(0, comma), 255, low);
               WholeNumber(text.substr(comma + 1), 255, high);
               o.alphaMin = int(low);
               o.alphaMax = int(high);
           },
           "MIN,MAX: the shapes' opacity range, 0 to 255 (default 20,120; 20,255 with --search shapes)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                const std::size_t comma = text.find(',');
                unsigned long long low = 0, high = 0;
                const bool good = comma != std::string::npos && ::WholeNumber(text.substr(0, comma), 255, low) &&
                                  ::WholeNumber(text.substr(comma + 1), 255, high) && low <= high;
                return good ? "" : text + " is not MIN,MAX with 0 <= MIN <= MAX <= 255";
            },
            ""));
}

// --shape LIST, each name checked (the names of the kinds of shape, as the shapes' own list).
void AddShapeOption(CLI::App& app, RunOptions& o) {
    app.add_option("--shape", o.shapes,
                   "LIST: what the shape search draws with (and implies it): polygon (default), triangle, "
                   "rectangle (upright), rotated-rectangle, ellipse (upright), rotated-ellipse, circle, curve "
                   "(a stroked quadratic curve), or any (every kind, the best per shape); a comma list picks several")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                static const char* const kNames[] = {"polygon", "triangle", "rectangle", "rotated-rectangle", "ellipse",
                                                     "rotated-ellipse", "circle", "curve", "any"};
                std::size_t from = 0;
                while (from <= text.size()) {
                    const std::size_t comma = std::min(text.find(',', from), text.size());
                    const std::string name = text.substr(from, comma - from);
                    if (std::find(std::begin(kNames), std::end(kNames), name) == std::end(kNames))
                        return text + " is not a list of polygon, triangle, rectangle, rotated-rectangle, ellipse, "
                                      "rotated-ellipse, circle, curve or any";
                    from = comma + 1;
                }
                return "";
            },
            ""));
}

}  // namespace

void AddRunOptions(CLI::App& app, RunOptions& o) {
    const bool shapes = o.defaultSearch == "shapes";
    app.add_option("--search", o.search,
                   std::string("mutate") + (shapes ? "" : " (default)") +
                       ": the exact run, one mutated candidate at a time; shapes" + (shapes ? " (default)" : "") +
                       ": polygon by polygon, then refined by the exact run and by replacing polygons (a "
                       "resumed run keeps its own)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                return text == "mutate" || text == "shapes" ? "" : text + " is not mutate or shapes";
            },
            ""));
    app.add_option("--seed", o.seed,
                   "the random seed (default: the window program's start time; the batch runner's own, "
                   "from the time, its process and some entropy; a resumed run goes on with its record's)")
        ->check(WholeFrom(0, 4294967295ull))
        ->each([&o](const std::string&) { o.seedGiven = true; });
    app.add_option("--threads", o.threads, "threads to score on (default: one per core, also the most); the same run")
        ->check(WholeFrom(1, 256));
    app.add_option("--max-size", o.maxSize,
                   "evolve a copy of the target scaled down to at most PIXELS on its longer side; 0: the "
                   "target's own size (default: 512 with --search shapes, the target's own size with mutate); "
                   "what is saved is drawn at the target's own size")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                unsigned long long value = 0;
                return ::WholeNumber(text, 32767, value) && value != 1 ? "" : text + " is not 0 or a whole number from 2 to 32767";
            },
            ""))
        ->each([&o](const std::string&) { o.maxSizeGiven = true; });
    app.add_option("--autosave", o.autosave, "save the progress that often (seconds)")
        ->check(Positive("a positive number of seconds"));
    app.add_option_function<std::string>(
           "--background", [&o](const std::string& text) { o.background = unsigned(std::stoul(text, nullptr, 16)); },
           "RRGGBB: the colour transparent parts of the target are flattened onto (default 000000), and "
           "the shape search's drawing starts from (default: the picture's mean colour; the exact run's "
           "is black)")
        ->check(CLI::Validator(
            [](std::string& text) -> std::string {
                const bool good = text.size() == 6 && text.find_first_not_of("0123456789abcdefABCDEF") == std::string::npos;
                return good ? "" : text + " is not a colour RRGGBB in hexadecimal";
            },
            ""))
        ->each([&o](const std::string&) { o.backgroundGiven = true; });
    AddShapeOption(app, o);
    app.add_option("--max-polygons", o.maxPolygons, "at most N polygons (default 150)")->check(WholeFrom(3, 10000));
    app.add_option("--max-points", o.maxPoints, "at most N vertices a polygon (default 10)")->check(WholeFrom(3, 1000));
    AddAlphaOption(app, o);
}

std::string RunOptionsProblem(const RunOptions& o) {
    if (!o.shapes.empty() && o.search == "mutate") return "--shape: drawn by the shape search, not --search mutate";
    return "";
}

namespace {

std::size_t Distance(const std::string& a, const std::string& b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] == b[j - 1] ? 0 : 1)});
            diagonal = above;
        }
    }
    return row[b.size()];
}

// The app's long option closest to `given`, if it is close enough to be a slip.
std::string Nearest(const CLI::App& app, const std::string& given) {
    const std::string name = given.substr(0, given.find('='));
    std::string best;
    std::size_t bestDistance = 3;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& longName : option->get_lnames()) {
            const std::string candidate = "--" + longName;
            const std::size_t d = Distance(name, candidate);
            if (d < bestDistance) {
                bestDistance = d;
                best = candidate;
            }
        }
    }
    return best;
}

}  // namespace

namespace {

// What the parser would take in silence: an option given twice (the last would win, or it
// would say "needs a value"), and an option that needs a value followed by another option
// (taken as its value: `--save --quiet` would write ./--quiet.idx). "" when neither.
std::string Misread(const CLI::App& app, int argc, char** argv) {
    std::vector<std::string> seen;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--") break;  // file names from here on
        if (arg.rfind("--", 0) != 0) continue;
        const std::string name = arg.substr(0, arg.find('='));
        const CLI::Option* option = app.get_option_no_throw(name);
        if (!option) continue;  // the parser names it
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) return name + ": given twice";
        seen.push_back(name);
        const bool valued = arg.find('=') == std::string::npos && option->get_items_expected_min() > 0;
        if (valued && i + 1 < argc && std::string(argv[i + 1]).rfind("--", 0) == 0 && std::string(argv[i + 1]) != "--")
            return name + ": needs a value, not the option " + argv[i + 1] + " (for a file of that name, write ./" +
                   argv[i + 1] + ")";
        if (valued) ++i;
    }
    return "";
}

}  // namespace

int ParseCommandLine(CLI::App& app, int argc, char** argv, const std::string& version) {
    bool showVersion = false;
    app.add_flag("--version", showVersion, "tell the version and where the random draws come from");
    const std::string program = app.get_name();
    const std::string misread = Misread(app, argc, argv);
    if (!misread.empty()) {
        std::cerr << misread << " (" << program << " --help lists the options)\n";
        return 2;
    }
    try {
        app.parse(argc, argv);
    } catch (const CLI::CallForHelp&) {
        std::cout << app.help();
        return 0;
    } catch (const CLI::ExtrasError&) {
        const std::vector<std::string> extras = app.remaining();
        const std::string first = extras.empty() ? "?" : extras.front();
        std::string line = first + ": ";
        if (first.rfind("-", 0) == 0) {
            line += "unknown option";
            const std::string near = Nearest(app, first);
            if (!near.empty()) line += "; did you mean " + near + "?";
        } else {
            line += "not expected here";
        }
        std::cerr << line << " (" << program << " --help lists the options)\n";
        return 2;
    } catch (const CLI::ArgumentMismatch& e) {
        const std::string what = e.what();
        std::cerr << what.substr(0, what.find(':')) << ": needs a value (" << program << " --help lists the options)\n";
        return 2;
    } catch (const CLI::ParseError& e) {
        std::cerr << e.what() << " (" << program << " --help lists the options)\n";
        return 2;
    }
    if (showVersion) {
        std::cout << version;
        return 0;
    }
    return -1;
}
