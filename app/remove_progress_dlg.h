#pragma once
// The small modal window shown while a device is removed: a yellow, round-cornered face
// with one line of blue text. It starts the removal worker shortly after it opens, polls
// the worker's result and closes with IDOK (removed) or IDCANCEL (failed). Enter,
// Escape and Alt+F4 do not close it.

#include "holders_text.h"

#include <zel/platform/dialog.h>
#include <zel/platform/paint.h>
#include <zel/platform/thread.h>

#include <atomic>
#include <cstdint>

namespace zel::app {

inline constexpr std::uintptr_t IDT_START_WORKER = 1;
inline constexpr std::uintptr_t IDT_POLL_WORKER = 2;
inline constexpr std::uintptr_t IDT_FINISH = 3;
inline constexpr std::uint32_t kStartWorkerMilliseconds = 5;
inline constexpr std::uint32_t kPollWorkerMilliseconds = 100;
inline constexpr std::uint32_t kFinishMilliseconds = 5;

// The worker's result: still running, removed, failed.
inline constexpr std::int32_t kRemovalRunning = 0;
inline constexpr std::int32_t kRemovalDone = 1;
inline constexpr std::int32_t kRemovalFailed = -1;

class CRemoveProgressDlg final : public platform::DialogHandler {
public:
    CRemoveProgressDlg() = default;
    CRemoveProgressDlg(const CRemoveProgressDlg&) = delete;
    CRemoveProgressDlg& operator=(const CRemoveProgressDlg&) = delete;

    // Runs the window modally on the resource library's template: IDOK or IDCANCEL
    // (-1 when it cannot be shown).
    int DoModal(const platform::Library& resourceModule, platform::Window owner);

    void SetEntryIndex(int index) { entryIndex = static_cast<std::uint8_t>(index); }
    std::uint8_t EntryIndex() const { return entryIndex; }
    // The cell the worker reports through.
    std::atomic<std::int32_t>& Result() { return result; }
    // What a failed removal found out: written by the worker before its result, read once
    // the window has closed (the worker has ended by then).
    RemovalFailure& Failure() { return failure; }

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& answer) override;
    bool preTranslate(std::uint32_t message, std::uintptr_t virtualKey) override;

private:
    bool OnInitDialog(platform::Window window);
    bool OnTimer(platform::Window window, std::uintptr_t id);
    bool OnCtlColor(std::uint32_t message, std::uintptr_t deviceContext, platform::Window control,
                    std::intptr_t& brushResult) const;
    void OnDestroy();

    platform::SolidBrush brush;
    std::uint8_t entryIndex = 0; // written before the worker starts, read by it
    // Written once by the worker, read by the poll timer on the user-interface thread
    // without a lock: a single aligned 32-bit cell, atomic so that the compiler neither
    // tears nor caches it and the worker's outcome is seen once it is written.
    std::atomic<std::int32_t> result{kRemovalRunning};
    RemovalFailure failure;
    platform::WorkerThread worker;
};

} // namespace zel::app
