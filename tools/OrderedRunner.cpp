#include "OrderedRunner.h"

#include "HeapTuning.h"
#include "InputList.h"
#include "Progress.h"

#include <chrono>
#include <condition_variable>
#include <deque>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace zolsax2 {

namespace {

// What the calling thread and the workers share; every member is guarded by mutex.
struct Shared {
    std::mutex mutex;
    // Signalled when a slot is queued or the run is closing.
    std::condition_variable queued;
    // Signalled when a worker has filled a slot.
    std::condition_variable filled;
    std::deque<std::size_t> queue;
    std::vector<std::string> names;
    std::vector<char> done;
    std::vector<std::exception_ptr> errors;
    bool closing = false;
};

// Joins the workers however run() is left: they finish the slot in hand and take no other.
class Workers {
public:
    explicit Workers(Shared& shared) : shared(shared) {}
    Workers(const Workers&) = delete;
    Workers& operator=(const Workers&) = delete;
    ~Workers()
    {
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.closing = true;
            shared.queue.clear();
        }
        shared.queued.notify_all();
        for (std::thread& thread : threads)
            thread.join();
    }

    std::vector<std::thread> threads;

private:
    Shared& shared;
};

void workerLoop(Shared& shared, std::size_t worker, const OrderedRunner::Work& work)
{
    HeapTuning::enableForThread();
    for (;;) {
        std::size_t slot;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            shared.queued.wait(lock, [&] { return shared.closing || !shared.queue.empty(); });
            if (shared.queue.empty())
                return;
            slot = shared.queue.front();
            shared.queue.pop_front();
        }
        std::exception_ptr error;
        try {
            work(worker, slot, shared.names[slot]);
        } catch (...) {
            error = std::current_exception();
        }
        {
            std::lock_guard<std::mutex> lock(shared.mutex);
            shared.errors[slot] = error;
            shared.done[slot] = 1;
        }
        shared.filled.notify_one();
    }
}

} // namespace

OrderedRunner::OrderedRunner(std::size_t jobs, std::size_t window)
    : jobs(jobs < 1 ? 1 : jobs), slots(window > 0 ? window : 4 * this->jobs)
{}

void OrderedRunner::run(InputList& inputs, Progress& progress, const Work& work, const Emit& emit)
{
    if (jobs > 1) {
        runParallel(inputs, progress, work, emit);
        return;
    }
    std::string name;
    for (std::size_t done = 0; inputs.next(name); ++done) {
        progress.update(done, name);
        work(0, 0, name);
        progress.clear();
        emit(0, name);
    }
}

void OrderedRunner::runParallel(InputList& inputs, Progress& progress, const Work& work, const Emit& emit)
{
    const std::size_t slots = window();
    Shared shared;
    shared.names.resize(slots);
    shared.done.resize(slots);
    shared.errors.resize(slots);
    Workers workers(shared);
    for (std::size_t w = 0; w < jobs; ++w)
        workers.threads.emplace_back(workerLoop, std::ref(shared), w, std::cref(work));

    std::size_t issued = 0;
    std::size_t emitted = 0;
    bool more = true;
    std::string name;
    for (;;) {
        while (more && issued - emitted < slots) {
            more = inputs.next(name);
            if (!more)
                break;
            const std::size_t slot = issued++ % slots;
            {
                std::lock_guard<std::mutex> lock(shared.mutex);
                shared.names[slot] = std::move(name);
                shared.done[slot] = 0;
                shared.queue.push_back(slot);
            }
            shared.queued.notify_one();
        }
        if (emitted == issued)
            return;
        const std::size_t slot = emitted % slots;
        std::exception_ptr error;
        {
            std::unique_lock<std::mutex> lock(shared.mutex);
            while (shared.done[slot] == 0) {
                progress.update(emitted, shared.names[slot]);
                shared.filled.wait_for(lock, std::chrono::milliseconds(100));
            }
            error = shared.errors[slot];
        }
        progress.clear();
        if (error)
            std::rethrow_exception(error);
        emit(slot, shared.names[slot]);
        ++emitted;
    }
}

} // namespace zolsax2
