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
        stopping = true;
    }
    start.notify_all();
    for (std::thread& t : workers) t.join();
}

void WorkerThreads::Start(std::function<void(int)> duty_) {
    if (workers.empty()) return;
    {
        std::lock_guard<std::mutex> lock(mutex);
        duty = std::move(duty_);
        running = int(workers.size());
        ++round;
    }
    start.notify_all();
}

void WorkerThreads::Join() {
    std::unique_lock<std::mutex> lock(mutex);
    finished.wait(lock, [this] { return running == 0; });
}

void WorkerThreads::Run(int index) {
    std::unique_lock<std::mutex> lock(mutex);
    unsigned seen = 0;
    for (;;) {
        start.wait(lock, [&] { return stopping || round != seen; });
        if (stopping) return;
        seen = round;
        const std::function<void(int)> job = duty;
        lock.unlock();
        job(index);
        lock.lock();
        if (--running == 0) finished.notify_all();
    }
}
