#pragma once
// The download library's interface: the two blocks the program hands to it and its
// three C entry points. Shared byte for byte by the library and the program.

#include <cstddef>
#include <cstdint>

namespace zel {

// Where the version file comes from. Four zero-terminated texts of 255 bytes each.
// The host may carry a port ("127.0.0.1:2121"); without one the FTP port 21 is used.
struct UpdateServerInfo {
    char host[255];
    char file[255];      // the file to fetch, and its name in the current directory
    char user[255];
    char password[255];
};
static_assert(sizeof(UpdateServerInfo) == 1020);
static_assert(offsetof(UpdateServerInfo, host) == 0);
static_assert(offsetof(UpdateServerInfo, file) == 255);
static_assert(offsetof(UpdateServerInfo, user) == 510);
static_assert(offsetof(UpdateServerInfo, password) == 765);

// Whom the library may tell about its progress: a window and a registered message id.
// Window handles fit in 32 bits on both architectures.
struct UpdateNotifyInfo {
    std::uint32_t window;
    std::uint32_t message;
};
static_assert(sizeof(UpdateNotifyInfo) == 8);
static_assert(offsetof(UpdateNotifyInfo, window) == 0);
static_assert(offsetof(UpdateNotifyInfo, message) == 4);

// GetDownLoadFileLastError's answers after a failed GetDownLoadFile.
enum DownLoadError : std::int32_t {
    kDownLoadOk = 0,
    kDownLoadNoInternet = -1,     // the internet session could not be opened
    kDownLoadNoConnection = -2,   // the server refused or did not answer, or the log-on failed
    kDownLoadNoFile = -3,         // the server has no such file, or the transfer broke off
    kDownLoadCannotWrite = -4,    // the file could not be written to the current directory
};

// The entry points, looked up by name. All use the C calling convention.
using DownLoadInitializationFn = void (*)();
using GetDownLoadFileFn = std::int32_t (*)(const UpdateServerInfo*, const UpdateNotifyInfo*);
using GetDownLoadFileLastErrorFn = std::int32_t (*)();

} // namespace zel
