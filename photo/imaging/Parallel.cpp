#include "imaging/Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <vector>

namespace {

// More threads than this only queue for memory bandwidth.
const int kMostThreads = 16;

struct Job {
    const std::function<void(int, int)>* body = nullptr;
    int count = 0;
    int bandSize = 0;
    int bands = 0;
    std::atomic<int> next{0};
    std::atomic<bool> failed{false};

    void Work() {
        for (int band = next.fetch_add(1); band < bands; band = next.fetch_add(1)) {
            int begin = band * bandSize;
            int end = std::min(count, begin + bandSize);
            try {
                (*body)(begin, end);
            } catch (const std::bad_alloc&) {
                failed = true;
            }
        }
    }
};

// Workers sleep until a job is posted, take bands from it until none are
// left, and sign off; the poster also takes bands and then waits until every
// worker that joined has signed off, so the job (on its stack) outlives them.
// The pool is never destroyed: at the process's end its threads are simply
// ended with it, and no destructor has to wait for them.
class Pool {
public:
    static Pool& Instance() {
        static Pool* pool = new Pool;
        return *pool;
    }

    void SetThreads(int threads) { wanted_ = threads; }

    int Threads() const {
        int threads = wanted_;
        if (threads <= 0) {
            // Asked once: under Wine each query costs tens of microseconds,
            // more than a small job itself.
            static const int cores = int(std::thread::hardware_concurrency());
            threads = cores;
        }
        return std::clamp(threads, 1, kMostThreads);
    }

    bool Run(int count, int grain, const std::function<void(int, int)>& body) {
        if (count <= 0) {
            return true;
        }
        grain = std::max(grain, 1);
        int threads = Threads();
        // Two bands per thread even out a core that other work slows down.
        int bands = int(std::min<int64_t>((int64_t(count) + grain - 1) / grain, threads == 1 ? 1 : 2 * threads));
        Job job;
        job.body = &body;
        job.count = count;
        job.bandSize = (count + bands - 1) / bands;
        job.bands = (count + job.bandSize - 1) / job.bandSize;
        std::unique_lock<std::mutex> caller(callerMutex_, std::try_to_lock);
        if (job.bands > 1 && caller.owns_lock() && StartWorkers(threads - 1)) {
            {
                std::lock_guard<std::mutex> lock(mutex_);
                job_ = &job;
                ++generation_;
            }
            wake_.notify_all();
            job.Work();
            std::unique_lock<std::mutex> lock(mutex_);
            job_ = nullptr;
            done_.wait(lock, [this] { return active_ == 0; });
        } else {
            job.Work();
        }
        return !job.failed;
    }

private:
    Pool() = default;

    // Holds callerMutex_. False when not even one worker could be started.
    bool StartWorkers(int workers) {
        while (int(threads_.size()) < workers) {
            try {
                threads_.emplace_back([this] { Serve(); });
            } catch (const std::system_error&) {
                break;
            } catch (const std::bad_alloc&) {
                break;
            }
        }
        return !threads_.empty();
    }

    void Serve() {
        unsigned seen = 0;
        std::unique_lock<std::mutex> lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return job_ && generation_ != seen; });
            seen = generation_;
            Job* job = job_;
            ++active_;
            lock.unlock();
            job->Work();
            lock.lock();
            if (--active_ == 0) {
                done_.notify_one();
            }
        }
    }

    std::atomic<int> wanted_{0};
    std::mutex callerMutex_;  // one job at a time
    std::vector<std::thread> threads_;
    std::mutex mutex_;
    std::condition_variable wake_;
    std::condition_variable done_;
    Job* job_ = nullptr;
    unsigned generation_ = 0;
    int active_ = 0;
};

}  // namespace

bool ParallelFor(int count, int grain, const std::function<void(int, int)>& body) {
    return Pool::Instance().Run(count, grain, body);
}

void SetParallelThreads(int threads) {
    Pool::Instance().SetThreads(threads);
}

int ParallelThreads() {
    return Pool::Instance().Threads();
}
