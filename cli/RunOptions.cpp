#include "cli/RunOptions.h"

#include "cli/Numbers.h"

const char* const kRunOptionsHelp =
    "--search KIND       mutate (default): the exact run, one mutated candidate at a time;\n"
    "                    shapes: polygon by polygon, then refined by the exact run\n"
    "--max-polygons N    at most N polygons (3 to 10000; default 150)\n"
    "--max-points N      at most N vertices a polygon (3 to 1000; default 10)\n"
    "--alpha MIN,MAX     the polygons' opacity range, 0 to 255 (default 20,120)\n";

bool TakeRunOption(int argc, char** argv, int& i, RunOptions& o, std::string& error) {
    const std::string arg = argv[i];
    if (arg != "--search" && arg != "--max-polygons" && arg != "--max-points" && arg != "--alpha")
        return false;
    error.clear();
    if (i + 1 >= argc) {
        error = arg + ": needs a value";
        return true;
    }
    const std::string value = argv[++i];
    unsigned long long number = 0;
    if (arg == "--search") {
        if (value != "mutate" && value != "shapes") error = arg + ": " + value + " is not mutate or shapes";
        o.search = value;
    } else if (arg == "--max-polygons") {
        if (!WholeNumber(value, 10000, number) || number < 3)
            error = arg + ": " + value + " is not a whole number from 3 to 10000";
        o.maxPolygons = int(number);
    } else if (arg == "--max-points") {
        if (!WholeNumber(value, 1000, number) || number < 3)
            error = arg + ": " + value + " is not a whole number from 3 to 1000";
        o.maxPoints = int(number);
    } else {
        const std::size_t comma = value.find(',');
        unsigned long long low = 0, high = 0;
        if (comma == std::string::npos || !WholeNumber(value.substr(0, comma), 255, low) ||
            !WholeNumber(value.substr(comma + 1), 255, high) || low > high)
            error = arg + ": " + value + " is not MIN,MAX with 0 <= MIN <= MAX <= 255";
        o.alphaMin = int(low);
        o.alphaMax = int(high);
    }
    return true;
}
