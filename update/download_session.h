#pragma once
// One fetch of the version file: the download library, its entry points and the worker
// thread that calls it. The library stays loaded, and the thread record open, for as
// long as the worker runs, also when the dialog that started it has already closed: the
// session then waits with the application until the next check or the program's end.

#include "zeldownload.h"

#include <zel/platform/library.h>
#include <zel/platform/thread.h>

#include <cstdint>

namespace zel::update {

inline constexpr const char* kDownLoadLibrary = "ZelDownLoad.dll";

struct DownloadSession {
    platform::Library library;
    DownLoadInitializationFn initialization = nullptr;
    GetDownLoadFileFn getDownLoadFile = nullptr;
    GetDownLoadFileLastErrorFn lastError = nullptr; // may be missing
    // Declared after the library: destroyed, that is joined, before it is unloaded.
    platform::WorkerThread worker;

    // Whether the worker has been started and has not ended yet.
    bool running() const {
        std::uint32_t code = 0;
        return worker.exitCode(code) && code == platform::kStillActive;
    }
};

} // namespace zel::update
