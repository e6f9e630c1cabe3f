#include "update_server.h"

#include <zel/platform/system.h>
#include <zel/text.h>

namespace zel::update {

UpdateServerInfo& updateServerInfo() {
    static UpdateServerInfo info{};
    return info;
}

UpdateNotifyInfo& updateNotifyInfo() {
    static UpdateNotifyInfo info{};
    return info;
}

void FillUpdateBlocks(platform::Window mainWindow, std::uint32_t downloadMessage) {
    UpdateServerInfo& server = updateServerInfo();
    char host[sizeof server.host] = {};
    if (platform::environmentVariable(kUpdateHostVariable, host, sizeof host) == 0)
        copyToField(host, kUpdateServerHost);
    copyToField(server.host, host);
    copyToField(server.file, kVersionFileName);
    copyToField(server.user, kUpdateUser);
    copyToField(server.password, kUpdatePassword);
    // Window handles carry 32 significant bits on both architectures.
    updateNotifyInfo() = {static_cast<std::uint32_t>(mainWindow), downloadMessage};
}

} // namespace zel::update
