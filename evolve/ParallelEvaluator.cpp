#include "evolve/ParallelEvaluator.h"

#include "evolve/Evolution.h"
#include "evolve/GeneticTest.h"

#include <algorithm>
#include <stdexcept>
#include <thread>

ParallelEvaluator::ParallelEvaluator(int threads_)
    : threads(std::max(threads_, 1)), depth(std::size_t(4 * threads + 1)), workers(threads) {
    for (std::size_t i = 0; i < depth; ++i) slots.push_back(std::make_unique<Slot>());
    threads = workers.Workers() + 1;  // fewer if the system gave no more
    // The workers score waiting candidates for as long as the evaluator lives.
    workers.Start([this](int index) { Work(index - 1); });
}

ParallelEvaluator::~ParallelEvaluator() {
    Discard();
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    work.notify_all();
    workers.Join();
}

namespace {
// A candidate takes tens of microseconds; waking a sleeping thread takes about as long, so
// threads look again for a while before they sleep.
constexpr int kSpins = 20000;
// A processor hint between looks, not a system call: yielding costs a trip into the kernel.
inline void Pause() {
#if defined(__x86_64__) || defined(__i386__)
    __builtin_ia32_pause();
#else
    std::this_thread::yield();
#endif
}
}  // namespace

void ParallelEvaluator::Work(int index) {
    std::vector<Uint32> buffer;
    PaintScratch scratch;
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
        ScoreWaiting(lock, waiting.front(), buffer, scratch);
        if (sleepingCallers) done.notify_all();
    }
}

void ParallelEvaluator::ScoreWaiting(std::unique_lock<std::mutex>& lock, Slot* slot, std::vector<Uint32>& fallback,
                                     PaintScratch& scratch) {
    waiting.erase(std::find(waiting.begin(), waiting.end(), slot));
    waitingCount = waiting.size();
    slot->state = State::Scoring;
    const Plane plane = PlaneFor(*slot, fallback);
    lock.unlock();
    core.Score(slot->candidate, plane, scratch);
    lock.lock();
    slot->state = State::Done;
}

void ParallelEvaluator::Measure(bool won) {
    ++windowIterations;
    windowWins += won ? 1 : 0;
    if (windowIterations < window) return;
    // Alone from one winner in twelve, speculating again below one in sixteen (measured
    // break-even: about one in ten).
    const bool next = alone ? windowWins * 16 >= window : windowWins * 12 >= window;
    windowIterations = windowWins = 0;
    window = kWindow;
    if (next == alone) return;
    alone = next;
    ++wayChanges;
    Discard();  // the candidates made ahead, if any
}

Plane ParallelEvaluator::PlaneFor(Slot& slot, std::vector<Uint32>& fallback) {
    // Called under the mutex, so the sizes are the current ones.
    const std::size_t size = std::size_t(bufferWidth) * std::size_t(bufferHeight);
    std::vector<Uint32>& plane = slotPlanes ? slot.plane : fallback;
    if (plane.size() != size) plane.assign(size, 0);
    return Plane{plane.data(), bufferWidth};
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
    for (Slot* slot : ahead) {
        slot->candidate.region.Clear();
        slot->state = State::Free;
    }
    ahead.clear();
}

bool ParallelEvaluator::AheadHolds(const GeneticTest& test) const {
    // Anything that drew in between (a save's scratch polygon, a resume, a restart) moved the
    // stream; a caller may also have set another best error to beat.
    const Slot* first = ahead.front();
    return stream == &test.draws && first->start == test.draws.Position() &&
           first->candidate.bestError == test.bestError;
}

namespace {
// The draws one Mutate call makes when nothing fires: three, six a polygon, three a vertex.
std::uint64_t QuietDrawsPerCall(const DnaDrawing& drawing) {
    std::uint64_t draws = 3;
    for (const DnaPolygon& polygon : drawing.polygons) draws += 6 + 3 * std::uint64_t(polygon.points.size());
    return draws;
}
// Candidates ahead stay within half the stream's reach, so it can always come back to them.
void Go(DrawStream& draws, std::uint64_t position) {
    if (!draws.Seek(position)) throw std::logic_error("draw stream position out of reach");
}
}  // namespace

bool ParallelEvaluator::StartOver(GeneticTest& test) {
    Discard();
    if (!core.Prepare(test)) return false;
    // Candidates of a huge drawing (only damaged files have them) are made one at a time.
    speculate = QuietDrawsPerCall(test.best) < DrawStream::Reach() / 8;
    const std::uint64_t bytes = std::uint64_t(core.Width()) * std::uint64_t(core.Height()) * 4;
    std::lock_guard<std::mutex> lock(mutex);
    bufferWidth = core.Width();
    bufferHeight = core.Height();
    allowedWorkers = int(std::min<std::uint64_t>(std::uint64_t(threads - 1),
                                                 kBufferBudget / std::max<std::uint64_t>(bytes, 1)));
    slotPlanes = bytes * depth <= kSlotPlaneBudget;
    if (!slotPlanes)
        for (auto& slot : slots) std::vector<Uint32>().swap(slot->plane);
    return true;
}

bool ParallelEvaluator::Evolve(GeneticTest& test) {
    if (!ahead.empty() && !AheadHolds(test)) Discard();
    if (!core.Current(test) && !StartOver(test)) return ::Evolve(test);
    if (!speculate) return core.Evolve(test);
    if (alone) {
        const bool won = core.Evolve(test);
        Measure(won);
        return won;
    }
    MakeAhead(test);
    // The oldest one's result decides.
    Slot* first = ahead.front();
    AwaitFirst(first);
    ahead.pop_front();
    first->candidate.region.Clear();
    first->state = State::Free;
    if (first->candidate.better) return KeepWinner(test, first);
    ++test.generation;
    Go(test.draws, first->end);  // where the one-thread run stands now
    Measure(false);
    return false;
}

void ParallelEvaluator::MakeAhead(GeneticTest& test) {
    // From where the last one made ended; the stream keeps what they drew, so it can come back.
    DrawStream& draws = test.draws;
    stream = &draws;
    const std::uint64_t here = draws.Position();
    if (!ahead.empty()) Go(draws, ahead.back()->end);
    while (ahead.size() < depth && draws.Position() - here < DrawStream::Reach() / 2) {
        Slot* slot = FreeSlot();
        slot->start = draws.Position();
        core.Build(test, slot->candidate);
        slot->end = draws.Position();
        core.Restore(test, slot->candidate);
        std::lock_guard<std::mutex> lock(mutex);
        slot->state = State::Waiting;
        ahead.push_back(slot);
        waiting.push_back(slot);
        waitingCount = waiting.size();
        if (sleepingWorkers) work.notify_one();
    }
}

void ParallelEvaluator::AwaitFirst(Slot* first) {
    // Score others meanwhile rather than wait idle.
    std::unique_lock<std::mutex> lock(mutex);
    while (first->state != State::Done) {
        if (!waiting.empty()) {
            const bool firstWaits = std::find(waiting.begin(), waiting.end(), first) != waiting.end();
            ScoreWaiting(lock, firstWaits ? first : waiting.front(), callerPlane, active);
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

bool ParallelEvaluator::KeepWinner(GeneticTest& test, Slot* first) {
    // Those made after it started from a drawing that is no longer the best. It is made again
    // on this thread from its own draws (the very same changes) with the score and the paint
    // it had, where its own plane kept them, else scored once more.
    Discard();
    Go(test.draws, first->start);
    bool kept;
    if (slotPlanes) {
        core.Build(test, first->candidate);
        ++test.generation;
        core.Reaccept(test, first->candidate, Plane{first->plane.data(), bufferWidth});
        first->candidate.region.Clear();
        kept = true;
    } else {
        kept = core.Evolve(test);
    }
    speculate = QuietDrawsPerCall(test.best) < DrawStream::Reach() / 8;
    Measure(kept);
    return kept;
}
