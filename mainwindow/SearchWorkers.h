// Worker threads for the scan of a large search: they scan the chunks of the
// walk (ranges of catalogue lines) ahead, in chunk order, while the walk on the
// calling thread takes the results one by one in the same order and does
// everything the user sees itself.
#pragma once

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace sorvane {

class SearchWorkers {
public:
    // Scans chunk `chunk` on worker `worker` (0 to threads - 1; a worker's
    // scans run one after another) into storage of the caller's, and returns
    // the hits it recorded. It ends early when `cancelled` becomes true.
    using ScanChunk = std::function<std::uint64_t(unsigned worker, std::size_t chunk,
                                                  const std::atomic<bool>& cancelled)>;

    // Starts up to `threads` workers over `chunks` chunks. No chunk is started
    // once the chunks already scanned hold more than `hitLimit` hits (the walk
    // ends before the next one), nor more than `ahead` chunks past the one the
    // walk takes next. When no thread can be had, the walk scans every chunk itself.
    SearchWorkers(std::size_t chunks, unsigned threads, std::size_t ahead, std::uint64_t hitLimit,
                  ScanChunk scan);
    // Stops the workers within a few milliseconds (their scans see `cancelled`)
    // and waits for them.
    ~SearchWorkers();
    SearchWorkers(const SearchWorkers&) = delete;
    SearchWorkers& operator=(const SearchWorkers&) = delete;

    enum class Taken {
        Scanned,  // a worker scanned the chunk: its results are ready
        ScanHere, // no worker has started it: the walk scans it itself
        Stopped,  // `waiting` asked to stop while the chunk was being scanned
    };
    // Takes chunk i, in increasing order, each once. While a worker is still
    // scanning it, `waiting` runs about every `waitStep`; true from it stops the
    // wait. A chunk whose scan raised an exception raises it here.
    Taken Take(std::size_t i, const std::function<bool()>& waiting,
               std::chrono::milliseconds waitStep);
    // The walk is done with chunk i and what it scanned: the workers may go further ahead.
    void Release(std::size_t i);

    unsigned Threads() const { return static_cast<unsigned>(workers_.size()); }

    // The number of workers for `chunks` chunks on this machine: one per core, at most 8.
    static unsigned DefaultThreads(std::size_t chunks);

private:
    void Work(unsigned worker);

    const std::size_t count_;
    const std::size_t ahead_;
    const std::uint64_t hitLimit_;
    const ScanChunk scan_;
    std::vector<bool> started_, done_;
    std::vector<std::exception_ptr> failures_;
    std::size_t next_ = 0;     // the lowest chunk not known to be started
    std::size_t released_ = 0; // the chunks the walk is done with
    std::uint64_t hitsScanned_ = 0;
    bool stopping_ = false;
    std::atomic<bool> cancelled_{false};
    std::mutex mutex_;
    std::condition_variable finished_; // a chunk was scanned
    std::condition_variable room_;     // a chunk was released, or the workers must stop
    std::vector<std::thread> workers_;
};

} // namespace sorvane
