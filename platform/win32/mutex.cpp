// Named mutexes over the real calls: CreateMutexA, ReleaseMutex, CloseHandle.
#include <zel/platform/system.h>

#include <windows.h>

namespace zel::platform {

MutexHandle MutexHandle::create(const char* name, std::int32_t& lastError) {
    HANDLE handle = CreateMutexA(nullptr, FALSE, name);
    // Read at once: nothing may run between the call and the question.
    lastError = static_cast<std::int32_t>(GetLastError());
    return MutexHandle(handle);
}


bool MutexHandle::release() const { return handle_ != nullptr && ReleaseMutex(static_cast<HANDLE>(handle_)) != FALSE; }

void MutexHandle::reset() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

} // namespace zel::platform
