#pragma once
// The version dialog: the product name, version and copyright from the program's own
// version resource and, for versions above 1.14, the update section (installed and
// published version, the date of the last check, the start-up question's check box,
// Apply, and OK running the update check). Up to 1.14 it is a compact about box that a
// click or Escape closes.

#include <zel/platform/dialog.h>

#include <cstdint>
#include <string_view>

namespace zel::update {

// Whether a version text asks for the compact form: its first four characters read as a
// decimal number (0 when they are none) are 1.14 or less.
bool IsCompactVersion(std::string_view fileVersion);

class CVersionDlg final : public platform::DialogHandler {
public:
    // IDOK or IDCANCEL (-1 when it cannot be shown).
    int DoModal(const platform::Library& resourceModule, platform::Window owner);

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& answer) override;
    bool preTranslate(std::uint32_t message, std::uintptr_t virtualKey) override;

    // Stores the check box's state as the start-up question's setting.
    void SaveAutoUpdateSetting(platform::Window window);

private:
    bool OnInitDialog(platform::Window window);
    void FillTexts(platform::Window window);
    void FillList(platform::Window window);
    void MakeCompact(platform::Window window);
    void OnPaint(platform::Window window);
    bool OnCtlColor(std::uintptr_t deviceContext, platform::Window control, std::intptr_t& brush) const;
    bool OnCommand(platform::Window window, std::uintptr_t wParam);
    void OnOK(platform::Window window);

    bool compact_ = false;
};

} // namespace zel::update
