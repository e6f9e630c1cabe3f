#pragma once
// Questions the backend asks of a machine model.

#include <zel/sim/machine.h>

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace zel::sim::detail {

// The present node a device-node handle names, or -1 when the handle names none (or a
// node since removed).
int nodeIndex(const Machine& machine, DevInst devInst);

// The node a handle was given for, present or removed, or -1.
int nodeSlot(const Machine& machine, DevInst devInst);

// Removes a node and its subtree: the nodes stop being present, and the device objects
// and volumes they own go with them, except the volumes (and their "\\.\X:" objects)
// of an owner that leaves its volumes behind.
void removeSubtree(Machine& machine, int node);

// Before Windows removes a device it asks every top-level window whether it may
// (WM_DEVICECHANGE, DBT_DEVICEQUERYREMOVE), and waits for the answers. Whoever models the
// windows installs the question: the simulated user interface natively, the stand-in
// device API under Wine; without one nobody is asked. True when no window refused. Asked
// without the machine's lock: a window's answer may call back into the machine.
using RemovalQuestion = bool (*)();
void setRemovalQuestion(RemovalQuestion question);
bool askWindowsBeforeRemoval();

// The upper-case drive letter a held path ("e:\\dir\\x") lies on, or 0 for a path without one.
char heldLetter(std::string_view path);

// Whether a program holds something open on a volume that the node or its subtree owns:
// such a node vetoes its removal.
bool subtreeHeld(const Machine& machine, int node);

// Process `id` opens `path`; a process not yet running starts under `image`. Closing
// takes back one open of that path (without regard to case); false when it had none.
Process& processOf(Machine& machine, std::uint32_t id, const std::string& image);
void openFile(Machine& machine, std::uint32_t id, const std::string& image, const std::string& path);
bool closeFile(Machine& machine, std::uint32_t id, std::string_view path);

// The present nodes reachable from the root, root first, each before its children, children in
// the order the system reports them: the order in which Windows enumerates devices.
std::vector<int> preOrder(const Machine& machine);

std::optional<InterfaceClass> classOfGuid(const platform::Guid& guid);

// "{53f56307-b6bf-11d0-94f2-00a0c91efb8b}": the form device paths carry.
std::string guidText(const platform::Guid& guid);

// The object a CreateMutexA name stands for: "Global\X" stays as it is, "Local\X" and
// "X" both name the session's "X"; an empty name is an unnamed mutex (""). Names Windows
// refuses give nothing and the error it reports.
std::optional<std::string> mutexObjectName(std::string_view name, std::int32_t& error);

// Hive and path as fault subjects and messages show them: "HKLM\Software\...".
std::string keyText(platform::RegistryHive hive, std::string_view path);

} // namespace zel::sim::detail
