#pragma once

#include "tools/BatchOptions.h"
#include "tools/BatchProgress.h"

#include "files/OutputFiles.h"
#include "files/Timelapse.h"
#include "run/RunStart.h"

#include <chrono>
#include <csignal>
#include <memory>
#include <string>

// Where the run keeps its progress (--save, or beside the target with --autosave; "" for
// nowhere), checked before any work: a progress file there that is not the one resumed may
// hold a better drawing of another run, and the folders written in must be writable. -1 to go
// on, else the status to end with (a line said why).
int CheckOutputs(const BatchOptions& options, std::string& keepPath);

// The first SIGINT or SIGTERM asks the run to end after the current iteration; a second one
// quits at once (saves go through temporary files, so the last complete one stays whole).
void CatchStops();
// The signal that stopped the run, or 0.
int StopSignal();

// The batch runner's loop around a started run: stop conditions, frames, the time-lapse, timed
// saves, the progress line and running out of memory; then the saves at the end.
class BatchRun {
public:
    BatchRun(const BatchOptions& options, RunStart& start, std::string keepPath);
    // Iterates until a stop condition, a signal or memory runs out.
    void Loop();
    // The frames and saves at the end and the result line; the status to end with.
    int Finish();

private:
    using Clock = std::chrono::steady_clock;
    bool Finished() const;
    double Elapsed() const { return std::chrono::duration<double>(Clock::now() - begun).count(); }
    bool Step();  // one iteration; false when memory ran out
    void AfterStep();
    bool LapseDue(double now) const;
    void LapseFrame();
    bool SaveFrame(const std::string& path) const;
    void Autosave();
    int SaveAll();

    const BatchOptions& options;
    RunStart& start;
    GeneticTest& test;
    const std::string keepPath;
    ProgressReport report;
    std::unique_ptr<Timelapse> lapse;
    std::uint64_t lapseIndex = 0;
    Clock::time_point begun, lastAutosave;
    unsigned long long done = 0;
    unsigned long long candidates = 0;  // scored, whichever search: the unit both share
    bool outOfMemory = false;
    RepeatedFailure autosaveFailure, frameFailure;
};
