#include "command_menu.h"

#include "commands.h"
#include "zelsata_app.h"

namespace zel::tray {

namespace {
constexpr std::uint32_t IDB_MENU_IMAGES = 130;

struct CommandItem {
    std::uint32_t command;
    std::uintptr_t itemData; // picks the label (string 5 - data) and the image column
};
constexpr CommandItem kDeviceList{IDM_DEVICE_LIST, 0};
// Beyond the image strip: drawn without an image.
constexpr std::uintptr_t kRescanItemData = 5;
constexpr CommandItem kRescan{IDM_RESCAN, kRescanItemData};
constexpr CommandItem kBelowSeparator[] = {{IDM_OPEN_LINK, 1}, {IDM_HELP, 2}, {IDM_VERSION_INFO, 3}, {IDM_EXIT, 4}};
} // namespace

void ShowCommandMenu(platform::Window frame, platform::Point at) {
    platform::PopupMenu menu = platform::PopupMenu::create();
    menu.appendOwnerDrawn(kDeviceList.command, kDeviceList.itemData);
    menu.appendOwnerDrawn(kRescan.command, kRescan.itemData);
    menu.appendSeparator();
    for (const CommandItem& item : kBelowSeparator) menu.appendOwnerDrawn(item.command, item.itemData);
    platform::setForegroundWindow(frame);
    platform::trackPopupMenu(menu, frame, at);
}

void CommandItemLabel(std::uintptr_t itemData, char (&label)[256]) {
    label[0] = '\0';
    if (itemData == kRescanItemData) {
        app::currentApp()->LoadUiString(IDS_RESCAN_LABEL, label, sizeof label - 1);
        return;
    }
    if (itemData > 4) return;
    app::currentApp()->LoadUiString(static_cast<std::uint32_t>(5 - itemData), label, sizeof label - 1);
}

void MeasureCommandItem(std::intptr_t lParam) {
    char label[256] = {};
    CommandItemLabel(platform::ownerDrawItemData(platform::kWmMeasureItem, lParam), label);
    platform::measureMenuItem(lParam, label);
}

void DrawCommandItem(std::intptr_t lParam) {
    char label[256] = {};
    CommandItemLabel(platform::ownerDrawItemData(platform::kWmDrawItem, lParam), label);
    platform::drawMenuItem(lParam, label, app::currentApp()->resourceLibrary, IDB_MENU_IMAGES);
}

} // namespace zel::tray
