#pragma once

class GeneticTest;

// One candidate, shared by the window program and the batch runner: copy the best drawing,
// mutate the copy until an operator fires, render it, count the generation, score it and keep
// it only if its error is strictly lower. Returns true when the candidate was kept.
bool Evolve(GeneticTest& test);
