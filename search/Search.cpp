#include "search/Search.h"

#include "genome/Settings.h"
#include "search/ShapeSearch.h"

bool ParseSearchKind(const std::string& name, SearchKind& kind) {
    if (name == "mutate") {
        kind = SearchKind::Mutate;
        return true;
    }
    if (name == "shapes") {
        kind = SearchKind::Shapes;
        return true;
    }
    return false;
}

void UseLimits(int maxPolygons, int maxPoints, int alphaMin, int alphaMax) {
    if (maxPolygons > 0) Settings::MaxPolygons = maxPolygons;
    if (maxPoints > 0) Settings::MaxPoints = maxPoints;
    if (alphaMin >= 0) Settings::AlphaMin = alphaMin;
    if (alphaMax >= 0) Settings::AlphaMax = alphaMax;
}

const char* SearchName(SearchKind kind) { return kind == SearchKind::Shapes ? "shapes" : "mutate"; }

std::unique_ptr<Evaluator> MakeSearch(SearchKind kind, EvaluatorKind evaluator, int threads, unsigned kinds) {
    if (kind == SearchKind::Shapes) return std::make_unique<ShapeSearch>(threads, kinds);
    return MakeEvaluator(evaluator, threads);
}
