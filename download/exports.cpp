// The library's three exports. Nothing is thrown across the library's boundary: the
// work below allocates nothing and reports through return values only.
#include "ftp_fetch.h"
#include "request.h"
#include "zeldownload.h"

#include <windows.h>

#include <atomic>
#include <cstdint>

#define ZELDOWNLOAD_EXPORT extern "C" __declspec(dllexport)

namespace {

// Written by the worker that fetches, read by the user-interface thread after that
// worker has ended.
std::atomic<std::int32_t> lastError{zel::kDownLoadOk};

// Window handles are 32-bit values, sign-extended where pointers are wider.
HWND windowFromBlock(std::uint32_t window) noexcept {
    return reinterpret_cast<HWND>(static_cast<INT_PTR>(static_cast<std::int32_t>(window)));
}

void notify(const zel::UpdateNotifyInfo* info, bool fetched, std::int32_t error) noexcept {
    if (!info || info->window == 0 || info->message == 0) return;
    // Nobody may be listening any more; a lost notice changes nothing.
    PostMessageA(windowFromBlock(info->window), info->message, fetched ? 1 : 0,
                 static_cast<LPARAM>(error));
}

} // namespace

ZELDOWNLOAD_EXPORT void Initialization() {
    lastError.store(zel::kDownLoadOk);
}

ZELDOWNLOAD_EXPORT std::int32_t GetDownLoadFile(const zel::UpdateServerInfo* server,
                                                const zel::UpdateNotifyInfo* notifyInfo) {
    zel::download::Request request;
    zel::DownLoadError error = zel::download::readRequest(server, request);
    if (error == zel::kDownLoadOk) error = zel::download::fetchFile(request);
    lastError.store(error);
    notify(notifyInfo, error == zel::kDownLoadOk, error);
    return error == zel::kDownLoadOk ? 1 : 0;
}

ZELDOWNLOAD_EXPORT std::int32_t GetDownLoadFileLastError() {
    return lastError.load();
}
