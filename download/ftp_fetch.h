#pragma once
// Fetches one file from an FTP server into the current directory.

#include "request.h"
#include "zeldownload.h"

#include <windows.h>

namespace zel::download {

// What one fetch may take: the version file is a few hundred bytes, so a server that
// sends more, or keeps sending, or sends a byte now and then, is given up.
struct FetchLimits {
    DWORD maxBytes = 64 * 1024;
    DWORD deadlineMs = 60000; // for the whole fetch, from log-on to the last byte
};

// kDownLoadOk once the complete file lies in the current directory under request.file;
// otherwise the error, with the current directory as it was.
DownLoadError fetchFile(const Request& request, const FetchLimits& limits = {}) noexcept;

} // namespace zel::download
