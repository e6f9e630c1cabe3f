// Files in the roots of volumes and the two directories, answered from the model.
#include "guard.h"
#include "state.h"
#include "text.h"

#include <cstring>
#include <optional>
#include <string>
#include <string_view>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

// The volume and file name of "X:\name", or nothing for any other path (deeper paths,
// wildcards and the like find nothing in the model).
const sim::Volume* rootFile(const sim::Machine& m, std::string_view path, std::string_view& name) {
    if (path.size() < 4 || path[1] != ':' || path[2] != '\\') return nullptr;
    name = path.substr(3);
    if (name.find_first_of("\\/*?") != std::string_view::npos) return nullptr;
    for (const sim::Volume& v : m.volumes)
        if (sim::detail::upper(v.letter) == sim::detail::upper(path[0])) return &v;
    return nullptr;
}

// A search handle for as long as the lookup runs: counted, and closed on every path.
class FindHandle {
public:
    explicit FindHandle(sim::detail::State& s) : state_(s) { ++state_.handles.findHandles; }
    ~FindHandle() { --state_.handles.findHandles; }
    FindHandle(const FindHandle&) = delete;
    FindHandle& operator=(const FindHandle&) = delete;

private:
    sim::detail::State& state_;
};

// GetCurrentDirectoryA / GetWindowsDirectoryA: the path when it fits with its terminator.
std::uint32_t directory(Op op, const std::optional<std::string> sim::System::*which, char* buffer,
                        std::uint32_t size) {
    return guarded(std::uint32_t{0}, [&] {
        Call call(op);
        if (call.fails("")) return std::uint32_t{0};
        const std::optional<std::string>& path = call.machine().system.*which;
        if (!path || buffer == nullptr || path->size() + 1 > size) return std::uint32_t{0};
        std::memcpy(buffer, path->c_str(), path->size() + 1);
        return static_cast<std::uint32_t>(path->size());
    });
}

} // namespace

bool fileExists(const char* path) {
    return guarded(false, [&] {
        Call call(Op::findFirstFile);
        if (call.fails(path != nullptr ? path : "")) return false;
        if (path == nullptr) return false;
        std::string_view name;
        const sim::Volume* volume = rootFile(call.machine(), path, name);
        if (volume == nullptr) return false;
        const FindHandle search(call.state());
        for (const std::string& file : volume->files)
            if (sim::detail::equalNoCase(file, name)) return true;
        return false;
    });
}

std::uint32_t getCurrentDirectory(char* buffer, std::uint32_t size) {
    return directory(Op::getCurrentDirectory, &sim::System::currentDirectory, buffer, size);
}

std::uint32_t getWindowsDirectory(char* buffer, std::uint32_t size) {
    return directory(Op::getWindowsDirectory, &sim::System::windowsDirectory, buffer, size);
}

} // namespace zel::platform
