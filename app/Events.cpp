#include "app/Events.h"

#include "app/MainLoop.h"
#include "app/Window.h"
#include "evolve/GeneticTest.h"
#include "files/OutputFiles.h"

#include <ostream>

void ResumeCommand(GeneticTest& test, const std::string& progressPath,
                   const std::string& targetName, SDL_Surface* screen, std::ostream& err) {
    if (ResumeProgress(test, progressPath, targetName, err)) DisplayBest(test, screen);
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
    case SDLK_s:
        if (SaveProgressCommand(state.test, state.baseName, err)) {
            const std::string caption = "Saved to " + ProgressPath(state.baseName);
            SDL_WM_SetCaption(caption.c_str(), nullptr);
        }
        break;
    case SDLK_b:
        if (SavePictureCommand(state.test, state.baseName, err)) {
            const std::string caption = "Saved BMP to " + PicturePath(state.baseName);
            SDL_WM_SetCaption(caption.c_str(), nullptr);
        }
        // The same drawing as a scalable picture, with a line of its own.
        SaveSvgCommand(state.test, SvgPath(state.baseName), err);
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
