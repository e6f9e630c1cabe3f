// What a device node's removal takes out of the machine.
#include "model.h"

#include "text.h"

#include <algorithm>
#include <atomic>
#include <string>
#include <vector>

namespace zel::sim::detail {

namespace {
std::atomic<RemovalQuestion> removalQuestion{nullptr};
} // namespace

void setRemovalQuestion(RemovalQuestion question) { removalQuestion.store(question); }

bool askWindowsBeforeRemoval() {
    const RemovalQuestion question = removalQuestion.load();
    return question == nullptr || question();
}

void removeSubtree(Machine& machine, int node) {
    const int count = static_cast<int>(machine.nodes.size());
    if (node < 0 || node >= count) return;
    // Mark the subtree, walking children links; a node linked twice is visited once.
    std::vector<bool> gone(machine.nodes.size(), false);
    std::vector<int> pending{node};
    while (!pending.empty()) {
        const int n = pending.back();
        pending.pop_back();
        if (n < 0 || n >= count || gone[n] || !machine.nodes[n].present) continue;
        gone[n] = true;
        machine.nodes[n].present = false;
        for (const int c : machine.nodes[n].children) pending.push_back(c);
    }
    const auto removedOwner = [&](int owner) { return owner >= 0 && owner < count && gone[owner]; };
    const auto keepsVolumes = [&](int owner) { return machine.nodes[owner].removalLeavesVolumes; };

    // The letters that stay behind keep their "\\.\X:" objects too.
    std::vector<std::string> keptVolumePaths;
    std::erase_if(machine.volumes, [&](const Volume& v) {
        if (!removedOwner(v.owner)) return false;
        if (keepsVolumes(v.owner)) {
            keptVolumePaths.push_back(std::string("\\\\.\\") + v.letter + ':');
            return false;
        }
        return true;
    });
    std::erase_if(machine.devices, [&](const DeviceObject& d) {
        if (!removedOwner(d.owner)) return false;
        return std::none_of(keptVolumePaths.begin(), keptVolumePaths.end(),
                            [&](const std::string& p) { return equalNoCase(p, d.path); });
    });
}

} // namespace zel::sim::detail
