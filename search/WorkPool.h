#pragma once

#include "evolve/WorkerThreads.h"

#include <atomic>
#include <functional>

// Runs the same job over many indices on the calling thread and the worker threads. Which
// thread takes which index is left to chance, so jobs must write only what belongs to their
// index.
class WorkPool {
public:
    explicit WorkPool(int threads) : workers(threads) {}

    // job(index, thread) for every index below count; `thread` counts from 0 (the caller).
    void For(int count, const std::function<void(int, int)>& job);
    int Threads() const { return workers.Workers() + 1; }

private:
    void Take(int thread);

    WorkerThreads workers;
    const std::function<void(int, int)>* job = nullptr;
    int count = 0;
    std::atomic<int> next{0};
};
