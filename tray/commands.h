#pragma once
// Command identifiers of the tray menus, the frame's messages and timers.

#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::tray {

inline constexpr std::uint32_t IDM_VERSION_INFO = 32771;
inline constexpr std::uint32_t IDM_DEVICE_LIST = 32772;
inline constexpr std::uint32_t IDM_HELP = 32773;
inline constexpr std::uint32_t IDM_OPEN_LINK = 32774;
inline constexpr std::uint32_t IDM_RESCAN = 32775;
inline constexpr std::uint32_t IDM_EXIT = 57665;
// Device items: item i of the device menu is inventory entry i.
inline constexpr std::uint32_t IDM_DEVICE_FIRST = 1001;
inline constexpr std::uint32_t IDM_DEVICE_LAST = 1050;

// The tray icon's callback message and id.
inline constexpr std::uint32_t WM_TRAYNOTIFY = platform::kWmApp + 0x64;
inline constexpr std::uint32_t kTrayIconId = 100;
inline constexpr std::uintptr_t IDT_STARTUP = 1;
// Adds the shell refused (it is not running yet at log-on) are tried again this often.
inline constexpr std::uintptr_t IDT_TRAY_RETRY = 2;
inline constexpr std::uint32_t kTrayRetryMilliseconds = 5000;
// Log-off waits this long at most for a removal under way (Windows offers to end a
// program that keeps it waiting longer anyway).
inline constexpr std::uint32_t kLogOffRemovalWaitMilliseconds = 30000;

// Mouse messages the tray icon reports in lParam.
using platform::kWmLButtonDown;
inline constexpr std::uint32_t kWmLButtonDblClk = 0x0203;
inline constexpr std::uint32_t kWmRButtonUp = 0x0205;

// Device-change events that change the inventory.
inline constexpr std::uintptr_t DBT_DEVNODES_CHANGED = 0x0007;
inline constexpr std::uintptr_t DBT_DEVICEARRIVAL = 0x8000;
inline constexpr std::uintptr_t DBT_DEVICEREMOVECOMPLETE = 0x8004;

// Resource ids the frame uses.
inline constexpr std::uint32_t IDI_TRAY = 128;
inline constexpr std::uint32_t IDS_TRAY_TIP = 5;
inline constexpr std::uint32_t IDS_ASK_CHECK_FOR_UPDATE = 29;
inline constexpr std::uint32_t IDS_WEB_ADDRESS = 30;
inline constexpr std::uint32_t IDS_RESCAN_LABEL = 31;

} // namespace zel::tray
