#include "evolve/GeneticTest.h"

#include "serial/Serializer.h"

GeneticTest::GeneticTest(Image* target_)
    : target(target_), canvas(target_->Width(), target_->Height()) {}

void GeneticTest::serialize(Serializer& serializer) {
    serializer & best;
    unsigned long long error = bestError;
    serializer.IO(error);
    bestError = error;
    unsigned int gen = generation;
    serializer.IO(gen);
    generation = gen;
}

void GeneticTest::Restart() {
    best = DnaDrawing();
    bestError = InitialError;
    generation = 1;
}
