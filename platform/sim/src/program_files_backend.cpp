// The program's own files, its version texts, the date and the environment, answered from
// the simulated system. Plain file names mean the current directory; so does a path that
// begins with it.
#include "guard.h"
#include "state.h"
#include "text.h"

#include <zel/platform/files.h>
#include <zel/platform/system.h>
#include <zel/platform/version_info.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;

// The name of `path` inside the current directory, or nothing for a path elsewhere.
std::string_view localName(const sim::System& system, std::string_view path) {
    if (path.find_first_of("\\/:") == std::string_view::npos) return path;
    if (!system.currentDirectory) return {};
    std::string directory = *system.currentDirectory;
    if (directory.empty() || directory.back() != '\\') directory += '\\';
    if (path.size() <= directory.size() ||
        !sim::detail::equalNoCase(path.substr(0, directory.size()), directory))
        return {};
    const std::string_view rest = path.substr(directory.size());
    return rest.find_first_of("\\/") == std::string_view::npos ? rest : std::string_view();
}

std::vector<sim::WorkingFile>::iterator findFile(sim::System& system, std::string_view path) {
    const std::string_view name = localName(system, path);
    if (name.empty()) return system.files.end();
    return std::find_if(system.files.begin(), system.files.end(),
                        [&](const sim::WorkingFile& f) { return sim::detail::equalNoCase(f.name, name); });
}

} // namespace

bool readFileHead(const char* path, unsigned char* buffer, std::size_t capacity, std::size_t& count) {
    count = 0;
    return guarded(false, [&] {
        Call call(Op::readFile);
        if (call.fails(path != nullptr ? path : "")) return false;
        if (path == nullptr || buffer == nullptr) return false;
        sim::System& system = call.machine().system;
        const auto file = findFile(system, path);
        if (file == system.files.end() || !file->readable) return false;
        count = std::min(capacity, file->bytes.size());
        std::memcpy(buffer, file->bytes.data(), count);
        return true;
    });
}

bool deleteFile(const char* path) {
    return guarded(false, [&] {
        Call call(Op::deleteFile);
        if (call.fails(path != nullptr ? path : "")) return false;
        if (path == nullptr) return false;
        sim::System& system = call.machine().system;
        const auto file = findFile(system, path);
        if (file == system.files.end()) return false;
        system.files.erase(file);
        return true;
    });
}

bool readVersionText(const char* file, const char* query, char* buffer, std::size_t capacity) {
    return guarded(false, [&] {
        Call call(Op::versionInfo);
        if (call.fails(std::string(file != nullptr ? file : "") + "|" + (query != nullptr ? query : ""))) return false;
        if (file == nullptr || query == nullptr || buffer == nullptr || capacity == 0) return false;
        for (const sim::VersionText& t : call.machine().system.versionTexts) {
            if (!sim::detail::equalNoCase(t.file, file) || !sim::detail::equalNoCase(t.query, query)) continue;
            const std::size_t n = std::min(capacity - 1, t.text.size());
            std::memcpy(buffer, t.text.data(), n);
            buffer[n] = '\0';
            return true;
        }
        return false;
    });
}

LocalDate localDate() {
    return guarded(LocalDate{}, [&] {
        Call call(Op::localTime);
        return call.machine().system.date; // GetLocalTime cannot fail
    });
}

std::size_t environmentVariable(const char* name, char* buffer, std::size_t capacity) {
    return guarded(std::size_t{0}, [&] {
        Call call(Op::environment);
        if (name == nullptr || buffer == nullptr || capacity == 0) return std::size_t{0};
        buffer[0] = '\0';
        if (call.fails(name)) return std::size_t{0};
        const auto& environment = call.machine().system.environment;
        const auto found = environment.find(name);
        if (found == environment.end() || found->second.empty() || found->second.size() + 1 > capacity)
            return std::size_t{0};
        std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
        return found->second.size();
    });
}

} // namespace zel::platform
