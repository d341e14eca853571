#include "evolve/Evaluator.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"
#include "evolve/FastEvaluator.h"
#include "evolve/ParallelEvaluator.h"

#include <sched.h>
#include <unistd.h>

namespace {

class PlainEvaluator : public Evaluator {
public:
    bool Evolve(GeneticTest& test) override { return ::Evolve(test); }
};

}  // namespace

std::uint64_t Evaluator::ReplayFrom(const GeneticTest& test) const { return test.draws.Position(); }

void Evaluator::Resume(GeneticTest& test, std::uint64_t, std::uint64_t to) { test.draws.GoTo(to); }

std::unique_ptr<Evaluator> MakeEvaluator(EvaluatorKind kind, int threads) {
    if (kind == EvaluatorKind::Plain) return std::make_unique<PlainEvaluator>();
    if (threads > 1) return std::make_unique<ParallelEvaluator>(threads);
    return std::make_unique<FastEvaluator>();
}

int DefaultThreads() {
    long cores = sysconf(_SC_NPROCESSORS_ONLN);
#ifdef __linux__
    // Those this process may run on (taskset, a container's share), when the system says.
    cpu_set_t set;
    if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) cores = CPU_COUNT(&set);
#endif
    return cores < 1 ? 1 : cores > 256 ? 256 : int(cores);
}

bool ParseEvaluatorKind(const std::string& name, EvaluatorKind& kind) {
    if (name == "plain") {
        kind = EvaluatorKind::Plain;
        return true;
    }
    if (name == "fast") {
        kind = EvaluatorKind::Fast;
        return true;
    }
    return false;
}
