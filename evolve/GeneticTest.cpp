#include "evolve/GeneticTest.h"

#include "serial/Serializer.h"

namespace {
DnaDrawing RandomDrawing(DrawStream& stream) {
    draws::Use use(stream);
    return DnaDrawing();
}
}  // namespace

GeneticTest::GeneticTest(Image* target_, unsigned seed)
    : target(target_), canvas(target_->Width(), target_->Height()), draws(seed),
      best(RandomDrawing(draws)) {}

GeneticTest::GeneticTest(Image* target_)
    : target(target_), canvas(target_->Width(), target_->Height()), best(RandomDrawing(draws)) {}

void GeneticTest::serialize(Serializer& serializer) {
    draws::Use use(draws);  // loading and saving alike make a random scratch polygon
    serializer & best;
    unsigned long long error = bestError;
    serializer.IO(error);
    bestError = error;
    unsigned int gen = generation;
    serializer.IO(gen);
    generation = gen;
}

std::uint64_t GeneticTest::ErrorInTail(const unsigned char* tail) {
    std::uint64_t error = 0;
    for (int i = kErrorBytes - 1; i >= 0; --i) error = (error << 8) | tail[i];
    return error;
}

const Image& GeneticTest::RenderBest() {
    best.Render(canvas);
    return canvas;
}

void GeneticTest::Restart() {
    draws::Use use(draws);
    best = DnaDrawing();
    bestError = InitialError;
    generation = 1;
}
