#pragma once
// Where the version file comes from, and the two process-wide blocks handed to the
// download library: filled on the user-interface thread before its worker starts, only
// read afterwards.

#include "zeldownload.h"

#include <zel/platform/ui.h>

#include <cstdint>

namespace zel::update {

// The update server. Configuration: tests point the program at another server (for
// instance "127.0.0.1:2121") with the environment variable below.
inline constexpr const char* kUpdateServerHost = "ftp.zelsata.example";
inline constexpr const char* kUpdateHostVariable = "ZELSATA_UPDATE_HOST";
inline constexpr const char* kVersionFileName = "version.csv";
inline constexpr const char* kUpdateUser = "pelori";
inline constexpr const char* kUpdatePassword = "mov+tgaq47";

UpdateServerInfo& updateServerInfo();
UpdateNotifyInfo& updateNotifyInfo();

// Fills both blocks: the server's host, the file, the account; the window and message
// the library may notify.
void FillUpdateBlocks(platform::Window mainWindow, std::uint32_t downloadMessage);

} // namespace zel::update
