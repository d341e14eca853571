#include "search/WorkPool.h"

#include <system_error>

WorkPool::WorkPool(int threads) {
    for (int i = 1; i < threads; ++i) {
        try {
            workers.emplace_back([this, i] { Work(i); });
        } catch (const std::system_error&) {
            break;  // fewer threads do the same work
        }
    }
}

WorkPool::~WorkPool() {
    {
        std::lock_guard<std::mutex> lock(mutex);
        stopping = true;
    }
    start.notify_all();
    for (std::thread& t : workers) t.join();
}

void WorkPool::Take(std::unique_lock<std::mutex>& lock, int thread) {
    while (next < count) {
        const int index = next++;
        ++busy;
        lock.unlock();
        (*job)(index, thread);
        lock.lock();
        --busy;
    }
}

void WorkPool::Work(int thread) {
    std::unique_lock<std::mutex> lock(mutex);
    unsigned seen = 0;
    for (;;) {
        start.wait(lock, [&] { return stopping || round != seen; });
        if (stopping) return;
        seen = round;
        Take(lock, thread);
        if (busy == 0) finished.notify_all();
    }
}

void WorkPool::For(int count_, const std::function<void(int, int)>& job_) {
    if (count_ <= 0) return;
    std::unique_lock<std::mutex> lock(mutex);
    job = &job_;
    count = count_;
    next = 0;
    ++round;
    start.notify_all();
    Take(lock, 0);
    finished.wait(lock, [this] { return next >= count && busy == 0; });
    job = nullptr;
    count = 0;
}
