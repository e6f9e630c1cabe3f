#pragma once
// Owns one WinINet handle (session, connection) and closes it on every path.

#include <windows.h>
#include <wininet.h>

namespace zel::download {

class InetHandle {
public:
    InetHandle() noexcept = default;
    explicit InetHandle(HINTERNET handle) noexcept : handle_(handle) {}
    ~InetHandle() { reset(); }
    InetHandle(const InetHandle&) = delete;
    InetHandle& operator=(const InetHandle&) = delete;
    InetHandle(InetHandle&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    InetHandle& operator=(InetHandle&& other) noexcept {
        if (this != &other) {
            reset();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }

    HINTERNET get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    void reset() noexcept {
        if (handle_) {
            InternetCloseHandle(handle_);
            handle_ = nullptr;
        }
    }

private:
    HINTERNET handle_ = nullptr;
};

} // namespace zel::download
