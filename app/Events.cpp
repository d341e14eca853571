#include "app/Events.h"

#include "app/MainLoop.h"
#include "app/Window.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"
#include "files/RunSetup.h"

#include <ostream>
#include <sstream>

void ResumeCommand(GeneticTest& test, const std::string& progressPath,
                   const std::string& targetName, SDL_Surface* screen, std::ostream& err) {
    if (ResumeProgress(test, progressPath, targetName, err)) DisplayBest(test, screen);
}

// The run's record with where its draws stand now, before a save takes any.
RunRecord Stamped(const LoopState& state) {
    RunRecord record = state.record;
    StampDraws(record, state.test, *state.evaluator);
    return record;
}

void KeepRecord(LoopState& state, const RunRecord& stamped) {
    // Beside the progress file, silently: the window's own lines stay as they are.
    RunRecord record = stamped;
    record.generation = state.test.generation;
    record.error = state.test.bestError;
    SaveRecord(record, RecordPath(ProgressPath(state.baseName)));
}

void Autosave(LoopState& state, std::ostream& err) {
    const std::time_t now = state.clock(nullptr);
    if (state.lastAutosave == 0) state.lastAutosave = state.start;
    if (double(now - state.lastAutosave) < state.autosave) return;
    state.lastAutosave = now;
    // Quiet unless it fails, and without moving the run's draws.
    const std::uint64_t at = state.test.draws.Position();
    const RunRecord stamped = Stamped(state);
    std::ostringstream said;
    if (SaveProgressTo(state.test, ProgressPath(state.baseName), said, true, true)) {
        KeepRecord(state, stamped);
        state.autosaveFailure.Succeeded();
    } else if (state.autosaveFailure.Due(said.str())) {
        err << said.str();
    }
    state.test.draws.Seek(at);
}

void HandleEvent(LoopState& state, const SDL_Event& event, std::ostream& err) {
    if (event.type == SDL_QUIT) {
        state.running = false;
        return;
    }
    if (event.type != SDL_KEYDOWN) return;
    // Only the key symbol counts, so shifted letters act like plain ones.
    switch (event.key.keysym.sym) {
    case SDLK_q:
        state.running = false;
        break;
    case SDLK_s: {
        const RunRecord stamped = Stamped(state);
        if (SaveProgressCommand(state.test, state.baseName, err)) {
            KeepRecord(state, stamped);
            const std::string caption = "Saved to " + ProgressPath(state.baseName);
            SDL_WM_SetCaption(caption.c_str(), nullptr);
        }
        break;
    }
    case SDLK_b:
        if (SavePictureCommand(state.test, state.baseName, err, false, state.pictureWidth, state.pictureHeight)) {
            const std::string caption = "Saved BMP to " + PicturePath(state.baseName);
            SDL_WM_SetCaption(caption.c_str(), nullptr);
        }
        // The same drawing as a scalable picture, with a line of its own.
        SaveSvgCommand(state.test, SvgPath(state.baseName), err, state.pictureWidth, state.pictureHeight);
        break;
    default:
        break;
    }
    state.iterations = 1;
}

void PollEvents(LoopState& state, std::ostream& err) {
    SDL_Event event;
    while (SDL_PollEvent(&event)) HandleEvent(state, event, err);
}
