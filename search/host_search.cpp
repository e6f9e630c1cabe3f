#include "host_search.h"

#include "hardware_ids.h"

#include <cctype>

namespace zel::search {

using namespace zel::platform;

namespace {

constexpr const Guid* kStorageInterfaceClasses[] = {
    &kGuidDevInterfaceDisk, &kGuidDevInterfaceCdRom, &kGuidDevInterfaceWriteOnceDisk};

// Enumeration errors other than "no more items" skip the index; an enumeration that
// keeps failing is given up rather than followed through four billion indexes.
constexpr int kMaxConsecutiveEnumFailures = 64;

// Examines one node of a child walk; true when it was collected.
bool examine(DeviceTree& tree, DeviceTree::Node n, const std::string& hostDescription, bool filter1394,
             FoundDeviceList& found) {
    const DevInst node = tree.devInst(n);
    const std::string& suffix = tree.instanceSuffix(n);

    StorageDeviceNumber number{};
    bool isStorage = false;
    for (const Guid* cls : kStorageInterfaceClasses) {
        if (lookUpStorageInterface(node, *cls, number)) {
            isStorage = true;
            break;
        }
    }
    if (!isStorage) return false;
    if (filter1394 && !passes1394Filter(suffix)) return false;

    FoundDevice device;
    device.devInst = node;
    device.number = number;
    device.hostDescription = hostDescription;
    device.instanceSuffix = suffix;
    device.deviceDescription = tree.text(n, kCmDrpDeviceDesc);
    device.pdoName = tree.text(n, kCmDrpPhysicalDeviceObjectName);
    device.hardwareIds = tree.hardwareIds(n);
    const DeviceTree::Node parent = tree.parent(n);
    if (parent != DeviceTree::kNone) {
        device.parentHardwareIds = tree.hardwareIds(parent);
        const DeviceTree::Node grandparent = tree.parent(parent);
        if (grandparent != DeviceTree::kNone) device.grandparentHardwareIds = tree.hardwareIds(grandparent);
    }
    device.friendlyName = tree.text(n, kCmDrpFriendlyName);
    found.push_back(std::move(device));
    return true;
}

// Parses up to the first non-hexadecimal character after leading white space, as the
// C runtime's unsigned conversion does for base 16 but without its "0x" and sign.
std::uint32_t parseHex(std::string_view text) {
    std::size_t at = 0;
    while (at < text.size() && std::isspace(static_cast<unsigned char>(text[at]))) ++at;
    std::uint64_t value = 0;
    for (; at < text.size() && std::isxdigit(static_cast<unsigned char>(text[at])); ++at) {
        const char c = text[at];
        const unsigned digit = c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10;
        value = value * 16 + digit;
        if (value > 0xFFFFFFFFu) return 0xFFFFFFFFu;
    }
    return static_cast<std::uint32_t>(value);
}

} // namespace

bool lookUpStorageInterface(DevInst node, const Guid& interfaceClass, StorageDeviceNumber& number) {
    const DeviceInfoSet set = DeviceInfoSet::presentInterfaces(interfaceClass);
    if (!set) return false;
    bool found = false;
    int failures = 0;
    for (std::uint32_t index = 0;; ++index) {
        DeviceInterfaceData data;
        const EnumResult result = setupEnumDeviceInterface(set, interfaceClass, index, data);
        if (result == EnumResult::noMoreItems) break;
        if (result == EnumResult::failed) {
            if (++failures >= kMaxConsecutiveEnumFailures) break;
            continue;
        }
        failures = 0;

        DevInst element = 0;
        if (!setupEnumDeviceInfo(set, index, element) || element != node) continue;
        std::uint32_t required = 0;
        DevInst owner = 0; // the element the detail call names: the interface's own node
        if (!setupInterfaceDetailSize(set, data, required, owner) || required == 0) continue;
        std::string path(required, '\0');
        if (!setupInterfaceDevicePath(set, data, required, path.data(), required)) continue;

        const DeviceHandle device = DeviceHandle::openForQuery(path.c_str());
        if (!device) continue;
        // Its result is not tested: a failed query leaves the number as it was, and
        // an all-zero number matches no drive.
        queryStorageDeviceNumber(device, number);
        if (owner == node) found = true;
    }
    return found;
}

bool childWalk(DeviceTree& tree, DeviceTree::Node host, const std::string& hostDescription, bool filter1394,
               FoundDeviceList& found) {
    DeviceTree::Node current = tree.firstChild(host);
    if (current == DeviceTree::kNone) return false;
    bool appended = false;
    for (;;) {
        // This level: the current node and each following sibling.
        DeviceTree::Node last = current;
        for (; current != DeviceTree::kNone; current = tree.nextSibling(current)) {
            appended |= examine(tree, current, hostDescription, filter1394, found);
            last = current;
        }
        // The next level: the last sibling's children only.
        current = tree.firstChild(last);
        if (current == DeviceTree::kNone) return appended;
    }
}

bool uses1394Filter(const PatternList& patterns) {
    return !patterns.empty() && patterns.front() == "1394\\*";
}

bool passes1394Filter(const std::string& instanceSuffix) {
    const std::string_view suffix = instanceSuffix;
    const std::uint32_t upper = parseHex(suffix.substr(0, 8));
    const std::uint32_t lower = parseHex(suffix.size() > 8 ? suffix.substr(8, 8) : std::string_view{});
    if (upper == 0 || upper == 0xFFFFFFFFu || lower == 0 || lower == 0xFFFFFFFFu) return false;
    const auto& accepted = productIds().bridgeUniqueIds;
    return upper == accepted[0] || upper == accepted[1];
}

FoundDeviceList hostSearch(DeviceTree& tree, const PatternList& patterns) {
    FoundDeviceList found;
    const bool filter1394 = uses1394Filter(patterns);
    for (DeviceTree::Node node = 0; node < tree.size(); ++node) {
        const std::vector<std::string>& ids = tree.hardwareIds(node);
        for (const std::string& pattern : patterns) {
            if (pattern.empty()) break;
            for (const std::string& id : ids) {
                if (matchesPattern(id, pattern) && childWalk(tree, node, tree.text(node, kCmDrpDeviceDesc), filter1394, found))
                    break; // found something under this pattern: on to the next pattern
            }
        }
    }
    return found;
}

} // namespace zel::search
