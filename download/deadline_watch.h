#pragma once
// Ends a WinINet session that outlives its deadline: closing the session handle from
// another thread cancels the blocking call the fetching thread is waiting in, whether
// it is the log-on or a read.

#include <windows.h>
#include <wininet.h>

namespace zel::download {

class DeadlineWatch {
public:
    // Takes the session; closes it at the deadline, or when the watch ends.
    DeadlineWatch(HINTERNET session, DWORD deadlineMs) noexcept;
    ~DeadlineWatch();
    DeadlineWatch(const DeadlineWatch&) = delete;
    DeadlineWatch& operator=(const DeadlineWatch&) = delete;

    HINTERNET session() const noexcept { return session_; }
    bool running() const noexcept { return thread_ != nullptr; }
    // Whether the deadline has passed.
    bool expired() const noexcept;

private:
    static DWORD WINAPI watch(void* self) noexcept;

    HINTERNET session_;
    DWORD deadlineMs_;
    DWORD started_;
    HANDLE stop_ = nullptr;
    HANDLE thread_ = nullptr;
    volatile LONG closed_ = 0; // the watch closed the session
};

} // namespace zel::download
