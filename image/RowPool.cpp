#include "image/RowPool.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <exception>
#include <list>
#include <mutex>
#include <system_error>
#include <thread>

namespace pximage {
namespace {

// A few bands per thread even out rows of unequal cost (the empty corners
// of a turned picture).
constexpr std::int32_t kBandsPerThread = 4;

// LimitRowPool's cap, 0 for none, and whether the pool has been made: a
// cap that comes later would not be kept.
std::atomic<unsigned> g_limit{0};
std::atomic<bool> g_started{false};

struct Job {
    const std::function<void(std::int32_t, std::int32_t)>* body;
    std::int32_t rows;
    std::int32_t bands;
    std::int32_t next = 0;  // the first band nobody has taken
    std::int32_t running = 0;
    std::exception_ptr failure;
};

class Pool {
public:
    // The workers wait for jobs until the process ends; they are never
    // joined, so the pool outlives every static object that might use it.
    // Where the system refuses a thread, the pool makes do with fewer.
    Pool()
    {
        const unsigned cores = std::thread::hardware_concurrency(), limit = g_limit;
        const unsigned wanted = std::max(1u, limit ? std::min(limit, cores) : cores);
        for (; m_threads < wanted; ++m_threads) {
            try {
                std::thread([this] { Work(); }).detach();
            } catch (const std::system_error&) {
                break;
            }
        }
    }

    unsigned Threads() const { return m_threads; }

    void Run(std::int32_t rows, const std::function<void(std::int32_t, std::int32_t)>& body)
    {
        Job job{&body, rows, std::min(rows, std::int32_t(m_threads) * kBandsPerThread), 0, 0, {}};
        std::unique_lock lock(m_mutex);
        m_queue.push_back(&job);
        m_wake.notify_all();
        while (job.next < job.bands)
            RunBand(job, lock);
        m_done.wait(lock, [&] { return job.running == 0; });
        if (job.failure)
            std::rethrow_exception(job.failure);
    }

private:
    // Takes the next band of the job, runs it unlocked and accounts for it.
    void RunBand(Job& job, std::unique_lock<std::mutex>& lock)
    {
        const std::int32_t band = job.next++;
        if (job.next == job.bands)
            m_queue.remove(&job);
        ++job.running;
        lock.unlock();
        std::exception_ptr failure;
        try {
            const std::int64_t rows = job.rows;
            (*job.body)(std::int32_t(rows * band / job.bands), std::int32_t(rows * (band + 1) / job.bands));
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        if (failure && !job.failure)
            job.failure = failure;
        if (--job.running == 0 && job.next == job.bands)
            m_done.notify_all();
    }

    void Work()
    {
        std::unique_lock lock(m_mutex);
        for (;;) {
            m_wake.wait(lock, [&] { return !m_queue.empty(); });
            RunBand(*m_queue.front(), lock);
        }
    }

    unsigned m_threads = 1;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_done;
    std::list<Job*> m_queue;  // jobs with bands left, oldest first
};

Pool& SharedPool()
{
    static Pool& pool = []() -> Pool& {
        g_started = true;
        return *new Pool;
    }();
    return pool;
}

}  // namespace

void ForEachRowBand(std::int32_t rows, const std::function<void(std::int32_t, std::int32_t)>& body)
{
    if (rows > 0)
        SharedPool().Run(rows, body);
}

unsigned RowPoolThreads()
{
    return SharedPool().Threads();
}

bool LimitRowPool(unsigned threads)
{
    if (g_started)
        return false;
    g_limit = std::max(1u, threads);
    return true;
}

}  // namespace pximage
