#include "app/Commands.h"

#include "app/GeneticTest.h"
#include "app/LoopState.h"
#include "app/Progress.h"
#include "app/Window.h"

#include <ostream>

std::string ProgressPath(const std::string& baseName) { return baseName + ".idx"; }
std::string PicturePath(const std::string& baseName) { return baseName + ".out.bmp"; }

bool SaveProgressCommand(GeneticTest& test, const std::string& baseName, std::ostream& err) {
    const std::string path = ProgressPath(baseName);
    if (!SaveProgress(test, path)) {
        err << "Unable to save progresses to <" << path << ">.\n";
        return false;
    }
    err << "Saved progresses to <" << path << ">.\n";
    return true;
}

bool SavePictureCommand(GeneticTest& test, const std::string& baseName, std::ostream& err) {
    const std::string path = PicturePath(baseName);
    if (!SavePicture(test, path)) {
        err << "Unable to save BMP to <" << path << ">.\n";
        return false;
    }
    err << "Saved BMP to <" << path << ">.\n";
    return true;
}

void ResumeCommand(GeneticTest& test, const std::string& progressPath, SDL_Surface* screen,
                   std::ostream& err) {
    err << "Loading progresses from <" << progressPath << ">...\n";
    switch (LoadProgress(test, progressPath)) {
    case LoadResult::Unopened:
        // Say so: otherwise the run looks resumed while it starts from scratch.
        err << "Unable to open progress file <" << progressPath << ">; starting afresh.\n";
        return;
    case LoadResult::Damaged:
        err << "Progress file <" << progressPath << "> is damaged; starting afresh.\n";
        break;
    case LoadResult::Loaded:
        break;
    }
    DisplayBest(test, screen);
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
