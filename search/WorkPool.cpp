#include "search/WorkPool.h"

#include <algorithm>

WorkPool::WorkPool(int threads) : workers(threads), shares(new Share[std::size_t(Threads())]) {}

void WorkPool::Take(int thread) {
    const int threads = Threads();
    for (int k = 0; k < threads; ++k) {
        Share& share = shares[std::size_t((thread + k) % threads)];
        for (;;) {
            const int index = share.next.fetch_add(1, std::memory_order_relaxed);
            if (index >= share.end) break;
            while (index >= share.prepared.load(std::memory_order_acquire)) WorkerThreads::Pause();
            (*job)(index, thread);
        }
    }
}

void WorkPool::For(int count, const std::function<void(int, int)>& job_, const std::function<void(int, int)>& prepare) {
    if (count <= 0) return;
    if (Threads() == 1) {
        if (prepare) prepare(0, count);
        for (int i = 0; i < count; ++i) job_(i, 0);
        return;
    }
    // Set before the workers start (Start publishes them), read by them until Join. Worker t
    // has the t-th run of indices, the caller the last.
    job = &job_;
    const int threads = Threads();
    for (int t = 0; t < threads; ++t) {
        Share& share = shares[std::size_t(t)];
        const int run = t == 0 ? threads - 1 : t - 1;
        share.begin = int(std::int64_t(count) * run / threads);
        share.end = int(std::int64_t(count) * (run + 1) / threads);
        share.next.store(share.begin, std::memory_order_relaxed);
        share.prepared.store(prepare ? share.begin : share.end, std::memory_order_relaxed);
    }
    workers.Start([this](int thread) { Take(thread); });
    if (prepare)
        for (int t = 1; t <= threads; ++t) {
            Share& share = shares[std::size_t(t % threads)];
            for (int a = share.begin; a < share.end; a += kPrepared) {
                const int b = std::min(share.end, a + kPrepared);
                prepare(a, b);
                share.prepared.store(b, std::memory_order_release);
            }
        }
    Take(0);
    workers.Join();
    job = nullptr;
}

int WorkPool::ForRows(int y0, int y1, int minRows, const std::function<void(int, int, int)>& job) {
    const int count = y1 - y0 + 1;
    if (count <= 0) return 0;
    const int least = std::max(minRows, 1);
    const int parts = std::min((count + least - 1) / least, kMaxParts);
    const int rows = (count + parts - 1) / parts;
    For(parts, [&](int i, int) { job(i, y0 + i * rows, std::min(y1, y0 + i * rows + rows - 1)); });
    return parts;
}
