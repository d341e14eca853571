#pragma once

#include "genome/DnaDrawing.h"
#include "genome/DrawStream.h"
#include "image/Image.h"
#include "serial/Serializable.h"

#include <cstdint>

// The evolution state: the target, the canvas candidates are painted into, the best drawing
// so far, its error and the generation (evaluated candidates plus one).
class GeneticTest : public Serializable {
public:
    static constexpr std::uint64_t InitialError = 99999999999999999ULL;

    // The target is not owned. Builds a canvas of the target's size and a random drawing from
    // the run's draws: the sequence srand(seed) starts.
    GeneticTest(Image* target_, unsigned seed);
    // The same, drawing from rand() as the C library stands (for callers that seed it).
    explicit GeneticTest(Image* target_);

    // The progress file's layout: the best drawing (a count, then each polygon), then the best
    // error (8 bytes) and the generation (4 bytes), all little-endian. The tail can be read
    // without loading the drawing; the smallest file holds a count of 0 and the tail.
    static constexpr int kErrorBytes = 8;
    static constexpr int kTailBytes = kErrorBytes + 4;
    static constexpr int kSmallestFile = 4 + kTailBytes;
    // The best error stored in a progress file's last kTailBytes.
    static std::uint64_t ErrorInTail(const unsigned char* tail);

    void serialize(Serializer& serializer) override;
    // The best drawing rendered into the canvas: what the window shows, the saved pictures
    // hold and a resume re-scores. Evaluators keep scratch planes of their own (the plain one
    // paints candidates into the canvas, so the canvas holds the best render only from here).
    const Image& RenderBest();
    // Back to a fresh random drawing with the initial error and generation.
    void Restart();

    Image* target;
    Image canvas;
    // Every random value of the run, in order: made before the first drawing, which draws.
    DrawStream draws;
    DnaDrawing best;
    std::uint64_t bestError = InitialError;
    std::uint32_t generation = 1;
};
