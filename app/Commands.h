#pragma once

#include <SDL.h>

#include <iosfwd>
#include <string>

class GeneticTest;
struct LoopState;

std::string ProgressPath(const std::string& baseName);  // baseName + ".idx"
std::string PicturePath(const std::string& baseName);   // baseName + ".out.bmp"

// The commands behind the keys, with their messages on `err`; true on success.
bool SaveProgressCommand(GeneticTest& test, const std::string& baseName, std::ostream& err);
bool SavePictureCommand(GeneticTest& test, const std::string& baseName, std::ostream& err);
// Reads argv[2] at start-up; a damaged file restarts the test. The drawing is shown after.
void ResumeCommand(GeneticTest& test, const std::string& progressPath, SDL_Surface* screen,
                   std::ostream& err);

// Quit requests and `q` stop the run; `s` and `b` save; every key press restarts the count.
void HandleEvent(LoopState& state, const SDL_Event& event, std::ostream& err);
// Handles every pending event, also after a quit request in the same batch.
void PollEvents(LoopState& state, std::ostream& err);
