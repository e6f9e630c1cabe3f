#pragma once
// Fetches one file from an FTP server into the current directory.

#include "request.h"
#include "zeldownload.h"

namespace zel::download {

// kDownLoadOk once the complete file lies in the current directory under request.file;
// otherwise the error, with the current directory as it was.
DownLoadError fetchFile(const Request& request) noexcept;

} // namespace zel::download
