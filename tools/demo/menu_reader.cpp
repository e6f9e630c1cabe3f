// zeldemo_menu.dll: a window-procedure hook that the demo sets on the tray program's
// thread, which loads it into the program. A menu's items live in the process that made
// it, and Wine answers no other process's questions about them; asked through the hook
// (the registered message "ZelDemoReadMenu" sent to the open popup menu), the program's
// own thread reads them and writes them, one per line, to zeldemo-menu.txt beside this file.
#include <windows.h>

#include <cstdio>
#include <string>

namespace {

HMODULE g_self = nullptr;

std::string besideThisLibrary(const char* name) {
    char path[MAX_PATH] = {};
    const DWORD length = GetModuleFileNameA(g_self, path, sizeof path);
    std::string text(path, length < sizeof path ? length : 0);
    const auto slash = text.find_last_of("\\/");
    return text.substr(0, slash == std::string::npos ? 0 : slash + 1) + name;
}

void writeItems(HWND popup) {
    const auto menu = reinterpret_cast<HMENU>(SendMessageA(popup, MN_GETHMENU, 0, 0));
    const int count = menu != nullptr ? GetMenuItemCount(menu) : -1;
    FILE* out = std::fopen(besideThisLibrary("zeldemo-menu.txt").c_str(), "w");
    if (out == nullptr) return;
    for (int i = 0; i < count; ++i) {
        char text[256] = {};
        GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
        std::fprintf(out, "%s\n", text);
    }
    std::fclose(out);
}

} // namespace

BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID) {
    if (reason == DLL_PROCESS_ATTACH) g_self = instance;
    return TRUE;
}

extern "C" __declspec(dllexport) LRESULT CALLBACK ZelDemoMenuHook(int code, WPARAM wParam, LPARAM lParam) {
    static const UINT readMenu = RegisterWindowMessageA("ZelDemoReadMenu");
    const auto* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && call != nullptr && call->message == readMenu) writeItems(call->hwnd);
    return CallNextHookEx(nullptr, code, wParam, lParam);
}
