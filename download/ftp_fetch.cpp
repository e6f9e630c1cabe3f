#include "ftp_fetch.h"

#include "deadline_watch.h"
#include "inet_handle.h"
#include "staged_file.h"

#include <cstring>

namespace zel::download {
namespace {

// Long enough for a slow link, short enough that a silent server does not hold the
// worker for the system's default of minutes.
constexpr DWORD kTimeoutMs = 30000;
constexpr DWORD kBlockBytes = 4096;

void setTimeouts(HINTERNET session, DWORD limit) noexcept {
    constexpr DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                                 INTERNET_OPTION_RECEIVE_TIMEOUT};
    for (DWORD option : options) {
        DWORD timeout = limit < kTimeoutMs ? limit : kTimeoutMs;
        InternetSetOptionA(session, option, &timeout, sizeof timeout);
    }
}

// Errors of the local side, as opposed to the server's or the connection's.
bool isLocalWriteError(DWORD error) noexcept {
    switch (error) {
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return true;
    default:
        return false;
    }
}

// The temporary file opened for writing, closed on every path before it is discarded.
class WriteHandle {
public:
    explicit WriteHandle(const char* name) noexcept
        : handle_(CreateFileA(name, GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
    ~WriteHandle() { close(); }
    WriteHandle(const WriteHandle&) = delete;
    WriteHandle& operator=(const WriteHandle&) = delete;
    explicit operator bool() const noexcept { return handle_ != INVALID_HANDLE_VALUE; }
    bool write(const char* bytes, DWORD count) noexcept {
        DWORD written = 0;
        return WriteFile(handle_, bytes, count, &written, nullptr) != FALSE && written == count;
    }
    bool close() noexcept {
        if (handle_ == INVALID_HANDLE_VALUE) return true;
        const bool closed = CloseHandle(handle_) != FALSE;
        handle_ = INVALID_HANDLE_VALUE;
        return closed;
    }

private:
    HANDLE handle_;
};

// Reads the open remote file into the temporary one, within the limits.
DownLoadError transfer(HINTERNET remote, WriteHandle& local, const FetchLimits& limits,
                       const DeadlineWatch& watch) noexcept {
    char block[kBlockBytes];
    DWORD total = 0;
    for (;;) {
        if (watch.expired()) return kDownLoadNoFile; // a server that trickles
        DWORD read = 0;
        if (!InternetReadFile(remote, block, sizeof block, &read)) return kDownLoadNoFile;
        if (read == 0) return kDownLoadOk; // the end of the file
        if (read > limits.maxBytes - total) return kDownLoadNoFile; // more than a version file
        total += read;
        if (!local.write(block, read)) return kDownLoadCannotWrite;
    }
}

// Whether the server's answer to the transfer, read when the remote file was closed,
// reports it complete (226, or 250): a link that breaks off ends the data like a
// complete file would, and only this answer tells them apart.
bool transferCompleted() noexcept {
    char text[1024] = {};
    DWORD error = 0;
    DWORD length = sizeof text - 1;
    if (!InternetGetLastResponseInfoA(&error, text, &length)) return false;
    text[length < sizeof text ? length : sizeof text - 1] = '\0';
    // The final line of a reply carries its code.
    char* end = text + std::strlen(text);
    while (end > text && (end[-1] == '\r' || end[-1] == '\n')) *--end = '\0';
    const char* line = text;
    for (const char* p = text; *p != '\0'; ++p)
        if (*p == '\n') line = p + 1;
    return std::strncmp(line, "226", 3) == 0 || std::strncmp(line, "250", 3) == 0;
}

} // namespace

DownLoadError fetchFile(const Request& request, const FetchLimits& limits) noexcept {
    // Direct: a preconfigured web proxy cannot carry an FTP log-on.
    HINTERNET opened = InternetOpenA("ZelDownLoad", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0);
    if (!opened) return kDownLoadNoInternet;
    setTimeouts(opened, limits.deadlineMs);
    // One deadline for everything below; the watch closes the session when it passes.
    const DeadlineWatch watch(opened, limits.deadlineMs);

    // For FTP this already connects and logs on.
    InetHandle connection(InternetConnectA(watch.session(), request.host, request.port, request.user,
                                           request.password, INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0));
    if (!connection || watch.expired()) return kDownLoadNoConnection;

    StagedFile staged;
    if (!staged.create()) return kDownLoadCannotWrite;
    WriteHandle local(staged.temporaryName());
    if (!local) return kDownLoadCannotWrite;

    InetHandle remote(FtpOpenFileA(connection.get(), request.file, GENERIC_READ,
                                   FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0));
    if (!remote) return isLocalWriteError(GetLastError()) ? kDownLoadCannotWrite : kDownLoadNoFile;
    const DownLoadError transferred = transfer(remote.get(), local, limits, watch);
    if (transferred != kDownLoadOk) return transferred;
    remote.reset(); // the server's answer to the transfer comes on closing
    if (!transferCompleted()) return kDownLoadNoFile;
    if (!local.close()) return kDownLoadCannotWrite;
    if (!staged.commit(request.file)) return kDownLoadCannotWrite;
    return kDownLoadOk;
}

} // namespace zel::download
