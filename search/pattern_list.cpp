#include "pattern_list.h"

#include "device_tree.h"
#include "hardware_ids.h"
#include <zel/text.h>

namespace zel::search {

using namespace zel::platform;

namespace {
constexpr std::string_view kIdeControllerClassGuid = "{4D36E96A-E325-11CE-BFC1-08002BE10318}";
}

std::vector<std::string> collectIdeChannels() {
    std::vector<std::string> channels;
    std::size_t used = 1; // the final empty string
    bool full = false;
    walkPreOrder([&](DevInst node) {
        if (full) return;
        const std::vector<std::string> ids = readList(node, kCmDrpHardwareId);
        if (ids.empty()) return;
        if (!startsWithNoCase(readText(node, kCmDrpClassGuid), kIdeControllerClassGuid)) return;
        if (!startsWithNoCase(readText(node, kCmDrpClass), "hdc")) return;
        if (!startsWithNoCase(readText(node, kCmDrpService), "atapi")) return;
        if (used + ids.front().size() + 1 > kIdeChannelBufferSize) {
            full = true; // keep discovery order: nothing after an ID that did not fit
            return;
        }
        used += ids.front().size() + 1;
        channels.push_back(ids.front());
    });
    return channels;
}

PatternList buildPatternList(std::uint32_t selector) {
    PatternList patterns;
    for (std::uint32_t bit = kAnyNode; bit <= kSataAdapters; bit <<= 1) {
        if ((selector & bit) == 0) continue;
        if (bit == kIdeChannels) {
            for (std::string& id : collectIdeChannels()) patterns.push_back(std::move(id));
            continue;
        }
        for (std::string_view row : groupRows(static_cast<SelectorBit>(bit))) patterns.emplace_back(row);
    }
    return patterns;
}

bool matchesPattern(const std::string& hardwareId, const std::string& pattern) {
    std::string_view prefix = pattern;
    if (!prefix.empty() && prefix.back() == '*') prefix.remove_suffix(1);
    return startsWithNoCase(hardwareId, prefix);
}

} // namespace zel::search
