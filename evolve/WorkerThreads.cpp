#include "evolve/WorkerThreads.h"

#include <system_error>

WorkerThreads::WorkerThreads(int threads) {
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back([this, i] { Run(i); });
        } catch (const std::system_error&) {
            break;  // no more threads to be had (a memory limit, say): fewer do the same work
        }
    }
}

WorkerThreads::~WorkerThreads() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping.store(true, std::memory_order_release);
    }
    start.notify_all();
    for (std::thread& t : workers) t.join();
}

void WorkerThreads::Start(std::function<void(int)> duty_) {
    if (workers.empty()) return;
    // No worker runs the duty now (Join saw them all return): it changes without the lock.
    duty = std::move(duty_);
    running.store(int(workers.size()), std::memory_order_relaxed);
    round.fetch_add(1, std::memory_order_seq_cst);  // publishes the duty to spinning workers
    // The lock and the wake only for workers asleep: spinning ones see the round, and the
    // mutex's cache line then stays put (it costs most between cores far apart). A worker
    // counts itself asleep before it checks the round (both in one total order), so one of
    // the two always sees the other.
    if (sleepingWorkers.load(std::memory_order_seq_cst) > 0) {
        std::lock_guard<std::mutex> lock(mutex);
        start.notify_all();
    }
}

void WorkerThreads::Join() {
    for (int i = 0; i < kSpins && running.load(std::memory_order_acquire) != 0; ++i) Pause();
    if (running.load(std::memory_order_acquire) == 0) return;
    std::unique_lock<std::mutex> lock(mutex);
    callerAsleep.store(true, std::memory_order_seq_cst);
    finished.wait(lock, [this] { return running.load(std::memory_order_seq_cst) == 0; });
    callerAsleep.store(false, std::memory_order_relaxed);
}

void WorkerThreads::Run(int index) {
    unsigned seen = 0;
    for (;;) {
        const auto ready = [&] {
            return stopping.load(std::memory_order_acquire) || round.load(std::memory_order_seq_cst) != seen;
        };
        for (int i = 0; i < kSpins && !ready(); ++i) Pause();
        if (!ready()) {
            std::unique_lock<std::mutex> lock(mutex);
            sleepingWorkers.fetch_add(1, std::memory_order_seq_cst);
            start.wait(lock, ready);
            sleepingWorkers.fetch_sub(1, std::memory_order_relaxed);
        }
        if (stopping.load(std::memory_order_acquire)) return;
        seen = round.load(std::memory_order_acquire);
        duty(index);  // Start changes it only after Join, once every worker is done with it
        // The last one wakes the caller only if it sleeps in Join: it says so before its
        // last check, under the lock taken here, so the call cannot be missed.
        if (running.fetch_sub(1, std::memory_order_seq_cst) == 1 && callerAsleep.load(std::memory_order_seq_cst)) {
            std::lock_guard<std::mutex> lock(mutex);
            finished.notify_all();
        }
    }
}
