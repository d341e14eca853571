#pragma once

#include <cstdint>
#include <memory>
#include <string>

class GeneticTest;

// How one iteration scores its candidate. Every kind makes the same run from the same start:
// the same draws, acceptances, errors, generations and drawings.
class Evaluator {
public:
    virtual ~Evaluator() = default;
    // One iteration: a candidate made from the best drawing, scored, kept only if its error
    // is strictly lower. True when it was kept.
    // Between calls the state and its draw stream stand where a one-thread run's would, so a
    // save, a resume or a restart may come in between. Candidates made ahead may still be
    // scored against the target between calls: an evaluator goes before its test and target.
    virtual bool Evolve(GeneticTest& test) = 0;

    // Where in the draw stream the work under way began: the shape search's polygon in the
    // making, which a resume must make again; for the exact run, the stream's position.
    virtual std::uint64_t ReplayFrom(const GeneticTest& test) const;
    // Puts a resumed test where a saved run stood: the work begun at `from` made again, and
    // the stream at `to`, so that the run goes on as if it had never stopped.
    virtual void Resume(GeneticTest& test, std::uint64_t from, std::uint64_t to);
};

// Plain: copy, mutate, render everything, compare everything (the reference).
// Fast: mutate in place, re-render and re-score only the pixels the mutation can change.
enum class EvaluatorKind { Plain, Fast };

// `threads` above 1 scores fast candidates on that many threads, ahead of time, with the
// very same run; the plain evaluator always runs on one.
std::unique_ptr<Evaluator> MakeEvaluator(EvaluatorKind kind, int threads = 1);
// The number of cores this process may run on, at least 1 (at most 256).
int DefaultThreads();
// "plain" or "fast"; false for anything else.
bool ParseEvaluatorKind(const std::string& name, EvaluatorKind& kind);
