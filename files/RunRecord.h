#pragma once

#include <cstdint>
#include <string>

// What a progress file cannot hold about its run, kept beside it as JSON and written with it:
// the picture it was made for and the size it was evolved at, and the options that shape a
// resumed run. The progress file itself stays as it always was.
struct RunRecord {
    std::string program;                      // "polyevolve 1.1.0"
    std::string target;                       // the path as given
    int targetWidth = 0, targetHeight = 0;    // the picture's own size
    int width = 0, height = 0;                // the size it was evolved at
    unsigned long long maxSize = 0;           // --max-size, 0 for none
    unsigned long long seed = 0;
    std::string search = "mutate";
    std::string shapes = "polygon";  // the kinds the shape search draws with
    int maxPolygons = 0, maxPoints = 0, alphaMin = 0, alphaMax = 0;
    unsigned background = 0;  // 0xRRGGBB the drawing is painted on (older records: black)
    std::uint32_t generation = 0;
    std::uint64_t error = 0;
    // Where the run stood in its random draws, so that a resume goes on with the same stream:
    // the next draw, and where the work under way began (older records have neither).
    bool hasDraws = false;
    std::uint64_t draws = 0, replayFrom = 0;
};

// NAME.idx -> NAME.json; any other name gains ".json".
std::string RecordPath(const std::string& progressPath);
// Atomically, like the progress file; false (old file untouched) on failure.
bool SaveRecord(const RunRecord& record, const std::string& path);
enum class RecordLoad { Missing, Loaded, Damaged };
// Missing when there is no file at `path`; Damaged, with what is wrong in `why`, when it is
// no record of ours or holds a value no run could have (each is held to the bounds the
// command line puts on it); `record` is changed only when Loaded.
RecordLoad LoadRecord(const std::string& path, RunRecord& record, std::string& why);

// The most draws a resumed shape search makes again to stand where its record says (the
// polygon in the making): one polygon's search takes some 30 000 to 60 000, and 4 million
// take seconds.
constexpr std::uint64_t kMostReplayed = std::uint64_t(1) << 22;
