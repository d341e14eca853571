#pragma once

#include "evolve/Evaluator.h"
#include "evolve/FastEvaluator.h"
#include "evolve/WorkerThreads.h"
#include "genome/DrawStream.h"

#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <vector>

// The fast evaluator on several threads, with the very run of one. Most candidates lose and
// leave the best drawing as it was, so the next ones are made at once, as if the earlier
// ones will lose, and scored side by side. Candidates are still made one after another on
// the calling thread, from the best drawing and the next draws; only scoring runs elsewhere.
// Results are taken in order: when one wins, those made after it are thrown away, the run's
// draw stream goes back to where the winner's draws start, and the winner is made again from
// them and kept. Between iterations the stream stands where the one-thread run's would.
// While candidates win often (a young drawing), most made ahead would be thrown away; then the
// calling thread scores one candidate at a time on its own. The measured share of winners
// chooses between the two; both give the same run.
class ParallelEvaluator : public Evaluator {
public:
    explicit ParallelEvaluator(int threads);
    ~ParallelEvaluator() override;
    ParallelEvaluator(const ParallelEvaluator&) = delete;
    ParallelEvaluator& operator=(const ParallelEvaluator&) = delete;

    bool Evolve(GeneticTest& test) override;
    // How often the run went from speculating to scoring alone, or back.
    int WayChanges() const { return wayChanges; }

    // Worker buffers (one canvas each) stay within this; fewer threads on huge targets.
    static constexpr std::uint64_t kBufferBudget = 1ull << 30;
    // Planes of the slots (one canvas each), when they all fit within this.
    static constexpr std::uint64_t kSlotPlaneBudget = 1ull << 26;

private:
    enum class State { Free, Waiting, Scoring, Done };
    struct Slot {
        FastEvaluator::Candidate candidate;
        std::uint64_t start = 0, end = 0;  // where its draws start and end in the run's stream
        // The plane it is painted into, when slots have planes of their own: a winner's paint
        // is then still there when it is kept, and it need not be scored again.
        std::vector<Uint32> plane;
        std::atomic<State> state{State::Free};  // changed under the mutex, read by spinners
    };

    // A worker thread: scores waiting candidates until stopped. `index` counts from 0, and
    // only the first allowedWorkers take part.
    void Work(int index);
    // Throws away every candidate made ahead.
    void Discard();
    // Sizes the buffers and the workers to a drawing met for the first time; false when the
    // core cannot take it (the plain iteration does).
    bool StartOver(GeneticTest& test);
    // Makes candidates ahead, up to `depth`, each as if those before it will lose.
    void MakeAhead(GeneticTest& test);
    // Until the oldest candidate is scored, scoring others meanwhile.
    void AwaitFirst(Slot* first);
    // The oldest candidate won: made again from its own draws and kept.
    bool KeepWinner(GeneticTest& test, Slot* first);
    // True when the candidates made ahead still follow from the state as it is.
    bool AheadHolds(const GeneticTest& test) const;
    Slot* FreeSlot();
    // Takes a waiting slot out of the queue and scores it with the mutex let go (held on entry
    // and on return), painting into its own plane or else `fallback`.
    void ScoreWaiting(std::unique_lock<std::mutex>& lock, Slot* slot, std::vector<Uint32>& fallback,
                      PaintScratch& scratch);
    // Where `slot` is painted: its own plane, or else `fallback`.
    Plane PlaneFor(Slot& slot, std::vector<Uint32>& fallback);
    // Counts the iteration's outcome and picks the way of the next ones.
    void Measure(bool won);

    FastEvaluator core;
    int threads;
    std::size_t depth;
    std::vector<std::unique_ptr<Slot>> slots;
    std::deque<Slot*> ahead;    // made, in iteration order
    std::deque<Slot*> waiting;  // made and not yet taken by a thread, oldest first
    WorkerThreads workers;
    std::mutex mutex;
    std::condition_variable work, done;
    bool stopping = false;
    int sleepingWorkers = 0, sleepingCallers = 0;  // who waits on `work` and `done`
    std::atomic<std::size_t> waitingCount{0};      // waiting.size(), for spinning workers
    int bufferWidth = 0, bufferHeight = 0;  // what worker buffers must hold
    int allowedWorkers = 0;                 // within kBufferBudget for this canvas
    bool slotPlanes = false;                // within kSlotPlaneBudget for this canvas
    PaintScratch active;
    std::vector<Uint32> callerPlane;  // where the calling thread paints without slot planes
    const DrawStream* stream = nullptr;  // whose draws the candidates ahead took
    bool speculate = true;  // false for drawings whose one candidate could outrun the stream's reach
    // Winners among the last iterations, and whether the next ones are scored one at a time.
    // The first window is short: a fresh run's winners are many from the start, and every
    // iteration speculated then is mostly thrown away.
    static constexpr int kWindow = 256, kFirstWindow = 64;
    int window = kFirstWindow, windowIterations = 0, windowWins = 0;
    bool alone = false;
    int wayChanges = 0;
};
