#pragma once

#include "genome/DnaDrawing.h"
#include "image/Image.h"
#include "serial/Serializable.h"

#include <cstdint>

// The evolution state: the target, the canvas candidates are painted into, the best drawing
// so far, its error and the generation (evaluated candidates plus one).
class GeneticTest : public Serializable {
public:
    static constexpr std::uint64_t InitialError = 99999999999999999ULL;

    // The target is not owned. Builds a canvas of the target's size and a random drawing.
    explicit GeneticTest(Image* target_);

    // Best drawing, best error, generation: the progress file's layout.
    void serialize(Serializer& serializer) override;
    // Back to a fresh random drawing with the initial error and generation.
    void Restart();

    Image* target;
    Image canvas;
    DnaDrawing best;
    std::uint64_t bestError = InitialError;
    std::uint32_t generation = 1;
};
