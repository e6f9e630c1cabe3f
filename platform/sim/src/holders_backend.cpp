// The programs holding files open on some drives, answered from the model's processes.
#include "guard.h"
#include "model.h"
#include "state.h"

#include <zel/platform/holders.h>

#include <algorithm>
#include <string>

namespace zel::platform {

HolderReport findFileHolders(std::string_view driveLetters) {
    return sim::detail::guarded(HolderReport{}, [&] {
        sim::detail::Call call(sim::Op::findFileHolders);
        if (call.fails(driveLetters)) return HolderReport{};
        const sim::Machine& m = call.machine();
        if (m.holderQuery == sim::HolderQuery::noRights) return HolderReport{HolderSearch::noRights, {}};
        if (m.holderQuery == sim::HolderQuery::unavailable) return HolderReport{};
        std::string wanted;
        for (const char c : driveLetters)
            if (const char letter = sim::detail::heldLetter(std::string{c, ':'})) wanted += letter;
        HolderReport report{HolderSearch::found, {}};
        for (const sim::Process& p : m.processes) {
            const bool holds = std::any_of(p.openFiles.begin(), p.openFiles.end(), [&](const std::string& file) {
                const char letter = sim::detail::heldLetter(file);
                return letter != 0 && wanted.find(letter) != std::string::npos;
            });
            if (holds) report.holders.push_back({p.image, p.id});
        }
        std::sort(report.holders.begin(), report.holders.end(),
                  [](const FileHolder& a, const FileHolder& b) { return a.processId < b.processId; });
        return report;
    });
}

} // namespace zel::platform
