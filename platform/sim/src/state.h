#pragma once
// The process's one simulated machine and everything counted about it, behind one lock:
// the program's threads (the removal worker among them) all reach the same state.

#include "faults.h"
#include "tree_index.h"

#include <zel/sim/call_log.h>
#include <zel/sim/machine.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim::detail {

struct State {
    std::mutex mutex;
    std::optional<Machine> machine; // empty until installed or first used
    std::array<std::uint64_t, static_cast<std::size_t>(Op::count_)> calls{};
    FaultRules faults;
    HandleCounts handles;
    std::uint64_t nextSetSerial = 1;
    // Named mutexes: the object name and how many handles keep it in existence. Kernel
    // objects belong to the running system, not to the machine model, so installs keep them.
    std::map<std::string, std::uint64_t> mutexNames;
    std::vector<std::string> libraryLoads; // counted like the calls
    std::uint64_t slept = 0;               // virtual milliseconds, counted like the calls
    int quietScopes = 0;                   // QuietDriveProbes alive
    std::uint64_t loudProbes = 0;          // drive probes made outside them, counted like the calls
    bool logCalls = false;                 // whether fault-eligible calls go into callLog
    std::vector<LoggedCall> callLog;
    // The outside-change file being followed, how many of its bytes are applied, and the
    // number of its last applied line (for messages).
    std::string eventsPath;
    std::uint64_t eventsRead = 0;
    std::int64_t eventsLine = 0;
    std::uint64_t treeGeneration = 1; // changes with every install, load, removal and outside change
    TreeIndex tree;
};

// Never destroyed, so handles released during static destruction still find it.
State& state();

// Appends one call to the log. Caller holds the lock.
void logCall(State& s, Op op, std::string_view subject, bool failed);

// The installed machine, loading the start-up machine on first use. Caller holds the lock.
Machine& machineLocked(State& s);

// Applies the commands appended to the file named by ZELSIM_EVENTS since the last look,
// each once, in order. Caller holds the lock.
void pollEventsLocked(State& s);
// CM_Reenumerate_DevNode on present node `node`: plugs the devices awaiting a rescan below it.
void applyRescanLocked(State& s, int node);

// One platform call in progress: counted on construction, holds the lock throughout.
class Call {
public:
    explicit Call(Op op);
    Machine& machine() { return machineLocked(state_); }
    State& state() { return state_; }
    // Whether an injected fault makes this call fail. Asked exactly once per call, with
    // the subject that fault rules match against.
    bool fails(std::string_view subject) {
        const bool failed = state_.faults.fires(op_, subject);
        if (state_.logCalls) logCall(state_, op_, subject, failed);
        return failed;
    }
    // The same question, with the subject built only when some fault rule is in force or
    // calls are logged: the hot calls then cost no more than the system's own.
    template <class MakeSubject>
    bool failsWith(MakeSubject&& makeSubject) {
        if (state_.faults.empty() && !state_.logCalls) return false;
        return fails(makeSubject());
    }

private:
    State& state_;
    std::unique_lock<std::mutex> lock_;
    Op op_;
};

} // namespace zel::sim::detail
