#pragma once

#include <string>

// Command-line numbers, strictly: digits only (and a point and an exponent for decimals),
// nothing after them.
bool Digits(const std::string& text);
bool WholeNumber(const std::string& text, unsigned long long max, unsigned long long& out);
bool PositiveNumber(const std::string& text, double& out);
