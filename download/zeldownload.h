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

// Whom the library tells when a fetch has ended: GetDownLoadFile posts `message` to
// `window` just before it returns, with wParam 1 when the file was fetched, 0 when not,
// and lParam the error it reports (below). Nothing is posted when either field is 0 or
// the block is missing; a block is not needed for the fetch itself.
// Window handles fit in 32 bits on both architectures (sign-extended on 64-bit).
struct UpdateNotifyInfo {
    std::uint32_t window;
    std::uint32_t message;
};
static_assert(sizeof(UpdateNotifyInfo) == 8);
static_assert(offsetof(UpdateNotifyInfo, window) == 0);
static_assert(offsetof(UpdateNotifyInfo, message) == 4);

// GetDownLoadFileLastError's answers: the result of the latest GetDownLoadFile (0 after
// a success), 0 after Initialization.
enum DownLoadError : std::int32_t {
    kDownLoadOk = 0,
    kDownLoadNoInternet = -1,     // the internet session could not be opened
    kDownLoadNoConnection = -2,   // no server block; host (empty, not terminated, bad ":port"),
                                  // user or password unusable; the server refused or did not
                                  // answer; or the log-on failed
    kDownLoadNoFile = -3,         // the server has no such file, or the transfer broke off
    kDownLoadCannotWrite = -4,    // the file name is not a plain name in the current directory
                                  // (empty, not terminated, a drive, directory or device part,
                                  // a trailing dot or blank), or the file could not be written
};

// The fetch: FTP in passive mode, binary, with the user and password given (an anonymous
// log-on when the user is empty). The file arrives under a temporary name in the current
// directory and replaces an earlier copy only once complete: after a failure the current
// directory holds what it held before. A file longer than 64 KiB, or a fetch that takes
// more than a minute from log-on to the last byte, fails with kDownLoadNoFile.

// The entry points, looked up by name. All use the C calling convention.
// GetDownLoadFile blocks until the fetch ends and returns nonzero when the file was
// fetched, 0 otherwise. It may run on a worker thread; GetDownLoadFileLastError may be
// asked from another thread once that worker has ended.
using DownLoadInitializationFn = void (*)();
using GetDownLoadFileFn = std::int32_t (*)(const UpdateServerInfo*, const UpdateNotifyInfo*);
using GetDownLoadFileLastErrorFn = std::int32_t (*)();

} // namespace zel
