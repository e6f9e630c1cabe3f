#pragma once
// The device list dialog: every inventory entry with its drive letters and type, removal
// of the selected one on OK (the dialog stays open), and the start-at-log-on check box
// with its Apply button. The list follows every inventory rebuild while it is open.

#include <zel/platform/dialog.h>

#include "inventory.h"

#include <cstdint>
#include <vector>

namespace zel::app {

class CDeviceListDlg final : public platform::DialogHandler {
public:
    CDeviceListDlg() = default;
    CDeviceListDlg(const CDeviceListDlg&) = delete;
    CDeviceListDlg& operator=(const CDeviceListDlg&) = delete;

    // Runs the dialog on the resource library's template; the code it ended with.
    int DoModal(const platform::Library& resourceModule, platform::Window owner);

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override;
    bool preTranslate(std::uint32_t message, std::uintptr_t virtualKey) override;

private:
    // A control of this dialog, named by its identifier once the dialog exists.
    struct Control {
        platform::Window dialog = 0;
        int id = 0;
    };

    void DoDataExchange(platform::Window window);
    bool OnInitDialog(platform::Window window);
    void FillList();
    void OnOK();
    void OnAutoRunClicked();
    void OnApply();
    void StoreStartupSetting();
    // Fills the list again when the inventory changed while a box of this dialog was up
    // (the change notice then went to the box).
    void RefillIfChanged();

    Control list_;
    std::vector<DeviceIdentity> rows_; // the device each row shows
    std::uint32_t shownGeneration_ = 0;
    bool removing_ = false;
    Control autoRun_;
    platform::Window dialog_ = 0;
};

} // namespace zel::app
