#pragma once

#include <string>

// Command-line numbers, strictly: digits only (and a point for decimals), nothing after them.
bool WholeNumber(const std::string& text, unsigned long long max, unsigned long long& out);
bool PositiveNumber(const std::string& text, double& out);
