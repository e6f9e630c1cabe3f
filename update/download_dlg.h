#pragma once
// The small modal dialog with a progress bar shown while the version file is fetched.
// It binds the download library, runs the worker, steps the bar while it waits and ends
// with IDOK when the file was fetched, parsed and stored; otherwise it says what went
// wrong and ends with IDCANCEL. Enter and Escape end it at any time.

#include "download_session.h"

#include <zel/platform/dialog.h>

#include <cstdint>
#include <memory>

namespace zel::update {

inline constexpr std::uintptr_t IDT_START_DOWNLOAD = 1;
inline constexpr std::uintptr_t IDT_POLL_DOWNLOAD = 2;
inline constexpr std::uint32_t kStartDownloadMilliseconds = 10;
inline constexpr std::uint32_t kPollDownloadMilliseconds = 100;
inline constexpr std::uint32_t kShowFullBarMilliseconds = 500;
inline constexpr std::uint8_t kDownloadStepCount = 5; // the bar's range is 100 per step

class CDownLoadDlg final : public platform::DialogHandler {
public:
    CDownLoadDlg() = default;
    ~CDownLoadDlg();
    CDownLoadDlg(const CDownLoadDlg&) = delete;
    CDownLoadDlg& operator=(const CDownLoadDlg&) = delete;

    // IDOK or IDCANCEL (-1 when it cannot be shown).
    int DoModal(const platform::Library& resourceModule, platform::Window owner);

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& answer) override;
    bool preTranslate(std::uint32_t message, std::uintptr_t virtualKey) override;

private:
    bool OnInitDialog(platform::Window window);
    void OnTimer(platform::Window window, std::uintptr_t id);
    void OnWorkerEnded(platform::Window window, std::uint32_t code);
    void SetUpBar(platform::Window window);
    void OnDestroy();

    std::uint8_t stepCount = 0;
    std::unique_ptr<DownloadSession> session_;
};

} // namespace zel::update
