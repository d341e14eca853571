#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#if defined(__x86_64__) || defined(__i386__)
#include <immintrin.h>
#endif

// The program's worker threads, the one place that keeps any: a few threads that run a duty
// handed to them and wait for the next. The parallel evaluator hands them its scoring loop for
// as long as it lives; the shape search's work pool hands them one batch at a time.
//
// Batches come tens of microseconds apart, about what waking a sleeping thread takes, so a
// worker (and Join) first spins a little while on an atomic before it sleeps.
class WorkerThreads {
public:
    // `threads` counts the caller: threads - 1 workers (fewer if the system gives no more).
    explicit WorkerThreads(int threads);
    ~WorkerThreads();
    WorkerThreads(const WorkerThreads&) = delete;
    WorkerThreads& operator=(const WorkerThreads&) = delete;

    int Workers() const { return int(workers.size()); }
    // Every worker runs duty(index), index counting from 1; returns at once.
    void Start(std::function<void(int)> duty);
    // Until every worker has returned from the duty Start gave.
    void Join();

    // Spins before sleeping, in pause instructions (a few hundred microseconds at most).
    static constexpr int kSpins = 4000;
    // One turn of a spin: a pause instruction, which lets the other thread of the core run.
    static void Pause() {
#if defined(__x86_64__) || defined(__i386__)
        _mm_pause();
#else
        std::this_thread::yield();
#endif
    }

private:
    void Run(int index);

    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable start, finished;
    std::function<void(int)> duty;  // written only while no worker runs it
    std::atomic<unsigned> round{0};
    std::atomic<int> running{0};
    std::atomic<bool> stopping{false};
    std::atomic<int> sleepingWorkers{0};   // workers waiting on `start`
    std::atomic<bool> callerAsleep{false};  // Join waiting on `finished`
};
