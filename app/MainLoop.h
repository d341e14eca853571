#pragma once

#include "evolve/Evaluator.h"
#include "files/OutputFiles.h"
#include "files/RunRecord.h"

#include <SDL.h>

#include <cstdint>
#include <ctime>
#include <iosfwd>
#include <memory>
#include <string>
#include <utility>

class GeneticTest;
class RunStart;

// What the main loop keeps beside the evolution state.
struct LoopState {
    LoopState(GeneticTest& test_, SDL_Surface* screen_, std::string baseName_, std::time_t start_)
        : test(test_), screen(screen_), baseName(std::move(baseName_)), start(start_),
          lastDisplay(start_) {}
    // A started run's: its test, search, record, timed saves and picture size.
    LoopState(RunStart& run, SDL_Surface* screen_, std::time_t start_);

    GeneticTest& test;
    SDL_Surface* screen;
    std::string baseName;     // argv[1]: the prefix of every output file
    std::time_t start;        // also the random seed
    std::time_t lastDisplay;  // when the left half was last redrawn
    std::uint64_t iterations = 0;
    bool running = true;
    std::time_t (*clock)(std::time_t*) = &std::time;
    std::unique_ptr<Evaluator> evaluator = MakeEvaluator(EvaluatorKind::Fast);  // replaceable
    RunRecord record;              // written beside every progress file saved
    double autosave = 0;           // seconds between quiet saves of the progress; 0: none
    std::time_t lastAutosave = 0;  // 0: not yet (the first comes `autosave` after the start)
    RepeatedFailure autosaveFailure;
    bool halted = false;           // out of memory: no more candidates, the window stays
    int pictureWidth = 0, pictureHeight = 0;  // the target's own size, which the SVG is drawn at
    // Milliseconds, for polling events between the every-100 polls when iterations are slow
    // (a large picture), so that keys and closing the window always answer.
    Uint32 (*ticks)() = &SDL_GetTicks;
    Uint32 lastPoll = 0;
};

// One iteration of the program's loop: evolve, redisplay after a gain, poll events every
// 100 iterations, report statistics every 2000.
void Iterate(LoopState& state, std::ostream& err);
