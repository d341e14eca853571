#pragma once

#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// Runs the same job over many indices on the calling thread and a few workers. Which thread
// takes which index is left to chance, so jobs must write only what belongs to their index.
class WorkPool {
public:
    explicit WorkPool(int threads);
    ~WorkPool();
    WorkPool(const WorkPool&) = delete;
    WorkPool& operator=(const WorkPool&) = delete;

    // job(index, thread) for every index below count; `thread` counts from 0 (the caller).
    void For(int count, const std::function<void(int, int)>& job);
    int Threads() const { return int(workers.size()) + 1; }

private:
    void Work(int thread);
    void Take(std::unique_lock<std::mutex>& lock, int thread);

    std::vector<std::thread> workers;
    std::mutex mutex;
    std::condition_variable start, finished;
    const std::function<void(int, int)>* job = nullptr;
    int count = 0, next = 0, busy = 0;
    unsigned round = 0;
    bool stopping = false;
};
