#include "app/Events.h"
#include "app/MainLoop.h"
#include "app/Statistics.h"
#include "app/Window.h"

void Iterate(LoopState& state, std::ostream& err) {
    if (state.evaluator->Evolve(state.test)) {
        // The left half changes at most once a wall-clock second, just after a gain.
        const std::time_t now = state.clock(nullptr);
        if (now > state.lastDisplay) {
            DisplayBest(state.test, state.screen);
            state.lastDisplay = now;
        }
    }
    ++state.iterations;
    state.running = true;
    if (state.iterations % 100 == 0) {
        PollEvents(state, err);
        if (state.autosave > 0) Autosave(state, err);
    }
    if (state.iterations % 2000 == 0) ReportStatistics(state, state.clock(nullptr), err);
}
