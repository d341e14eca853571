#include "app/Statistics.h"

#include "evolve/GeneticTest.h"
#include "app/MainLoop.h"

#include <SDL.h>

#include <ostream>
#include <sstream>

bool GatherStatistics(const LoopState& state, std::time_t now, Statistics& out) {
    const std::time_t elapsed = now - state.start;
    if (elapsed <= 0) return false;
    out.iterations = state.iterations;
    out.polygons = int(state.test.best.polygons.size());
    out.ips = state.iterations / std::uint64_t(elapsed);
    out.error = state.test.bestError;
    out.generation = state.test.generation;
    return true;
}

std::string StatisticsLine(const Statistics& s) {
    std::ostringstream line;
    line << "Iteration:" << s.iterations << " Poly:" << s.polygons << " IPS:" << s.ips
         << " Error:" << s.error << " Generation:" << s.generation << "\n";
    return line.str();
}

std::string StatisticsCaption(const Statistics& s) {
    std::ostringstream caption;
    caption << "Gen:" << s.generation << " IPS:" << s.ips << " Err:" << s.error;
    return caption.str();
}

bool ReportStatistics(const LoopState& state, std::time_t now, std::ostream& err) {
    Statistics s;
    if (!GatherStatistics(state, now, s)) return false;
    err << StatisticsLine(s);
    SDL_WM_SetCaption(StatisticsCaption(s).c_str(), nullptr);
    return true;
}
