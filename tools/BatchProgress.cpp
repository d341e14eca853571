#include "tools/BatchProgress.h"

#include "tools/BatchOptions.h"

#include "evolve/GeneticTest.h"
#include "image/Image.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <ostream>

double Rmse(std::uint64_t error, const Image& target) {
    const double counted = 3.0 * double(ScoredAreaOf(target.Width(), target.Height()).Pixels());
    return counted > 0 ? std::sqrt(double(error) / counted) : 0.0;
}

std::string Duration(double seconds) {
    const long long s = seconds < 0 ? 0 : (long long)(seconds + 0.5);
    char text[48];
    if (s >= 3600)
        std::snprintf(text, sizeof text, "%lldh%02lldm%02llds", s / 3600, s / 60 % 60, s % 60);
    else if (s >= 60)
        std::snprintf(text, sizeof text, "%lldm%02llds", s / 60, s % 60);
    else
        std::snprintf(text, sizeof text, "%llds", s);
    return text;
}

ProgressReport::ProgressReport(std::ostream& out_, bool terminal_, bool quiet_, unsigned seed_,
                               const Image& target_)
    : out(out_), terminal(terminal_), quiet(quiet_), seed(seed_), target(target_) {}

std::string ProgressReport::Line(unsigned long long iterations, double seconds,
                                 const GeneticTest& test, const BatchOptions& o) const {
    const double ips = seconds > 0 ? double(iterations) / seconds : 0.0;
    // Before the first candidate is scored there is no error to tell; the seed is in every
    // line, since a terminal's line is rewritten.
    char score[96] = "error:- rmse:-";
    if (test.bestError != GeneticTest::InitialError)
        std::snprintf(score, sizeof score, "error:%llu rmse:%.3f", (unsigned long long)test.bestError,
                      Rmse(test.bestError, target));
    char text[320];
    int n = std::snprintf(text, sizeof text, "seed:%u iterations:%llu ips:%.0f %s polygons:%zu elapsed:%s",
                          seed, iterations, ips, score, test.best.polygons.size(), Duration(seconds).c_str());
    // Time left, when a stop condition tells it.
    double left = -1;
    if (o.haveSeconds) left = std::max(0.0, o.seconds - seconds);
    if (o.haveIterations && ips > 0) {
        const double byCount = double(o.iterations > iterations ? o.iterations - iterations : 0) / ips;
        left = left < 0 ? byCount : std::min(left, byCount);
    }
    if (left >= 0 && n > 0 && std::size_t(n) < sizeof text)
        std::snprintf(text + n, sizeof text - std::size_t(n), " left:%s", Duration(left).c_str());
    return text;
}

void ProgressReport::Update(unsigned long long iterations, double seconds, const GeneticTest& test,
                            const BatchOptions& options) {
    if (quiet || seconds < next) return;
    next = seconds + (terminal ? 1.0 : 10.0);
    const std::string line = Line(iterations, seconds, test, options);
    if (terminal) {
        out << "\r" << line << "\x1b[K" << std::flush;
        open = true;
    } else {
        out << line << "\n" << std::flush;
    }
}

void ProgressReport::Clear() {
    if (open) out << "\n" << std::flush;
    open = false;
}

void ProgressReport::Finish(unsigned long long iterations, double seconds, const GeneticTest& test,
                            const BatchOptions& options) {
    if (!quiet && terminal) {  // the last state, in place of the rewritten line
        out << "\r" << Line(iterations, seconds, test, options) << "\x1b[K\n" << std::flush;
        open = false;
    }
    Clear();
}
