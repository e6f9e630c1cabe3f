// Worker threads as real threads of the test process, counted so that the simulated
// dialogs can let every worker finish before the virtual clock moves, and so that tests
// can check that none is left running or unclosed.
#include "thread_state.h"

#include <zel/platform/thread.h>
#include <zel/sim/dialog.h>

#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace zel::sim::detail {
namespace {

struct Threads {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::int64_t handles = 0;
};

Threads& threads() {
    static Threads* state = new Threads; // never destroyed: a thread may end during exit
    return *state;
}

} // namespace

bool waitUntilNoThreadRuns(std::chrono::steady_clock::time_point deadline) {
    Threads& t = threads();
    std::unique_lock lock(t.mutex);
    return t.finished.wait_until(lock, deadline, [&] { return t.running == 0; });
}

} // namespace zel::sim::detail

namespace zel::platform {

using sim::detail::threads;

WorkerThread WorkerThread::start(Function function, void* argument) {
    auto* thread = new (std::nothrow) std::thread;
    if (thread == nullptr) return {};
    {
        std::lock_guard lock(threads().mutex);
        ++threads().running; // before it starts, so that it cannot be missed
        ++threads().handles;
    }
    try {
        *thread = std::thread([function, argument] {
            function(argument);
            std::lock_guard lock(threads().mutex);
            --threads().running;
            threads().finished.notify_all();
        });
    } catch (...) {
        delete thread;
        std::lock_guard lock(threads().mutex);
        --threads().running;
        --threads().handles;
        return {};
    }
    return WorkerThread(thread);
}

void WorkerThread::join() {
    if (handle_ == nullptr) return;
    auto* thread = static_cast<std::thread*>(handle_);
    if (thread->joinable()) thread->join();
    delete thread;
    handle_ = nullptr;
    std::lock_guard lock(threads().mutex);
    --threads().handles;
}

} // namespace zel::platform

namespace zel::sim {

int runningThreads() {
    std::lock_guard lock(detail::threads().mutex);
    return detail::threads().running;
}

std::int64_t openThreadHandles() {
    std::lock_guard lock(detail::threads().mutex);
    return detail::threads().handles;
}

} // namespace zel::sim
