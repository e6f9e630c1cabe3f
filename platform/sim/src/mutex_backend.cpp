// Named mutexes in the simulated system: a process-wide table of object names, each in
// existence while any handle to it is open. Nobody waits on these mutexes or owns them,
// so releasing one is always refused, as Windows refuses it to a thread that does not
// own the mutex.
//
// "Global\X" and "X" are different objects here, as they are under Wine and on Windows
// versions that run programs outside session 0; on Windows 2000 and XP a program of the
// console session (session 0) would find both names to be the same object.
#include "guard.h"
#include "model.h"
#include "state.h"

#include <memory>
#include <string>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

struct OpenMutex {
    std::string object; // empty for an unnamed mutex
};

} // namespace

MutexHandle MutexHandle::create(const char* name, std::int32_t& lastError) {
    return guarded(MutexHandle(), [&] {
        Call call(Op::createMutex);
        const std::string given = name != nullptr ? name : "";
        if (call.fails(given)) {
            lastError = kErrorAccessDenied;
            return MutexHandle();
        }
        std::int32_t error = kErrorSuccess;
        const std::optional<std::string> object = sim::detail::mutexObjectName(given, error);
        if (!object) {
            lastError = error;
            return MutexHandle();
        }
        auto open = std::make_unique<OpenMutex>(OpenMutex{*object});
        lastError = kErrorSuccess;
        if (!object->empty() && call.state().mutexNames[*object]++ > 0) lastError = kErrorAlreadyExists;
        ++call.state().handles.mutexes;
        return MutexHandle(open.release());
    });
}


bool MutexHandle::release() const {
    return guarded(false, [&] {
        Call call(Op::releaseMutex);
        const auto* open = static_cast<const OpenMutex*>(handle_);
        call.fails(open != nullptr ? open->object : std::string());
        return false; // never owned: ERROR_NOT_OWNER, or an invalid handle
    });
}

void MutexHandle::reset() {
    if (handle_ == nullptr) return;
    auto* open = static_cast<OpenMutex*>(handle_);
    sim::detail::State& s = sim::detail::state();
    {
        std::lock_guard lock(s.mutex);
        --s.handles.mutexes;
        if (!open->object.empty()) {
            const auto it = s.mutexNames.find(open->object);
            if (it != s.mutexNames.end() && --it->second == 0) s.mutexNames.erase(it);
        }
    }
    delete open;
    handle_ = nullptr;
}

} // namespace zel::platform
