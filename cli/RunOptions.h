#pragma once

#include <string>

// The run options the window program and the batch runner share: which search, and the
// drawing's limits (absent ones keep the program's defaults).
struct RunOptions {
    std::string search = "mutate";  // "mutate" or "shapes"
    int maxPolygons = 0;            // 0: the default
    int maxPoints = 0;
    int alphaMin = -1, alphaMax = -1;  // -1: the defaults
};

extern const char* const kRunOptionsHelp;

// When argv[i] is one of these options, takes it and its value (moving i on) and returns
// true; `error` is then set if the value is refused. False for any other argument.
bool TakeRunOption(int argc, char** argv, int& i, RunOptions& options, std::string& error);
