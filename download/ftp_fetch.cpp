#include "ftp_fetch.h"

#include "inet_handle.h"
#include "staged_file.h"

namespace zel::download {
namespace {

// Long enough for a slow link, short enough that a silent server does not hold the
// worker for the system's default of minutes.
constexpr DWORD kTimeoutMs = 30000;

void setTimeouts(HINTERNET session) noexcept {
    constexpr DWORD options[] = {INTERNET_OPTION_CONNECT_TIMEOUT, INTERNET_OPTION_SEND_TIMEOUT,
                                 INTERNET_OPTION_RECEIVE_TIMEOUT};
    for (DWORD option : options) {
        DWORD timeout = kTimeoutMs;
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

} // namespace

DownLoadError fetchFile(const Request& request) noexcept {
    // Direct: a preconfigured web proxy cannot carry an FTP log-on.
    InetHandle session(InternetOpenA("ZelDownLoad", INTERNET_OPEN_TYPE_DIRECT, nullptr, nullptr, 0));
    if (!session) return kDownLoadNoInternet;
    setTimeouts(session.get());

    // For FTP this already connects and logs on.
    InetHandle connection(InternetConnectA(session.get(), request.host, request.port, request.user,
                                           request.password, INTERNET_SERVICE_FTP, INTERNET_FLAG_PASSIVE, 0));
    if (!connection) return kDownLoadNoConnection;

    StagedFile staged;
    if (!staged.create()) return kDownLoadCannotWrite;

    if (!FtpGetFileA(connection.get(), request.file, staged.temporaryName(), FALSE, FILE_ATTRIBUTE_NORMAL,
                     FTP_TRANSFER_TYPE_BINARY | INTERNET_FLAG_RELOAD, 0)) {
        return isLocalWriteError(GetLastError()) ? kDownLoadCannotWrite : kDownLoadNoFile;
    }
    if (!staged.commit(request.file)) return kDownLoadCannotWrite;
    return kDownLoadOk;
}

} // namespace zel::download
