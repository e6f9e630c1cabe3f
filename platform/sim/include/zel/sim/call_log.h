#pragma once
// A log of the platform calls that fault rules see, in the order they are made: what a
// test needs to fail "call k of any kind" on purpose and to tell afterwards which call
// that was. Sleep is not logged (it cannot fail); every other counted call is, from every
// thread of the process.

#include <zel/sim/machine.h>

#include <string>
#include <vector>

namespace zel::sim {

struct LoggedCall {
    Op op = Op::any;
    std::string subject; // as fault rules match it
    bool failed = false; // an injected fault made it fail
};

// Empties the log and records every call from now on, until stopCallLog.
ZELSIM_API void startCallLog() noexcept;
ZELSIM_API void stopCallLog() noexcept;
// The calls recorded since the last startCallLog. Entry k is the call that the fault
// {Op::any, "", k, 1} makes fail.
ZELSIM_API std::vector<LoggedCall> callLog() noexcept;

} // namespace zel::sim
