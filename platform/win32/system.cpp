// Version, user locale, string resources and waiting over the real calls.
#include <zel/platform/system.h>

#include <windows.h>

namespace zel::platform {

bool getOsVersion(OsVersion& version) {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof info;
    if (!GetVersionExA(&info)) return false;
    version = {info.dwMajorVersion, info.dwMinorVersion, info.dwBuildNumber, info.dwPlatformId};
    return true;
}

std::uint32_t getUserDefaultLcid() { return GetUserDefaultLCID(); }

int loadString(const Library& module, std::uint32_t id, char* buffer, int size) {
    // A size of 0 asks LoadStringA for something else altogether (Wine answers -1).
    if (buffer == nullptr || size <= 0) return 0;
    // With no module LoadStringA would read the program's own resources; this call is for
    // a loaded library only.
    if (!module) {
        buffer[0] = '\0';
        return 0;
    }
    return LoadStringA(static_cast<HMODULE>(module.native()), id, buffer, size);
}

void sleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

} // namespace zel::platform
