#include "search/WorkPool.h"

void WorkPool::Take(int thread) {
    for (;;) {
        const int index = next.fetch_add(1, std::memory_order_relaxed);
        if (index >= count) return;
        (*job)(index, thread);
    }
}

void WorkPool::For(int count_, const std::function<void(int, int)>& job_) {
    if (count_ <= 0) return;
    // Set before the workers start (Start publishes them), read by them until Join.
    job = &job_;
    count = count_;
    next.store(0, std::memory_order_relaxed);
    workers.Start([this](int thread) { Take(thread); });
    Take(0);
    workers.Join();
    job = nullptr;
}
