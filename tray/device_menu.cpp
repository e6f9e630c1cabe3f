#include "device_menu.h"

#include "builtin_texts.h"
#include "commands.h"
#include "zelsata_app.h"

#include <zel/platform/system.h>

#include <zel/text.h>

#include <cstring>

namespace zel::tray {

namespace {
constexpr std::uint32_t IDS_DEVICE_ITEM_LETTERS = 6;
constexpr std::uint32_t IDS_DEVICE_ITEM_ACTION = 7;
constexpr std::uint32_t IDS_NO_DEVICES = 13;

} // namespace

std::string DeviceItemText(const app::InventoryEntry& entry, bool japanese, const std::string& lettersLabel,
                           const std::string& actionLabel) {
    if (entry.kind == app::kKindHost) return std::string(fieldText(entry.hostName)) + actionLabel;
    const std::string name = std::string(fieldText(entry.driveName));
    std::string letters;
    const std::string driveLetters = std::string(fieldText(entry.driveLetters));
    if (!driveLetters.empty()) {
        letters = lettersLabel;
        for (char letter : driveLetters) letters += std::string(" (") + letter + ":) ";
    }
    return japanese ? name + letters + actionLabel : actionLabel + " " + name + letters;
}

std::vector<app::DeviceIdentity> BuildDeviceMenu(platform::PopupMenu& menu) {
    menu = platform::PopupMenu::create();
    const app::Inventory& inventory = app::currentApp()->inventory();
    std::vector<app::DeviceIdentity> shown;
    if (!inventory.devicesPresent()) {
        menu.insertText(0, 0, app::currentApp()->UiText(IDS_NO_DEVICES).c_str()); // command 0: nothing handles it
        return shown;
    }
    const bool japanese = app::isJapaneseLocale(platform::getUserDefaultLcid());
    const std::string lettersLabel = app::currentApp()->UiText(IDS_DEVICE_ITEM_LETTERS);
    const std::string actionLabel = app::currentApp()->UiText(IDS_DEVICE_ITEM_ACTION);
    for (int i = 0; i < app::kInventorySize && inventory.entries[i].valid == 1; ++i) {
        const std::string text = DeviceItemText(inventory.entries[i], japanese, lettersLabel, actionLabel);
        menu.insertText(static_cast<std::uint32_t>(i), IDM_DEVICE_FIRST + static_cast<std::uint32_t>(i), text.c_str());
        shown.push_back(app::DeviceIdentity::of(inventory.entries[i]));
    }
    return shown;
}

} // namespace zel::tray
