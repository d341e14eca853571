#pragma once

// polyevolve as a library: a picture in, as pixels; a drawing of shapes out, found by the
// shape search; the drawing as SVG, PNG or JSON. One run at a time in a process (the limits
// of a run are the process's while it runs).

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace polyevolve {

// A picture: width x height pixels, row after row, each 0xRRGGBB (the top byte is ignored).
struct Picture {
    int width = 0, height = 0;
    std::vector<std::uint32_t> pixels;
};

struct Options {
    std::string shapes = "polygon";   // the kinds, as --shape takes them: "ellipse", "triangle,circle", "any"
    int maxShapes = 150;              // 3 to 10 000
    int maxPoints = 10;               // a polygon's most vertices, 3 to 1 000
    int alphaMin = 20, alphaMax = 255;
    int workingSize = 512;            // the longer side of the copy searched (0: the picture whole)
    unsigned seed = 1;                // the same seed, the same drawing, on any number of threads
    int threads = 1;
    std::uint64_t iterations = 1000;  // batches of 64 candidates; 0: until `seconds` or told to stop
    double seconds = 0;               // 0: no time limit
};

// Where a run stands, for the progress callback.
struct Progress {
    std::uint64_t iterations = 0;
    double seconds = 0;
    double rmse = 0;  // per colour channel, on the copy searched
    std::size_t shapes = 0;
};

// The drawing a run found, on the copy it searched; drawn at the picture's own size.
class Drawing {
public:
    Drawing();
    ~Drawing();
    Drawing(Drawing&&) noexcept;
    Drawing& operator=(Drawing&&) noexcept;
    std::size_t Shapes() const;
    double Rmse() const;  // on the copy searched
    // As SVG text; `web`: one that scales to its box, with the shortest numbers.
    std::string Svg(bool web = false) const;
    // As JSON: each shape in its kind, its geometry, colour and alpha (the README's schema).
    std::string Json() const;
    // A PNG at the picture's size times `scale`; false on failure.
    bool SavePng(const std::string& path, double scale = 1) const;

    struct State;
    std::unique_ptr<State> state;
};

// Called now and then during a run; return false to stop it (the drawing so far is kept).
using ProgressFn = std::function<bool(const Progress&)>;

// Finds a drawing of `picture`. Throws std::invalid_argument for a picture or options no run
// can take, with the reason.
Drawing Evolve(const Picture& picture, const Options& options, const ProgressFn& progress = nullptr);

}  // namespace polyevolve
