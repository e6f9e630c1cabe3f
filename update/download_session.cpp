// The session left to the process's end: held through a pointer that is never deleted by
// the program, so no destructor at exit can join its worker or unload its library.
#include "download_session.h"

namespace zel::update {

namespace {
DownloadSession* g_leftToProcessEnd = nullptr;
} // namespace

void LeaveToProcessEnd(std::unique_ptr<DownloadSession> session) {
    // The program ends once, so one session at most is ever left here.
    g_leftToProcessEnd = session.release();
}

std::unique_ptr<DownloadSession> TakeSessionLeftToProcessEnd() {
    std::unique_ptr<DownloadSession> session(g_leftToProcessEnd);
    g_leftToProcessEnd = nullptr;
    return session;
}

} // namespace zel::update
