#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace mmd {

// A small persistent pool that runs one batch of indexed tasks at a time on its worker threads and on the calling
// thread, so per-frame work (skinning) neither creates threads nor allocates. Batches from several callers are
// serialised.
class TaskPool {
public:
    using TaskFunction = void (*)(void* context, size_t taskIndex);

    // workerCount extra threads; 0 runs every batch on the calling thread.
    explicit TaskPool(size_t workerCount);
    ~TaskPool();
    TaskPool(const TaskPool&) = delete;
    TaskPool& operator=(const TaskPool&) = delete;

    // The process-wide pool: hardware concurrency - 1 workers (at least one), created on first use.
    static TaskPool& Shared();

    size_t GetWorkerCount() const { return m_workers.size(); }

    // Runs fn(context, i) for every i in [0, taskCount) and returns when all have finished. If tasks throw, the first
    // exception is rethrown here after the whole batch has finished.
    void Run(size_t taskCount, TaskFunction fn, void* context);

    // Convenience form for a callable taking the task index; the callable must outlive the call (it does: Run blocks).
    template <typename F>
    void Run(size_t taskCount, F& f) {
        Run(taskCount, [](void* context, size_t i) { (*static_cast<F*>(context))(i); }, &f);
    }

private:
    void WorkerLoop();
    void RunTasks();

    std::vector<std::thread> m_workers;
    std::mutex m_runMutex;  // one batch at a time

    std::mutex m_mutex;  // guards everything below except m_nextTask
    std::condition_variable m_wake;
    std::condition_variable m_done;
    uint64_t m_generation = 0;
    size_t m_activeWorkers = 0;
    bool m_stop = false;
    TaskFunction m_fn = nullptr;
    void* m_context = nullptr;
    size_t m_taskCount = 0;
    std::exception_ptr m_error;

    // Next unclaimed task of the current batch.
    std::atomic<size_t> m_nextTask{0};
};

}  // namespace mmd
