#include "deadline_watch.h"

namespace zel::download {

DeadlineWatch::DeadlineWatch(HINTERNET session, DWORD deadlineMs) noexcept
    : session_(session), deadlineMs_(deadlineMs), started_(GetTickCount()) {
    stop_ = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (stop_ != nullptr) thread_ = CreateThread(nullptr, 0, watch, this, 0, nullptr);
}

DeadlineWatch::~DeadlineWatch() {
    if (thread_ != nullptr) {
        SetEvent(stop_);
        WaitForSingleObject(thread_, INFINITE);
        CloseHandle(thread_);
    }
    if (stop_ != nullptr) CloseHandle(stop_);
    if (InterlockedCompareExchange(&closed_, 1, 0) == 0 && session_ != nullptr) InternetCloseHandle(session_);
}

bool DeadlineWatch::expired() const noexcept {
    return GetTickCount() - started_ >= deadlineMs_; // unsigned: right across the wrap
}

DWORD WINAPI DeadlineWatch::watch(void* self) noexcept {
    auto& watch = *static_cast<DeadlineWatch*>(self);
    if (WaitForSingleObject(watch.stop_, watch.deadlineMs_) == WAIT_TIMEOUT &&
        InterlockedCompareExchange(&watch.closed_, 1, 0) == 0)
        InternetCloseHandle(watch.session_);
    return 0;
}

} // namespace zel::download
