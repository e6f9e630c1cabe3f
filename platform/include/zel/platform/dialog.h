#pragma once
// Modal dialogs built from a template of the resource library. The logic behind a dialog
// is a DialogHandler that gets every message of the dialog and may swallow keys before
// the dialog's own keyboard handling sees them. The real backend runs its own modal loop
// over CreateDialogParamA; the simulated one runs the dialog on its virtual clock.

#include <zel/platform/library.h>
#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::platform {

inline constexpr std::uint32_t kWmKeyDown = 0x0100;
inline constexpr std::uint32_t kWmSysKeyDown = 0x0104;
inline constexpr std::uint32_t kWmInitDialog = 0x0110;
inline constexpr std::uint32_t kWmCtlColorDlg = 0x0136;
inline constexpr std::uint32_t kWmCtlColorStatic = 0x0138;

inline constexpr int kVkReturn = 0x0D;
inline constexpr int kVkEscape = 0x1B;
inline constexpr int kVkF4 = 0x73;

// The logic behind a dialog: every message reaches onMessage as for any window (true =
// handled, with the result: for WM_INITDIALOG nonzero lets the system set the focus, for
// WM_CTLCOLOR* the brush). Unhandled messages get the dialog's default processing,
// which, as the framework does, ends the dialog on the commands IDOK and IDCANCEL
// (Enter, Escape and Alt+F4 lead there).
class DialogHandler : public WindowHandler {
public:
    // Offered every WM_KEYDOWN and WM_SYSKEYDOWN meant for the dialog or one of its
    // controls before anything else sees it; true swallows the key.
    virtual bool preTranslate(std::uint32_t message, std::uintptr_t virtualKey) {
        (void)message;
        (void)virtualKey;
        return false;
    }

protected:
    ~DialogHandler() = default;
};

// Shows dialog `templateId` of `resourceModule` with `owner` disabled while it runs, and
// returns the code given to endDialog; -1 when the dialog cannot be created (or, in the
// simulated ui, when it could never end). The dialog is destroyed before this returns.
ZEL_SYSTEM_API int runModalDialog(DialogHandler& handler, const Library& resourceModule, std::uint32_t templateId,
                                  Window owner);

// Ends the modal run of `dialog` with `code` once the current message is handled.
ZEL_SYSTEM_API bool endDialog(Window dialog, int code);

// SetDlgItemTextA.
ZEL_SYSTEM_API bool setDlgItemText(Window dialog, int controlId, const char* text);

// GetDlgCtrlID: the identifier of a dialog control (0 for none).
ZEL_SYSTEM_API int controlId(Window control);

} // namespace zel::platform
