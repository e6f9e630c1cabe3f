#pragma once
// Reads and checks the server block before anything touches the network or the disk.
// Plain C++: no Win32 here, so the checks can be tested on their own.

#include "zeldownload.h"

#include <cstdint>

namespace zel::download {

inline constexpr std::uint16_t kFtpPort = 21;
inline constexpr std::size_t kFieldSize = sizeof(UpdateServerInfo::host);

// The block's texts, each a zero-terminated view into the block itself except the host
// name, which is copied so that a ":port" suffix can be cut off.
struct Request {
    char host[kFieldSize] = {};
    std::uint16_t port = kFtpPort;
    const char* file = nullptr;
    const char* user = nullptr;      // null for an anonymous log-on
    const char* password = nullptr;  // null when there is no user
};

// kDownLoadOk and a filled request, or the error GetDownLoadFile reports:
//   kDownLoadNoConnection  no block, or host, user or password unusable
//   kDownLoadCannotWrite   the file name would not name a plain file in the current directory
DownLoadError readRequest(const UpdateServerInfo* info, Request& request) noexcept;

// True when `name` names a plain file in the current directory and nothing else: no
// drive, directory or stream part, no device name, nothing the system would rewrite.
bool isPlainFileName(const char* name) noexcept;

} // namespace zel::download
