#pragma once
// The program's main window: never shown; it owns the notification-area icon and
// receives the icon's mouse callbacks, the menus' commands, device-change broadcasts
// and the program's registered messages.

#include "inventory.h"

#include <zel/platform/ui.h>

#include <cstdint>
#include <vector>

namespace zel::tray {

class CMainFrame final : public platform::WindowHandler {
public:
    // Registers the close request "ZELSATA" and "ZELDOWNLOAD" before any window exists.
    CMainFrame();

    // Creates the hidden frame window; false when the system refuses.
    bool Create(const char* title);
    platform::Window window() const { return self_; }
    std::uint32_t downloadMessage() const { return downloadMessage_; }

    // Adds (kNimAdd), or deletes (kNimDelete), the tray icon; the shell's answer.
    bool SetTrayIcon(std::uint32_t operation);
    // Shows the icon while devices are present, hides it otherwise. An add the shell
    // refuses (not running yet at log-on) is tried again on a timer.
    void ShowOrHideTrayIcon();

    bool onMessage(platform::Window window, std::uint32_t message, std::uintptr_t wParam, std::intptr_t lParam,
                   std::intptr_t& result) override;

private:
    std::intptr_t OnCreate();
    void OnStartupTimer();
    void OnTrayNotify(std::uint32_t mouseMessage);
    bool OnCommand(std::uint32_t command);
    void OnDeviceChange(std::uintptr_t event);
    void Raise();
    void OnDeviceItem(int index);
    void ShowDeviceList();

    platform::FrameWindow frame_;
    platform::PopupMenu deviceMenu_; // kept from one left click to the next
    std::vector<app::DeviceIdentity> menuDevices_; // what each of its items names
    platform::Window self_ = 0; // known from the first message, before creation returns
    platform::TrayIconRecord trayIcon_;
    std::uint32_t closeRequestMessage_ = 0;
    std::uint32_t downloadMessage_ = 0;
    std::uint32_t taskbarCreatedMessage_ = 0; // the shell (Explorer) has started again
};

} // namespace zel::tray
