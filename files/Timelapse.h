#pragma once

#include "files/ScaledRender.h"

#include <cstdint>
#include <memory>
#include <string>

class DnaDrawing;

// One animated picture of a run, a frame at a time: animated WebP (libwebp's animation
// encoder) or GIF (giflib, with a palette of its own made for each frame), by the name's
// extension. Frames show the picture as the handed-out pictures do, scaled to at most
// kLongerSide pixels on the longer side. A GIF goes to disk frame by frame; a WebP keeps its
// encoded frames (small) until the end. The file replaces an old one only when it is whole.
class Timelapse {
public:
    static constexpr int kLongerSide = 480;
    static constexpr int kFrameMs = 100;  // each frame's time; the last is held 2 s

    // False for a name ending in neither .webp nor .gif.
    static bool Supported(const std::string& path);

    // Of a drawing evolved at evolvedWidth x evolvedHeight, shown as a picture of
    // pictureWidth x pictureHeight (scaled down to kLongerSide).
    Timelapse(const std::string& path, int evolvedWidth, int evolvedHeight, int pictureWidth, int pictureHeight);
    ~Timelapse();
    Timelapse(const Timelapse&) = delete;
    Timelapse& operator=(const Timelapse&) = delete;

    bool Add(const DnaDrawing& drawing);
    // Writes the file; false (old file untouched) on failure.
    bool Finish();
    int Frames() const { return frames; }
    const std::string& Path() const { return path; }

    struct Encoder;

private:
    std::string path;
    OutputSize size;
    std::unique_ptr<Encoder> encoder;
    int frames = 0;
    bool failed = false;
};
