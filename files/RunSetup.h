#pragma once

#include "cli/CommandLine.h"
#include "files/RunRecord.h"

#include <iosfwd>
#include <memory>
#include <string>

class GeneticTest;
class Image;

// What the window program and the batch runner do alike around a run: the target as evolved,
// the record beside each progress file, and what a resume takes from it.

// The picture scaled down (area average) so its longer side fits maxSize; as it is for 0.
std::unique_ptr<Image> EvolvedTarget(std::unique_ptr<Image> picture, unsigned long long maxSize);

// Takes from the record of the progress file being resumed what the command line left open
// (--max-size, the search, the limits), with a line on `err` saying so.
void AdoptRecord(const RunRecord& record, const std::string& progressPath, RunOptions& options,
                 std::ostream& err);
// A line when the progress file was made for a picture of another size than the one evolved.
void CheckRecordSize(const RunRecord& record, const std::string& progressPath, const Image& evolved,
                     const std::string& targetName, std::ostream& err);

// The record of a run as it stands.
RunRecord MakeRecord(const GeneticTest& test, const std::string& targetPath, int pictureWidth,
                     int pictureHeight, const RunOptions& options, unsigned seed);

// Saves the progress file (as SaveProgressTo) and then its record; false if either failed.
bool SaveRun(GeneticTest& test, const std::string& progressPath, const RunRecord& record,
             std::ostream& err, bool quiet, bool withReason);
