// Kernel32 functions that the statically linked threads runtime imports but that the
// oldest supported systems lack: GetTickCount64 (Vista) everywhere, and on 32-bit builds
// Add/RemoveVectoredExceptionHandler (XP, not Windows 2000). Defining the import slots
// here makes the linker take them instead of kernel32's, so the loader never looks for
// the names. Each slot points at a function that calls the system's own when it has one.
#include "tick_count.h"

#include <windows.h>

#include <cstdint>

namespace {

// The system's function of that name, looked up once per slot. Only constant-initialised
// statics: a guarded one runs through the threads runtime, which may be what is calling.
// `slot` holds 0 before the lookup, 1 when kernel32 lacks the function.
template <class Function>
Function kernel32Function(std::uintptr_t& slot, const char* name) {
    std::uintptr_t value = __atomic_load_n(&slot, __ATOMIC_ACQUIRE);
    if (value == 0) {
        HMODULE kernel32 = GetModuleHandleA("kernel32.dll");
        FARPROC found = kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, name);
        value = found == nullptr ? 1 : reinterpret_cast<std::uintptr_t>(found);
        __atomic_store_n(&slot, value, __ATOMIC_RELEASE); // every thread finds the same
    }
    return value == 1 ? nullptr : reinterpret_cast<Function>(value);
}

using TickCount64 = ULONGLONG(WINAPI*)();

// Without the system's, the 32-bit count with its wraps counted. The state is one 64-bit
// word updated by compare-and-swap, so concurrent callers never count a wrap twice.
ULONGLONG WINAPI tickCount64() {
    static std::uintptr_t slot = 0;
    if (const auto system = kernel32Function<TickCount64>(slot, "GetTickCount64")) return system();
    static std::uint64_t state = 0;
    std::uint64_t seen = __atomic_load_n(&state, __ATOMIC_ACQUIRE);
    for (;;) {
        const std::uint64_t next = zel::platform::extendTickCount(seen, GetTickCount());
        if (next == seen) return seen;
        if (__atomic_compare_exchange_n(&state, &seen, next, false, __ATOMIC_ACQ_REL, __ATOMIC_ACQUIRE)) return next;
    }
}

#if !defined(_WIN64)
using AddHandler = PVOID(WINAPI*)(ULONG, PVECTORED_EXCEPTION_HANDLER);
using RemoveHandler = ULONG(WINAPI*)(PVOID);

// Windows 2000 has no vectored handlers: the runtime then goes without one, as it does
// whenever the call fails.
PVOID WINAPI addVectoredExceptionHandler(ULONG first, PVECTORED_EXCEPTION_HANDLER handler) {
    static std::uintptr_t slot = 0;
    const auto system = kernel32Function<AddHandler>(slot, "AddVectoredExceptionHandler");
    return system != nullptr ? system(first, handler) : nullptr;
}

ULONG WINAPI removeVectoredExceptionHandler(PVOID handle) {
    static std::uintptr_t slot = 0;
    const auto system = kernel32Function<RemoveHandler>(slot, "RemoveVectoredExceptionHandler");
    return system != nullptr && handle != nullptr ? system(handle) : 0;
}
#endif

} // namespace

// The import slots, under the names the import library would give them (32-bit names
// carry the stdcall decoration).
#if defined(_WIN64)
#define ZEL_IMPORT_SLOT(name, decorated) "__imp_" #name
#else
#define ZEL_IMPORT_SLOT(name, decorated) "__imp__" #name decorated
#endif

extern "C" {
__attribute__((used)) TickCount64 zelImportGetTickCount64 __asm__(ZEL_IMPORT_SLOT(GetTickCount64, "@0")) = tickCount64;
#if !defined(_WIN64)
__attribute__((used)) AddHandler zelImportAddVectoredExceptionHandler
    __asm__(ZEL_IMPORT_SLOT(AddVectoredExceptionHandler, "@8")) = addVectoredExceptionHandler;
__attribute__((used)) RemoveHandler zelImportRemoveVectoredExceptionHandler
    __asm__(ZEL_IMPORT_SLOT(RemoveVectoredExceptionHandler, "@4")) = removeVectoredExceptionHandler;
#endif
}
