#include "mmd/TaskPool.h"

namespace mmd {

TaskPool::TaskPool(size_t workerCount) {
    m_workers.reserve(workerCount);
    for (size_t i = 0; i < workerCount; ++i) {
        m_workers.emplace_back([this] { WorkerLoop(); });
    }
}

TaskPool::~TaskPool() {
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) {
        worker.join();
    }
}

TaskPool& TaskPool::Shared() {
    static TaskPool pool([] {
        const unsigned hardware = std::thread::hardware_concurrency();
        return hardware > 1 ? size_t{hardware - 1} : size_t{1};
    }());
    return pool;
}

void TaskPool::Run(size_t taskCount, TaskFunction fn, void* context) {
    if (taskCount == 0) {
        return;
    }
    if (taskCount == 1 || m_workers.empty()) {
        for (size_t i = 0; i < taskCount; ++i) {
            fn(context, i);
        }
        return;
    }
    std::lock_guard<std::mutex> runLock(m_runMutex);
    {
        // A worker that woke too late for the previous batch may still be leaving it; let it go before the batch
        // description changes under it.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_activeWorkers == 0; });
        m_fn = fn;
        m_context = context;
        m_taskCount = taskCount;
        m_error = nullptr;
        m_nextTask.store(0, std::memory_order_relaxed);
        ++m_generation;
    }
    m_wake.notify_all();
    RunTasks();
    std::exception_ptr error;
    {
        // Every task has been claimed; the batch is over once no worker is still inside it.
        std::unique_lock<std::mutex> lock(m_mutex);
        m_done.wait(lock, [this] { return m_activeWorkers == 0; });
        error = m_error;
        m_error = nullptr;
    }
    if (error) {
        std::rethrow_exception(error);
    }
}

void TaskPool::RunTasks() {
    for (;;) {
        const size_t i = m_nextTask.fetch_add(1, std::memory_order_relaxed);
        if (i >= m_taskCount) {
            return;
        }
        try {
            m_fn(m_context, i);
        } catch (...) {
            std::lock_guard<std::mutex> lock(m_mutex);
            if (!m_error) {
                m_error = std::current_exception();
            }
        }
    }
}

void TaskPool::WorkerLoop() {
    uint64_t seen = 0;
    for (;;) {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || m_generation != seen; });
            if (m_stop) {
                return;
            }
            seen = m_generation;
            ++m_activeWorkers;
        }
        // A worker that wakes after its batch ended finds every task claimed and leaves at once.
        RunTasks();
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            --m_activeWorkers;
        }
        m_done.notify_one();
    }
}

}  // namespace mmd
