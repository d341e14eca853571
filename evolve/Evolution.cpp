#include "evolve/Evolution.h"

#include "evolve/GeneticTest.h"

bool Evolve(GeneticTest& test) {
    draws::Use use(test.draws);
    DnaDrawing candidate(test.best);
    while (!candidate.Mutate()) {
    }
    candidate.Render(test.canvas);
    ++test.generation;
    const std::uint64_t error = test.canvas.Compare(*test.target);
    if (error >= test.bestError) return false;
    test.bestError = error;
    test.best.polygons = candidate.polygons;
    return true;
}
