// The worker threads of a large search.
#include "mainwindow/SearchWorkers.h"

#include <algorithm>

namespace sorvane {

SearchWorkers::SearchWorkers(std::size_t chunks, unsigned threads, std::size_t ahead,
                             std::uint64_t hitLimit, ScanChunk scan)
    : count_(chunks), ahead_(std::max<std::size_t>(1, ahead)), hitLimit_(hitLimit),
      scan_(std::move(scan)), started_(chunks, false), done_(chunks, false), failures_(chunks) {
    threads = static_cast<unsigned>(std::min<std::size_t>(threads, chunks));
    try {
        for (unsigned i = 0; i < threads; ++i)
            workers_.emplace_back([this, i] { Work(i); });
    } catch (...) {
        // No thread to be had: the ones started go on, and the walk scans the rest itself.
    }
}

SearchWorkers::~SearchWorkers() {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
        cancelled_.store(true, std::memory_order_relaxed);
    }
    room_.notify_all();
    for (std::thread& worker : workers_)
        worker.join();
}

unsigned SearchWorkers::DefaultThreads(std::size_t chunks) {
    const unsigned cores = std::max(1u, std::thread::hardware_concurrency());
    return static_cast<unsigned>(std::min<std::size_t>({chunks, cores, 8}));
}

void SearchWorkers::Work(unsigned worker) {
    for (;;) {
        std::size_t i;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            for (;;) {
                while (next_ < count_ && started_[next_])
                    ++next_;
                if (stopping_ || next_ == count_ || hitsScanned_ > hitLimit_) return;
                if (next_ < released_ + ahead_) break;
                room_.wait(lock);
            }
            i = next_++;
            started_[i] = true;
        }
        std::uint64_t hits = 0;
        std::exception_ptr failure;
        try {
            hits = scan_(worker, i, cancelled_);
        } catch (...) {
            failure = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            done_[i] = true;
            failures_[i] = failure;
            hitsScanned_ += hits;
        }
        finished_.notify_all();
    }
}

SearchWorkers::Taken SearchWorkers::Take(std::size_t i, const std::function<bool()>& waiting,
                                         std::chrono::milliseconds waitStep) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_[i]) {
        started_[i] = true;
        return Taken::ScanHere;
    }
    while (!finished_.wait_for(lock, waitStep, [&] { return done_[i]; })) {
        lock.unlock();
        const bool stop = waiting();
        lock.lock();
        if (stop) return Taken::Stopped;
    }
    if (failures_[i]) std::rethrow_exception(failures_[i]);
    return Taken::Scanned;
}

void SearchWorkers::Release(std::size_t i) {
    {
        const std::lock_guard<std::mutex> lock(mutex_);
        released_ = std::max(released_, i + 1);
    }
    room_.notify_all();
}

} // namespace sorvane
