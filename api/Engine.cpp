#include "api/polyevolve.h"

#include "evolve/GeneticTest.h"
#include "files/DrawingFile.h"
#include "files/DrawingJson.h"
#include "files/ScaledRender.h"
#include "files/Target.h"
#include "files/VectorFile.h"
#include "genome/Settings.h"
#include "image/Downscale.h"
#include "search/Search.h"
#include "shapes/Shape.h"

#include <chrono>
#include <cmath>
#include <stdexcept>

namespace polyevolve {

struct Drawing::State {
    DnaDrawing drawing;
    int width = 0, height = 0, pictureWidth = 0, pictureHeight = 0;
    unsigned background = 0;
    std::uint64_t error = 0;
    // The outputs read the background from the settings, which a later run may have changed.
    OutputSize Size(double scale) const {
        Settings::Background = int(background);
        return OutputSizeFor(width, height, ScaledLength(pictureWidth, scale), ScaledLength(pictureHeight, scale));
    }
};

Drawing::Drawing() : state(std::make_unique<State>()) {}
Drawing::~Drawing() = default;
Drawing::Drawing(Drawing&&) noexcept = default;
Drawing& Drawing::operator=(Drawing&&) noexcept = default;

std::size_t Drawing::Shapes() const { return state->drawing.polygons.size(); }

double Drawing::Rmse() const {
    const double counted = 3.0 * double(ScoredAreaOf(state->width, state->height).Pixels());
    return counted > 0 ? std::sqrt(double(state->error) / counted) : 0;
}

std::string Drawing::Svg(bool web) const {
    SvgStyle style;
    style.viewBoxOnly = style.compact = web;
    return DrawingSvg(state->drawing, state->Size(1), style);
}

std::string Drawing::Json() const {
    DrawingJson json;
    json.width = state->width;
    json.height = state->height;
    json.pictureWidth = state->pictureWidth;
    json.pictureHeight = state->pictureHeight;
    json.background = state->background;
    json.polygons = state->drawing.polygons;
    return DrawingJsonText(json);
}

bool Drawing::SavePng(const std::string& path, double scale) const {
    return scale > 0 && SaveDrawing(state->drawing, state->Size(scale), path);
}

namespace {

// The picture as our surface, and its copy of the working size.
Image Working(const Picture& picture, int workingSize) {
    if (picture.width < 2 || picture.height < 2 || picture.width > 32767 || picture.height > 32767 ||
        picture.pixels.size() != std::size_t(picture.width) * std::size_t(picture.height))
        throw std::invalid_argument("the picture is not width x height pixels of at least 2 x 2");
    Image image(picture.width, picture.height);
    if (!image.surface) throw std::invalid_argument("no memory for the picture");
    for (int y = 0; y < picture.height; ++y) {
        Uint32* row = reinterpret_cast<Uint32*>(static_cast<Uint8*>(image.surface->pixels) + std::size_t(y) * std::size_t(image.surface->pitch));
        for (int x = 0; x < picture.width; ++x)
            row[x] = (picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)] & 0xffffffu) << 8 | 0xffu;
    }
    const int longer = std::max(picture.width, picture.height);
    if (workingSize <= 0 || longer <= workingSize) return image;
    const int w = std::max(2, int(std::lround(double(picture.width) * workingSize / longer)));
    const int h = std::max(2, int(std::lround(double(picture.height) * workingSize / longer)));
    return Downscale(image, w, h);
}

}  // namespace

Drawing Evolve(const Picture& picture, const Options& o, const ProgressFn& progress) {
    unsigned kinds = 0;
    if (!ParseShapeKinds(o.shapes, kinds)) throw std::invalid_argument("shapes: " + o.shapes + " names no kind of shape");
    if (o.maxShapes < 3 || o.maxShapes > 10000 || o.maxPoints < 3 || o.maxPoints > 1000 || o.alphaMin < 0 ||
        o.alphaMin > o.alphaMax || o.alphaMax > 255 || o.threads < 1)
        throw std::invalid_argument("the limits are out of their ranges");
    Image target = Working(picture, o.workingSize);
    UseTargetSize(target);
    Settings::MaxPolygons = o.maxShapes;
    Settings::MaxPoints = o.maxPoints;
    Settings::AlphaMin = o.alphaMin;
    Settings::AlphaMax = o.alphaMax;
    Settings::Background = int(MeanColour(target));
    GeneticTest test(&target, o.seed);
    const auto search = MakeSearch(SearchKind::Shapes, EvaluatorKind::Fast, o.threads, kinds);
    const auto begun = std::chrono::steady_clock::now();
    Progress now;
    for (;;) {
        now.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();
        if ((o.iterations && now.iterations >= o.iterations) || (o.seconds > 0 && now.seconds >= o.seconds)) break;
        if (!o.iterations && o.seconds <= 0 && !progress) break;  // nothing would end it
        search->Evolve(test);
        ++now.iterations;
        if (progress && now.iterations % 64 == 0) {
            const double counted = 3.0 * double(ScoredAreaOf(target.Width(), target.Height()).Pixels());
            now.rmse = std::sqrt(double(test.bestError) / counted);
            now.shapes = test.best.polygons.size();
            if (!progress(now)) break;
        }
    }
    Drawing drawing;
    drawing.state->drawing = test.best;
    drawing.state->width = target.Width();
    drawing.state->height = target.Height();
    drawing.state->pictureWidth = picture.width;
    drawing.state->pictureHeight = picture.height;
    drawing.state->background = unsigned(Settings::Background);
    drawing.state->error = test.bestError;
    return drawing;
}

}  // namespace polyevolve
