#include "app/Events.h"
#include "app/MainLoop.h"
#include "app/Statistics.h"
#include "app/Window.h"
#include "evolve/GeneticTest.h"
#include "run/RunStart.h"

#include <new>
#include <ostream>

LoopState::LoopState(RunStart& run, SDL_Surface* screen_, std::time_t start_)
    : LoopState(*run.test, screen_, run.targetPath, start_) {
    evaluator = std::move(run.search);
    record = run.record;
    autosave = run.options.autosave;
    pictureWidth = run.pictureWidth;
    pictureHeight = run.pictureHeight;
}

namespace {
// Longest wait for the next poll of events, however slow the iterations are.
constexpr Uint32 kPollMilliseconds = 200;

bool Evolve(LoopState& state, std::ostream& err) {
    if (state.halted) return false;
    try {
        return state.evaluator->Evolve(state.test);
    } catch (const std::bad_alloc&) {
        // A candidate may have been cut short half made: the drawing is scored as it stands,
        // and evolution stops; the window stays, so s and b still save it, and q quits.
        err << "Out of memory; evolution stops here (s and b still save the drawing).\n";
        state.test.bestError = state.test.RenderBest().Compare(*state.test.target);
        state.halted = true;
        return false;
    }
}
}  // namespace

void Iterate(LoopState& state, std::ostream& err) {
    if (Evolve(state, err)) {
        // The left half changes at most once a wall-clock second, just after a gain.
        const std::time_t now = state.clock(nullptr);
        if (now > state.lastDisplay) {
            DisplayBest(state.test, state.screen);
            state.lastDisplay = now;
        }
    }
    ++state.iterations;
    state.running = true;
    const Uint32 now = state.ticks();
    if (state.lastPoll == 0) state.lastPoll = now;
    if (state.iterations % 100 == 0 || now - state.lastPoll >= kPollMilliseconds) {
        state.lastPoll = now;
        PollEvents(state, err);
        if (state.autosave > 0) Autosave(state, err);
    }
    if (state.iterations % 2000 == 0) ReportStatistics(state, state.clock(nullptr), err);
}
