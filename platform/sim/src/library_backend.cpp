// LoadLibraryA / GetProcAddress / FreeLibrary in the simulated system. Which files the
// program's directory holds, and which exports each lacks, comes from the model's library
// table; a present file is the shared object built under its name (".so" for ".dll"),
// except the two resource libraries, which are modules of the simulated system itself.
#include "guard.h"
#include "module.h"
#include "state.h"
#include "text.h"

#include <dlfcn.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <string_view>

namespace zel::platform {
namespace {

using sim::Op;
using sim::detail::Call;
using sim::detail::guarded;
using sim::detail::Module;

std::string_view fileNameOf(std::string_view path) {
    const std::size_t slash = path.find_last_of("\\/");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// Where the shared object behind a library path lies: in the directory the path names,
// a bare name in the program's directory, where the platform's library search begins.
// The file is named as the table spells it, since Windows file names ignore case.
std::string sharedObjectPath(std::string_view path, std::string_view file) {
    std::string out;
    const std::string_view directory = path.substr(0, path.size() - fileNameOf(path).size());
    if (directory.empty()) {
        char own[4096];
        if (programDirectory(own, sizeof own) > 0) out = own;
    }
    out += directory;
    out += file;
    for (char& c : out)
        if (c == '\\') c = '/';
    if (out.size() > 4 && sim::detail::equalNoCase(std::string_view(out).substr(out.size() - 4), ".dll"))
        out.replace(out.size() - 4, 4, ".so");
    return out;
}

} // namespace

Library Library::load(const char* path) {
    return guarded(Library(), [&] {
        auto module = std::make_unique<Module>();
        {
            Call call(Op::loadLibrary);
            if (path != nullptr) call.state().libraryLoads.emplace_back(path);
            if (call.fails(path != nullptr ? path : "")) return Library();
            if (path == nullptr) return Library();
            const std::string_view file = fileNameOf(path);
            const auto& table = call.machine().system.libraries;
            const auto entry = std::find_if(table.begin(), table.end(), [&](const sim::LibraryFile& f) {
                return sim::detail::equalNoCase(f.name, file);
            });
            if (entry == table.end()) return Library();
            module->file = entry->name;
            module->missingExports = entry->missingExports;
            module->resource = sim::detail::equalNoCase(file, "ZelSATAResUS.dll") ||
                               sim::detail::equalNoCase(file, "ZelSATARes.dll");
            if (sim::detail::equalNoCase(file, "ZelSATARes.dll")) module->language = res::Language::japanese;
        }
        // Outside the machine's lock: a loaded object's initialisers may call the platform.
        if (!module->resource) {
            module->shared = dlopen(sharedObjectPath(path, module->file).c_str(), RTLD_NOW | RTLD_LOCAL);
            if (module->shared == nullptr) return Library();
        }
        sim::detail::State& s = sim::detail::state();
        {
            std::lock_guard lock(s.mutex);
            ++s.handles.modules;
        }
        return Library(module.release());
    });
}


void* Library::symbol(const char* name) const {
    return guarded(static_cast<void*>(nullptr), [&]() -> void* {
        Call call(Op::getProcAddress);
        const auto* module = static_cast<const Module*>(handle_);
        if (call.fails((module != nullptr ? module->file : std::string()) + "|" + (name != nullptr ? name : "")))
            return nullptr;
        if (module == nullptr || name == nullptr || module->shared == nullptr) return nullptr;
        const auto& missing = module->missingExports;
        if (std::find(missing.begin(), missing.end(), std::string_view(name)) != missing.end()) return nullptr;
        return dlsym(module->shared, name);
    });
}

void Library::reset() {
    if (handle_ == nullptr) return;
    auto* module = static_cast<Module*>(handle_);
    if (module->shared != nullptr) dlclose(module->shared);
    sim::detail::State& s = sim::detail::state();
    {
        std::lock_guard lock(s.mutex);
        --s.handles.modules;
    }
    delete module;
    handle_ = nullptr;
}

std::size_t programDirectory(char* buffer, std::size_t capacity) {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return 0;
    path[n] = '\0';
    char* slash = std::strrchr(path, '/');
    if (slash == nullptr) return 0;
    const std::size_t length = static_cast<std::size_t>(slash - path) + 1;
    if (buffer == nullptr || length + 1 > capacity) return 0;
    std::memcpy(buffer, path, length);
    buffer[length] = '\0';
    return length;
}

} // namespace zel::platform
