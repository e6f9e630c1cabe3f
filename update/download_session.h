#pragma once
// One fetch of the version file: the download library, its entry points and the worker
// thread that calls it. The library stays loaded, and the thread record open, for as
// long as the worker runs, also when the dialog that started it has already closed: the
// session then waits with the application until the next check or the program's end.

#include "zeldownload.h"

#include <zel/platform/library.h>
#include <zel/platform/thread.h>

#include <cstdint>
#include <memory>

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

// How long the program's end waits for a fetch still under way.
inline constexpr std::uint32_t kExitWaitForFetch = 3000;

// A session whose worker outlived that wait: never freed nor unloaded by the program, so
// that the worker, which the process's end stops wherever it is, finds its record and its
// library intact; everything else it touches (the settings store, the fetched file, the
// parameter blocks) is not the program's memory or lives as long as the process.
void LeaveToProcessEnd(std::unique_ptr<DownloadSession> session);
// The session left so, for a test that lets its worker go and then joins it.
std::unique_ptr<DownloadSession> TakeSessionLeftToProcessEnd();

} // namespace zel::update
