#include "evolve/ParallelEvaluator.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"
#include "genome/Random.h"

#include <algorithm>
#include <system_error>

ParallelEvaluator::ParallelEvaluator(int threads_)
    : threads(std::max(threads_, 1)), depth(std::size_t(2 * threads + 1)) {
    for (std::size_t i = 0; i < depth; ++i) slots.push_back(std::make_unique<Slot>());
    for (int i = 0; i + 1 < threads; ++i) {
        try {
            workers.emplace_back([this, i] { Work(i); });
        } catch (const std::system_error&) {
            break;  // no more threads to be had (a memory limit, say): fewer do the same work
        }
    }
    threads = int(workers.size()) + 1;
}

ParallelEvaluator::~ParallelEvaluator() {
    Discard();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    work.notify_all();
    for (std::thread& t : workers) t.join();
}

namespace {
// A candidate takes tens of microseconds; waking a sleeping thread takes about as long, so
// threads look again for a while before they sleep.
constexpr int kSpins = 4000;
inline void Pause() { std::this_thread::yield(); }
}  // namespace

void ParallelEvaluator::Work(int index) {
    std::vector<Uint32> buffer;
    std::vector<LayerCache::Active> scratch;
    auto ready = [this, index] { return stopping || (!waiting.empty() && index < allowedWorkers); };
    std::unique_lock<std::mutex> lock(mutex);
    for (;;) {
        if (!ready()) {
            lock.unlock();
            for (int i = 0; i < kSpins && waitingCount.load(std::memory_order_relaxed) == 0; ++i)
                Pause();
            lock.lock();
            ++sleepingWorkers;
            work.wait(lock, ready);
            --sleepingWorkers;
        }
        if (stopping) return;
        Slot* slot = waiting.front();
        waiting.pop_front();
        waitingCount = waiting.size();
        slot->state = State::Scoring;
        const int w = bufferWidth, h = bufferHeight;
        lock.unlock();
        if (buffer.size() != std::size_t(w) * std::size_t(h)) buffer.assign(std::size_t(w) * std::size_t(h), 0);
        core.Score(slot->candidate, Plane{buffer.data(), w}, scratch);
        lock.lock();
        slot->state = State::Done;
        if (sleepingCallers) done.notify_all();
    }
}

ParallelEvaluator::Slot* ParallelEvaluator::FreeSlot() {
    for (auto& slot : slots)
        if (slot->state == State::Free) return slot.get();
    return nullptr;  // never: at most `depth` are ahead
}

void ParallelEvaluator::Discard() {
    {
        std::unique_lock<std::mutex> lock(mutex);
        waiting.clear();
        waitingCount = 0;
        // Those being scored finish first: they read the caches about to change.
        ++sleepingCallers;
        done.wait(lock, [this] {
            for (Slot* slot : ahead)
                if (slot->state == State::Scoring) return false;
            return true;
        });
        --sleepingCallers;
    }
    for (auto it = ahead.rbegin(); it != ahead.rend(); ++it) {
        draws::GiveBack((*it)->draws);
        (*it)->candidate.region.Clear();
        (*it)->state = State::Free;
    }
    ahead.clear();
}

void ParallelEvaluator::Settle() { Discard(); }

bool ParallelEvaluator::Evolve(GeneticTest& test) {
    // Candidates made ahead must beat the best error as it is now; a caller that changed it
    // (without Settle) gets them made again.
    if (!ahead.empty() && ahead.front()->candidate.bestError != test.bestError) Discard();
    if (!core.Current(test)) {
        Discard();
        if (!core.Prepare(test)) return ::Evolve(test);
        const std::uint64_t bytes = std::uint64_t(core.Width()) * std::uint64_t(core.Height()) * 4;
        std::lock_guard<std::mutex> lock(mutex);
        bufferWidth = core.Width();
        bufferHeight = core.Height();
        allowedWorkers = int(std::min<std::uint64_t>(std::uint64_t(threads - 1),
                                                     kBufferBudget / std::max<std::uint64_t>(bytes, 1)));
    }

    // Make the next candidates, each as if every one before it will lose.
    while (ahead.size() < depth) {
        Slot* slot = FreeSlot();
        slot->draws.clear();
        draws::Record(&slot->draws);
        core.Build(test, slot->candidate);
        draws::Record(nullptr);
        core.Restore(test, slot->candidate);
        std::lock_guard<std::mutex> lock(mutex);
        slot->state = State::Waiting;
        ahead.push_back(slot);
        waiting.push_back(slot);
        waitingCount = waiting.size();
        if (sleepingWorkers) work.notify_one();
    }

    // The oldest one's result decides; score others meanwhile rather than wait idle.
    Slot* first = ahead.front();
    {
        std::unique_lock<std::mutex> lock(mutex);
        while (first->state != State::Done) {
            if (!waiting.empty()) {
                const auto at = std::find(waiting.begin(), waiting.end(), first);
                Slot* mine = at != waiting.end() ? first : waiting.front();
                waiting.erase(std::find(waiting.begin(), waiting.end(), mine));
                waitingCount = waiting.size();
                mine->state = State::Scoring;
                lock.unlock();
                core.Score(mine->candidate, core.Scratch(), active);
                lock.lock();
                mine->state = State::Done;
            } else {
                lock.unlock();
                for (int i = 0; i < kSpins && first->state != State::Done; ++i) Pause();
                lock.lock();
                ++sleepingCallers;
                done.wait(lock, [first] { return first->state == State::Done; });
                --sleepingCallers;
            }
        }
    }
    ahead.pop_front();
    if (!first->candidate.better) {
        ++test.generation;
        first->candidate.region.Clear();
        first->state = State::Free;
        return false;
    }
    // It wins: those made after it started from a drawing that is no longer the best. Give
    // every draw back, its own first, and make it again on this thread from them (the very
    // same changes) to keep it. (Its render where it was scored may be painted over by now.)
    Discard();
    draws::GiveBack(first->draws);
    first->candidate.region.Clear();
    first->state = State::Free;
    return core.Evolve(test);
}
