#pragma once

#include <memory>
#include <string>

class GeneticTest;

// How one iteration scores its candidate. Every kind makes the same run from the same start:
// the same rand() draws, acceptances, errors, generations and drawings.
class Evaluator {
public:
    virtual ~Evaluator() = default;
    // One iteration: a candidate made from the best drawing, scored, kept only if its error
    // is strictly lower. True when it was kept.
    virtual bool Evolve(GeneticTest& test) = 0;
};

// Plain: copy, mutate, render everything, compare everything (the reference).
// Fast: mutate in place, re-render and re-score only the pixels the mutation can change.
enum class EvaluatorKind { Plain, Fast };

std::unique_ptr<Evaluator> MakeEvaluator(EvaluatorKind kind);
// "plain" or "fast"; false for anything else.
bool ParseEvaluatorKind(const std::string& name, EvaluatorKind& kind);
