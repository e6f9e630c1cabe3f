// The installed machine: install, current, scoped replacement, and the machine a
// process starts with.
#include "state.h"

#include "guard.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>

namespace zel::sim {
namespace detail {

namespace {

// The calls that touch a drive and could raise Windows' "No Disk" box for one without
// media, unless critical-error boxes are off.
bool isDriveProbe(Op op) {
    return op == Op::createFile || op == Op::createFileForRead || op == Op::deviceIoControl ||
           op == Op::getDriveType || op == Op::findFirstFile;
}

} // namespace

State& state() {
    static State* const instance = new State;
    return *instance;
}

Machine& machineLocked(State& s) {
    if (!s.machine) {
        // A demo or scenario names its machine file in the environment; a file that
        // cannot be loaded is reported, and the built-in machine stands in.
        const char* file = std::getenv("ZELSIM_MACHINE");
        if (file != nullptr && *file != '\0') {
            std::string error;
            s.machine = loadMachineFile(file, error);
            if (!s.machine)
                std::fprintf(stderr, "ZelSim: %s; using the built-in machine\n", error.c_str());
        }
        if (!s.machine) s.machine = defaultMachine();
        treeChanged(s);
    }
    return *s.machine;
}

Call::Call(Op op) : state_(detail::state()), lock_(state_.mutex), op_(op) {
    ++state_.calls[static_cast<std::size_t>(op)];
    if (state_.quietScopes == 0 && isDriveProbe(op)) ++state_.loudProbes;
    // A walk of the tree or an interface set starts here: the machine takes the outside
    // changes made since the last one first.
    if (op == Op::cmLocateRoot || op == Op::setupGetClassDevs || op == Op::findFileHolders)
        guardedVoid([&] { pollEventsLocked(state_); });
}

} // namespace detail

void install(Machine machine) noexcept {
    detail::guardedVoid([&] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        s.machine = std::move(machine);
        treeChanged(s);
        s.calls.fill(0);
        s.libraryLoads.clear();
        s.slept = 0;
        s.loudProbes = 0;
        s.faults.clear();
    });
}

const Machine& current() noexcept {
    detail::State& s = detail::state();
    std::lock_guard lock(s.mutex);
    // Only allocation can fail here; an empty machine (no root) is then the answer.
    detail::guardedVoid([&] { detail::machineLocked(s); });
    if (!s.machine) {
        s.machine.emplace();
        detail::treeChanged(s);
    }
    return *s.machine;
}

ScopedMachine::ScopedMachine(Machine machine) {
    detail::guardedVoid([&] { previous_ = current(); });
    install(std::move(machine));
}

ScopedMachine::~ScopedMachine() { install(std::move(previous_)); }

} // namespace zel::sim
