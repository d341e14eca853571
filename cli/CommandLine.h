#pragma once

#include <CLI/CLI.hpp>

#include <string>

// Every program's command line goes through one parser: `--opt value` and `--opt=value`,
// --help on standard output, --version, and a refused argument as one line on standard error
// with status 2 (with a "did you mean" for a near miss).

// The run options the window program and the batch runner share.
struct RunOptions {
    std::string search;  // "mutate" or "shapes"; empty: not given (a resumed record's, else defaultSearch)
    std::string defaultSearch = "mutate";  // the program's own: the window's exact run, the batch runner's shapes
    std::string shapes;  // --shape: the kinds the shape search draws with ("polygon,triangle"); empty: not given
    unsigned long long seed = 0;    // when given (seedGiven)
    bool seedGiven = false;
    unsigned long long threads = 0;  // 0: one per core
    unsigned long long maxSize = 0;  // 0: the target as it is
    bool maxSizeGiven = false;       // else the search's working size (WorkingSize)
    double autosave = 0;             // seconds; 0: none
    int maxPolygons = 0, maxPoints = 0;  // 0: the defaults
    int alphaMin = -1, alphaMax = -1;    // -1: the defaults
    unsigned background = 0;             // 0xRRGGBB a transparent picture is flattened onto,
    bool backgroundGiven = false;        // and, given, the one the shape search paints on
};

void AddRunOptions(CLI::App& app, RunOptions& options);
// What the run options ask that cannot be had together, as a line to refuse them with; "".
std::string RunOptionsProblem(const RunOptions& options);

// Checks with the programs' own words: "x1 is not a whole number from 0 to 4294967295".
CLI::Validator WholeFrom(unsigned long long low, unsigned long long high);
CLI::Validator WholeNumber();
CLI::Validator Positive(const std::string& what = "a positive number");

// A word for a shell command line the programs suggest or print: as it is when it is plain,
// else in single quotes ("'my photo.jpg'").
std::string ShellQuoted(const std::string& word);

// Parses argv into the app. Returns -1 to go on, or the status to end with: 0 after --help or
// --version (`version` printed), 2 after a refused argument.
int ParseCommandLine(CLI::App& app, int argc, char** argv, const std::string& version);
