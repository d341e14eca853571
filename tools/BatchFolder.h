#pragma once

#include "tools/BatchOptions.h"

#include <functional>

// Runs many targets (--save FOLDER/), each in a process of its own: side by side on the cores
// (one thread a picture when there are more pictures than cores), each saved as
// FOLDER/NAME.* and going on from FOLDER/NAME.idx where an earlier run left one (unless
// --force). `runOne` runs one target as a single run does. Shows one progress line for the
// whole, goes on past a picture that fails (its line names it), and ends with a summary line
// on standard output; Ctrl-C (or SIGTERM) stops after the pictures in hand, with their
// saves. The status: 0 when every picture was done, 1 when any failed.
int RunFolder(const BatchOptions& options, const std::function<int(BatchOptions&)>& runOne);
