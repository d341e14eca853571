#include "engine/Evaluator.h"

#include "engine/Evolution.h"
#include "engine/FastEvaluator.h"

namespace {

class PlainEvaluator : public Evaluator {
public:
    bool Evolve(GeneticTest& test) override { return ::Evolve(test); }
};

}  // namespace

std::unique_ptr<Evaluator> MakeEvaluator(EvaluatorKind kind) {
    if (kind == EvaluatorKind::Plain) return std::make_unique<PlainEvaluator>();
    return std::make_unique<FastEvaluator>();
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
