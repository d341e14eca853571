#include "genome/Random.h"

namespace draws {

void Seed(unsigned seed) {
    Shared().givenBack.clear();
    std::srand(seed);
}

void GiveBack(const std::vector<int>& values) {
    auto& queue = Shared().givenBack;
    queue.insert(queue.begin(), values.begin(), values.end());
}

void Record(std::vector<int>* into) { Shared().record = into; }

std::size_t Waiting() { return Shared().givenBack.size(); }

}  // namespace draws
