// The device list dialog, run modally over the main window.
#include "device_list_dlg.h"
#include "zelsata_app.h"

namespace zel::app {

void CZelSATAApp::ShowDeviceListDialog() {
    CDeviceListDlg dialog;
    dialog.DoModal(resourceLibrary, mainWindow());
}

} // namespace zel::app
