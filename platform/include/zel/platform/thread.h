#pragma once
// A worker thread: started at once with normal priority and the default stack size,
// waited for and closed when its owner lets it go, so no thread outlives the objects it
// was handed.

#include <zel/platform/library.h> // ZEL_SYSTEM_API

#include <cstdint>

namespace zel::platform {

inline constexpr std::uint32_t kStillActive = 259; // STILL_ACTIVE

class ZEL_SYSTEM_API WorkerThread {
public:
    using Function = std::uint32_t (*)(void* argument); // returns the thread's exit code

    WorkerThread() = default;
    // Runs `function(argument)` on a new thread; empty when the thread cannot be made.
    static WorkerThread start(Function function, void* argument);

    WorkerThread(WorkerThread&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    WorkerThread& operator=(WorkerThread&& other) noexcept {
        if (this != &other) {
            join();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    WorkerThread(const WorkerThread&) = delete;
    WorkerThread& operator=(const WorkerThread&) = delete;
    ~WorkerThread() { join(); }

    explicit operator bool() const { return handle_ != nullptr; }
    // GetExitCodeThread: the function's result once it has returned, kStillActive while
    // it runs. False for an empty record.
    bool exitCode(std::uint32_t& code) const;
    // Whether the thread has ended within `milliseconds` (true when empty).
    bool waitFor(std::uint32_t milliseconds) const;
    // Waits until the thread has ended and closes it; nothing to do when empty.
    void join();

private:
    explicit WorkerThread(void* handle) : handle_(handle) {}
    void* handle_ = nullptr;
};

} // namespace zel::platform
