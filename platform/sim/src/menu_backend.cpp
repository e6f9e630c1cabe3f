// Simulated popup menus: what they hold when shown, and scripted choices.
#include "ui_state.h"

namespace zel::platform {

using sim::detail::ui;

bool getCursorPos(Point& point) {
    std::lock_guard lock(ui().mutex);
    point = ui().cursor;
    return true;
}

bool setForegroundWindow(Window window) {
    std::lock_guard lock(ui().mutex);
    if (sim::detail::find(ui(), window) == nullptr) return false;
    ui().foreground = window;
    return true;
}

void setFocus(Window) {}

PopupMenu PopupMenu::create() {
    std::lock_guard lock(ui().mutex);
    const std::uintptr_t handle = ui().nextMenu;
    ui().nextMenu += 4;
    ui().menus[handle] = {};
    return PopupMenu(reinterpret_cast<void*>(handle));
}


void PopupMenu::reset() {
    if (handle_ != nullptr) {
        std::lock_guard lock(ui().mutex);
        ui().menus.erase(reinterpret_cast<std::uintptr_t>(handle_));
    }
    handle_ = nullptr;
}

namespace {
sim::detail::SimMenu* findMenu(void* handle) {
    auto it = ui().menus.find(reinterpret_cast<std::uintptr_t>(handle));
    return it != ui().menus.end() ? &it->second : nullptr;
}
} // namespace

bool PopupMenu::insertText(std::uint32_t position, std::uint32_t command, const char* text) {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimMenu* menu = findMenu(handle_);
    if (menu == nullptr) return false;
    sim::MenuItemShown item;
    item.command = command;
    item.text = text != nullptr ? text : "";
    const auto at = position < menu->items.size() ? menu->items.begin() + position : menu->items.end();
    menu->items.insert(at, item);
    return true;
}

bool PopupMenu::appendOwnerDrawn(std::uint32_t command, std::uintptr_t itemData) {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimMenu* menu = findMenu(handle_);
    if (menu == nullptr) return false;
    sim::MenuItemShown item;
    item.command = command;
    item.ownerDrawn = true;
    item.itemData = itemData;
    menu->items.push_back(item);
    return true;
}

bool PopupMenu::appendSeparator() {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimMenu* menu = findMenu(handle_);
    if (menu == nullptr) return false;
    sim::MenuItemShown item;
    item.separator = true;
    menu->items.push_back(item);
    return true;
}

bool trackPopupMenu(const PopupMenu& popup, Window owner, Point) {
    std::lock_guard lock(ui().mutex);
    sim::detail::SimMenu* menu = findMenu(popup.native());
    if (menu == nullptr || sim::detail::find(ui(), owner) == nullptr) return false;
    ui().menusShown.push_back(menu->items);
    if (ui().menuChoices.empty()) return true; // dismissed
    const std::uint32_t command = ui().menuChoices.front();
    ui().menuChoices.pop_front();
    if (command != 0) ui().queue.push_back({owner, kWmCommand, command, 0});
    return true;
}

// In the simulated system the lParam of an owner-draw message points at the item data.
std::uintptr_t ownerDrawItemData(std::uint32_t, std::intptr_t lParam) {
    return lParam != 0 ? *reinterpret_cast<const std::uintptr_t*>(lParam) : 0;
}

void measureMenuItem(std::intptr_t, const char* label) {
    std::lock_guard lock(ui().mutex);
    ui().ownerDrawLabels.emplace_back(label != nullptr ? label : "");
}

void drawMenuItem(std::intptr_t, const char* label, const Library&, std::uint32_t) {
    std::lock_guard lock(ui().mutex);
    ui().ownerDrawLabels.emplace_back(label != nullptr ? label : "");
}

} // namespace zel::platform

namespace zel::sim {

using detail::ui;

std::vector<std::vector<MenuItemShown>> menusShown() {
    std::lock_guard lock(ui().mutex);
    return ui().menusShown;
}

void chooseMenuCommands(const std::vector<std::uint32_t>& commands) {
    std::lock_guard lock(ui().mutex);
    ui().menuChoices.insert(ui().menuChoices.end(), commands.begin(), commands.end());
}

int liveMenus() {
    std::lock_guard lock(ui().mutex);
    return static_cast<int>(ui().menus.size());
}

std::vector<std::string> ownerDrawLabels() {
    std::lock_guard lock(ui().mutex);
    return ui().ownerDrawLabels;
}

platform::Window foregroundWindow() {
    std::lock_guard lock(ui().mutex);
    return ui().foreground;
}

} // namespace zel::sim
