#include "pattern_list.h"

#include "device_tree.h"
#include "hardware_ids.h"
#include <zel/text.h>

namespace zel::search {

using namespace zel::platform;

namespace {
constexpr std::string_view kIdeControllerClassGuid = "{4D36E96A-E325-11CE-BFC1-08002BE10318}";
}

std::vector<std::string> collectIdeChannels(DeviceTree& tree) {
    std::vector<std::string> channels;
    std::size_t used = 1; // the final empty string
    for (DeviceTree::Node node = 0; node < tree.size(); ++node) {
        const std::vector<std::string>& ids = tree.hardwareIds(node);
        if (ids.empty()) continue;
        if (!startsWithNoCase(tree.text(node, kCmDrpClassGuid), kIdeControllerClassGuid)) continue;
        if (!startsWithNoCase(tree.text(node, kCmDrpClass), "hdc")) continue;
        if (!startsWithNoCase(tree.text(node, kCmDrpService), "atapi")) continue;
        // Keep discovery order: nothing after an ID that did not fit.
        if (used + ids.front().size() + 1 > kIdeChannelBufferSize) break;
        used += ids.front().size() + 1;
        channels.push_back(ids.front());
    }
    return channels;
}

PatternList buildPatternList(DeviceTree& tree, std::uint32_t selector) {
    PatternList patterns;
    for (std::uint32_t bit = kAnyNode; bit <= kSataAdapters; bit <<= 1) {
        if ((selector & bit) == 0) continue;
        if (bit == kIdeChannels) {
            for (std::string& id : collectIdeChannels(tree)) patterns.push_back(std::move(id));
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
