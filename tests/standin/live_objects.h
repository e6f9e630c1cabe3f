#pragma once
// What the stand-in hands out: simulated device handles, find handles and device
// information sets. The caller holds a pointer to one of these as its HANDLE or HDEVINFO;
// only pointers registered here are taken for ours, everything else goes to Windows.

#include <zel/platform/machine.h>

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>

namespace zel::standin {

struct SimDevice {
    platform::DeviceHandle handle; // counted by the simulated machine while open
};

struct SimFind {};

// SP_DEVINSTALL_PARAMS flags the stand-in sets: a removal that needs a restart.
inline constexpr std::uint32_t kDiNeedRestart = 0x80;
inline constexpr std::uint32_t kDiNeedReboot = 0x100;

struct SimSet {
    platform::DeviceInfoSet set; // counted by the simulated machine while open
    platform::Guid interfaceClass{};
    // The simulated machine's records behind the indices handed out in the callers'
    // records' Reserved fields (index + 1).
    std::map<std::uint32_t, platform::DeviceInterfaceData> interfaces;
    std::map<std::uint32_t, platform::DeviceInfoData> elements;
    std::uint32_t flags = 0;                              // the set's install parameters
    std::map<std::uint32_t, std::uint32_t> elementFlags; // each element's, by index
};

// One lock for every call of the stand-in: calls come from any thread of the program.
std::recursive_mutex& lock();

template <class T>
class Live {
public:
    void* add(std::unique_ptr<T> object) {
        void* key = object.get();
        objects_.emplace(key, std::move(object));
        return key;
    }
    T* find(const void* key) const {
        const auto it = objects_.find(const_cast<void*>(key));
        return it == objects_.end() ? nullptr : it->second.get();
    }
    bool remove(const void* key) { return objects_.erase(const_cast<void*>(key)) == 1; }
    std::int64_t size() const { return static_cast<std::int64_t>(objects_.size()); }

private:
    std::map<void*, std::unique_ptr<T>> objects_;
};

Live<SimDevice>& devices();
Live<SimFind>& finds();
Live<SimSet>& sets();

// The programs of the simulated machine as the holder search sees them: a process opened
// for duplication, and a file handle of one duplicated into the caller.
struct SimProcess {
    std::uint32_t id = 0;
};
struct SimOpenFile {
    std::uint32_t processId = 0;
    std::string path; // "E:\\notes.txt"
};
Live<SimProcess>& processes();
Live<SimOpenFile>& openFiles();
// Whether the debug privilege stands enabled through the stand-in's token calls.
bool& debugPrivilegeEnabled();

// The replacement for an imported kernel32 or advapi32 function of the process side
// (process, handle, token and ntdll look-ups), or null.
void* processHook(const char* name);
// Closes a process or duplicated file handle of the stand-in's; false for any other.
bool closeProcessObject(void* handle);

} // namespace zel::standin
