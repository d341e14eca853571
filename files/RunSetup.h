#pragma once

#include "cli/CommandLine.h"
#include "files/RunRecord.h"

#include <iosfwd>
#include <memory>
#include <string>

class Evaluator;
class GeneticTest;
class Image;

// What the window program and the batch runner do alike around a run: the target as evolved,
// the record beside each progress file, and what a resume takes from it.

// The longer side the shape search works at unless --max-size says otherwise: measured on
// phone photos, it reaches within a few per cent of the quality of larger copies in a fraction
// of the time, and the shapes scale to the picture's own size when saved.
constexpr unsigned long long kShapesWorkingSize = 512;
// The shape search's most opaque shape by default: opaque (a circle or a rectangle lays down
// a flat colour at once); the exact run's stays at Settings::AlphaMax.
constexpr int kShapesAlphaMax = 255;
// Where --alpha is not given, the search's own range.
void SettleAlpha(RunOptions& options);
// Fixes options.search (the program's default where nothing said one) and options.maxSize:
// --max-size as given, else the search's working size (shapes), else 0.
void SettleWorkingSize(RunOptions& options);

// The picture scaled down (area average) so its longer side fits options.maxSize; as it is for
// 0. A copy the user did not ask for by --max-size gets a line on `err` saying so; the
// picture's own size is `pictureWidth` x `pictureHeight` (larger, if it shrank while loading).
std::unique_ptr<Image> EvolvedTarget(std::unique_ptr<Image> picture, const RunOptions& options,
                                     const std::string& targetName, int pictureWidth, int pictureHeight,
                                     std::ostream& err);

// Takes from the record of the progress file being resumed what the command line left open
// (--max-size, the search, the limits), with a line on `err` saying so.
void AdoptRecord(const RunRecord& record, const std::string& progressPath, RunOptions& options,
                 std::ostream& err);
// A line when the progress file was made for a picture of another size than the one evolved.
void CheckRecordSize(const RunRecord& record, const std::string& progressPath, const Image& evolved,
                     const std::string& targetName, std::ostream& err);

// A seed of its own for every run started without --seed: the time, the process and a little
// entropy, so that runs started together differ.
unsigned FreshSeed();
// The seed a run draws from: --seed, else the resumed record's, else `fresh`.
unsigned RunSeed(const RunOptions& options, const RunRecord* resumed, unsigned fresh);
// After a resume without --seed: the draws go on where the saved run stood (its record says
// where), so that N iterations and M resumed ones are the N + M of one run. A record from
// before that gets a line: the draws start again from its seed.
void ContinueDraws(GeneticTest& test, Evaluator& search, const RunOptions& options, const RunRecord* resumed,
                   const std::string& progressPath, std::ostream& err);
// Notes in the record where the run stands in its draws (before a save takes any).
void StampDraws(RunRecord& record, const GeneticTest& test, const Evaluator& search);

// The record of a run as it stands.
RunRecord MakeRecord(const GeneticTest& test, const std::string& targetPath, int pictureWidth,
                     int pictureHeight, const RunOptions& options, unsigned seed);

// Saves the progress file (as SaveProgressTo) and then its record; false if either failed.
bool SaveRun(GeneticTest& test, const std::string& progressPath, const RunRecord& record,
             std::ostream& err, bool quiet, bool withReason);
