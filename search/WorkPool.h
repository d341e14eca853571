#pragma once

#include "evolve/WorkerThreads.h"

#include <atomic>
#include <functional>
#include <memory>

// Runs the same job over many indices on the calling thread and the worker threads. Which
// thread takes which index is left to chance, so jobs must write only what belongs to their
// index.
class WorkPool {
public:
    explicit WorkPool(int threads);

    // job(index, thread) for every index below count; `thread` counts from 0 (the caller).
    // With `prepare`, the caller first calls prepare(a, b) for indices a..b-1, a few at a
    // time in order of index, and an index is taken only once it is prepared: the other
    // threads start on theirs while the caller prepares the rest (its own run comes last).
    void For(int count, const std::function<void(int, int)>& job, const std::function<void(int, int)>& prepare = nullptr);
    int Threads() const { return workers.Workers() + 1; }
    static constexpr int kPrepared = 8;  // indices prepared at a time
    // Rows y0..y1 in parts of at least minRows rows (at most kMaxParts parts), side by side:
    // job(part, first row, last row). Returns how many parts there were.
    static constexpr int kMaxParts = 64;
    int ForRows(int y0, int y1, int minRows, const std::function<void(int, int, int)>& job);

private:
    void Take(int thread);

    // Each thread's own run of indices, taken from the front: a thread mostly takes the same
    // indices call after call, so what a job writes stays in that core's cache. A thread
    // done with its own helps with the others'.
    struct alignas(64) Share {
        std::atomic<int> next{0};
        int begin = 0, end = 0;
        std::atomic<int> prepared{0};  // indices below this are prepared
    };
    WorkerThreads workers;
    std::unique_ptr<Share[]> shares;
    const std::function<void(int, int)>* job = nullptr;
};
