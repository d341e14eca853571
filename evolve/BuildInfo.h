#pragma once

#include <string>

// What `--version` tells: the program's name and version, where the random draws come from and
// which pixel kernels the fast evaluator runs on this processor.
std::string VersionText(const std::string& program);
