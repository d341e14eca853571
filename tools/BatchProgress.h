#pragma once

#include <cstdint>
#include <iosfwd>
#include <string>

class GeneticTest;
class Image;
struct BatchOptions;

// Root mean square error per colour channel: sqrt(error / (3 (W-1) (H-1))), comparable
// across pictures of any size (0 where nothing is counted).
double Rmse(std::uint64_t error, const Image& target);
// "1h02m03s", "4m05s", "6s".
std::string Duration(double seconds);

// The progress line on standard error: on a terminal one line rewritten once a second,
// elsewhere a line every ten seconds; each names the seed, so the run can be repeated.
class ProgressReport {
public:
    ProgressReport(std::ostream& out, bool terminal, bool quiet, unsigned seed, const Image& target);
    // Reports if it is time to.
    void Update(unsigned long long iterations, double seconds, const GeneticTest& test,
                const BatchOptions& options);
    // Ends a rewritten line, so that other messages start on a line of their own.
    void Clear();
    void Finish(unsigned long long iterations, double seconds, const GeneticTest& test,
                const BatchOptions& options);

private:
    std::string Line(unsigned long long iterations, double seconds, const GeneticTest& test,
                     const BatchOptions& options) const;
    std::ostream& out;
    bool terminal, quiet, open = false;
    unsigned seed;
    const Image& target;
    double next = 0;
};
