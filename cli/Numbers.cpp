#include "cli/Numbers.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>

bool Digits(const std::string& text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string::npos;
}

bool WholeNumber(const std::string& text, unsigned long long max, unsigned long long& out) {
    if (text.empty() || text.find_first_not_of("0123456789") != std::string::npos) return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtoull(text.c_str(), &end, 10);
    return errno == 0 && *end == '\0' && out <= max;
}

bool PositiveNumber(const std::string& text, double& out) {
    // Decimals and exponents (1e-3), no sign in front, no hexadecimal, infinity or NaN.
    if (text.empty() || text.find_first_not_of("0123456789.eE+-") != std::string::npos ||
        text.find_first_of("0123456789.") != 0)
        return false;
    errno = 0;
    char* end = nullptr;
    out = std::strtod(text.c_str(), &end);
    return errno == 0 && *end == '\0' && std::isfinite(out) && out > 0;
}
