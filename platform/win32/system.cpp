// Version, user locale, string resources, date, environment and waiting over the real calls.
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

bool isAdministrator() {
    SID_IDENTIFIER_AUTHORITY nt = SECURITY_NT_AUTHORITY;
    PSID administrators = nullptr;
    if (!AllocateAndInitializeSid(&nt, 2, SECURITY_BUILTIN_DOMAIN_RID, DOMAIN_ALIAS_RID_ADMINS, 0, 0, 0, 0, 0, 0,
                                  &administrators))
        return true;
    BOOL member = TRUE;
    if (!CheckTokenMembership(nullptr, administrators, &member)) member = TRUE;
    FreeSid(administrators);
    return member != FALSE;
}

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

LocalDate localDate() {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return {now.wYear, now.wMonth, now.wDay};
}

std::size_t environmentVariable(const char* name, char* buffer, std::size_t capacity) {
    if (name == nullptr || buffer == nullptr || capacity == 0 || capacity > 0x7fffffff) return 0;
    const DWORD n = GetEnvironmentVariableA(name, buffer, static_cast<DWORD>(capacity));
    if (n == 0 || n >= capacity) { // absent, empty, or too long (then n is the size needed)
        buffer[0] = '\0';
        return 0;
    }
    return n;
}

void sleepMilliseconds(std::uint32_t milliseconds) { Sleep(milliseconds); }

} // namespace zel::platform
