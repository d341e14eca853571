#pragma once

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <string>

struct LoopState;

struct Statistics {
    std::uint64_t iterations;
    int polygons;
    std::uint64_t ips;
    std::uint64_t error;
    std::uint32_t generation;
};

// Figures for a report at `now`; false within the first second after the start.
bool GatherStatistics(const LoopState& state, std::time_t now, Statistics& out);
// "Iteration:... Poly:... IPS:... Error:... Generation:...\n"
std::string StatisticsLine(const Statistics& s);
// "Gen:... IPS:... Err:..."
std::string StatisticsCaption(const Statistics& s);
// Writes the line to `err` and sets the caption, if a second has passed; true if it did.
bool ReportStatistics(const LoopState& state, std::time_t now, std::ostream& err);
