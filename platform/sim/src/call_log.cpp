// The ordered log of fault-eligible platform calls.
#include "guard.h"
#include "state.h"

#include <zel/sim/call_log.h>

namespace zel::sim {
namespace detail {

void logCall(State& s, Op op, std::string_view subject, bool failed) {
    // Allocation failure drops the record; the call itself goes on unaffected.
    guardedVoid([&] { s.callLog.push_back({op, std::string(subject), failed}); });
}

} // namespace detail

void startCallLog() noexcept {
    detail::guardedVoid([] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        s.callLog.clear();
        s.logCalls = true;
    });
}

void stopCallLog() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    s.logCalls = false;
}

std::vector<LoggedCall> callLog() noexcept {
    return detail::guarded(std::vector<LoggedCall>(), [] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        return s.callLog;
    });
}

} // namespace zel::sim
