// Rebuilding the application's device inventory, and telling an open dialog.
#include "inventory_build.h"
#include "zelsata_app.h"

namespace zel::app {

using namespace zel::platform;

int CZelSATAApp::RebuildInventory() {
    if (!BuildInventory(inventory_)) {
        ShowMessage(IDS_LIBRARY_MISSING, kMbIconHand);
        postMessage(mainWindow(), kWmClose, 0, 0);
        return 1;
    }
    ++inventoryGeneration_;
    const Window popup = getLastActivePopup(mainWindow());
    if (popup != 0 && isWindowEnabled(popup)) postMessage(popup, WM_INVENTORY_CHANGED, 0, 0);
    return 1;
}

} // namespace zel::app
