#pragma once

#include "evolve/Evaluator.h"

#include <memory>
#include <string>

// How a run looks for better drawings: the exact run (one mutated candidate at a time) or
// shape by shape (then refined by the exact run's operators and by replacing polygons).
enum class SearchKind { Mutate, Shapes };

// "mutate" or "shapes"; false for anything else.
bool ParseSearchKind(const std::string& name, SearchKind& kind);
const char* SearchName(SearchKind kind);

// Sets the drawing's limits (Settings) a run was given; 0 (or -1 for the alphas) keeps the
// default. Must run before the first polygon is made.
void UseLimits(int maxPolygons, int maxPoints, int alphaMin, int alphaMax);

// The evaluator for a search: the shape search on `threads` threads with shapes of `kinds`
// (ShapeKind bits), or the exact run scored the way `evaluator` says.
std::unique_ptr<Evaluator> MakeSearch(SearchKind kind, EvaluatorKind evaluator, int threads, unsigned kinds = 1);
