// Worker threads as real threads of the test process, counted so that the simulated
// dialogs can let every worker finish before the virtual clock moves, and so that tests
// can check that none is left running or unclosed.
#include "thread_state.h"

#include <zel/platform/thread.h>
#include <zel/sim/dialog.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <new>
#include <thread>

namespace zel::sim::detail {
namespace {

// A thread and the code it ended with.
struct SimThread {
    std::thread thread;
    std::atomic<std::uint32_t> exitCode{platform::kStillActive};
};

struct Threads {
    std::mutex mutex;
    std::condition_variable finished;
    int running = 0;
    std::int64_t handles = 0;
    std::uint64_t posted = 0;
};

Threads& threads() {
    static Threads* state = new Threads; // never destroyed: a thread may end during exit
    return *state;
}

} // namespace

std::uint64_t postedSoFar() {
    std::lock_guard lock(threads().mutex);
    return threads().posted;
}

void notePosted() {
    std::lock_guard lock(threads().mutex);
    ++threads().posted;
    threads().finished.notify_all();
}

bool waitForWorkersOrPost(std::chrono::steady_clock::time_point deadline, std::uint64_t postedBefore) {
    Threads& t = threads();
    std::unique_lock lock(t.mutex);
    return t.finished.wait_until(lock, deadline, [&] { return t.running == 0 || t.posted != postedBefore; });
}

} // namespace zel::sim::detail

namespace zel::platform {

using sim::detail::threads;

WorkerThread WorkerThread::start(Function function, void* argument) {
    auto* thread = new (std::nothrow) sim::detail::SimThread;
    if (thread == nullptr) return {};
    {
        std::lock_guard lock(threads().mutex);
        ++threads().running; // before it starts, so that it cannot be missed
        ++threads().handles;
    }
    try {
        thread->thread = std::thread([thread, function, argument] {
            const std::uint32_t code = function(argument);
            std::lock_guard lock(threads().mutex);
            thread->exitCode.store(code);
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

bool WorkerThread::exitCode(std::uint32_t& code) const {
    if (handle_ == nullptr) return false;
    code = static_cast<const sim::detail::SimThread*>(handle_)->exitCode.load();
    return true;
}

// A real wait, as the Win32 one: the simulated clock only moves for the program's own
// timers and sleeps.
bool WorkerThread::waitFor(std::uint32_t milliseconds) const {
    if (handle_ == nullptr) return true;
    const auto* thread = static_cast<const sim::detail::SimThread*>(handle_);
    std::unique_lock lock(threads().mutex);
    return threads().finished.wait_for(lock, std::chrono::milliseconds(milliseconds), [&] {
        return thread->exitCode.load() != kStillActive;
    });
}

void WorkerThread::join() {
    if (handle_ == nullptr) return;
    auto* thread = static_cast<sim::detail::SimThread*>(handle_);
    if (thread->thread.joinable()) thread->thread.join();
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
