#pragma once

#include <iosfwd>
#include <string>

class GeneticTest;

// Every output file is named after the target path (argv[1]) as given, so it lands beside it.
std::string ProgressPath(const std::string& baseName);  // baseName + ".idx"
std::string PicturePath(const std::string& baseName);   // baseName + ".out.bmp"
std::string SvgPath(const std::string& baseName);       // baseName + ".out.svg"

// The save commands with their messages on `err`; true on success. A progress file that
// holds a lower error than the test's is copied to NAME.bak first (replacing an older one).
bool SaveProgressCommand(GeneticTest& test, const std::string& baseName, std::ostream& err);
// `quiet` leaves out the line of a save that went well; `withReason` adds the system's reason
// to a failure line (the tools' way).
bool SaveProgressTo(GeneticTest& test, const std::string& path, std::ostream& err, bool quiet = false,
                    bool withReason = false);
// `withReason` adds SDL's reason (or the system's) to a failure line, as the tools do. The
// picture is the canvas, unless the drawing was evolved at another size than the picture's
// own (pictureWidth x pictureHeight; 0 for the canvas's): then it is drawn at that size (at
// most 50 million pixels and as wide as a BMP goes, else as large as fits).
bool SavePictureCommand(GeneticTest& test, const std::string& baseName, std::ostream& err,
                        bool withReason = false, int pictureWidth = 0, int pictureHeight = 0);
// The best drawing as SVG to `path` itself, at the picture's own size (pictureWidth x
// pictureHeight; 0 for the target's, the size it is evolved at).
bool SaveSvgCommand(GeneticTest& test, const std::string& path, std::ostream& err, int pictureWidth = 0,
                    int pictureHeight = 0);

// Reads a progress file into the test, saying what happened on `err`; a damaged file restarts
// the test. A stored error below the drawing's real error against the target (`targetName`
// in the message) is replaced by the real one. True when the test holds a drawing worth
// showing at once (the file was opened).
bool ResumeProgress(GeneticTest& test, const std::string& progressPath,
                    const std::string& targetName, std::ostream& err);
// Why the last picture load or save failed: SDL's word if it said one, else the system's
// (errno), else "". Clear both before the attempt.
std::string SaveFailureReason();

// Timed saves that keep failing are said once, and again only when the reason changes (or
// after one that went well): not a line a save while a folder stays read-only.
class RepeatedFailure {
public:
    // True when a failure for `reason` should be said.
    bool Due(const std::string& reason) {
        const bool due = !failing || reason != last;
        failing = true;
        last = reason;
        return due;
    }
    void Succeeded() { failing = false; }

private:
    bool failing = false;
    std::string last;
};

// True if `path` is a regular file that could be a progress file.
bool ProgressFileExists(const std::string& path);
