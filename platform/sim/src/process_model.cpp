// The programs of the model and the files they hold open on its drives.
#include "model.h"

#include "text.h"

#include <algorithm>
#include <string>
#include <vector>

namespace zel::sim::detail {

char heldLetter(std::string_view path) {
    if (path.size() < 2 || path[1] != ':') return 0;
    const char letter = upper(path[0]);
    return letter >= 'A' && letter <= 'Z' ? letter : 0;
}

bool subtreeHeld(const Machine& machine, int node) {
    const int count = static_cast<int>(machine.nodes.size());
    std::vector<bool> inside(machine.nodes.size(), false);
    std::vector<int> pending{node};
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        if (n < 0 || n >= count || inside[n] || !machine.nodes[n].present) continue;
        inside[n] = true;
        for (const int c : machine.nodes[n].children) pending.push_back(c);
    }
    for (const Volume& v : machine.volumes) {
        if (v.owner < 0 || v.owner >= count || !inside[v.owner]) continue;
        for (const Process& p : machine.processes)
            for (const std::string& file : p.openFiles)
                if (heldLetter(file) == upper(v.letter)) return true;
    }
    return false;
}

Process& processOf(Machine& machine, std::uint32_t id, const std::string& image) {
    for (Process& p : machine.processes)
        if (p.id == id) return p;
    return machine.processes.emplace_back(Process{id, image, {}});
}

void openFile(Machine& machine, std::uint32_t id, const std::string& image, const std::string& path) {
    processOf(machine, id, image).openFiles.push_back(path);
}

bool closeFile(Machine& machine, std::uint32_t id, std::string_view path) {
    for (Process& p : machine.processes) {
        if (p.id != id) continue;
        const auto file = std::find_if(p.openFiles.begin(), p.openFiles.end(),
                                       [&](const std::string& f) { return equalNoCase(f, path); });
        if (file == p.openFiles.end()) return false;
        p.openFiles.erase(file);
        return true;
    }
    return false;
}

} // namespace zel::sim::detail
