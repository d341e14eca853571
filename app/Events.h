#pragma once

#include <SDL.h>

#include <iosfwd>
#include <string>

class GeneticTest;
struct LoopState;

// Reads argv[2] at start-up and shows the resumed (or restarted) drawing at once.
void ResumeCommand(GeneticTest& test, const std::string& progressPath,
                   const std::string& targetName, SDL_Surface* screen, std::ostream& err);

// Quit requests and `q` stop the run; `s` and `b` save; every key press restarts the count.
void HandleEvent(LoopState& state, const SDL_Event& event, std::ostream& err);
// Handles every pending event, also after a quit request in the same batch.
// A quiet save of the progress when --autosave's time has come.
void Autosave(LoopState& state, std::ostream& err);
void PollEvents(LoopState& state, std::ostream& err);
