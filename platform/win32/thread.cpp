// Worker threads over _beginthreadex: the C runtime's own thread start, so a worker
// may use the runtime's functions (formatting, allocation) safely.
#include <zel/platform/thread.h>

#include <windows.h>
#include <process.h>

#include <new>

namespace zel::platform {
namespace {

struct Start {
    WorkerThread::Function function;
    void* argument;
};

unsigned __stdcall trampoline(void* start) {
    const Start copy = *static_cast<Start*>(start);
    delete static_cast<Start*>(start);
    return copy.function(copy.argument);
}

} // namespace

WorkerThread WorkerThread::start(Function function, void* argument) {
    auto* start = new (std::nothrow) Start{function, argument};
    if (start == nullptr) return {};
    // No security, default stack, running at once, normal priority.
    const std::uintptr_t handle = _beginthreadex(nullptr, 0, trampoline, start, 0, nullptr);
    if (handle == 0) {
        delete start;
        return {};
    }
    return WorkerThread(reinterpret_cast<void*>(handle));
}

bool WorkerThread::exitCode(std::uint32_t& code) const {
    if (handle_ == nullptr) return false;
    DWORD value = 0;
    if (!GetExitCodeThread(static_cast<HANDLE>(handle_), &value)) return false;
    code = value;
    return true;
}

bool WorkerThread::waitFor(std::uint32_t milliseconds) const {
    return handle_ == nullptr || WaitForSingleObject(static_cast<HANDLE>(handle_), milliseconds) == WAIT_OBJECT_0;
}

void WorkerThread::join() {
    if (handle_ == nullptr) return;
    WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
    CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

} // namespace zel::platform
