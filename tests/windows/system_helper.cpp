// A second process for the system tests under Wine, built on the real system backend:
//   hold NAME READY RELEASE   holds the named mutex NAME from when it sets the event READY
//                             until the event RELEASE is set; exits with CreateMutexA's error
//   write-registry SUBKEY     writes three values under HKLM\SUBKEY, for `reg query` to read
//   version                   prints the version GetVersionExA reports, "major.minor.build"
//   frame                     shows a hidden window of the program's frame class and title
//                             that ignores the program's close request, for up to 5 minutes
#include <zel/platform/system.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <type_traits>

namespace {

using namespace zel::platform;

struct HandleCloser {
    void operator()(HANDLE h) const {
        if (h != nullptr) CloseHandle(h);
    }
};
using Handle = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

int hold(const char* name, const char* ready, const char* release) {
    std::int32_t error = -1;
    const MutexHandle mutex = MutexHandle::create(name, error);
    const Handle readyEvent(OpenEventA(EVENT_MODIFY_STATE, FALSE, ready));
    const Handle releaseEvent(OpenEventA(SYNCHRONIZE, FALSE, release));
    if (!mutex || !readyEvent || !releaseEvent) return 100;
    SetEvent(readyEvent.get());
    if (WaitForSingleObject(releaseEvent.get(), 30000) != WAIT_OBJECT_0) return 101;
    return error;
}

int writeRegistry(const char* subKey) {
    RegistryKey key;
    if (const std::int32_t e = RegistryKey::create(kHkeyLocalMachine, subKey, kKeyAllAccess, key); e != kErrorSuccess)
        return e;
    const std::uint32_t one = 1;
    const unsigned char flags = 1;
    if (const std::int32_t e = key.setValue("Version", kRegSz, "1.15", 4); e != kErrorSuccess) return e;
    if (const std::int32_t e = key.setValue("AutoRun", kRegDword, &one, sizeof one); e != kErrorSuccess) return e;
    return key.setValue("Flags", kRegBinary, &flags, 1);
}

int version() {
    OsVersion v;
    if (!getOsVersion(v)) return 1;
    std::printf("%u.%u.%u\n", static_cast<unsigned>(v.major), static_cast<unsigned>(v.minor),
                static_cast<unsigned>(v.build));
    return 0;
}

LRESULT CALLBACK frameProcedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_DESTROY || message == WM_TIMER) PostQuitMessage(0);
    // The close request, a registered message, goes to the default handling: nothing.
    return DefWindowProcA(window, message, wParam, lParam);
}

int frame() {
    WNDCLASSA frameClass{};
    frameClass.lpfnWndProc = frameProcedure;
    frameClass.hInstance = GetModuleHandleA(nullptr);
    frameClass.lpszClassName = "ZelSATAFrame";
    if (RegisterClassA(&frameClass) == 0) return 1;
    HWND window = CreateWindowExA(0, "ZelSATAFrame", "ZelSATA", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                                  frameClass.hInstance, nullptr);
    if (window == nullptr) return 1;
    SetTimer(window, 1, 300000, nullptr);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) DispatchMessageA(&message);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 5 && std::strcmp(argv[1], "hold") == 0) return hold(argv[2], argv[3], argv[4]);
    if (argc == 3 && std::strcmp(argv[1], "write-registry") == 0) return writeRegistry(argv[2]);
    if (argc == 2 && std::strcmp(argv[1], "version") == 0) return version();
    if (argc == 2 && std::strcmp(argv[1], "frame") == 0) return frame();
    std::fprintf(stderr, "usage: system_helper hold NAME READY RELEASE | write-registry SUBKEY | version | frame\n");
    return 2;
}
