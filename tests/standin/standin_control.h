#pragma once
// The stand-in device API's own exports, beside the Win32 ones: tests find them with
// GetProcAddress on the loaded setupapi.dll.

#include <cstdint>

// What the stand-in has handed out and not yet seen closed.
struct ZelStandInHandles {
    std::int64_t devices;  // CreateFileA handles of simulated device objects
    std::int64_t infoSets; // device information sets
    std::int64_t finds;    // FindFirstFileA searches of simulated roots
    std::int64_t processes;      // OpenProcess handles of simulated programs
    std::int64_t files;          // file handles of simulated programs duplicated into the caller
    std::int64_t debugPrivilege; // 1 while the debug privilege stands enabled
};

// ZelStandIn_LoadMachine(path): installs the machine file (ZELSIM_MACHINE's format) for
// every later call; TRUE on success, else FALSE with the reason on stderr.
using ZelStandInLoadMachineFn = int(__stdcall*)(const char* path);
// ZelStandIn_AddFault(op, subject, skip, times): zel::sim::addFault with the operation
// named as zel::sim::opName names it; FALSE for an unknown name.
using ZelStandInAddFaultFn = int(__stdcall*)(const char* op, const char* subject, unsigned skip, unsigned times);
// ZelStandIn_OpenHandles(&counts).
using ZelStandInOpenHandlesFn = void(__stdcall*)(ZelStandInHandles* counts);
