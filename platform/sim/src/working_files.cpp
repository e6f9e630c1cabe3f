// The current directory's files, as tests put and inspect them.
#include "guard.h"
#include "state.h"
#include "text.h"

#include <algorithm>

namespace zel::sim {

void putFile(const std::string& name, const std::string& bytes) noexcept {
    detail::guardedVoid([&] {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        auto& files = detail::machineLocked(s).system.files;
        const auto found = std::find_if(files.begin(), files.end(),
                                        [&](const WorkingFile& f) { return detail::equalNoCase(f.name, name); });
        if (found != files.end())
            found->bytes = bytes;
        else
            files.push_back({name, bytes, true});
    });
}

std::optional<std::string> fileBytes(std::string_view name) noexcept {
    return detail::guarded(std::optional<std::string>(), [&]() -> std::optional<std::string> {
        detail::State& s = detail::state();
        std::lock_guard lock(s.mutex);
        for (const WorkingFile& f : detail::machineLocked(s).system.files)
            if (detail::equalNoCase(f.name, name)) return f.bytes;
        return std::nullopt;
    });
}

} // namespace zel::sim
