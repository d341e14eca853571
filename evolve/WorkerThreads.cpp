#include "evolve/WorkerThreads.h"

#include <system_error>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#define POLYEVOLVE_PAUSE() _mm_pause()
#else
#define POLYEVOLVE_PAUSE() std::this_thread::yield()
#endif

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
    {
        std::lock_guard<std::mutex> lock(mutex);
        duty = std::move(duty_);
        running.store(int(workers.size()), std::memory_order_relaxed);
        round.fetch_add(1, std::memory_order_release);  // publishes the duty to spinning workers
    }
    start.notify_all();
}

void WorkerThreads::Join() {
    for (int i = 0; i < kSpins && running.load(std::memory_order_acquire) != 0; ++i) POLYEVOLVE_PAUSE();
    if (running.load(std::memory_order_acquire) == 0) return;
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return running.load(std::memory_order_acquire) == 0; });
}

void WorkerThreads::Run(int index) {
    unsigned seen = 0;
    for (;;) {
        const auto ready = [&] {
            return stopping.load(std::memory_order_acquire) || round.load(std::memory_order_acquire) != seen;
        };
        for (int i = 0; i < kSpins && !ready(); ++i) POLYEVOLVE_PAUSE();
        if (!ready()) {
            std::unique_lock<std::mutex> lock(mutex);
            start.wait(lock, ready);
        }
        if (stopping.load(std::memory_order_acquire)) return;
        seen = round.load(std::memory_order_acquire);
        duty(index);  // Start changes it only after Join, once every worker is done with it
        if (running.fetch_sub(1, std::memory_order_acq_rel) == 1) {
            // Taken so that a Join between its check and its wait cannot miss the call.
            std::lock_guard<std::mutex> lock(mutex);
            finished.notify_all();
        }
    }
}
